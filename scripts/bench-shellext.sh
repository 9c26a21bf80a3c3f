#!/usr/bin/env bash
# Times MONEXT01's registry work under Wine presenting Windows 2000: the copy
# hook renaming a product printer whose target entry is the last of 1,000,
# against the least registry work such a search needs (the floor), and
# AddPages with page creation. Prints the medians and the rename's ratio to
# the floor; under Wine every registry call is a round trip to the
# wineserver, so only the ratio means something. Not part of the tests.
#   MONSETUP_BENCH_PRESET   the build to time (default win64, the x86_64 build)
#   MONSETUP_BENCH_ENTRIES  target entries (default 1000)
#   MONSETUP_BENCH_CALLS    timed calls of each kind (default 41)
set -euo pipefail

cd "$(dirname "$0")/.."
preset=${MONSETUP_BENCH_PRESET:-win64}
scripts/bootstrap.sh >/dev/null
cmake --preset "$preset" >/dev/null
cmake --build --preset "$preset" --target shellext_bench >/dev/null

echo "MONEXT01 ($preset build) under Wine presenting Windows 2000"
MONSETUP_WINVER=win2k exec scripts/wine-run.sh "build/$preset/wine" \
    "build/$preset/bin/shellext_bench.exe" \
    "${MONSETUP_BENCH_ENTRIES:-1000}" "${MONSETUP_BENCH_CALLS:-41}"
