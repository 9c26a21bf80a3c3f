#!/usr/bin/env bash
# Timings of whole runs under Wine; not part of the tests.
#   maintenance  MONCHK04's maintenance run (no switch) in a prefix with
#                MODELS recorded models of PRINTERS printers each, against an
#                empty program that creates one hidden window and ends, and
#                against the same program loading the spooler's DLL (whose
#                start-up under Wine walks every printer): the median wall
#                time of each, run in turn, and the ratios
#   targets      an uninstall by printer of the demonstration product whose
#                target keys hold TARGETS entries of printers that are gone:
#                the median wall time of the run, after a fresh install each
#   shellext     MONEXT01's figures (scripts/bench-shellext.sh)
# Usage: scripts/bench.sh [maintenance|targets|shellext|all]   (default: all)
#   MONSETUP_BENCH_RUNS (15; 5 for targets), MONSETUP_BENCH_MODELS (20),
#   MONSETUP_BENCH_PRINTERS (5), MONSETUP_BENCH_TARGETS (1000),
#   MONSETUP_WINVER (win2k)
# The i686 build runs where this kernel runs 32-bit code, else the x86_64 one.
set -euo pipefail

cd "$(dirname "$0")/.."
. scripts/wine-env.sh
what=${1:-all}
if monsetup_runs_32bit; then preset=win32; else preset=win64; fi
scripts/bootstrap.sh >/dev/null
cmake --preset $preset >/dev/null
cmake --build --preset $preset >/dev/null

bench_maintenance() {
    export MONSETUP_WINVER=${MONSETUP_WINVER:-win2k}
    export MONSETUP_TIMEOUT=1800
    local runs=${MONSETUP_BENCH_RUNS:-15} models=${MONSETUP_BENCH_MODELS:-20}
    local printers=${MONSETUP_BENCH_PRINTERS:-5}
    echo "maintenance run: $preset build, Wine presenting $MONSETUP_WINVER," \
         "$models models of $printers printers, median of $runs runs each"
    scripts/wine-run.sh "build/$preset/wine" --shell bash -c '
        set -e
        cd "$1/bin"
        runs=$2
        wine bench_models.exe "$3" "$4"
        # Wall time of one run in microseconds.
        timed() {
            local start=$EPOCHREALTIME
            wine "$@" >/dev/null 2>&1 || true
            local end=$EPOCHREALTIME
            echo $(( (${end/./} - ${start/./}) ))
        }
        median() { sort -n | awk "{ v[NR] = \$1 } END { print v[int((NR + 1) / 2)] }"; }
        timed MONCHK04.exe >/dev/null   # warm-up; registers the monitors once
        timed empty_window.exe >/dev/null
        times=$(mktemp -d)
        for ((i = 0; i < runs; i++)); do
            timed MONCHK04.exe >>"$times/a"
            timed empty_window.exe >>"$times/b"
            timed empty_window.exe winspool.drv >>"$times/c"
        done
        a=$(median <"$times/a"); b=$(median <"$times/b"); c=$(median <"$times/c")
        rm -rf "$times"
        awk -v a="$a" -v b="$b" -v c="$c" "BEGIN {
            printf \"  MONCHK04 maintenance run     %.3f s\\n\", a / 1e6
            printf \"  empty windowed program       %.3f s   ratio %.2f\\n\", b / 1e6, a / b
            printf \"  the same, loading winspool   %.3f s   ratio %.2f\\n\", c / 1e6, a / c }"
    ' bench "build/$preset" "$runs" "$models" "$printers"
}

bench_targets() {
    export MONSETUP_WINVER=${MONSETUP_WINVER:-win2k}
    export MONSETUP_TIMEOUT=1800
    local runs=${MONSETUP_BENCH_RUNS:-5} targets=${MONSETUP_BENCH_TARGETS:-1000}
    echo "uninstall with $targets target entries of printers gone: $preset build," \
         "Wine presenting $MONSETUP_WINVER, median of $runs runs"
    scripts/wine-run.sh "build/$preset/wine" --shell bash -c '
        set -e
        cd "$1/bin"
        times=$(mktemp)
        for ((i = 0; i < $2; i++)); do
            prepared=$(wine install_demo.exe | tr -d "\r")
            ini=$(sed -n 1p <<<"$prepared")
            monchk=$(sed -n 2p <<<"$prepared")
            wine setup_host.exe --program "$monchk" "/I:$ini" >/dev/null 2>&1
            wine bench_targets.exe "$3"
            start=$EPOCHREALTIME
            wine setup_host.exe --timeout 600 --program "$monchk" "/R:NORVA LP-1" >/dev/null 2>&1 || true
            end=$EPOCHREALTIME
            echo $(( (${end/./} - ${start/./}) )) >>"$times"
        done
        sort -n "$times" | awk "{ v[NR] = \$1 } END {
            printf \"  uninstall by printer         %.3f s\\n\", v[int((NR + 1) / 2)] / 1e6 }"
        rm -f "$times"
    ' bench "build/$preset" "$runs" "$targets"
}

case "$what" in
    maintenance) bench_maintenance ;;
    targets) bench_targets ;;
    shellext) scripts/bench-shellext.sh ;;
    all)
        bench_maintenance
        bench_targets
        if [ -x scripts/bench-shellext.sh ]; then scripts/bench-shellext.sh; fi ;;
    *) echo "usage: scripts/bench.sh [maintenance|targets|shellext|all]" >&2; exit 2 ;;
esac
