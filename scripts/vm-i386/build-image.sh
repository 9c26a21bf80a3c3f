#!/usr/bin/env bash
# Builds the emulated 32-bit Debian (bookworm i386) that scripts/vm-i386.sh
# boots: a root file system image, a kernel and a small initrd of our own.
#
# Usage: build-image.sh OUT_DIR      (OUT_DIR must not exist yet)
#
# No debootstrap and nothing run under emulation: the host's apt resolves the
# i386 package closure against an empty dpkg status and downloads it into the
# host's package cache; the packages are unpacked with dpkg-deb -x (their
# maintainer scripts never run) and the few files those scripts would have
# made are written here. The initrd is busybox-static:i386 with the modules
# that mount the root over virtio, loaded in dependency order by its /init.
#
# Writes OUT_DIR/root.img (ext4), OUT_DIR/vmlinuz, OUT_DIR/initrd.img and
# OUT_DIR/packages.txt (what was unpacked, with versions).
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
out=$1
archives=/var/cache/apt/archives
# Kernel modules the initrd loads: the virtio disk, ext4 and the checksum
# ext4 asks for by alias at mount time (no modprobe there to resolve it).
initrd_modules="virtio_pci virtio_blk crc32c_generic ext4"

log() { echo "vm-i386 image: $*" >&2; }

mkdir "$out"
out=$(cd "$out" && pwd)
work=$out/work
mkdir "$work"
root=$work/root
mkdir "$root"

# apt for the i386 architecture only, with its own empty dpkg status so that
# it resolves the whole closure whatever the host has installed.
: >"$work/status"
apt_opts=(-q -o "Dir::State::status=$work/status"
          -o APT::Architecture=i386 -o APT::Architectures::=i386
          -o APT::Sandbox::User=root -o Acquire::Retries=3)
apt_i386=(apt-get "${apt_opts[@]}" --no-install-recommends -y)
mapfile -t root_packages < <(sed -e 's/#.*//' -e '/^[[:space:]]*$/d' "$here/packages")

# The names of the .deb files of the root's closure (every one of them: an
# empty archive directory makes apt list those the cache already holds too).
closure_files() {
    mkdir -p "$work/empty/partial"
    "${apt_i386[@]}" -o "Dir::Cache::archives=$work/empty" --print-uris \
        install "${root_packages[@]}" >"$work/closure.txt"
    sed -n "s/^'[^']*' \([^ ]*\) .*/\1/p" "$work/closure.txt"
}
# The versioned kernel package the linux-image-686 metapackage points to.
kernel_package() {
    apt-cache "${apt_opts[@]}" depends linux-image-686 2>/dev/null |
        sed -n 's/^ *Depends: \(linux-image-[0-9][^ ]*\)$/\1/p' | head -n 1
}

fetch() {
    local kernel
    closure_files >"$work/root-debs" || return 1
    # Downloads what the host's cache lacks; apt checks the files it has.
    "${apt_i386[@]}" --download-only install "${root_packages[@]}" >"$work/fetch.log" 2>&1 ||
        { cat "$work/fetch.log" >&2; return 1; }
    kernel=$(kernel_package)
    [ -n "$kernel" ] || { log "no linux-image-686 for i386 in the apt lists"; return 1; }
    mkdir -p "$work/extra"
    (cd "$work/extra" &&
     "${apt_i386[@]}" download --print-uris "$kernel" busybox-static >"$work/extra.txt" &&
     sed -n "s/^'[^']*' \([^ ]*\) .*/\1/p" "$work/extra.txt" >"$work/extra-debs") || return 1
    local f missing=0
    while read -r f; do [ -f "$archives/$f" ] || missing=1; done <"$work/extra-debs"
    if [ $missing = 1 ]; then
        (cd "$work/extra" && "${apt_i386[@]}" download "$kernel" busybox-static) \
            >"$work/fetch-extra.log" 2>&1 || { cat "$work/fetch-extra.log" >&2; return 1; }
        # Kept in the host's cache, like the root's packages, for a rebuild.
        cp -n "$work/extra/"*.deb "$archives/"
    fi
}

log "resolving and downloading the i386 packages"
if ! fetch; then
    # Lists older than the mirror name files it no longer has: refresh once.
    log "refreshing the apt lists and trying again"
    apt-get update -qq
    fetch
fi
[ -s "$work/root-debs" ] || { log "apt resolved no packages"; exit 1; }

describe() { dpkg-deb -W --showformat='${Package} ${Version} ${Architecture}\n' "$1" >>"$out/packages.txt"; }
log "unpacking $(wc -l <"$work/root-debs") packages"
while read -r f; do
    dpkg-deb -x "$archives/$f" "$root"
    describe "$archives/$f"
done <"$work/root-debs"

