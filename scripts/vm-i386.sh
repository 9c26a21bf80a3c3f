#!/usr/bin/env bash
# Runs the Windows tests of a 32-bit (win32) build tree in an emulated 32-bit
# Debian (bookworm i386 under qemu-system-i386, software emulation), for
# hosts whose kernel cannot run 32-bit code and so cannot start the 32-bit
# Wine. ctest itself runs in the guest, so fixtures, timeouts and the runs per
# Windows version stay as they are; tests labelled `static` are always left
# out (they run on the host with the host's tools).
#
# Usage: scripts/vm-i386.sh test BUILD_DIR [CTEST_ARGS...]
#            CTEST_ARGS default to: -j2 --output-on-failure
#        scripts/vm-i386.sh image
#            builds the guest image if the cache lacks it, and says where it is
#
# Prints ctest's output, then one line
#     emulated i386: N passed, M failed out of T (S s)
# or  emulated i386: not run: REASON
# and exits 0 when every test passed, 1 when some failed, 2 when they could
# not run.
#
#   MONSETUP_VM_CACHE          the guest image's folder (/var/cache/monsetup/vm-i386)
#   MONSETUP_VM_TIMEOUT        seconds before the guest is killed (3600)
#   MONSETUP_VM_BUILD_TIMEOUT  seconds the image build may take (1800)
#   MONSETUP_VM_SLOWDOWN       factor for the tests' timeouts in the guest (8):
#                              ctest TIMEOUT properties and MONSETUP_TIMEOUT
#   MONSETUP_VM_CPUS, MONSETUP_VM_MEMORY   guest CPUs (2) and MB of memory (3072)
set -uo pipefail

here=$(cd "$(dirname "$0")" && pwd)
pieces=$here/vm-i386
cache=${MONSETUP_VM_CACHE:-/var/cache/monsetup/vm-i386}
limit=${MONSETUP_VM_TIMEOUT:-3600}
build_limit=${MONSETUP_VM_BUILD_TIMEOUT:-1800}
slowdown=${MONSETUP_VM_SLOWDOWN:-8}
cpus=${MONSETUP_VM_CPUS:-2}
memory=${MONSETUP_VM_MEMORY:-3072}
qemu=qemu-system-i386

not_run() {
    echo "emulated i386: not run: $*"
    exit 2
}
for number in "$limit" "$build_limit" "$slowdown" "$cpus" "$memory" "${MONSETUP_TIMEOUT:-240}"; do
    [[ "$number" =~ ^[1-9][0-9]*$ ]] ||
        not_run "'$number' is not a positive whole number (MONSETUP_VM_* or MONSETUP_TIMEOUT)"
done
usage() {
    sed -n '/^# Usage:/,/^# not run/p' "$0" | sed 's/^# \{0,1\}//' >&2
    exit 2
}

# --- the guest image, built once per recipe and kept between runs ---------

recipe=$(cat "$pieces/packages" "$pieces/build-image.sh" "$pieces/initrd-init" | sha256sum | cut -c1-32)

image_ready() {
    [ -f "$cache/stamp" ] && [ "$(cat "$cache/stamp")" = "$recipe" ] &&
        [ -f "$cache/root.img" ] && [ -f "$cache/vmlinuz" ] && [ -f "$cache/initrd.img" ]
}

# Builds into a fresh folder and moves it in place only once complete, with
# the recipe's hash as its stamp: a build that was killed leaves at most a
# folder without a stamp, which the next build removes.
ensure_image() {
    image_ready && return 0
    local tool
    for tool in apt-get apt-cache dpkg-deb mkfs.ext4 cpio gzip ldconfig localedef sha256sum flock; do
        command -v "$tool" >/dev/null 2>&1 ||
            { echo "vm-i386: $tool is missing (scripts/bootstrap.sh installs it)"; return 1; }
    done
    mkdir -p "$(dirname "$cache")" || return 1
    exec 8>"$cache.lock"
    flock 8
    if image_ready; then exec 8>&-; return 0; fi
    rm -rf "$cache.new" "$cache.old"
    echo "vm-i386: building the guest image in $cache (once for each recipe)"
    local start=$SECONDS status
    timeout -k 10 "$build_limit" "$pieces/build-image.sh" "$cache.new"
    status=$?
    if [ $status -ne 0 ]; then
        [ $status -eq 124 ] && echo "vm-i386: the image build took over $build_limit s and was killed"
        rm -rf "$cache.new"
        exec 8>&-
        return 1
    fi
    echo "$recipe" >"$cache.new/stamp"
    [ ! -d "$cache" ] || mv "$cache" "$cache.old"
    mv "$cache.new" "$cache"
    rm -rf "$cache.old"
    exec 8>&-
    echo "vm-i386: guest image built in $((SECONDS - start)) s"
}

# --- one run of the tests in the guest -------------------------------------

