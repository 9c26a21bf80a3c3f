#!/usr/bin/env bash
# Fails when a shipped binary imports a function that is not on the reviewed
# allowlist, or one that the allowlist says its target Windows lacks. Windows
# refuses to load a program or DLL whose imports it cannot resolve, and Wine
# exports everything whatever Windows it presents, so only this shows it.
#   i686:   every import exported by Windows 95 (a working function or a stub
#           whose failure the caller copes with) and by NT 4.0 or earlier, and
#           the C run-time library crtdll.dll, which every Windows 95 and NT
#           has (Windows 95 ships no msvcrt.dll)
#   x86_64: every import exported by 64-bit Windows XP / Server 2003 SP1
# Usage: check_imports.sh OBJDUMP ALLOWLIST i686|x86_64 BINARY...
set -euo pipefail
objdump=$1
allowlist=$2
arch=$3
shift 3

# A check that cannot look at the binaries must not pass.
if ! command -v "$objdump" >/dev/null 2>&1; then
    echo "$(basename "$0"): $objdump is not installed" >&2
    exit 1
fi

# "dll function" per import, the DLL name in lower case; "#<n>" for an import by ordinal.
list_imports() {
    "$objdump" -p "$1" | awk '
        /^\tDLL Name: / { dll = tolower($3); next }
        /^$/ { dll = "" }
        dll != "" && /^\t[0-9a-f]+\t +[0-9]+ +[^ ]/ { print dll, $3; next }
        dll != "" && /^\t[0-9a-f]+\t +[0-9]+ *$/ { print dll, "#" $2 }'
}

status=0
for binary in "$@"; do
    name=$(basename "$binary")
    if [ ! -f "$binary" ]; then
        echo "$name: missing"
        status=1
        continue
    fi
    count=$(list_imports "$binary" | wc -l)
    if [ "$count" -eq 0 ]; then
        echo "$name: no imports found (is it a PE file?)"
        status=1
        continue
    fi
    verdicts=$(list_imports "$binary" | awk -v arch="$arch" -v bin="$name" '
        FNR == NR {
            if ($0 ~ /^[ \t]*(#|$)/) next
            key = tolower($1) " " $2
            w9x[key] = $3; nt[key] = $4; x64[key] = $5
            next
        }
        {
            key = $1 " " $2
            if (!(key in w9x)) { print bin ": " $1 " " $2 " is not on the allowlist"; next }
            if (arch == "i686") {
                if (w9x[key] != "95" && w9x[key] != "95-stub")
                    print bin ": " $1 " " $2 " is not exported by Windows 95 (listed as \"" w9x[key] "\")"
                if (nt[key] !~ /^(3\.1|3\.5|3\.51|4\.0)$/)
                    print bin ": " $1 " " $2 " is not exported by NT 4.0 (listed as \"" nt[key] "\")"
            } else if (x64[key] != "XP") {
                print bin ": " $1 " " $2 " is not exported by 64-bit Windows XP (listed as \"" x64[key] "\")"
            }
        }' "$allowlist" -)
    # The C run-time library, named: Windows 95 has crtdll.dll but no
    # msvcrt.dll, which would be a requirement for the product's setup.
    runtime=""
    if [ "$arch" = i686 ]; then
        runtime=$(list_imports "$binary" | awk '$1 ~ /^(crtdll|msvcr.*)\.dll$/ { print $1 }' | sort -u |
                  tr '\n' ' ')
        if [ "$runtime" != "crtdll.dll " ]; then
            verdicts="${verdicts:+$verdicts
}$name: C run-time library '${runtime% }', not crtdll.dll alone; Windows 95 ships no msvcrt.dll"
        fi
        runtime="; C run-time library crtdll.dll, part of every Windows 95 and NT (no msvcrt.dll needed)"
    fi
    if [ -n "$verdicts" ]; then
        echo "$verdicts"
        status=1
    else
        echo "$name: all $count imports are on the allowlist for $arch$runtime"
    fi
done
exit $status
