#!/usr/bin/env bash
# Checks the PE headers of the shipped binaries: Windows GUI images for the
# oldest Windows of their architecture (i686: subsystem 4.0, which 95 and NT
# 4.0 require, and no TLS directory; x86_64: 5.2, 64-bit XP / Server 2003),
# and a DLL whose only exports are the four undecorated COM server entry
# points.
# Usage: check_pe.sh OBJDUMP i686|x86_64 PROGRAM DLL
set -euo pipefail
objdump=$1
arch=$2
program=$3
dll=$4

# A check that cannot look at the binaries must not pass.
if ! command -v "$objdump" >/dev/null 2>&1; then
    echo "$(basename "$0"): $objdump is not installed" >&2
    exit 1
fi
if [ "$arch" = i686 ]; then subsystem=4.0; else subsystem=5.2; fi

status=0
fail() { echo "$*"; status=1; }

# The value of one field of the PE header that objdump prints.
header() { "$objdump" -p "$1" | awk -v f="$2" '$1 == f && !found { print $2; found = 1 }'; }

check_image() {
    local name version os tls
    name=$(basename "$1")
    version="$(header "$1" MajorSubsystemVersion).$(header "$1" MinorSubsystemVersion)"
    [ "$version" = "$subsystem" ] || fail "$name: subsystem version is $version, not $subsystem"
    os="$(header "$1" MajorOSystemVersion)"
    [ "$os" -le "${subsystem%.*}" ] || fail "$name: needs OS version $os"
    [ "$(header "$1" Subsystem)" = 00000002 ] ||
        fail "$name: subsystem $(header "$1" Subsystem), not Windows GUI (2)"
    [ "$arch" = i686 ] || return 0
    # Windows 95 refuses to LoadLibrary a DLL with static TLS (Q118816), so
    # the shell would never load the extension; the program keeps none either.
    tls=$("$objdump" -p "$1" | awk '$1 == "Entry" && $2 == "9" { print $3, $4 }')
    [ "$tls" = "00000000 00000000" ] ||
        fail "$name: has a TLS directory (data directory entry 9: $tls); Windows 95 loads no DLL with one"
}

check_image "$program"
check_image "$dll"

exports=$("$objdump" -p "$dll" | sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/p' |
          sed -n 's/^\s*\[ *[0-9]*\] //p' | sort | tr '\n' ' ')
expected="DllCanUnloadNow DllGetClassObject DllRegisterServer DllUnregisterServer "
[ "$exports" = "$expected" ] || fail "$(basename "$dll"): exports '$exports', expected '$expected'"

if [ "$arch" = i686 ]; then tls=", no TLS directory"; else tls=""; fi
[ $status -eq 0 ] && echo "$(basename "$program") and $(basename "$dll"): Windows $subsystem GUI images$tls, exports as expected"
exit $status
