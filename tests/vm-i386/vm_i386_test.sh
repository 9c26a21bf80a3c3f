#!/usr/bin/env bash
# Checks scripts/vm-i386.sh without booting anything: a stand-in
# qemu-system-i386 plays the guest (it writes to the serial file the script
# reads, or stays silent, or hangs), and reads the work disk the script made
# with debugfs. Covers the summary line and exit status for each outcome,
# what the guest is told to run, what is copied, and that an image cache
# without its stamp is never trusted.
set -uo pipefail

repo=$(cd "$(dirname "$0")/../.." && pwd)
script=$repo/scripts/vm-i386.sh
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
failures=0
checks=0

fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
# expect NAME STATUS PATTERN: the last run exited with STATUS and printed a
# line matching the extended regular expression PATTERN.
expect() {
    checks=$((checks + 1))
    if [ "$last_status" != "$2" ]; then
        fail "$1: exit status $last_status, expected $2; output:"; sed 's/^/    /' "$tmp/out"
    elif ! grep -qE -- "$3" "$tmp/out"; then
        fail "$1: no line matching '$3'; output:"; sed 's/^/    /' "$tmp/out"
    fi
}
refute() {
    checks=$((checks + 1))
    if grep -qE -- "$2" "$tmp/out"; then
        fail "$1: a line matches '$2'; output:"; sed 's/^/    /' "$tmp/out"
    fi
}

# A configured i686 build tree and its source tree, in miniature.
src=$tmp/src
build=$tmp/build/win32
mkdir -p "$src/scripts" "$src/tests" "$src/docs" "$build/CMakeFiles/3.25.1" "$build/CMakeFiles/lib.dir" "$build/sub"
echo 'echo hello' >"$src/scripts/wine-env.sh"
echo '# doc' >"$src/docs/guide.md"
printf 'CMAKE_HOME_DIRECTORY:INTERNAL=%s\nCMAKE_CACHEFILE_DIR:INTERNAL=%s\n' "$src" "$build" \
    >"$build/CMakeCache.txt"
echo 'set(CMAKE_SYSTEM_PROCESSOR "i686")' >"$build/CMakeFiles/3.25.1/CMakeSystem.cmake"
echo 'subdirs("sub")' >"$build/CTestTestfile.cmake"
cat >"$build/sub/CTestTestfile.cmake" <<'EOF'
add_test([=[a.win98]=] "a.exe")
set_tests_properties([=[a.win98]=] PROPERTIES  ENVIRONMENT "MONSETUP_WINVER=win98" TIMEOUT "300" WORKING_DIRECTORY "/x")
add_test([=[setup]=] "setup.sh")
set_tests_properties([=[setup]=] PROPERTIES  FIXTURES_SETUP "wine_prefix" TIMEOUT "600")
EOF
echo object >"$build/CMakeFiles/lib.dir/thing.cpp.obj"
echo program >"$build/a.exe"

# An image cache that the script trusts: the recipe's hash as its stamp.
cache=$tmp/cache/vm-i386
mkdir -p "$cache"
touch "$cache/root.img" "$cache/vmlinuz" "$cache/initrd.img"
cat "$repo/scripts/vm-i386/packages" "$repo/scripts/vm-i386/build-image.sh" \
    "$repo/scripts/vm-i386/initrd-init" | sha256sum | cut -c1-32 >"$cache/stamp"

