#!/usr/bin/env bash
# Runs one Windows program under Wine in a throwaway copy of a template prefix
# and returns its exit status. Used by ctest as the cross-compiling emulator.
# Usage: wine-run.sh WINE_DIR PROGRAM [ARGS...]
#        wine-run.sh WINE_DIR --shell COMMAND [ARGS...]   runs COMMAND (not under
#            Wine) with WINEPREFIX set to the copy, for several steps in one
#            prefix; `wine` and `wineserver` there are those of the prefix's
#            architecture
#   MONSETUP_WINVER      default | win98 | nt40 | win2k (default: default)
#   MONSETUP_KEEP_PREFIX 1 keeps the copy and prints its path
#   MONSETUP_TIMEOUT     seconds before the program is killed (default 240)
set -uo pipefail

here=$(cd "$(dirname "$0")" && pwd)
wine_dir=$1
shift
version=${MONSETUP_WINVER:-default}
limit=${MONSETUP_TIMEOUT:-240}

case "$wine_dir" in
    *win64*|*/build/win64/*) arch=win64 ;;
    *) arch=win32 ;;
esac
. "$here/wine-env.sh"
monsetup_use_wine "$arch" || exit 125
"$here/wine-prefix.sh" "$wine_dir" "$arch" >&2 || exit 125
template="$wine_dir/$version"
if [ ! -d "$template" ]; then
    echo "wine-run: no template prefix for '$version'" >&2
    exit 125
fi

# Copies left behind by runs that were killed before their clean-up.
for stale in /tmp/monsetup-wine.*; do
    [ -f "$stale/.owner" ] || continue
    kill -0 "$(cat "$stale/.owner")" 2>/dev/null || rm -rf "$stale"
done

prefix=$(mktemp -d /tmp/monsetup-wine.XXXXXX)
echo $$ >"$prefix/.owner"
# Hard links make the copy instant; files Wine rewrites in place get their own copies.
cp -al "$template/." "$prefix/"
for f in system.reg user.reg userdef.reg drive_c/windows/win.ini drive_c/windows/system.ini; do
    [ -f "$template/$f" ] && cp --remove-destination "$template/$f" "$prefix/$f"
done
# `wine` and `wineserver` for the commands of --shell.
mkdir "$prefix/.bin"
printf '#!/bin/sh\nexec "%s" "$@"\n' "$WINELOADER" >"$prefix/.bin/wine"
printf '#!/bin/sh\nexec "%s" "$@"\n' "$WINESERVER" >"$prefix/.bin/wineserver"
# `winepath` too: the system's own starts the 32-bit loader, which a kernel
# without 32-bit code cannot run. Its output goes through a file, as the
# first program of a session hands Wine's services its output handles.
cat >"$prefix/.bin/winepath" <<END
#!/bin/sh
out=\$(mktemp) || exit 1
"$WINELOADER" winepath.exe "\$@" >"\$out" 2>/dev/null </dev/null
status=\$?
tr -d '\r' <"\$out"
rm -f "\$out"
exit \$status
END
chmod +x "$prefix/.bin/wine" "$prefix/.bin/wineserver" "$prefix/.bin/winepath"

export WINEPREFIX=$prefix
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
export PATH="$prefix/.bin:$PATH"
unset DISPLAY WAYLAND_DISPLAY

cleanup() {
    "$WINESERVER" -k >/dev/null 2>&1
    "$WINESERVER" -w >/dev/null 2>&1
    if [ "${MONSETUP_KEEP_PREFIX:-0}" = 1 ]; then
        echo "wine-run: prefix kept in $prefix" >&2
    else
        rm -rf "$prefix"
    fi
}
trap cleanup EXIT

# A server started here, detached from our output, keeps ctest from waiting
# for its lingering time on the pipes it would otherwise inherit.
"$WINESERVER" -p </dev/null >/dev/null 2>&1
if [ "${1:-}" = "--shell" ]; then
    shift
    timeout -k 5 "$limit" "$@"
else
    timeout -k 5 "$limit" "$WINELOADER" "$@"
fi
status=$?
if [ $status -eq 124 ] || [ $status -eq 137 ]; then
    echo "wine-run: $1 timed out after $limit s and was killed" >&2
fi
exit $status
