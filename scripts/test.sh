#!/usr/bin/env bash
# Runs every test: installs what is missing, builds the native parsers under
# sanitizers, both Windows targets and the fuzzers, then runs the native
# tests, the Windows tests under Wine (32- and 64-bit) and a bounded fuzz run.
# On a machine whose kernel cannot run 32-bit code, the win32 build's static
# checks run here and its Windows tests run in an emulated 32-bit system
# (scripts/vm-i386.sh); MONSETUP_VM=0 skips that part, and says so.
# Last, the clean room (scripts/clean-room.sh) proves the README's set-up
# steps in a fresh Debian root; it counts as one test.
# Usage: scripts/test.sh [preset...]   (default: native win32 win64 fuzz clean-room)
set -uo pipefail

cd "$(dirname "$0")/.."
. scripts/wine-env.sh
echo "test: $(monsetup_machine_kind)"
scripts/bootstrap.sh || { echo "test: scripts/bootstrap.sh failed, so nothing was built or run"; exit 1; }

presets=("$@")
[ ${#presets[@]} -gt 0 ] || presets=(native win32 win64 fuzz clean-room)

passed=0
failed=0
skipped=0
broken=()
skips=()

# Runs ctest with the given arguments, adds its counts, names the preset
# (and what) in `broken` when something failed or nothing ran.
run_ctest() {
    local what=$1 log summary total bad
    shift
    log=$(mktemp)
    ctest "$@" 2>&1 | tee "$log"
    summary=$(grep -E 'tests passed, [0-9]+ tests? failed out of' "$log" | tail -n 1)
    rm -f "$log"
    if [ -z "$summary" ]; then
        broken+=("$what (no tests ran)")
        return
    fi
    total=$(sed -E 's/.*out of ([0-9]+).*/\1/' <<<"$summary")
    bad=$(sed -E 's/.*passed, ([0-9]+) tests? failed.*/\1/' <<<"$summary")
    passed=$((passed + total - bad))
    failed=$((failed + bad))
    [ "$bad" -eq 0 ] || broken+=("$what")
}

# The win32 Windows tests on a kernel that cannot run 32-bit code: the
# emulated i386 system runs those labelled "emulated" (the shipped binaries on
# each Windows); the others are left to their x86_64 twins.
run_win32_elsewhere() {
    local count emulated line status log
    count=$(ctest --preset win32 -N -LE static | sed -n 's/^Total Tests: //p')
    emulated=$(ctest --preset win32 -N -L emulated | sed -n 's/^Total Tests: //p')
    echo "=== win32: $count Windows tests cannot run under Wine here: this kernel cannot run 32-bit code"
    if [ "${MONSETUP_VM:-1}" = 0 ]; then
        skipped=$((skipped + count))
        skips+=("win32: $count skipped: this kernel cannot run 32-bit code and MONSETUP_VM=0")
        return
    fi
    echo "=== win32: $emulated tests of the shipped binaries in the emulated i386 system;" \
         "the other $((count - emulated)) are left to the x86_64 build, whose twins run under the 64-bit Wine"
    skipped=$((skipped + count - emulated))
    skips+=("win32: $((count - emulated)) left to the x86_64 build: this kernel cannot run 32-bit code," \
            "the emulated i386 system runs the $emulated labelled \"emulated\" and the win64 tests run their twins")
    count=$emulated
    log=$(mktemp)
    scripts/vm-i386.sh test build/win32 -L emulated -j2 --output-on-failure 2>&1 | tee "$log"
    status=${PIPESTATUS[0]}
    line=$(grep '^emulated i386: ' "$log" | tail -n 1)
    rm -f "$log"
    case "$line" in
        "emulated i386: not run: "*|"")
            broken+=("win32 (${line:-emulated i386: gave no summary})")
            skipped=$((skipped + count))
            skips+=("win32: $count skipped: this kernel cannot run 32-bit code and the emulated system did not run")
            return ;;
    esac
    local ran ok bad
    ok=$(sed -E 's/^emulated i386: ([0-9]+) passed.*/\1/' <<<"$line")
    bad=$(sed -E 's/.*passed, ([0-9]+) failed.*/\1/' <<<"$line")
    ran=$(sed -E 's/.*out of ([0-9]+).*/\1/' <<<"$line")
    passed=$((passed + ok))
    failed=$((failed + bad))
    [ "$bad" -eq 0 ] && [ "$status" -eq 0 ] || broken+=("win32 (emulated i386)")
    if [ "$ran" -lt "$count" ]; then
        skipped=$((skipped + count - ran))
        skips+=("win32: $((count - ran)) skipped: this kernel cannot run 32-bit code and the emulated system ran only $ran")
    fi
}

# The README's set-up steps in a fresh root: one test.
run_clean_room() {
    local log line
    echo "=== clean-room: scripts/bootstrap.sh and scripts/run.sh in a fresh Debian root"
    log=$(mktemp)
    scripts/clean-room.sh 2>&1 | tee "$log"
    line=$(grep '^clean-room: \(passed\|failed\)' "$log" | tail -n 1)
    rm -f "$log"
    case "$line" in
        "clean-room: passed"*) passed=$((passed + 1)) ;;
        *) failed=$((failed + 1))
           broken+=("clean-room (${line:-clean-room: gave no result})") ;;
    esac
}

for preset in "${presets[@]}"; do
    if [ "$preset" = clean-room ]; then
        run_clean_room
        continue
    fi
    echo "=== $preset: build"
    if ! cmake --preset "$preset" >"build-$preset.log" 2>&1 ||
       ! cmake --build --preset "$preset" >>"build-$preset.log" 2>&1; then
        cat "build-$preset.log"
        broken+=("$preset (build)")
        continue
    fi
    rm -f "build-$preset.log"
    if [ "$preset" = win32 ] && ! monsetup_runs_32bit; then
        echo "=== $preset: static checks"
        run_ctest "$preset (static checks)" --preset "$preset" -L static
        run_win32_elsewhere
        continue
    fi
    echo "=== $preset: test"
    run_ctest "$preset" --preset "$preset"
done

echo
echo "test: $(monsetup_machine_kind)"
[ ${#broken[@]} -eq 0 ] || echo "failing: ${broken[*]}"
for skip in "${skips[@]}"; do echo "$skip"; done
echo "${passed} passed, ${failed} failed, ${skipped} skipped"
[ ${#broken[@]} -eq 0 ]
