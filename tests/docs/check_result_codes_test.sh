#!/usr/bin/env bash
# The result-code check fails, naming the difference, when the table and the
# program part: each case changes a copy of src/ and docs/ and expects the
# check's exit status and one line of its output.
set -uo pipefail

here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
check=$here/check_result_codes.sh
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

. "$root/tests/support/script_cases.sh"
fresh_copy() {
    rm -rf "$work/tree"
    mkdir -p "$work/tree"
    cp -r "$root/src" "$root/docs" "$work/tree/"
}
header() { echo "$work/tree/src/run_state/result_codes.h"; }
table() { echo "$work/tree/docs/result-codes.md"; }
# A new pair in the header, recorded by the install run.
add_recorded_pair() {
    sed -i 's|^constexpr ResultPair kPortKeyNotOpened{3, 40};|&\nconstexpr ResultPair kDocsProbe{3, 99};|' "$(header)"
    sed -i 's|result.Record(pair::kPortKeyNotOpened);|&\n        result.Record(pair::kDocsProbe);|' \
        "$work/tree/src/install/port_settings.cpp"
}
add_row() {  # pair
    echo "| $1 | I: probe | probe | no | 3 / 3 | nothing |" >>"$(table)"
}

expect() {  # name status text
    output=$("$check" "$work/tree" 2>&1)
    check_case "$1" "$2" "$3" $? "$output"
}

fresh_copy
expect "the checkout's table matches" 0 "have one row in docs/result-codes.md"
# The checkout's count of pairs; the added pair below makes one more.
pairs=$(sed -n 's/.*all \([0-9]*\) pairs.*/\1/p' <<<"$output")

fresh_copy
sed -i '/^| 4\/8 |/d' "$(table)"
expect "a removed row" 1 \
    "lacks 4/8, which the program records (kVtrServiceNotDeleted, kDriverMoncfgNotStarted)"

fresh_copy
add_recorded_pair
expect "an added pair" 1 "lacks 3/99, which the program records (kDocsProbe)"

fresh_copy
add_recorded_pair
add_row 3/99
expect "an added pair with its row" 0 "all $((pairs + 1)) pairs"

fresh_copy
sed -i 's|^constexpr ResultPair kPortKeyNotOpened{3, 40};|&\nconstexpr ResultPair kDocsProbe{3, 99};|' "$(header)"
add_row 3/99
expect "a row for a pair named but never recorded" 1 \
    "lists 3/99, which the program cannot record (kDocsProbe is named in result_codes.h but used nowhere)"

fresh_copy
add_row 5/77
expect "a row the program cannot record" 1 "lists 5/77, which the program cannot record"

fresh_copy
row=$(grep '^| 9/1 |' "$(table)")
echo "$row" >>"$(table)"
expect "two rows for one pair" 1 "more than one row for 9/1"

fresh_copy
sed -i 's/^| 6\/3 | I: settings |/| 6\/3 |/' "$(table)"
expect "a row with a cell missing" 1 "5 cells instead of 6"

fresh_copy
sed -i 's/^    kSetDacl = 6,/&\n    kDocsProbe = 7,/' "$work/tree/src/platform/access_control.cpp"
expect "a new step of the security attributes" 1 "lacks 7/107, which the program records (AccessControlFailed)"

fresh_copy
sed -i 's/^| 2\/flags |/| 2\/status |/' "$(table)"
expect "a variable pair under another name" 1 "lacks 2/flags"

fresh_copy
sed -i 's|^constexpr ResultPair kAlreadyRunning{9, 1};|constexpr ResultPair kAlreadyRunning = {9, 1};|' "$(header)"
expect "a declaration the check cannot read" 1 "a pair in an unknown form"

finish_cases
