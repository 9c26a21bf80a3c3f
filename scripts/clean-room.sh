#!/usr/bin/env bash
# The README's two set-up steps on a machine that had nothing: a minimal
# Debian bookworm root made afresh (debootstrap, variant minbase), a fresh
# clone of this checkout copied into it, and inside it (chroot, in a mount
# namespace of its own) scripts/bootstrap.sh followed by scripts/run.sh, whose
# completion message must appear. Downloaded packages are kept between runs;
# the root never is: a root left by a killed run is removed, not reused.
#
# Usage: scripts/clean-room.sh           (as root)
#   MONSETUP_CLEAN_ROOM      the root's folder (/var/tmp/monsetup-clean-room)
#   MONSETUP_CLEAN_CACHE     downloaded packages (/var/cache/monsetup/clean-room)
#   MONSETUP_CLEAN_TIMEOUT   seconds before the run inside is killed (900)
#   MONSETUP_CLEAN_MIRROR    the Debian mirror (default: the host's, from its apt sources)
#   MONSETUP_CLEAN_KEEP      1 keeps the root after the run, for inspection
#
# Ends with "clean-room: passed in S s (...)" and status 0, or with
# "clean-room: failed at step 'STEP': REASON" and status 1.
set -uo pipefail

here=$(cd "$(dirname "$0")" && pwd)
checkout=$(cd "$here/.." && pwd)
root=${MONSETUP_CLEAN_ROOM:-/var/tmp/monsetup-clean-room}
cache=${MONSETUP_CLEAN_CACHE:-/var/cache/monsetup/clean-room}
limit=${MONSETUP_CLEAN_TIMEOUT:-900}
suite=bookworm
start=$SECONDS
step=

fail() {
    echo "clean-room: failed at step '$step': $*"
    exit 1
}
begin() {
    step=$1
    echo "clean-room: $step"
}
# Prints the last lines of a log, indented, under the step's failure.
show_tail() {
    tail -n "${2:-15}" "$1" | sed 's/^/    /'
}

[[ "$limit" =~ ^[1-9][0-9]*$ ]] || { step=start; fail "MONSETUP_CLEAN_TIMEOUT '$limit' is not a positive whole number"; }
case "$root" in
    /|/bin*|/boot*|/dev*|/etc*|/home|/lib*|/proc*|/root|/run*|/sbin*|/srv|/sys*|/usr*|/var|/work)
        step=start; fail "'$root' cannot be a clean room's folder" ;;
esac

# The whole run is in a mount namespace of its own: what it mounts in the
# root is gone with it, however the run ends, so a later run finds at most
# plain files to remove.
if [ "${MONSETUP_CLEAN_INSIDE:-}" != 1 ]; then
    step="make the root"
    [ "$(id -u)" = 0 ] || fail "only root can make a root and chroot into it (this is uid $(id -u))"
    for tool in debootstrap unshare chroot git findmnt; do
        command -v "$tool" >/dev/null 2>&1 || fail "$tool is missing (scripts/bootstrap.sh installs it)"
    done
    unshare --mount --propagation private true 2>/dev/null ||
        fail "no mount namespace could be made (unshare --mount failed)"
    MONSETUP_CLEAN_INSIDE=1 unshare --mount --propagation private "$0" "$@"
    status=$?
    # The namespace and its mounts are gone: the root is plain files now.
    if [ "${MONSETUP_CLEAN_KEEP:-0}" = 1 ]; then
        echo "clean-room: the root is kept in $root (MONSETUP_CLEAN_KEEP=1)"
    elif [ -d "$root" ] && [ -z "$(findmnt -rn -o TARGET | grep -F "$root/")" ]; then
        rm -rf --one-file-system "$root"
    fi
    exit $status
fi

begin "remove the clean room a killed run left"
mkdir -p "$(dirname "$root")" "$cache/debootstrap" "$cache/archives/partial" ||
    fail "cannot make $(dirname "$root") or $cache"
exec 9>"$root.lock"
flock -n 9 || fail "another clean-room run holds $root.lock"
if [ -e "$root" ]; then
    mounted=$(findmnt -rn -o TARGET | awk -v r="$root" 'index($0, r "/") == 1 || $0 == r')
    [ -z "$mounted" ] || fail "something is still mounted in $root: $(tr '\n' ' ' <<<"$mounted")"
    rm -rf --one-file-system "$root" || fail "cannot remove $root"
    echo "    removed the root a killed run left in $root"
fi