# The stand-in qemu: FAKE_GUEST says what the guest does.
fake=$tmp/bin
mkdir -p "$fake"
cat >"$fake/qemu-system-i386" <<'EOF'
#!/usr/bin/env bash
serials=() drives=()
while [ $# -gt 0 ]; do
    case "$1" in
        -serial) serials+=("${2#file:}"); shift ;;
        -drive) d=${2#file=}; drives+=("${d%%,*}"); shift ;;
    esac
    shift
done
out=${serials[1]}
work=${drives[1]}
report() { printf '%s\n' "$@" >>"$out"; }
case "$FAKE_GUEST" in
    pass)
        report "vm-i386 guest: 32-bit probe (monsetup_runs_32bit): yes" \
               "1/3 Test #1: setup ....   Passed    1.00 sec" \
               "100% tests passed, 0 tests failed out of 3" \
               "vm-i386 guest: ctest exited with 0" ;;
    fail)
        report "67% tests passed, 1 tests failed out of 3" \
               "vm-i386 guest: ctest exited with 8" ;;
    crlf)
        report $'100% tests passed, 0 tests failed out of 2\r' \
               $'vm-i386 guest: ctest exited with 0\r' ;;
    no-tests)
        report "No tests were found!!!" "vm-i386 guest: ctest exited with 8" ;;
    zero)
        report "100% tests passed, 0 tests failed out of 0" "vm-i386 guest: ctest exited with 0" ;;
    probe-no)
        report "vm-i386 guest: not run: the 32-bit probe (monsetup_runs_32bit) says no" ;;
    silent)
        exit 0 ;;
    hang)
        report "1/9 Test #1: setup ....   Passed    1.00 sec"
        sleep 60 ;;
    inspect)
        # What the guest would find on its work disk.
        # run.env as the guest reads it: sourced by bash.
        debugfs -R "dump /run.env $out.env" "$work" >/dev/null 2>&1
        (. "$out.env"
         echo "guest args: ${CTEST_ARGS[*]}"
         echo "guest timeout: $MONSETUP_TIMEOUT"
         echo "guest dirs: source $SOURCE_DIR build $BUILD_DIR tops ${TOP_DIRS[*]}") >>"$out"
        debugfs -R "cat /tree$FAKE_BUILD/sub/CTestTestfile.cmake" "$work" 2>/dev/null |
            sed 's/^/ctestfile: /' >>"$out"
        debugfs -R "rdump /tree $FAKE_DUMP" "$work" >/dev/null 2>&1
        debugfs -R "stat /guest-run.sh" "$work" 2>/dev/null | grep -q 'Type: regular' &&
            report "guest-run.sh is there"
        report "100% tests passed, 0 tests failed out of 1" "vm-i386 guest: ctest exited with 0" ;;
esac
EOF
chmod +x "$fake/qemu-system-i386"
export PATH="$fake:$PATH"
export MONSETUP_VM_CACHE=$cache FAKE_BUILD=$build
unset MONSETUP_TIMEOUT MONSETUP_VM_SLOWDOWN MONSETUP_VM_TIMEOUT

run() { "$script" "$@" >"$tmp/out" 2>&1; last_status=$?; }

FAKE_GUEST=pass run test "$build"
expect "all passed" 0 '^emulated i386: 3 passed, 0 failed out of 3 \([0-9]+ s\)$'

FAKE_GUEST=fail run test "$build"
expect "one failed" 1 '^emulated i386: 2 passed, 1 failed out of 3 \([0-9]+ s\)$'

FAKE_GUEST=crlf run test "$build"
expect "serial line ends" 0 '^emulated i386: 2 passed, 0 failed out of 2 '

FAKE_GUEST=no-tests run test "$build"
expect "no test ran" 2 '^emulated i386: not run: ctest ran no test'
refute "no test ran" 'passed, 0 failed'

FAKE_GUEST=zero run test "$build"
expect "zero tests" 2 '^emulated i386: not run: ctest ran no test'

FAKE_GUEST=probe-no run test "$build"
expect "probe says no" 2 '^emulated i386: not run: the 32-bit probe \(monsetup_runs_32bit\) says no$'

FAKE_GUEST=silent run test "$build"
expect "silent guest" 2 '^emulated i386: not run: the guest stopped without reporting a ctest run$'

start=$SECONDS
FAKE_GUEST=hang MONSETUP_VM_TIMEOUT=2 run test "$build"
expect "hanging guest" 2 \
    '^emulated i386: not run: timed out: the guest was killed after 2 s \(MONSETUP_VM_TIMEOUT\), 1 tests had finished$'
[ $((SECONDS - start)) -lt 20 ] || fail "hanging guest: the run took $((SECONDS - start)) s"

# Every tool but qemu.
mkdir -p "$tmp/noqemu"
for tool in bash cat cut dirname grep mkdir sed sha256sum; do
    ln -s "$(command -v "$tool")" "$tmp/noqemu/$tool"
done
PATH=$tmp/noqemu FAKE_GUEST=pass "$tmp/noqemu/bash" "$script" test "$build" >"$tmp/out" 2>&1
last_status=$?
expect "qemu missing" 2 '^emulated i386: not run: qemu-system-i386 is missing \(package qemu-system-x86'

sed -i 's/i686/x86_64/' "$build/CMakeFiles/3.25.1/CMakeSystem.cmake"
FAKE_GUEST=pass run test "$build"
expect "64-bit tree" 2 '^emulated i386: not run: .* is not a 32-bit \(i686\) Windows build tree$'
sed -i 's/x86_64/i686/' "$build/CMakeFiles/3.25.1/CMakeSystem.cmake"

