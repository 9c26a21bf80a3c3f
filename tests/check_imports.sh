#!/usr/bin/env bash
# Fails when a Windows binary imports a DLL that a bare Windows lacks (the
# MinGW runtime DLLs in particular): everything must be linked statically.
# Usage: check_imports.sh OBJDUMP BINARY...
set -euo pipefail
objdump=$1
shift
allowed='^(kernel32|user32|gdi32|advapi32|shell32|ole32|oleaut32|comctl32|winspool\.drv|msvcrt|shlwapi|version|comdlg32|uuid)(\.dll)?$'
status=0
for binary in "$@"; do
    while read -r dll; do
        if ! grep -qiE "$allowed" <<<"$dll"; then
            echo "$(basename "$binary") imports $dll"
            status=1
        fi
    done < <("$objdump" -p "$binary" | sed -n 's/^\s*DLL Name: //p')
done
[ $status -eq 0 ] && echo "only system DLLs imported by $# binaries"
exit $status
