#!/usr/bin/env bash
# The set-up scripts end a failure with a message naming the step or the
# package and a non-zero status: a package the registry does not have, a
# registry that cannot be reached, a root that cannot be made; and the clean
# room removes the root a killed run left rather than reusing it.
# Needs root (the clean room's cases), like the clean room itself.
set -uo pipefail

here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

. "$root/tests/support/script_cases.sh"

# bootstrap.sh with one more entry, whose package does not exist.
mkdir -p "$work/scripts"
sed 's/^LIST$/cmd    monsetup-no-such-tool           monsetup-no-such-package\nLIST/' \
    "$root/scripts/bootstrap.sh" >"$work/scripts/bootstrap.sh"
chmod +x "$work/scripts/bootstrap.sh"
output=$("$work/scripts/bootstrap.sh" 2>&1); status=$?
check_case "a package the registry lacks" 1 \
    "bootstrap: package monsetup-no-such-package cannot be installed" $status "$output"

output=$(setpriv --reuid=65534 --regid=65534 --clear-groups "$root/scripts/clean-room.sh" 2>&1); status=$?
check_case "a clean room without root" 1 "clean-room: failed at step 'make the root': only root can" \
    $status "$output"

# A root a killed run left, then a mirror nobody answers on.
mkdir -p "$work/room/etc"
echo left >"$work/room/etc/left-by-a-killed-run"
output=$(MONSETUP_CLEAN_ROOM=$work/room MONSETUP_CLEAN_MIRROR=http://127.0.0.1:9/debian \
         "$root/scripts/clean-room.sh" 2>&1); status=$?
check_case "the root a killed run left is removed" 1 "removed the root a killed run left" $status "$output"
check_case "a registry that cannot be reached" 1 \
    "clean-room: failed at step 'make a minimal Debian bookworm root (debootstrap --variant=minbase)': the package registry (http://127.0.0.1:9/debian) cannot be reached" \
    $status "$output"
[ ! -e "$work/room/etc/left-by-a-killed-run" ] || { echo "FAIL the killed run's root was reused"; case_failures=$((case_failures + 1)); }

finish_cases
