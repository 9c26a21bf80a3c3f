#!/bin/bash
# Runs in the emulated 32-bit Debian as its first process (started by the
# initrd from the work disk mounted at /mnt/work): puts the copied source and
# build trees at their host paths, checks that this kernel runs 32-bit code,
# runs ctest in the build tree and powers the machine off.
#
# Everything it prints goes to the second serial port, which the host reads;
# the line "vm-i386 guest: ctest exited with N" tells the host that ctest
# ran to its end, and "vm-i386 guest: not run: REASON" that it could not run.
set -u
work=/mnt/work

exec </dev/null >/dev/ttyS1 2>&1
stty -F /dev/ttyS1 -onlcr 2>/dev/null

power_off() {
    sync
    mount -o remount,ro "$work" 2>/dev/null
    echo o >/proc/sysrq-trigger
    sleep 60
}
not_run() {
    echo "vm-i386 guest: not run: $*"
    power_off
}

mount -t proc proc /proc
mount -t sysfs sysfs /sys
mkdir -p /dev/shm /dev/pts
mount -t tmpfs -o mode=1777 tmpfs /dev/shm
mount -t devpts devpts /dev/pts
# What udev would add to /dev: bash's process substitution needs /dev/fd.
ln -sfn /proc/self/fd /dev/fd
ln -sf /proc/self/fd/0 /dev/stdin
ln -sf /proc/self/fd/1 /dev/stdout
ln -sf /proc/self/fd/2 /dev/stderr
mount -t tmpfs -o mode=755 tmpfs /run
echo monsetup-i386 >/proc/sys/kernel/hostname

# run.env (written by the host) sets SOURCE_DIR, BUILD_DIR, TOP_DIRS (the
# first component of each copied path), CTEST_ARGS and the test timeouts.
. "$work/run.env" || not_run "the work disk has no readable run.env"

# The copies keep their absolute paths through symbolic links into the work
# disk; /tmp is there too, so that the hard links wine-run.sh makes from the
# template prefixes (in the build tree) into /tmp stay on one file system.
for top in tmp "${TOP_DIRS[@]}"; do
    mkdir -p "$work/tree/$top"
    rm -rf "/${top:?}"
    ln -s "$work/tree/$top" "/$top"
done
chmod 1777 "$work/tree/tmp"

export HOME=/root
export PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin
export TERM=dumb
export MONSETUP_TIMEOUT
# Tests that sample (the fault campaign's) take fewer samples here.
export MONSETUP_EMULATED=1
unset MONSETUP_RUNS_32BIT

echo "vm-i386 guest: Linux $(uname -r) $(uname -m), $(nproc) CPUs," \
     "$(awk '/MemTotal/ {print int($2 / 1024)}' /proc/meminfo) MB," \
     "$(/usr/lib/wine/wine --version 2>/dev/null), ctest $(ctest --version | sed -n '1s/.* //p')"

[ -f "$SOURCE_DIR/scripts/wine-env.sh" ] || not_run "$SOURCE_DIR/scripts/wine-env.sh is missing"
. "$SOURCE_DIR/scripts/wine-env.sh"
if monsetup_runs_32bit; then
    echo "vm-i386 guest: 32-bit probe (monsetup_runs_32bit): yes"
else
    not_run "the 32-bit probe (monsetup_runs_32bit) says this kernel cannot run 32-bit code"
fi
# Each test script probes again for itself, as on any other machine.
unset MONSETUP_RUNS_32BIT

cd "$BUILD_DIR" || not_run "$BUILD_DIR is missing in the guest"
echo "vm-i386 guest: ctest ${CTEST_ARGS[*]} (ctest timeouts x$SLOWDOWN, MONSETUP_TIMEOUT=$MONSETUP_TIMEOUT)"
start=$(date +%s)
ctest "${CTEST_ARGS[@]}"
status=$?
echo "vm-i386 guest: ctest took $(($(date +%s) - start)) s"
echo "vm-i386 guest: ctest exited with $status"
power_off
