#!/usr/bin/env bash
# Runs one Windows program under Wine in a throwaway copy of a template prefix
# and returns its exit status. Used by ctest as the cross-compiling emulator.
# Usage: wine-run.sh WINE_DIR PROGRAM [ARGS...]
#        wine-run.sh WINE_DIR --shell COMMAND [ARGS...]   runs COMMAND (not under
#            Wine) with WINEPREFIX set to the copy, for several steps in one prefix
#   MONSETUP_WINVER      default | win98 | nt40 | win2k (default: default)
#   MONSETUP_KEEP_PREFIX 1 keeps the copy and prints its path
#   MONSETUP_TIMEOUT     seconds before the program is killed (default 240)
set -uo pipefail

here=$(cd "$(dirname "$0")" && pwd)
wine_dir=$1
shift
version=${MONSETUP_WINVER:-default}

case "$wine_dir" in
    *win64*|*/build/win64/*) arch=win64 ;;
    *) arch=win32 ;;
esac
"$here/wine-prefix.sh" "$wine_dir" "$arch" >&2 || exit 125
template="$wine_dir/$version"
if [ ! -d "$template" ]; then
    echo "wine-run: no template prefix for '$version'" >&2
    exit 125
fi

prefix=$(mktemp -d /tmp/monsetup-wine.XXXXXX)
# Hard links make the copy instant; files Wine rewrites in place get their own copies.
cp -al "$template/." "$prefix/"
for f in system.reg user.reg userdef.reg drive_c/windows/win.ini drive_c/windows/system.ini; do
    [ -f "$template/$f" ] && cp --remove-destination "$template/$f" "$prefix/$f"
done

export WINEPREFIX=$prefix
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
unset DISPLAY WAYLAND_DISPLAY

cleanup() {
    wineserver -k >/dev/null 2>&1
    wineserver -w >/dev/null 2>&1
    if [ "${MONSETUP_KEEP_PREFIX:-0}" = 1 ]; then
        echo "wine-run: prefix kept in $prefix" >&2
    else
        rm -rf "$prefix"
    fi
}
trap cleanup EXIT

# A server started here, detached from our output, keeps ctest from waiting
# for its lingering time on the pipes it would otherwise inherit.
wineserver -p </dev/null >/dev/null 2>&1
if [ "${1:-}" = "--shell" ]; then
    shift
    timeout -k 5 "${MONSETUP_TIMEOUT:-240}" "$@"
else
    timeout -k 5 "${MONSETUP_TIMEOUT:-240}" wine "$@"
fi
