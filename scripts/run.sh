#!/usr/bin/env bash
# Builds the 32-bit Windows target and runs the command-line reader under Wine
# on an example command line (or on the arguments given), printing the option
# record a MONCHK04 run would act on.
set -euo pipefail

cd "$(dirname "$0")/.."
scripts/bootstrap.sh
cmake --preset win32 >/dev/null
cmake --build --preset win32 >/dev/null

if [ $# -eq 0 ]; then
    set -- /R:12 'My Printer/1' /W32:4660 /NP
fi
exec scripts/wine-run.sh build/win32/wine build/win32/bin/show_options.exe "$@"
