# Sourced by the tests of the project's own check scripts: each case compares
# a command's exit status and one line of its output with what it expects.

case_failures=0

# check_case NAME EXPECTED_STATUS TEXT ACTUAL_STATUS OUTPUT
check_case() {
    if [ "$4" != "$2" ] || ! grep -qF -- "$3" <<<"$5"; then
        echo "FAIL $1: expected status $2 and \"$3\", got $4:"
        sed 's/^/    /' <<<"$5"
        case_failures=$((case_failures + 1))
    else
        echo "ok   $1"
    fi
}

# Ends the test: status 1, with the count, when a case failed.
finish_cases() {
    [ $case_failures -eq 0 ] || { echo "$case_failures case(s) failed"; exit 1; }
    echo "all cases passed"
}