run_dir=
qemu_pid=
cleanup() {
    [ -z "$qemu_pid" ] || kill "$qemu_pid" 2>/dev/null
    [ -z "$run_dir" ] || rm -rf "$run_dir"
}
trap cleanup EXIT
trap 'cleanup; trap - EXIT; not_run "interrupted"' INT TERM

# The ctest arguments for the guest: the caller's (or the defaults), with
# the `static` label always excluded, merged into a label exclusion the
# caller gives.
guest_ctest_args() {
    local args=("$@") out=() exclude='^static$' i=0
    [ ${#args[@]} -gt 0 ] || args=(-j2 --output-on-failure)
    while [ $i -lt ${#args[@]} ]; do
        case "${args[$i]}" in
            -LE|--label-exclude)
                exclude="$exclude|(${args[$((i + 1))]:-})"
                i=$((i + 2)); continue ;;
        esac
        out+=("${args[$i]}")
        i=$((i + 1))
    done
    # --timeout is the limit of tests without a TIMEOUT property.
    CTEST_ARGS=(--no-tests=error --timeout "$((300 * slowdown))" -LE "$exclude" "${out[@]}")
}

run_tests() {
    local build=$1
    shift
    [ -f "$build/CTestTestfile.cmake" ] && [ -f "$build/CMakeCache.txt" ] ||
        not_run "$build is not a configured build tree (no CTestTestfile.cmake or CMakeCache.txt)"
    # The paths as CMake wrote them into ctest's files.
    SOURCE_DIR=$(sed -n 's/^CMAKE_HOME_DIRECTORY:INTERNAL=//p' "$build/CMakeCache.txt")
    BUILD_DIR=$(sed -n 's/^CMAKE_CACHEFILE_DIR:INTERNAL=//p' "$build/CMakeCache.txt")
    [ -n "$BUILD_DIR" ] && [ "$BUILD_DIR" -ef "$build" ] ||
        not_run "$build/CMakeCache.txt belongs to another folder (${BUILD_DIR:-none named}): configure it anew"
    build=$BUILD_DIR
    [ -n "$SOURCE_DIR" ] && [ -d "$SOURCE_DIR/scripts" ] ||
        not_run "the source tree of $build (CMakeCache.txt's CMAKE_HOME_DIRECTORY) is missing"
    grep -qs 'set(CMAKE_SYSTEM_PROCESSOR "i686")' "$build"/CMakeFiles/*/CMakeSystem.cmake ||
        not_run "$build is not a 32-bit (i686) Windows build tree"
    command -v "$qemu" >/dev/null 2>&1 ||
        not_run "$qemu is missing (package qemu-system-x86; scripts/bootstrap.sh installs it)"
    command -v mkfs.ext4 >/dev/null 2>&1 ||
        not_run "mkfs.ext4 is missing (package e2fsprogs; scripts/bootstrap.sh installs it)"

    # What the tests read, copied at the same absolute paths onto a work
    # disk: the source tree's scripts/, tests/ and docs/ (the docs' tests
    # read the documents), and the build tree without object files and
    # static libraries.
    local paths=("$SOURCE_DIR/scripts" "$SOURCE_DIR/tests" "$BUILD_DIR") p top
    [ -d "$SOURCE_DIR/docs" ] && paths+=("$SOURCE_DIR/docs")
    TOP_DIRS=()
    for p in "${paths[@]}"; do
        top=${p#/}
        top=${top%%/*}
        case "$top" in
            bin|boot|dev|etc|lib|lib32|lib64|libx32|mnt|proc|run|sbin|srv|sys|usr|var)
                not_run "$p is under /$top, which the guest's own system occupies" ;;
        esac
        [[ " ${TOP_DIRS[*]} " == *" $top "* ]] || TOP_DIRS+=("$top")
    done

    ensure_image || not_run "the guest image could not be built"

    run_dir=$(mktemp -d "${TMPDIR:-/tmp}/monsetup-vm.XXXXXX") || not_run "no temporary folder"
    local disk=$run_dir/disk
    mkdir -p "$disk/tree/tmp"
    tar -C / --exclude='*.obj' --exclude='*.o' --exclude='*.a' -cf - "${paths[@]#/}" |
        tar -C "$disk/tree" -xf - || not_run "could not copy the trees to the work disk"
    # The guest runs about seven times slower than the host: the tests'
    # timeouts in the copy (not in BUILD_DIR) are scaled to match.
    find "$disk/tree$BUILD_DIR" -name CTestTestfile.cmake -exec \
        perl -pi -e 's/( TIMEOUT ")(\d+(?:\.\d+)?)"/$1 . int($2 * '"$slowdown"') . "\""/ge' {} +
    guest_ctest_args "$@"
    SLOWDOWN=$slowdown
    MONSETUP_TIMEOUT=$(( ${MONSETUP_TIMEOUT:-240} * slowdown ))
    declare -p SOURCE_DIR BUILD_DIR TOP_DIRS CTEST_ARGS SLOWDOWN MONSETUP_TIMEOUT >"$disk/run.env"
    install -m 755 "$pieces/guest-run.sh" "$disk/guest-run.sh"
    local size
    size=$(du -sm "$disk" | cut -f1)
    # Sparse: the template prefixes and the tests' prefix copies grow into it.
    mkfs.ext4 -q -F -L monsetup-work -d "$disk" "$run_dir/work.img" "$((size + 6144))M" \
        >/dev/null 2>"$run_dir/mkfs.log" ||
        { cat "$run_dir/mkfs.log"; not_run "could not make the work disk"; }
    rm -rf "$disk"

    echo "vm-i386: booting the emulated 32-bit Debian ($qemu -cpu pentium3, $cpus CPUs," \
         "$memory MB); it is killed after $limit s (MONSETUP_VM_TIMEOUT)"
    local out=$run_dir/output.log console=$run_dir/console.log start=$SECONDS status
    : >"$out"
    # The root image is shared and never written (snapshot=on keeps the
    # guest's writes in a throwaway layer); the work disk belongs to this run.
    TMPDIR=$run_dir timeout -k 10 "$limit" "$qemu" \
        -machine pc -accel tcg -cpu pentium3 -smp "$cpus" -m "$memory" \
        -nodefaults -no-user-config -display none -no-reboot \
        -kernel "$cache/vmlinuz" -initrd "$cache/initrd.img" \
        -append "console=ttyS0 panic=1 mitigations=off loglevel=4" \
        -drive "file=$cache/root.img,format=raw,if=virtio,snapshot=on" \
        -drive "file=$run_dir/work.img,format=raw,if=virtio,cache=unsafe" \
        -serial "file:$console" -serial "file:$out" \
        </dev/null >"$run_dir/qemu.log" 2>&1 &
    qemu_pid=$!
    tail -n +1 -f --pid="$qemu_pid" "$out" &
    local tail_pid=$!
    wait "$qemu_pid"
    status=$?
    qemu_pid=
    wait "$tail_pid" 2>/dev/null
    local seconds=$((SECONDS - start))

    # The guest's log of the whole run, kept beside the host's own.
    if command -v debugfs >/dev/null 2>&1 && [ -d "$BUILD_DIR/Testing/Temporary" ]; then
        debugfs -R "dump /tree$BUILD_DIR/Testing/Temporary/LastTest.log $BUILD_DIR/Testing/Temporary/LastTest-vm-i386.log" \
            "$run_dir/work.img" >/dev/null 2>&1
    fi

    local reason
    reason=$(sed -n 's/\r$//; s/^vm-i386 guest: not run: //p' "$out" | tail -n 1)
    [ -z "$reason" ] || not_run "$reason"
    if [ $status -eq 124 ] || [ $status -eq 137 ]; then
        local finished
        finished=$(grep -cE '^ *[0-9]+/[0-9]+ Test +#' "$out")
        not_run "timed out: the guest was killed after $limit s (MONSETUP_VM_TIMEOUT)," \
                "$finished tests had finished"
    fi
    local ctest_status
    ctest_status=$(sed -n 's/\r$//; s/^vm-i386 guest: ctest exited with \([0-9]*\)$/\1/p' "$out" | tail -n 1)
    if [ -z "$ctest_status" ]; then
        echo "vm-i386: qemu exited with $status; the end of its output and of the guest's console:"
        tail -n 20 "$run_dir/qemu.log" "$console"
        not_run "the guest stopped without reporting a ctest run"
    fi
    local summary total failed
    summary=$(grep -E '^[0-9]+% tests passed, [0-9]+ tests? failed out of [0-9]+' "$out" | tail -n 1)
    [ -n "$summary" ] || not_run "ctest ran no test (it exited with $ctest_status)"
    total=$(sed -E 's/.* out of ([0-9]+).*/\1/' <<<"$summary")
    failed=$(sed -E 's/.* passed, ([0-9]+) tests? failed.*/\1/' <<<"$summary")
    [ "$total" -gt 0 ] || not_run "ctest ran no test"
    echo "emulated i386: $((total - failed)) passed, $failed failed out of $total ($seconds s)"
    [ "$failed" -eq 0 ] && [ "$ctest_status" -eq 0 ] && exit 0
    exit 1
}

case "${1:-}" in
    test)
        [ $# -ge 2 ] || usage
        shift
        run_tests "$@" ;;
    image)
        command -v "$qemu" >/dev/null 2>&1 || echo "vm-i386: note: $qemu is missing (scripts/bootstrap.sh)"
        ensure_image || { echo "vm-i386: the guest image could not be built"; exit 2; }
        echo "vm-i386: guest image ready in $cache" ;;
    *) usage ;;
esac
