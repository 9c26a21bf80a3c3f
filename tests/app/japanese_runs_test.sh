#!/usr/bin/env bash
# Whole runs of MONCHK04 in a Japanese configuration (Wine started with
# LANG=ja_JP.UTF-8: the ANSI code page is 932) on the demonstration product
# with Japanese names (install_demo --japanese: driver, printer, help and
# COPYEXEC folders, shortcut, a registry value and the language section hold
# characters whose second bytes are '\', '[', ']', '|' and letters): the
# install run, the maintenance run, then the uninstall by printer (/R: with a
# counted value) or by driver (/R2:), each checked against what it must leave.
# Run by scripts/wine-run.sh --shell (WINEPREFIX set, `wine` on PATH):
#   japanese_runs_test.sh BIN_DIR printer|driver
set -uo pipefail

bin=$1
uninstall=$2
failures=0
fail() {
    echo "FAIL $*"
    failures=$((failures + 1))
}

driver="NORVA ポータブルプリンター"
printer="NORVA ソフト評価"
model="HKLM\\Software\\NORVA\\VTR3\\Driver\\$driver"

cd "$bin" || exit 1
prepared=$(wine install_demo.exe --japanese | tr -d '\r') || { echo "FAIL install_demo"; exit 1; }
ini=$(sed -n 1p <<<"$prepared")
monchk=$(sed -n 2p <<<"$prepared")
drive_c="$WINEPREFIX/drive_c"
html="$drive_c/Program Files/Common Files/NORVA/HTML"

# The registry as reg.exe prints it (code page 932), in this shell's UTF-8.
query() {
    wine reg query "$@" 2>/dev/null | tr -d '\r' | iconv -f CP932 -t UTF-8
}
# Runs MONCHK04 through the setup host; checks the completion message.
monchk() {
    local expected=$1
    shift
    local out
    out=$(wine setup_host.exe --program "$monchk" "$@" | tr -d '\r')
    echo "MONCHK04 $*: ${out%%$'\n'*}"
    [[ $out == *"completion message: wParam=$expected lParam=0 "* ]] ||
        fail "MONCHK04 $*: expected wParam=$expected lParam=0, got: $out"
}
expect_file() {
    [ -e "$1" ] || fail "missing: ${1#"$drive_c"/}"
}
expect_no_file() {
    [ ! -e "$1" ] || fail "left behind: ${1#"$drive_c"/}"
}
links() {
    find "$drive_c" -ipath "*startup*" -iname "VTR3 環境チェック.lnk"
}

echo "Wine presenting ${MONSETUP_WINVER:-default}, LANG=${LANG:-}"
monchk 2 "/I:$ini"
query "$model" /v HTMLInstallPath | grep -q "HTML\\\\LP1 一覧表$" || fail "the model's HTMLInstallPath"
query "HKLM\\Software\\NORVA\\VTR3\\Demo" /v "表示モード" | grep -q "REG_DWORD *0x1" ||
    fail "the INI's registry value 表示モード"
expect_file "$html/ツール一覧表/vtrcopy.ran"   # COPYEXEC copied and started in its folder
[ -n "$(links)" ] || fail "no Startup link VTR3 環境チェック.lnk"

# The maintenance run walks the recorded model (the monitor stays registered).
monchk 1
query "HKLM\\System\\CurrentControlSet\\control\\Print\\Monitors\\NORVA LM" >/dev/null ||
    fail "the language monitor is not registered after the maintenance run"

if [ "$uninstall" = printer ]; then
    # In counted form: the count is in bytes (16: the name has five
    # two-byte characters).
    monchk 1 "/R:$(printf '%s' "$printer" | iconv -f UTF-8 -t CP932 | wc -c)" "$printer"
else
    monchk 1 "/R2:$driver"
fi
for file in index.htm logo.gif monhelp.exe; do
    expect_no_file "$html/LP1 一覧表/$file"
done
query "$model" >/dev/null && fail "the model's key is left"
query "HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Run" /v "$printer" >/dev/null &&
    fail "the printer's start-up value is left"
for root in HKLM HKCU; do
    query "$root\\Software\\NORVA\\VTR3\\VTRData\\TXATarget" /s | grep -q "$printer" &&
        fail "$root: the printer's target entry is left"
done
[ -z "$(links)" ] || fail "the Startup link is left"
grep -q "/AN=\"$driver\"" < <(iconv -f CP932 -t UTF-8 "$drive_c/ZQAPI/zqapiset.cmdline") ||
    fail "the SDK's uninstaller did not get the driver's name"

[ $failures = 0 ] && echo "all steps passed"
exit $((failures > 0))
