#!/usr/bin/env bash
# Runs the Japanese example of docs/monchk04.md ("A Japanese setup INI") in a
# Japanese configuration (LANG=ja_JP.UTF-8: ANSI code page 932): prepares the
# demonstration product with Japanese names, saves the document's setup INI
# in code page 932 with CR LF line ends where the block's comment says, runs
# the document's command through the example setup program and compares the
# completion message and SDKResult lines with the document's; the Startup
# shortcut must have the name of the Japanese language section.
# Run by scripts/wine-run.sh --shell:
#   japanese_example_test.sh BIN_DIR DOC
set -uo pipefail

bin=$1
doc=$2
unix_path() {
    local path=${1#[Cc]:\\}
    echo "$WINEPREFIX/drive_c/${path//\\//}"
}
# The fenced block after the comment "<!-- japanese-example: $1 -->".
block() {
    # The tag through the environment: awk -v would take its backslashes
    # as escapes.
    TAG="<!-- japanese-example: $1 -->" awk '
        $0 == ENVIRON["TAG"] { found = 1; next }
        found && /^```/ { if (inside) exit; inside = 1; next }
        inside { print }' "$doc"
}

cd "$bin" || exit 1
prepared=$(wine install_demo.exe --japanese | tr -d '\r') || { echo "FAIL install_demo"; exit 1; }
monchk=$(sed -n 2p <<<"$prepared")

ini=$(block 'C:\Demo\setup.ini')
[ -n "$ini" ] || { echo "FAIL no Japanese setup INI in $doc"; exit 1; }
iconv -f UTF-8 -t CP932 <<<"$ini" | sed 's/$/\r/' >"$(unix_path 'C:\Demo\setup.ini')" ||
    { echo "FAIL the setup INI is not code page 932 text"; exit 1; }

run=$(block run)
command=$(sed -n 1p <<<"$run")
[[ $command =~ ^C:\\Demo\>\ example_setup\ \"[^\"]+\"\ (.+)$ ]] ||
    { echo "FAIL cannot read the command: $command"; exit 1; }
options=${BASH_REMATCH[1]}
output=$(wine example_setup.exe "$monchk" $options | tr -d '\r')
echo "$output"
failures=0
while IFS= read -r line; do
    grep -qxF -- "$line" <<<"$output" || { echo "FAIL not printed: $line"; failures=$((failures + 1)); }
done < <(grep -E '^(completion message|SDKResult):' <<<"$run")
link=$(find "$WINEPREFIX/drive_c" -ipath "*startup*" -name "VTR3 環境チェック.lnk")
[ -n "$link" ] || { echo "FAIL no Startup shortcut VTR3 環境チェック.lnk"; failures=$((failures + 1)); }
[ $failures = 0 ] && echo "the Japanese example gives what $doc shows"
exit $((failures > 0))