begin "make a minimal Debian $suite root (debootstrap --variant=minbase)"
mirror=${MONSETUP_CLEAN_MIRROR:-$(sed -n 's/^URIs: *\([^ ]*\).*/\1/p' /etc/apt/sources.list.d/debian.sources 2>/dev/null | head -n 1)}
[ -n "$mirror" ] || mirror=$(sed -n 's/^deb \(\[[^]]*\] \)\{0,1\}\([^ ]*\) .*/\2/p' /etc/apt/sources.list 2>/dev/null | head -n 1)
[ -n "$mirror" ] || fail "the host names no Debian mirror in its apt sources (set MONSETUP_CLEAN_MIRROR)"
log=$(mktemp)
trap 'rm -f "$log"' EXIT
root_start=$SECONDS
if ! debootstrap --variant=minbase --cache-dir="$cache/debootstrap" "$suite" "$root" "$mirror" >"$log" 2>&1; then
    show_tail "$log"
    grep -qiE "Failed getting release file|Couldn't download|Temporary failure resolving|Could not resolve|Connection (refused|timed out)|Network is unreachable" "$log" &&
        fail "the package registry ($mirror) cannot be reached"
    fail "debootstrap failed"
fi
root_seconds=$((SECONDS - root_start))
# The machine's apt settings for reaching its registry come along, as they
# would be on a newcomer's machine of this network; dpkg writes without
# syncing every file (a throwaway root).
cp /etc/apt/sources.list.d/*.sources "$root/etc/apt/sources.list.d/" 2>/dev/null
[ -f /etc/apt/sources.list ] && cp /etc/apt/sources.list "$root/etc/apt/sources.list"
for conf in /etc/apt/apt.conf.d/*; do
    grep -qs 'Acquire::' "$conf" && cp "$conf" "$root/etc/apt/apt.conf.d/"
done
echo force-unsafe-io >"$root/etc/dpkg/dpkg.cfg.d/clean-room-unsafe-io"
cp /etc/resolv.conf "$root/etc/resolv.conf" 2>/dev/null
echo "    $(du -sm --one-file-system "$root" | cut -f1) MB in $root_seconds s"

begin "copy a fresh clone of the checkout into it"
git clone -q --no-hardlinks "$checkout" "$root/root/monsetup" >"$log" 2>&1 ||
    { show_tail "$log"; fail "git clone of $checkout failed"; }
echo "    $(git -C "$root/root/monsetup" log -1 --format='%h %s' | cut -c1-72)"

# What Wine and the builds need of a running system, and the package cache.
mount -t proc proc "$root/proc" &&
    mount -t sysfs sysfs "$root/sys" &&
    mount --bind /dev "$root/dev" &&
    mount -t devpts -o newinstance,ptmxmode=0666 devpts "$root/dev/pts" &&
    mount -t tmpfs tmpfs "$root/dev/shm" &&
    mount --bind "$cache/archives" "$root/var/cache/apt/archives" ||
    fail "cannot mount /proc, /sys, /dev or the package cache in the root"

inside() {
    timeout -k 10 "$limit" chroot "$root" /usr/bin/env -i HOME=/root TERM=dumb LANG=C.UTF-8 \
        PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin \
        bash -c "cd /root/monsetup && $1"
}

begin "scripts/bootstrap.sh inside it"
bootstrap_start=$SECONDS
inside scripts/bootstrap.sh 2>&1 | tee "$log" | sed 's/^/    /'
status=${PIPESTATUS[0]}
bootstrap_seconds=$((SECONDS - bootstrap_start))
[ "$status" -ne 124 ] || fail "killed after $limit s (MONSETUP_CLEAN_TIMEOUT)"
if [ "$status" -ne 0 ]; then
    grep -q "the package registry cannot be reached" "$log" &&
        fail "the package registry cannot be reached from the root"
    fail "scripts/bootstrap.sh ended with status $status"
fi

begin "scripts/run.sh inside it"
run_start=$SECONDS
inside scripts/run.sh >"$log" 2>&1
status=$?
run_seconds=$((SECONDS - run_start))
sed 's/^/    /' "$log"
[ "$status" -ne 124 ] || fail "killed after $limit s (MONSETUP_CLEAN_TIMEOUT)"
[ "$status" -eq 0 ] || fail "scripts/run.sh ended with status $status"
grep -q "^completion message:" "$log" || fail "scripts/run.sh printed no completion message"

echo "clean-room: passed in $((SECONDS - start)) s (root $root_seconds s, bootstrap" \
     "$bootstrap_seconds s, run $run_seconds s)"
