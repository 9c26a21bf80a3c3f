#!/usr/bin/env bash
# Installs the tool chain this project builds and tests with, on Debian, as root.
# Installs only what is missing; a second run on a ready machine takes seconds.
set -euo pipefail

need=()
have_cmd() { command -v "$1" >/dev/null 2>&1; }
have_pkg() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q 'install ok installed'; }

have_cmd cmake || need+=(cmake)
have_cmd ninja || need+=(ninja-build)
have_cmd i686-w64-mingw32-g++-posix || need+=(g++-mingw-w64-i686-posix)
have_cmd x86_64-w64-mingw32-g++-posix || need+=(g++-mingw-w64-x86-64-posix)
have_cmd i686-w64-mingw32-windres || need+=(binutils-mingw-w64-i686)
have_cmd clang++ || need+=(clang)
have_pkg googletest || need+=(googletest)
have_pkg libgtest-dev || need+=(libgtest-dev)
have_pkg libclang-rt-14-dev || need+=(libclang-rt-14-dev)
have_cmd wine || need+=(wine)
have_pkg wine32:i386 || need+=(wine32:i386)
have_pkg wine64 || need+=(wine64)
# scripts/vm-i386.sh: the emulated 32-bit system for the win32 tests on hosts
# that cannot run 32-bit code, its ext4 images and its initrd.
have_cmd qemu-system-i386 || need+=(qemu-system-x86)
have_cmd mkfs.ext4 || need+=(e2fsprogs)
have_cmd cpio || need+=(cpio)

if [ ${#need[@]} -eq 0 ]; then
    echo "bootstrap: everything is installed"
    exit 0
fi

if ! dpkg --print-foreign-architectures | grep -qx i386; then
    dpkg --add-architecture i386
fi
export DEBIAN_FRONTEND=noninteractive
apt-get update -qq
apt-get install -y -qq --no-install-recommends "${need[@]}" >/dev/null
echo "bootstrap: installed ${need[*]}"
