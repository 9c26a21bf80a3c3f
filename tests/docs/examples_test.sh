#!/usr/bin/env bash
# Runs every example of docs/monchk04.md ("Examples that work") in the
# table's order, in one Wine prefix holding the demonstration product, through
# the example setup program, and compares each outcome with the table: the
# completion message, the pair in "SDKResult" (or its absence), and that a
# parameter file the row writes is gone afterwards. Each command line goes
# through a .cmd file, so that MONCHK04 gets its quotes exactly as written.
# Run by scripts/wine-run.sh --shell (WINEPREFIX set, `wine` on PATH):
#   examples_test.sh BIN_DIR DOC
set -uo pipefail

bin=$1
doc=$2
failures=0
fail() {
    echo "FAIL $*"
    failures=$((failures + 1))
}
trim() {
    sed -E 's/^[[:space:]]+//; s/[[:space:]]+$//' <<<"$1"
}
. "$(dirname "$0")/demo_product.sh"
bin_windows=$(wine winepath -w "$bin" 2>/dev/null | tr -d '\r')
echo "demonstration product ready; MONCHK04 at $monchk (Wine presenting ${MONSETUP_WINVER:-default})"

rows=$(awk '/^### Examples that work/ { on = 1; next }
            on && /^#/ { exit }
            on && /^\|[[:space:]]*[0-9]+[[:space:]]*\|/' "$doc")
[ -n "$rows" ] || { echo "FAIL no examples found in $doc"; exit 1; }

while IFS= read -r row; do
    IFS='|' read -r _ number command before message result _ <<<"$row"
    number=$(trim "$number")
    command=$(trim "$command")
    command=${command#\`}
    command=${command%\`}
    before=$(trim "$before")
    message=$(trim "$message")
    result=$(trim "$result")

    if [[ $command != "/W32:<window>"* ]]; then
        fail "$number: the command line does not start with /W32:<window>: $command"
        continue
    fi
    options=$(trim "${command#/W32:<window>}")

    parameter_file=""
    if [ -n "$before" ]; then
        if [[ $before =~ ^\`([A-Za-z]:\\[^\`]+)\`\ holds\ \`([^\`]+)\`$ ]]; then
            parameter_file=$(unix_path "${BASH_REMATCH[1]}")
            printf '%s\r\n' "${BASH_REMATCH[2]}" >"$parameter_file"
        else
            fail "$number: cannot read the 'before' cell: $before"
            continue
        fi
    fi

    if [[ ! $message =~ ^wParam\ ([0-9]+),\ lParam\ ([0-9]+)$ ]]; then
        fail "$number: cannot read the message cell: $message"
        continue
    fi
    want_message="completion message: wParam=${BASH_REMATCH[1]} lParam=${BASH_REMATCH[2]} "
    case "$result" in
        none) want_result="SDKResult: none" ;;
        [0-9]*/[0-9]*) want_result="SDKResult: $result " ;;
        *) fail "$number: cannot read the SDKResult cell: $result"; continue ;;
    esac

    script="C:\\Demo\\example-$number.cmd"
    printf '@"%s\\example_setup.exe" "%s" %s\r\n' "$bin_windows" "$monchk" "$options" \
        >"$(unix_path "$script")"
    output=$(wine cmd /c "$script" 2>&1 | tr -d '\r')

    problems=""
    grep -qF -- "$want_message" <<<"$output" || problems+=" message"
    grep -qF -- "$want_result" <<<"$output" || problems+=" SDKResult"
    if [ -n "$parameter_file" ] && [ -e "$parameter_file" ]; then
        problems+=" parameter-file-left"
    fi
    if [ -n "$problems" ]; then
        fail "$number: MONCHK04.exe $command: wrong:$problems; wanted \"$want_message\" and \"$want_result\", got:"
        sed 's/^/    /' <<<"$output"
    else
        echo "ok   $number: MONCHK04.exe $command -> $message, SDKResult $result"
    fi
done <<<"$rows"

[ $failures -eq 0 ] || { echo "$failures example(s) do not give what docs/monchk04.md says"; exit 1; }
