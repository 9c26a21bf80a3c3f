#!/usr/bin/env bash
# Checks the PE headers of the shipped binaries: a GUI program for Windows 4.0
# (95 and NT 4.0 refuse images that ask for a newer subsystem), and a DLL whose
# only exports are the four undecorated COM server entry points.
# Usage: check_pe.sh OBJDUMP PROGRAM DLL
set -euo pipefail
objdump=$1
program=$2
dll=$3

status=0
fail() { echo "$*"; status=1; }

header() { "$objdump" -p "$1" | awk -v f="$2" '$1 == f { print $2; exit }'; }

check_windows_4() {
    local name
    name=$(basename "$1")
    [ "$(header "$1" MajorSubsystemVersion)" = 4 ] && [ "$(header "$1" MinorSubsystemVersion)" = 0 ] ||
        fail "$name: subsystem version is $(header "$1" MajorSubsystemVersion).$(header "$1" MinorSubsystemVersion), not 4.0"
    [ "$(header "$1" MajorOSystemVersion)" -le 4 ] ||
        fail "$name: needs OS version $(header "$1" MajorOSystemVersion)"
    [ "$(header "$1" Subsystem)" = 00000002 ] ||
        fail "$name: subsystem $(header "$1" Subsystem), not Windows GUI (2)"
}

check_windows_4 "$program"
check_windows_4 "$dll"

exports=$("$objdump" -p "$dll" | sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/p' |
          sed -n 's/^\s*\[ *[0-9]*\] //p' | sort | tr '\n' ' ')
expected="DllCanUnloadNow DllGetClassObject DllRegisterServer DllUnregisterServer "
[ "$exports" = "$expected" ] || fail "$(basename "$dll"): exports '$exports', expected '$expected'"

[ $status -eq 0 ] && echo "$(basename "$program") and $(basename "$dll"): Windows 4.0 GUI images, exports as expected"
exit $status
