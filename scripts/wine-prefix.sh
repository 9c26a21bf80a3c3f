#!/usr/bin/env bash
# Makes the template Wine prefixes of a build tree, once:
#   DIR/default   Wine's own Windows version, null (headless) graphics driver
#   DIR/win98, DIR/nt40, DIR/win2k   the same, presenting that Windows
# Usage: wine-prefix.sh DIR win32|win64
# Tests never run in a template; scripts/wine-run.sh runs each in a copy.
set -euo pipefail

dir=$1
arch=$2
versions="win98 nt40 win2k"
stamp="$dir/.ready"

. "$(dirname "$0")/wine-env.sh"
monsetup_use_wine "$arch" || exit 1

export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
unset DISPLAY WAYLAND_DISPLAY

wine_id=$("$WINELOADER" --version)
[ -f "$stamp" ] && [ "$(cat "$stamp")" = "$wine_id $arch" ] && exit 0

mkdir -p "$dir"
dir=$(cd "$dir" && pwd)
exec 9>"$dir/.lock"
flock 9
[ -f "$stamp" ] && [ "$(cat "$stamp")" = "$wine_id $arch" ] && exit 0

stop_server() {
    "$WINESERVER" -k 2>/dev/null || true
    "$WINESERVER" -w 2>/dev/null || true
}

# A template half made by a run that was killed is made again from scratch.
rm -rf "${dir:?}/default" "${dir:?}/new"
export WINEARCH=$arch
export WINEPREFIX="$dir/new"
if ! "$WINELOADER" wineboot.exe --init >"$dir/wineboot.log" 2>&1; then
    echo "wine-prefix: wineboot failed for $WINEPREFIX ($arch); its output:" >&2
    cat "$dir/wineboot.log" >&2
    stop_server
    exit 1
fi
# Without a display the default driver cannot create windows; "null" can.
"$WINELOADER" reg.exe add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f >/dev/null 2>&1
stop_server
mv "$dir/new" "$dir/default"

for version in $versions; do
    rm -rf "${dir:?}/$version"
    cp -a "$dir/default" "$dir/$version"
    export WINEPREFIX="$dir/$version"
    "$WINELOADER" reg.exe add 'HKCU\Software\Wine' /v Version /d "$version" /f >/dev/null 2>&1
    stop_server
done

echo "$wine_id $arch" > "$stamp"
echo "wine-prefix: templates ready in $dir ($arch: default $versions)"
