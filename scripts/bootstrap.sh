#!/usr/bin/env bash
# Installs what this project builds, tests and runs with, on Debian bookworm,
# as root. Every tool the build, the tests and the scripts call is named once
# in the list below, with the check that finds it and the package that brings
# it; only what is missing is installed, so a second run takes a second.
#
# Usage: scripts/bootstrap.sh            install what is missing
#        scripts/bootstrap.sh --check    say what is missing, install nothing
#        scripts/bootstrap.sh --list     print the list (KIND NAME PACKAGE)
#
# Ends with status 0 when everything on the list is there; otherwise names the
# step, the package or the tool that failed and ends with status 1.
set -uo pipefail

# KIND  NAME  PACKAGE, one line each:
#   cmd     a command on PATH, called by that name
#   file    a file called by its path (Wine's loaders are not on PATH)
#   locale  a locale the tests run in (made with locale-gen)
#   source  a file of a Debian source package (PACKAGE=VERSION), fetched with
#           apt-get source into /var/cache/monsetup/sources; apt gets a
#           deb-src entry for the registry it already uses when it has none
tool_list() {
    cat <<'LIST'
cmd    cmake                           cmake
cmd    ctest                           cmake
cmd    ninja                           ninja-build
cmd    gcc                             gcc
cmd    g++                             g++
cmd    clang                           clang
cmd    clang++                         clang
file   /usr/lib/llvm-14/lib/clang/14.0.6/lib/linux/libclang_rt.fuzzer-x86_64.a  libclang-rt-14-dev
file   /usr/src/googletest/CMakeLists.txt  googletest
file   /usr/include/gtest/gtest.h      libgtest-dev
cmd    i686-w64-mingw32-gcc-win32      gcc-mingw-w64-i686-win32
cmd    i686-w64-mingw32-g++-win32      g++-mingw-w64-i686-win32
cmd    i686-w64-mingw32-windres        binutils-mingw-w64-i686
cmd    i686-w64-mingw32-objdump        binutils-mingw-w64-i686
cmd    i686-w64-mingw32-ar             binutils-mingw-w64-i686
cmd    i686-w64-mingw32-nm             binutils-mingw-w64-i686
file   /usr/src/gcc-12/gcc-12.2.0-dfsg.tar.xz  gcc-12-source
source /var/cache/monsetup/sources/mingw-w64_10.0.0.orig.tar.bz2  mingw-w64=10.0.0-3
cmd    xz                              xz-utils
cmd    bzip2                           bzip2
cmd    x86_64-w64-mingw32-gcc-win32    gcc-mingw-w64-x86-64-win32
cmd    x86_64-w64-mingw32-g++-win32    g++-mingw-w64-x86-64-win32
cmd    x86_64-w64-mingw32-windres      binutils-mingw-w64-x86-64
cmd    x86_64-w64-mingw32-objdump      binutils-mingw-w64-x86-64
cmd    wine                            wine
file   /usr/lib/wine/wine              wine32:i386
file   /usr/lib/wine/wine64            wine64
file   /usr/lib/wine/wineserver        libwine
cmd    wineserver                      wine64
cmd    winepath                        wine
cmd    qemu-system-i386                qemu-system-x86
cmd    mkfs.ext4                       e2fsprogs
cmd    debugfs                         e2fsprogs
cmd    cpio                            cpio
cmd    debootstrap                     debootstrap
cmd    git                             git
cmd    unshare                         util-linux
cmd    findmnt                         util-linux
cmd    pkill                           procps
cmd    perl                            perl-base
cmd    awk                             mawk
cmd    locale-gen                      locales
locale ja_JP.UTF-8                     locales
LIST
}

have() {
    local kind=$1 name=$2
    case "$kind" in
        cmd) command -v "$name" >/dev/null 2>&1 ;;
        file) [ -e "$name" ] ;;
        source) [ -e "$name" ] ;;
        locale) locale -a 2>/dev/null | tr '[:upper:]' '[:lower:]' | sed 's/utf-8/utf8/' |
                    grep -qx "$(tr '[:upper:]' '[:lower:]' <<<"$name" | sed 's/utf-8/utf8/')" ;;
        *) return 1 ;;
    esac
}

# Prints "KIND NAME PACKAGE" for every entry that is missing.
missing() {
    local kind name package
    while read -r kind name package; do
        have "$kind" "$name" || echo "$kind $name $package"
    done < <(tool_list)
}

fail() {
    echo "bootstrap: $*" >&2
    exit 1
}

sources_dir=/var/cache/monsetup/sources