# What the maintainer scripts would have made.
cp "$root/usr/share/base-passwd/passwd.master" "$root/etc/passwd"
cp "$root/usr/share/base-passwd/group.master" "$root/etc/group"
sed 's/^\([^:]*\):.*/\1:*:19000:0:99999:7:::/' "$root/etc/passwd" >"$root/etc/shadow"
chmod 640 "$root/etc/shadow"
[ -e "$root/bin/sh" ] || ln -s dash "$root/bin/sh"
[ -e "$root/usr/bin/awk" ] || ln -s mawk "$root/usr/bin/awk"
[ -e "$root/usr/bin/which" ] || ln -s which.debianutils "$root/usr/bin/which"
# Wine loads zlib1.dll (user32 imports it) only as a builtin DLL: a copy of
# libz-mingw-w64's DLL carrying Wine's builtin signature after the DOS header.
zlib_in=$root/usr/i686-w64-mingw32/lib/zlib1.dll
zlib_out=$root/usr/lib/i386-linux-gnu/wine/i386-windows/zlib1.dll
[ -f "$zlib_in" ] || { log "libz-mingw-w64 left no $zlib_in"; exit 1; }
{ head -c 64 "$zlib_in"; printf 'Wine builtin DLL'; head -c 16 /dev/zero; tail -c +97 "$zlib_in"; } >"$zlib_out"
echo monsetup-i386 >"$root/etc/hostname"
printf '127.0.0.1\tlocalhost\n127.0.1.1\tmonsetup-i386\n::1\tlocalhost\n' >"$root/etc/hosts"
: >"$root/etc/fstab"
mkdir -p "$root/proc" "$root/sys" "$root/dev" "$root/run" "$root/tmp" "$root/root" \
         "$root/mnt/work"
chmod 1777 "$root/tmp"
chmod 700 "$root/root"
# Documentation and translations nobody reads in the guest.
rm -rf "$root/usr/share/doc" "$root/usr/share/man" "$root/usr/share/info" \
       "$root/usr/share/locale"
# The locale of the Japanese tests (LANG=ja_JP.UTF-8: Wine's ANSI code page
# becomes 932), compiled by the host's localedef from the host's locale
# sources, as nothing runs under emulation: compiled locales depend on byte
# order and glibc's version only, which the host (bookworm) shares with the
# guest. The directory form is found without a locale archive.
mkdir -p "$root/usr/lib/locale"
localedef --no-archive -i ja_JP -f UTF-8 "$root/usr/lib/locale/ja_JP.utf8" ||
    { log "localedef could not compile ja_JP.UTF-8 (the host's locales package?)"; exit 1; }
# The dynamic linker's cache; the host's ldconfig reads 32-bit libraries too.
ldconfig -r "$root"
[ -s "$root/etc/ld.so.cache" ] || { log "ldconfig made no cache"; exit 1; }

log "packing the root file system"
size=$(du -sm "$root" | cut -f1)
# Room for what the guest writes outside the work disk (its copy-on-write
# layer takes the writes, the file system still needs free blocks).
mkfs.ext4 -q -F -L monsetup-root -d "$root" "$out/root.img" "$((size * 5 / 4 + 512))M" >/dev/null

log "making the kernel and the initrd"
kernel_deb=$(grep '^linux-image-' "$work/extra-debs")
busybox_deb=$(grep '^busybox-static_' "$work/extra-debs")
dpkg-deb -x "$archives/$kernel_deb" "$work/kernel"
cp "$work/kernel/boot/vmlinuz-"* "$out/vmlinuz"
moddir=$(echo "$work/kernel/lib/modules/"*)
describe "$archives/$kernel_deb"

initrd=$work/initrd
mkdir -p "$initrd/bin" "$initrd/modules" "$initrd/proc" "$initrd/sys" "$initrd/dev" \
         "$initrd/newroot"
dpkg-deb --fsys-tarfile "$archives/$busybox_deb" | tar -xO ./bin/busybox >"$initrd/bin/busybox"
chmod 755 "$initrd/bin/busybox"
describe "$archives/$busybox_deb"
install -m 755 "$here/initrd-init" "$initrd/init"

# Each wanted module after the modules it depends on (read from the
# depends= entry of the module's .modinfo section).
module_file() { find "$moddir/kernel" -name "$1.ko" | head -n 1; }
declare -A placed=()
place_module() {
    local name=${1//-/_} file dep
    [ -z "${placed[$name]:-}" ] || return 0
    placed[$name]=1
    file=$(module_file "$name")
    [ -n "$file" ] || { log "kernel module $name not found"; return 1; }
    for dep in $(tr '\0' '\n' <"$file" | sed -n 's/^depends=//p' | tr ',' ' '); do
        place_module "$dep"
    done
    cp "$file" "$initrd/modules/$name.ko"
    echo "$name" >>"$initrd/modules/order"
}
for m in $initrd_modules; do place_module "$m"; done

(cd "$initrd" && find . -print0 | cpio --null -o -H newc -R 0:0 --quiet) | gzip -6 >"$out/initrd.img"

rm -rf "$work"
log "ready in $out ($(du -sh "$out/root.img" | cut -f1) root image, $(wc -l <"$out/packages.txt") packages)"
