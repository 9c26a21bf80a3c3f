#!/usr/bin/env bash
# Runs the command transcripts of a document of docs/ and compares what each
# command prints with the lines the document shows under it.
#
# A transcript is a fenced block whose first line starts with "C:\> ". Each
# "C:\> " line is a command; the lines up to the next command are what it
# prints: each must appear in the output, in that order, blanks compared
# loosely; "..." stands for any number of lines; a line "(the command fails"
# means the command must end with a non-zero status instead. The command runs
# from a .cmd file, so it gets its quotes exactly as written, with
# %DRIVERDIR% set to the printer driver's directory.
# HTML comments right before a block:
#   <!-- transcript: 32-bit -->  or  64-bit: only for that build;
#   <!-- setup: NAME -->         a preparation of this script (below) first.
# The blocks run in the document's order in one Wine prefix, which holds the
# demonstration product (tests/peers/install_demo) and MONEXT01.dll in
# C:\NORVA. Run by scripts/wine-run.sh --shell:
#   transcripts_test.sh BIN_DIR DOC 32|64
set -uo pipefail

bin=$1
doc=$2
bits=$3
failures=0
ran=0
fail() {
    echo "FAIL $*"
    failures=$((failures + 1))
}
normal() {
    sed -E 's/\r//g; s/[[:space:]]+/ /g; s/^ //; s/ $//'
}
. "$(dirname "$0")/demo_product.sh"
export DRIVERDIR=${monchk%\\*}
driver_dir=$(unix_path "$DRIVERDIR")
system_dir=$(unix_path "$(wine cmd /c echo %SystemRoot%\\system32 | tr -d '\r')")
mkdir -p "$WINEPREFIX/drive_c/NORVA" "$WINEPREFIX/drive_c/transcript"
cp MONEXT01.dll "$WINEPREFIX/drive_c/NORVA/"
echo "prepared: demonstration product, MONEXT01.dll in C:\\NORVA, DRIVERDIR=$DRIVERDIR"

other_copy=""
ticker=""
after_block=""
# The ticks of MONCHK04's one-second wait timer (WM_TIMER, id 1), posted
# 20 ms apart once its window is there: the wait runs its course in
# seconds, tick by tick as the timer would drive it, instead of minutes.
tick() {
    wine send_message.exe InstallExeClass "Vantor3 Environment Check" 0x113 1 0 60 "$1" 20 \
        >/dev/null 2>&1 &
    ticker=$!
}
# The preparations a document may ask for.
prepare() {
    case "$1" in
        sdk-in-use)  # the SDK setup answers "in use"
            printf 'installer 0 0x1\nsdk 0 0x400\n' >"$driver_dir/NR_Comb.answer" ;;
        sdk-silent)  # the SDK installers never answer: the 120 ticks of the wait
            rm -f "$driver_dir/NR_Comb.answer"
            tick 130 ;;
        sdk-replaces)  # the demonstration's answer: success, files replaced
            printf 'installer 0 0x1\nsdk 0 0x200001\n' >"$driver_dir/NR_Comb.answer" ;;
        vtr-service-stuck)  # the VTR service program never ends: five tries, 3 ticks apart
            cp fake_vtrsrv_stuck.exe "$system_dir/vtrsrv.exe"
            tick 20 ;;
        another-copy)
            # A copy of MONCHK04 at work, waiting for a silent SDK. It starts
            # with the debug log off, so that its lines cannot take the log
            # file from the copy the document shows.
            rm -f "$driver_dir/NR_Comb.answer"
            wine reg add 'HKLM\Software\NORVA\VTR3' /v log /t REG_DWORD /d 0 /f >/dev/null 2>&1
            wine "$monchk" "/I:C:\\Demo\\setup.ini" >/dev/null 2>&1 &
            other_copy=$!
            wine send_message.exe InstallExeClass "Vantor3 Environment Check" 0 0 0 30 ||
                fail "setup another-copy: no copy at work"
            wine reg add 'HKLM\Software\NORVA\VTR3' /v log /t REG_DWORD /d 1 /f >/dev/null 2>&1
            after_block=end-other-copy ;;
        *) fail "unknown setup '$1' in $doc"; return 1 ;;
    esac
}
finish_block() {
    if [ -n "$ticker" ]; then
        wait "$ticker"
        ticker=""
    fi
    if [ "$after_block" = end-other-copy ] && [ -n "$other_copy" ]; then
        wine send_message.exe InstallExeClass "Vantor3 Environment Check" 16 0 0 5 >/dev/null
        wait "$other_copy"
        other_copy=""
    fi
    after_block=""
}

