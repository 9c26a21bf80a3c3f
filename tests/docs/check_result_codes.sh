#!/usr/bin/env bash
# Checks docs/result-codes.md against the result pairs MONCHK04 can record.
#
# The program's pairs come from src/run_state/result_codes.h:
#   constexpr ResultPair kName{a, b};            the pair a/b
#   constexpr ResultPair Name(T flags) { return {kGroup, static_cast<LONG>(flags)}; }
#                                                the pair <group>/flags
#   constexpr ResultPair Name(int step) { return {a, n + step}; }
#                                                a/(n+s) for every failing step s
#                                                of CAccessControl::Build (the
#                                                non-zero BuildFailure values)
# A pair counts only when one of its names is used (as pair::Name) somewhere
# else in src/.
# The table's pairs are the first cells of the rows of docs/result-codes.md
# ("| 3/1 |", "| 1/flags |").
#
# Fails, naming each difference, when the program can record a pair the table
# lacks, the table lists a pair the program cannot record, a pair has two
# rows, a row has the wrong number of cells, or result_codes.h declares a pair
# in a form this script does not know.
#   check_result_codes.sh [SOURCE_TREE]     (default: this checkout)
set -uo pipefail

root=${1:-$(cd "$(dirname "$0")/../.." && pwd)}
header=$root/src/run_state/result_codes.h
access=$root/src/platform/access_control.cpp
doc=$root/docs/result-codes.md
for file in "$header" "$access" "$doc"; do
    [ -f "$file" ] || { echo "check_result_codes: $file is missing"; exit 2; }
done

errors=0
fail() {
    echo "check_result_codes: $*"
    errors=$((errors + 1))
}

# The names used as pair::Name anywhere in src/ but result_codes.h.
used_names=$(grep -rhoE --include='*.cpp' --include='*.h' --exclude=result_codes.h \
                  'pair::[A-Za-z0-9_]+' "$root/src" | sed 's/^pair:://' | sort -u)
used() {
    grep -qxF -- "$1" <<<"$used_names"
}

# "name value" for every `constexpr LONG kName = value;` of the header.
groups=$(sed -nE 's/^[[:space:]]*constexpr LONG (k[A-Za-z0-9_]+) = ([0-9]+);.*/\1 \2/p' "$header")
group_value() {
    awk -v name="$1" '$1 == name { print $2 }' <<<"$groups"
}

# The non-zero values of enum BuildFailure: the steps at which building the
# security attributes can fail.
access_steps=$(sed -n '/^enum BuildFailure/,/};/p' "$access" |
               sed -nE 's/^[[:space:]]*k[A-Za-z0-9_]+ = ([1-9][0-9]*),.*/\1/p')

program_pairs=""   # lines "pair name"
unused=""          # lines "pair name" of names used nowhere
add_pair() {  # pair name
    if used "$2"; then
        program_pairs+="$1 $2"$'\n'
    else
        unused+="$1 $2"$'\n'
    fi
}

while IFS= read -r line; do
    if [[ $line =~ ^[[:space:]]*constexpr\ ResultPair\ (k[A-Za-z0-9_]+)\{([0-9]+),\ *([0-9]+)\}\; ]]; then
        add_pair "${BASH_REMATCH[2]}/${BASH_REMATCH[3]}" "${BASH_REMATCH[1]}"
    elif [[ $line =~ ^[[:space:]]*constexpr\ ResultPair\ ([A-Za-z0-9_]+)\(([A-Za-z]+)\ ([a-z]+)\)\ *\{\ *return\ \{([A-Za-z0-9_]+),\ *([^}]*)\}\;\ *\} ]]; then
        name=${BASH_REMATCH[1]} param=${BASH_REMATCH[3]}
        first=${BASH_REMATCH[4]} second=${BASH_REMATCH[5]}
        [[ $first =~ ^[0-9]+$ ]] || first=$(group_value "$first")
        if [ -z "$first" ]; then
            fail "result_codes.h: $name: the group ${BASH_REMATCH[4]} has no value"
        elif [[ $second =~ ^(static_cast\<LONG\>\()?$param\)?$ ]]; then
            add_pair "$first/$param" "$name"
        elif [[ $second =~ ^([0-9]+)\ *\+\ *$param$ && $param == step ]]; then
            base=${BASH_REMATCH[1]}
            [ -n "$access_steps" ] || fail "access_control.cpp: no failing steps in enum BuildFailure"
            for step in $access_steps; do
                add_pair "$first/$((base + step))" "$name"
            done
        else
            fail "result_codes.h: $name: unknown second code '$second' (teach tests/docs/check_result_codes.sh)"
        fi
    elif [[ $line =~ ^[[:space:]]*constexpr[[:space:]]+ResultPair[[:space:]] ]]; then
        fail "result_codes.h: a pair in an unknown form (teach tests/docs/check_result_codes.sh): $line"
    fi
done <"$header"

[ -n "$program_pairs" ] || fail "result_codes.h: no result pairs found"

# The table's rows: first cell a pair. Every row has the table's six cells.
rows=$(grep -nE '^\|[[:space:]]*[0-9]+/([0-9]+|[a-z]+)[[:space:]]*\|' "$doc")
while IFS= read -r row; do
    [ -n "$row" ] || continue
    number=${row%%:*}
    text=${row#*:}
    cells=$(awk -F'|' '{ print NF - 2 }' <<<"$text")
    [ "$cells" = 6 ] || fail "docs/result-codes.md line $number: $cells cells instead of 6"
done <<<"$rows"
table_pairs=$(sed -E 's/^[0-9]+:\|[[:space:]]*([^ |]+)[[:space:]]*\|.*/\1/' <<<"$rows" | grep -v '^$' | sort)

for pair in $(uniq -d <<<"$table_pairs"); do
    fail "docs/result-codes.md has more than one row for $pair"
done

program_set=$(awk 'NF { print $1 }' <<<"$program_pairs" | sort -u)
table_set=$(sort -u <<<"$table_pairs")

while IFS= read -r pair; do
    [ -n "$pair" ] || continue
    names=$(awk -v p="$pair" '$1 == p { printf "%s%s", sep, $2; sep = ", " }' <<<"$program_pairs")
    fail "docs/result-codes.md lacks $pair, which the program records ($names)"
done < <(comm -23 <(echo "$program_set") <(echo "$table_set"))

while IFS= read -r pair; do
    [ -n "$pair" ] || continue
    names=$(awk -v p="$pair" '$1 == p { printf "%s%s", sep, $2; sep = ", " }' <<<"$unused")
    if [ -n "$names" ]; then
        fail "docs/result-codes.md lists $pair, which the program cannot record ($names is named in result_codes.h but used nowhere)"
    else
        fail "docs/result-codes.md lists $pair, which the program cannot record"
    fi
done < <(comm -13 <(echo "$program_set") <(echo "$table_set"))

count=$(grep -c . <<<"$program_set")
if [ $errors -gt 0 ]; then
    echo "check_result_codes: $errors difference(s) between the program's $count pairs and docs/result-codes.md"
    exit 1
fi
echo "check_result_codes: all $count pairs the program can record have one row in docs/result-codes.md"
