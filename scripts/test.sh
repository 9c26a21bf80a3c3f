#!/usr/bin/env bash
# Runs every test: installs what is missing, builds the native parsers under
# sanitizers, both Windows targets and the fuzzers, then runs the native
# tests, the Windows tests under Wine (32- and 64-bit) and a bounded fuzz run.
# Usage: scripts/test.sh [preset...]   (default: native win32 win64 fuzz)
set -uo pipefail

cd "$(dirname "$0")/.."
scripts/bootstrap.sh || exit 1

presets=("$@")
[ ${#presets[@]} -gt 0 ] || presets=(native win32 win64 fuzz)

passed=0
failed=0
broken=()
for preset in "${presets[@]}"; do
    echo "=== $preset: build"
    if ! cmake --preset "$preset" >"build-$preset.log" 2>&1 ||
       ! cmake --build --preset "$preset" >>"build-$preset.log" 2>&1; then
        cat "build-$preset.log"
        broken+=("$preset (build)")
        continue
    fi
    rm -f "build-$preset.log"
    echo "=== $preset: test"
    log=$(mktemp)
    ctest --preset "$preset" 2>&1 | tee "$log"
    summary=$(grep -E 'tests passed, [0-9]+ tests? failed out of' "$log" | tail -n 1)
    total=$(sed -E 's/.*out of ([0-9]+).*/\1/' <<<"$summary")
    bad=$(sed -E 's/.*passed, ([0-9]+) tests? failed.*/\1/' <<<"$summary")
    rm -f "$log"
    if [ -z "$summary" ]; then
        broken+=("$preset (no tests ran)")
        continue
    fi
    passed=$((passed + total - bad))
    failed=$((failed + bad))
    [ "$bad" -eq 0 ] || broken+=("$preset")
done

echo
[ ${#broken[@]} -eq 0 ] || echo "failing: ${broken[*]}"
echo "${passed} passed, ${failed} failed"
[ ${#broken[@]} -eq 0 ]
