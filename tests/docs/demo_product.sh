# Sourced by the docs' tests: enters the build's bin folder ($bin) and
# prepares the demonstration product in this Wine prefix; `monchk` is then
# MONCHK04's Windows path in the printer driver's folder.

# A path of the prefix's drive C: as this shell sees it.
unix_path() {
    local path=${1#[Cc]:\\}
    echo "$WINEPREFIX/drive_c/${path//\\//}"
}

cd "$bin" || exit 1
prepared=$(wine install_demo.exe | tr -d '\r') || { echo "install_demo failed"; exit 1; }
monchk=$(sed -n 2p <<<"$prepared")