# Whether the expected lines (file $1) appear in the output (file $2) in order.
shows() {
    awk 'FILENAME == ARGV[1] { want[++n] = $0; next }
         { got[++m] = $0 }
         END {
             j = 1
             for (i = 1; i <= n; ++i) {
                 if (want[i] == "...") continue
                 while (j <= m && got[j] != want[i]) ++j
                 if (j > m) { print "missing: " want[i]; exit 1 }
                 ++j
             }
         }' "$1" "$2"
}

run_command() {  # command, expected-lines file
    local command=$1 expected=$2 script output status
    ran=$((ran + 1))
    script="C:\\transcript\\command-$ran.cmd"
    printf '@%s\r\n' "$command" >"$(unix_path "$script")"
    output=$(wine cmd /c "$script" 2>&1)
    status=$?
    normal <<<"$output" >"$WINEPREFIX/output.txt"
    if grep -q '^(the command fails' "$expected"; then
        if [ $status -eq 0 ]; then
            fail "C:\\> $command: succeeded, the document says it fails"
            return
        fi
    elif [ $status -ne 0 ]; then
        fail "C:\\> $command: exit status $status"
        sed 's/^/    /' "$WINEPREFIX/output.txt"
        return
    fi
    grep -v '^(the command fails' "$expected" >"$WINEPREFIX/wanted.txt"
    if ! problem=$(shows "$WINEPREFIX/wanted.txt" "$WINEPREFIX/output.txt"); then
        fail "C:\\> $command: $problem; it printed:"
        sed 's/^/    /' "$WINEPREFIX/output.txt"
        return
    fi
    echo "ok   C:\\> $command"
}

# The document's transcripts as records: "block <bits> <setups>", "cmd <text>",
# "out <text>", "end".
records=$(awk '
    /^<!-- transcript: [0-9]+-bit -->$/ { wanted_bits = $3; sub(/-bit/, "", wanted_bits); next }
    /^<!-- setup: [a-z0-9-]+ -->$/ { setups = setups " " $3; next }
    /^```/ {
        if (inblock) { print "end"; inblock = 0; wanted_bits = ""; setups = ""; next }
        getline first
        if (first !~ /^C:\\> /) { skipping = 1; wanted_bits = ""; setups = ""; next }
        inblock = 1
        print "block " (wanted_bits == "" ? "any" : wanted_bits) setups
        print "cmd " substr(first, 6)
        next
    }
    skipping { if ($0 ~ /^```/) skipping = 0; next }
    inblock && /^C:\\> / { print "cmd " substr($0, 6); next }
    inblock { print "out " $0; next }
    /^[^<]/ && NF { wanted_bits = ""; setups = "" }
' "$doc")
[ -n "$records" ] || { echo "FAIL no transcripts in $doc"; exit 1; }

expected="$WINEPREFIX/expected.txt"
pending=""
skip=0
blocks=0
flush() {
    if [ -n "$pending" ] && [ $skip = 0 ]; then
        run_command "$pending" "$expected"
    fi
    pending=""
    : >"$expected"
}
: >"$expected"
while IFS= read -r record; do
    kind=${record%% *}
    text=${record#* }
    case "$kind" in
        block)
            read -r block_bits block_setups <<<"$text"
            skip=0
            if [ "$block_bits" != any ] && [ "$block_bits" != "$bits" ]; then
                skip=1
                echo "skip a $block_bits-bit transcript (this is the $bits-bit build)"
                continue
            fi
            blocks=$((blocks + 1))
            for setup in $block_setups; do prepare "$setup"; done ;;
        cmd) flush; pending=$text ;;
        out) normal <<<"$text" >>"$expected" ;;
        end) flush; finish_block ;;
    esac
done <<<"$records"

[ $blocks -gt 0 ] || fail "no transcript of $doc is for the $bits-bit build"
[ $failures -eq 0 ] || { echo "$failures command(s) of $doc do not print what it shows"; exit 1; }
echo "all $ran commands of $blocks transcript(s) print what $doc shows"
