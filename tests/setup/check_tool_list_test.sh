#!/usr/bin/env bash
# The tool-list check fails, naming the tool, when cmake/ or a script calls
# something scripts/bootstrap.sh does not list: each case changes a copy of
# the tree and expects the check's exit status and one line of its output.
set -uo pipefail

here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

. "$root/tests/support/script_cases.sh"
fresh_copy() {
    rm -rf "$work/tree"
    mkdir -p "$work/tree"
    cp -r "$root/cmake" "$root/scripts" "$root/tests" "$root/CMakePresets.json" "$work/tree/"
}
expect() {  # name status text
    local output
    output=$("$work/tree/tests/setup/check_tool_list.sh" "$work/tree" 2>&1)
    check_case "$1" "$2" "$3" $? "$output"
}

fresh_copy
expect "the tree as it is" 0 "check_tool_list: all"

# The posix-thread-model compilers that bootstrap once installed instead.
fresh_copy
sed -i 's/-g++-win32)/-g++-posix)/' "$work/tree/cmake/mingw-common.cmake"
expect "a compiler the toolchain file names" 1 \
    "cmake/ calls i686-w64-mingw32-g++-posix, which scripts/bootstrap.sh does not list"

fresh_copy
sed -i '/^cmd  *cpio /d' "$work/tree/scripts/bootstrap.sh"
expect "a tool a script calls" 1 "the scripts call cpio"

fresh_copy
sed -i '/^cmd  *qemu-system-i386 /d' "$work/tree/scripts/bootstrap.sh"
expect "a tool a script calls through a variable" 1 "the scripts call qemu-system-i386"

finish_cases