FAKE_GUEST=pass run test "$tmp"
expect "no build tree" 2 '^emulated i386: not run: .* is not a configured build tree'

# A tree copied elsewhere still names its old paths in ctest's files.
cp -a "$tmp/build" "$tmp/moved"
FAKE_GUEST=pass run test "$tmp/moved/win32"
expect "moved build tree" 2 "^emulated i386: not run: .* belongs to another folder \($build\)"
rm -rf "$tmp/moved"

FAKE_GUEST=pass MONSETUP_VM_TIMEOUT=1h run test "$build"
expect "bad number" 2 "^emulated i386: not run: '1h' is not a positive whole number"

# What the guest is told: the defaults, `static` always excluded, the
# timeouts scaled by the slowdown, the trees at their own paths.
FAKE_DUMP=$tmp/dump
mkdir -p "$FAKE_DUMP"
export FAKE_DUMP
FAKE_GUEST=inspect run test "$build"
expect "default arguments" 0 \
    '^guest args: --no-tests=error --timeout 2400 -LE \^static\$ -j2 --output-on-failure$'
expect "per-program timeout" 0 '^guest timeout: 1920$'
expect "trees" 0 "^guest dirs: source $src build $build tops tmp\$"
expect "ctest timeout scaled" 0 '^ctestfile: set_tests_properties\(\[=\[a.win98\]=\] .* TIMEOUT "2400" WORKING_DIRECTORY'
expect "fixture timeout scaled" 0 '^ctestfile: set_tests_properties\(\[=\[setup\]=\] .* TIMEOUT "4800"\)$'
expect "guest script" 0 '^guest-run.sh is there$'
checks=$((checks + 1))
[ -f "$FAKE_DUMP/tree$build/a.exe" ] && [ -f "$FAKE_DUMP/tree$src/scripts/wine-env.sh" ] &&
    [ -f "$FAKE_DUMP/tree$src/docs/guide.md" ] ||
    fail "the program, the scripts or the docs were not copied"
checks=$((checks + 1))
[ ! -e "$FAKE_DUMP/tree$build/CMakeFiles/lib.dir/thing.cpp.obj" ] || fail "an object file was copied"
checks=$((checks + 1))
grep -q 'TIMEOUT "300"' "$build/sub/CTestTestfile.cmake" || fail "the host's CTestTestfile.cmake was changed"

rm -rf "$FAKE_DUMP"/*
FAKE_GUEST=inspect MONSETUP_VM_SLOWDOWN=3 MONSETUP_TIMEOUT=100 run test "$build" -R 'a\.' -LE slow
expect "caller's arguments" 0 \
    '^guest args: --no-tests=error --timeout 900 -LE \^static\$\|\(slow\) -R a\\\. *$'
refute "caller's arguments" '-j2'
expect "slowdown" 0 '^guest timeout: 300$'
expect "slowdown" 0 'TIMEOUT "900"'

# An image cache without its stamp (as a killed build leaves it) is not
# trusted: the script builds anew, here with an apt that fails, and removes
# the half-made folder that a killed build left.
cat >"$fake/apt-get" <<'EOF'
#!/bin/sh
echo called >>"$APT_CALLS"
echo "apt-get: no network in this test" >&2
exit 100
EOF
export APT_CALLS=$tmp/apt-calls
cp "$fake/apt-get" "$fake/apt-cache"
chmod +x "$fake/apt-get" "$fake/apt-cache"
mv "$cache/stamp" "$tmp/stamp"
mkdir -p "$cache.new"
touch "$cache.new/root.img"
FAKE_GUEST=pass run test "$build"
expect "unstamped cache" 2 '^emulated i386: not run: the guest image could not be built$'
refute "unstamped cache" 'passed'
checks=$((checks + 1))
[ ! -e "$cache.new" ] || fail "a half-made image folder was left behind"
checks=$((checks + 1))
[ -s "$APT_CALLS" ] || fail "no build was tried over the half-made image folder"
echo stale >"$cache/stamp"
FAKE_GUEST=pass run test "$build"
expect "stale stamp" 2 '^emulated i386: not run: the guest image could not be built$'
mv "$tmp/stamp" "$cache/stamp"
FAKE_GUEST=pass run test "$build"
expect "stamped cache" 0 '^emulated i386: 3 passed'

echo "vm-i386.sh: $((checks - failures)) passed, $failures failed"
[ $failures -eq 0 ]
