#!/usr/bin/env bash
# Writes the fault layer's table of imports: one FAULT_IMPORT(index, dll,
# function) line for every function the given binaries import by name, so the
# layer follows whatever the product imports, and for the ADVAPI32 functions
# that LOOKED_UP (the product's nt_security.cpp) finds with GetProcAddress.
# Of the C runtime only the allocators are taken (the rest cannot fail in a
# way a caller sees), and variadic functions are left out (a wrapper cannot
# pass their arguments on).
# Usage: list_imports.sh OBJDUMP OUTPUT LOOKED_UP BINARY...
set -euo pipefail
objdump=$1
output=$2
looked_up=$3
shift 3
{
    for binary in "$@"; do
        "$objdump" -p "$binary" | awk '
            /^\tDLL Name: / { dll = tolower($3); next }
            /^$/ { dll = "" }
            dll != "" && /^\t[0-9a-f]+\t +[0-9]+ +[^ ]/ { print dll, $3 }'
    done
    sed -n 's/.*Find<decltype(::\([A-Za-z]*\))>("[A-Za-z]*").*/advapi32.dll \1/p' "$looked_up"
} | sort -u | awk '
    ($1 == "msvcrt.dll" || $1 == "crtdll.dll") && $2 !~ /^(malloc|calloc|realloc)$/ { next }
    $2 ~ /^(wsprintfA|wsprintfW)$/ { next }
    { printf "FAULT_IMPORT(%d, \"%s\", %s)\n", n++, $1, $2 }' >"$output.tmp"
mv "$output.tmp" "$output"