# Gives apt a deb-src entry for each Debian registry it uses, when it has
# none, so that apt-get source can fetch from the registry it already uses.
add_source_entries() {
    local list=/etc/apt/sources.list sources=/etc/apt/sources.list.d/monsetup-deb-src.sources file
    grep -rqsE '^(Types:.*deb-src|deb-src )' "$list" /etc/apt/sources.list.d/ && return 0
    for file in /etc/apt/sources.list.d/*.sources; do
        [ -f "$file" ] && [ "$file" != "$sources" ] || continue
        awk 'BEGIN { RS = ""; FS = "\n" }
             /(^|\n)Types:[^\n]*deb/ && /(^|\n)URIs:[^\n]*\/debian/ && !/(^|\n)Enabled: *no/ {
                 for (i = 1; i <= NF; i++) if ($i !~ /^#/) print ($i ~ /^Types:/ ? "Types: deb-src" : $i)
                 print ""
             }' "$file"
    done >"$sources"
    [ -s "$sources" ] || rm -f "$sources"
    [ ! -f "$list" ] || sed -n 's|^deb \(.*/debian.*\)|deb-src \1|p' "$list" >"${sources%.sources}.list"
    [ -s "${sources%.sources}.list" ] || rm -f "${sources%.sources}.list"
    [ -f "$sources" ] || [ -f "${sources%.sources}.list" ] ||
        fail "step 'add a deb-src entry': apt names no Debian registry to fetch source packages from"
}

# Fetches one source package (NAME=VERSION) into $sources_dir.
fetch_source() {
    local log
    mkdir -p "$sources_dir" || fail "step 'fetch $1': cannot make $sources_dir"
    log=$(mktemp)
    if ! (cd "$sources_dir" && apt-get source -q --download-only "$1") >"$log" 2>&1; then
        tail -n 5 "$log" | sed 's/^/  /' >&2
        rm -f "$log"
        fail "source package $1 cannot be fetched (apt-get source failed)"
    fi
    rm -f "$log"
}

case "${1:-}" in
    --list) tool_list; exit 0 ;;
    --check)
        gaps=$(missing)
        [ -z "$gaps" ] && { echo "bootstrap: everything is installed"; exit 0; }
        sed 's/^\([a-z]*\) \([^ ]*\) \(.*\)/bootstrap: missing: \2 (package \3)/' <<<"$gaps"
        exit 1 ;;
    "") ;;
    *) fail "unknown option '$1' (use --check or --list)" ;;
esac

gaps=$(missing)
if [ -z "$gaps" ]; then
    echo "bootstrap: everything is installed"
    exit 0
fi
[ "$(id -u)" = 0 ] || fail "step 'install': $(cut -d' ' -f2 <<<"$gaps" | tr '\n' ' ')are missing and only root can install them"
mapfile -t packages < <(awk '$1 != "source" { print $3 }' <<<"$gaps" | sort -u)
mapfile -t source_packages < <(awk '$1 == "source" { print $3 }' <<<"$gaps" | sort -u)
locales_needed=$(awk '$1 == "locale" { print $2 }' <<<"$gaps")

export DEBIAN_FRONTEND=noninteractive
if printf '%s\n' "${packages[@]}" | grep -q ':i386$' &&
   ! dpkg --print-foreign-architectures | grep -qx i386; then
    dpkg --add-architecture i386 || fail "step 'add the i386 architecture': dpkg --add-architecture i386 failed"
fi
[ ${#source_packages[@]} -eq 0 ] || add_source_entries
wanted=$(echo "${packages[*]} ${source_packages[*]}" | xargs)
echo "bootstrap: installing ${#packages[@]} packages and ${#source_packages[@]} source packages: $wanted"
update_log=$(mktemp)
if ! apt-get update -q --error-on=any >"$update_log" 2>&1; then
    sed 's/^/  /' "$update_log" >&2
    rm -f "$update_log"
    fail "step 'apt-get update': the package registry cannot be reached (or refused the lists)"
fi
rm -f "$update_log"
for package in "${packages[@]}"; do
    candidate=$(apt-cache policy "$package" 2>/dev/null | sed -n 's/^ *Candidate: //p')
    [ -n "$candidate" ] && [ "$candidate" != "(none)" ] ||
        fail "package $package cannot be installed: the registry has no candidate for it"
done
install_log=$(mktemp)
if [ ${#packages[@]} -gt 0 ] && ! apt-get install -y -q --no-install-recommends "${packages[@]}" >"$install_log" 2>&1; then
    tail -n 20 "$install_log" | sed 's/^/  /' >&2
    rm -f "$install_log"
    # Name the package: the first one that does not install on its own.
    for package in "${packages[@]}"; do
        apt-get install -y -q --no-install-recommends "$package" >/dev/null 2>&1 ||
            fail "package $package cannot be installed (apt-get install failed)"
    done
    fail "step 'apt-get install' failed for ${packages[*]}"
fi
rm -f "$install_log"
for package in "${source_packages[@]}"; do
    fetch_source "$package"
done

for name in $locales_needed; do
    grep -qx "$name UTF-8" /etc/locale.gen 2>/dev/null || echo "$name UTF-8" >>/etc/locale.gen
done
if [ -n "$locales_needed" ]; then
    locale-gen >/dev/null 2>&1 || fail "step 'locale-gen': could not generate $locales_needed"
fi

gaps=$(missing)
if [ -n "$gaps" ]; then
    while read -r kind name package; do
        echo "bootstrap: $name is still missing after installing package $package" >&2
    done <<<"$gaps"
    exit 1
fi
echo "bootstrap: installed $wanted"
