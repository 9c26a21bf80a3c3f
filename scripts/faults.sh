#!/usr/bin/env bash
# The fault-injection campaign over whole MONCHK04 runs. For each run kind
# (install /I:, uninstall by printer /R:, by driver /R2:, the maintenance run;
# Ro and R2o: the uninstalls while another model remains, the only ones
# that store a result pair)
# and each Windows (98, NT 4.0, 2000) it prepares the demonstration product
# (scripts/run.sh's), counts the N calls that can fail in a clean run of
# MONCHK04_F.exe (MONCHK04 with the fault layer of tests/faults linked in),
# then runs it again with call k failing, from the same saved prefix, for
# each k (or for a sample), and checks every faulted run:
#   - it ends within its wait bounds (MONSETUP_FAULT_TIMEOUT, default 150 s)
#   - exactly one completion message reached the setup host (unless the
#     failing call is the PostMessageA that posts it)
#   - a result pair is stored when the clean run stores one (unless the
#     failing call is a registry call or an allocation: it may be the store;
#     or the run took itself for a second copy, 9/1, which stores none)
#   - no crash (the exit status is not an exception code, nor the run time's
#     abort)
#   - the single-instance mutex is free: a following run does not get 9/1
#   - it deletes no file and no registry line that the clean run keeps
#   - run again without a fault, it converges: the machine then is as one
#     clean run leaves it (the state below), but for the differences that
#     `comparable` and `by_design` name, each with its reason
# Kinds IR and IR2: the install with call k failing, then a clean uninstall
# by printer (IR) or by driver (IR2), run from the setup's own copy of
# MONCHK04 (not the installed one): the machine must end as a clean install
# followed by the same clean uninstall leaves it.
# The clean runs of I and M also run twice in a row: the second leaves the
# machine as the first did.
# Run kind `ext` is MONEXT01's entry points (registration, the copy hook,
# AddPages, the page with its Apply and buttons) with each call failing in
# turn, in process: tests/faults/monext01_faults_test.cpp.
# Prints a line for every run that did not end properly or did not converge
# and, last, a table: kind, Windows, calls, faults injected, runs that ended
# properly, runs that converged.
# Usage: faults.sh [--sample S | --first-of-each | --k "K..."] [--kinds "I R R2 Ro R2o M IR IR2 ext"] [--winvers "win98 nt40 win2k"]
#                  [--jobs J] [--stop-after SECONDS] [--build DIR]
#   --sample S   S values of k, evenly spread over 1..N (default: all N)
#   --first-of-each   instead, the first call of each function called fails
#   --k "K..."   instead, these values of k (to see again what one run did)
#   --jobs J     run kinds and Windows campaigned at the same time (default 3)
#   --stop-after SECONDS   end the jobs then and give the table so far (the
#                full campaign takes each run kind's k in a spread order)
#   FAULTS_LEFT=1  also print what each clean run leaves against the machine
#                before it (IR2: what an install and its uninstall leave)
#   --build DIR  a built tree to use as it is (default: build this machine's
#                preset, win32 where the kernel runs 32-bit code)
# Exit status 0 when every faulted run ended properly and converged.
set -uo pipefail
export LC_ALL=C

cd "$(dirname "$0")/.."
sample=${FAULTS_SAMPLE:-0}
kinds="I R R2 Ro R2o M IR IR2 ext"
winvers="win98 nt40 win2k"
build=""
jobs=${FAULTS_JOBS:-3}
stop_after=0
while [ $# -gt 0 ]; do
    case "$1" in
        --sample) sample=$2; shift 2 ;;
        --kinds) kinds=$2; shift 2 ;;
        --winvers) winvers=$2; shift 2 ;;
        --build) build=$2; shift 2 ;;
        --jobs) jobs=$2; shift 2 ;;
        --stop-after) stop_after=$2; shift 2 ;;
        --k) export FAULTS_KS=$2; shift 2 ;;
        --first-of-each) export FAULTS_FIRST_OF_EACH=1; shift ;;
        --inner) shift; break ;;
        *) echo "faults: unknown argument $1" >&2; exit 2 ;;
    esac
done

# ---- inside one throwaway prefix (scripts/wine-run.sh --shell) ----
if [ -n "${FAULTS_INNER:-}" ]; then
    bin=$1 kind=$2 report=$3
    limit=${MONSETUP_FAULT_TIMEOUT:-150}
    cd "$bin" || exit 1
    # The first program of the session starts Wine's services, which keep
    # its output open: not a pipe a run's output is read from.
    winepath -w / </dev/null >/dev/null 2>&1
    prepared=$(wine install_demo.exe | tr -d '\r') || { echo "install_demo failed"; exit 1; }
    ini=$(sed -n 1p <<<"$prepared")
    monchk=$(sed -n 2p <<<"$prepared")
    unix_path() { local p=${1#[Cc]:\\}; echo "$WINEPREFIX/drive_c/${p//\\//}"; }
    dir=$(dirname "$(unix_path "$monchk")")
    cp monfault.dll "$dir/"
    # Wine's report of a crash in any process of the run is kept with it.
    host() { wine setup_host.exe --timeout "$limit" --program "$monchk" "$@" 2>&1 | tr -d '\r'; }
    follow=()
    case $kind in
        I) args=("/I:$ini") ;;
        R|Ro) args=("/R:NORVA LP-1") ;;
        R2|R2o) args=("/R2:NORVA LP-1") ;;
        M) args=() ;;
        IR) args=("/I:$ini"); follow=("/R:NORVA LP-1") ;;
        IR2) args=("/I:$ini"); follow=("/R2:NORVA LP-1") ;;
    esac
    # The uninstalls and the maintenance run follow a clean install.
    case $kind in I|IR|IR2) ;; *) host "/I:$ini" >/dev/null ;; esac
    # The uninstall after an install runs from the setup's own copy.
    setup_copy=$(unix_path "$(sed 's/[^\\]*$//' <<<"$ini")MONCHK04.exe")
    cp MONCHK04.exe "$setup_copy"
    follow_up() {
        [ ${#follow[@]} -eq 0 ] || start_session
        [ ${#follow[@]} -eq 0 ] ||
            wine setup_host.exe --timeout "$limit" --program "$(winepath -w "$setup_copy")" \
                "${follow[@]}" 2>&1 | tr -d '\r'
    }
    # Ro, R2o: another model is recorded, so the product's keys stay and
    # the uninstall stores its result pair (the last model's takes it along).
    case $kind in
        Ro|R2o) wine reg add 'HKLM\Software\NORVA\VTR3\Driver\NORVA LP-2' \
                    /v ModelID /d LP2 /f >/dev/null 2>&1 ||
                    { echo "faults: the second model could not be recorded" >&2; exit 1; } ;;
    esac
    cp MONCHK04_F.exe "$(unix_path "$monchk")"

    log=$(mktemp /tmp/monsetup-faults-log.XXXXXX)
    log_w=$(winepath -w "$log")
    # On SIGTERM the server saves the registry and ends at once (the plain
    # -k takes most of a second); the Wine programs it leaves are ended here.
    stop_server() {
        wineserver -k15 >/dev/null 2>&1
        wineserver -w >/dev/null 2>&1
        local environ pid
        for environ in $(grep -lzx "WINEPREFIX=$WINEPREFIX" /proc/[0-9]*/environ 2>/dev/null); do
            pid=${environ%/environ}
            case $(readlink "$pid/exe") in
                */wine|*/wine64|*/wine-preloader|*/wine64-preloader) kill -9 "${pid#/proc/}" 2>/dev/null ;;
            esac
        done
    }
    # The first program of a session starts Wine's own services, which
    # keep its output open: not a pipe a run's output is read from.
    start_session() {
        wineserver -p </dev/null >/dev/null 2>&1
        winepath -w / </dev/null >/dev/null 2>&1
    }
    stop_server
    saved=$(mktemp -d /tmp/monsetup-faults.XXXXXX)
    # A campaign stopped early (--stop-after) ends its jobs with SIGTERM.
    trap 'rm -rf "$saved" "$log"' EXIT
    trap 'exit 143' TERM
    cp -a "$WINEPREFIX/drive_c" "$WINEPREFIX"/*.reg "$saved/"
    stamp=$saved/.stamp
    # The first restore makes the prefix's own copy of drive_c (it starts as
    # hard links to the template); later ones put back only what the last
    # run made, changed or removed. The change time tells, as a copied file
    # keeps its source's modification time but never its change time.
    restored=""
    restore() {
        stop_server
        if [ -z "$restored" ]; then
            rm -rf "$WINEPREFIX/drive_c"
            cp -a "$saved/drive_c" "$WINEPREFIX/"
            restored=1
        else
            (cd "$WINEPREFIX" &&
             find drive_c -cnewer "$stamp" ! -type d -print0 | xargs -0 -r rm -f &&
             find drive_c -mindepth 1 -depth -type d -cnewer "$stamp" -print0 |
                 while IFS= read -r -d '' d; do [ -d "$saved/$d" ] || rm -rf "$d"; done &&
             cp -a -n "$saved/drive_c" .)
        fi
        cp -a "$saved"/*.reg "$WINEPREFIX/"
        touch "$stamp"
        start_session
    }
    # Files, registry keys and values (by name: a value a run rewrites, as
    # the result pair, is not lost).
    snapshot() {
        (cd "$WINEPREFIX" && find drive_c
         awk '/^\[/ { key = $0; sub(/ [0-9]+$/, "", key); print key; next }
              /^"/ { split($0, part, "\"="); print key " " part[1] "\"" }' system.reg user.reg) |
            sort -u
    }
    snapshot_after() { stop_server; snapshot; }
    # The machine's state: every file with its size, every registry key and
    # value with its data (Wine's time stamps left out, a value's
    # continuation lines joined).
    state() {
        (cd "$WINEPREFIX" &&
         find drive_c -type f -printf '%p %s\n'
         awk '/^#time=/ { next }
              /^\[/ { sub(/ [0-9]+$/, ""); key = $0; print; next }
              { line = line $0 }
              /\\$/ { sub(/\\$/, "", line); next }
              line != "" { gsub(/[ \t]+/, " ", line); print key " " line; line = "" }' system.reg user.reg) |
            comparable | sort
    }
    # What two runs may leave differently by design, left out of the state:
    # - the SDK parameter files (monXXXX.TMP in TEMP's "VTR3 Parameters", or
    #   "VTR3 Parameters 2" and on when that folder could not be proved ours):
    #   each install writes a new one, and the SDK installer reads it after
    #   MONCHK04 has ended, so none is ever deleted;
    # - the stand-ins' records of how they were started (.cmdline, .params,
    #   .cwd, .ran, MONCFG's record, the services' logs), which grow with every start: they
    #   count runs, not what a run leaves;
    # - Wine's own bookkeeping: its fonts, services' and spooler's caches,
    #   the registry's volatile keys, the console's settings its first
    #   console program writes, the settings key of its debugger (a crash of
    #   the run is judged above, from its output), the time stamp the
    #   display driver's class key gets at each start.
    comparable() {
        grep -Eiv '/temp/(vtr3 parameters( [0-9]+)?/)?(pfx|mon)[0-9a-f]{1,4}\.tmp |\.(cmdline|params|cwd|ran|record|answer\.used) [0-9]+$|moncfg\.(txt|log) |/(vtrsrv|ximpsrv)[0-9]*\.log |^drive_c/windows/(fonts|inf|logs|installer)/|^\[(system\\\\currentcontrolset\\\\(control\\\\(print\\\\printers\\\\[^]]*\\\\printerdriverdata|session manager|devicecontainers)|enum|services\\\\(eventlog|tcpip)|hardware profiles)|software\\\\wine\\\\(fonts|dllredirect|winedbg)|console)|\] "driverdatedata"='
    }
    # What a run again may leave otherwise than one clean run, by design:
    # - after an uninstall, the result pair: the run again reports what it
    #   finds, which after a removal that got far is no record of the model
    #   (3/80, say);
    # - after an uninstall cut short for want of memory (7/200 stored) while
    #   it waited for the service program to stop: that program's file. The
    #   model's record, the only one that names it, was gone by then;
    # - IR, IR2: less of what an install makes and its uninstall keeps (the
    #   COPYEXEC copy, the SDK's records): an install that failed never made
    #   it. Lines "-" of things the machine did not hold before the install;
    # - IR, IR2, when the failed install ended before it had recorded the
    #   whole model: what only the record names stays as it was before the
    #   install (lines "+" the machine held then: the help files and the
    #   service program the setup put there), and, when "LanguageMon" was
    #   not recorded, the language monitor attached to the driver. An
    #   uninstall removes what the record names; the setup run again records
    #   it, and its uninstall then removes them.
    # Prints the differences left. $2: the faulted run's model record as
    # model_record prints it; $3: the pair the faulted run stored.
    by_design() {
        local apart=$1 record=$2 pair=$3
        case $kind in
            R|R2|Ro|R2o|IR|IR2)
                apart=$(grep -Eiv '^[-+]\[software\\\\norva\\\\vtr3\\\\sdkresult\] "(errorcode[12]|lasterror|errmsg)"=' <<<"$apart") ;;
        esac
        case $kind in
            R|R2|Ro|R2o)
                [ "$pair" != 7/200 ] ||
                    apart=$(grep -Eiv '^\+drive_c/windows/system32/vtrsrv\.exe ' <<<"$apart") ;;
            IR|IR2)
                apart=$(grep -v '^-' <<<"$apart"
                        grep '^-' <<<"$apart" | cut -c2- | grep -Fxf <(echo "$initial_state") | sed 's/^/-/')
                if [ "$record" != "$clean_record" ]; then
                    apart=$(grep -v '^+' <<<"$apart"
                            grep '^+' <<<"$apart" | cut -c2- | grep -Fxvf <(echo "$initial_state") | sed 's/^/+/')
                fi
                [ "${record#* }" = 1 ] ||
                    apart=$(grep -Eiv '^[-+]\[system\\\\currentcontrolset\\\\control\\\\print\\\\(monitors\\\\norva lm\]|environments\\\\[^]]*\\\\drivers\\\\[^]]*\\\\norva lp-1\] "monitor"=)' <<<"$apart") ;;
        esac
        grep . <<<"$apart"
    }
    # The model's record in the saved registry: its number of values, and 1
    # when "LanguageMon" is one of them.
    model_record() {
        awk '/^\[/ { model = index(tolower($0), "[software\\\\norva\\\\vtr3\\\\driver\\\\norva lp-1]") == 1; next }
             model && /^"/ { n++ }
             model && /^"LanguageMon"=/ { monitor = 1 }
             END { print n + 0, monitor + 0 }' "$WINEPREFIX/system.reg"
    }
    # The result pair stored, as "E1/E2" in decimal, empty when none is.
    pair_values() {
        awk '/^\[/ { pair = index(tolower($0), "[software\\\\norva\\\\vtr3\\\\sdkresult]") == 1; next }
             pair && /^"ErrorCode1"=dword:/ { one = substr($0, index($0, ":") + 1) }
             pair && /^"ErrorCode2"=dword:/ { two = substr($0, index($0, ":") + 1) }
             END { if (one != "" && two != "") print one, two }' "$WINEPREFIX/system.reg" |
            while read -r one two; do echo "$((16#$one))/$((16#$two))"; done
    }
    # The differences between two states, as lines "-removed" and "+added".
    differences() {
        diff <(echo "$1") <(echo "$2") | sed -n 's/^< /-/p; s/^> /+/p'
    }
    before=$(snapshot)

    # The clean run: what it prints, stores and deletes, and N.
    restore
    initial_state=$(state)
    rm -f "$log"
    clean=$(MONSETUP_FAULT=count MONSETUP_FAULT_LOG="$log_w" host "${args[@]}")
    # On a loaded machine Wine now and then starts no program at all: once
    # more, then the kind counts as failed.
    if [ ! -s "$log" ]; then
        restore
        clean=$(MONSETUP_FAULT=count MONSETUP_FAULT_LOG="$log_w" host "${args[@]}")
    fi
    if [ ! -s "$log" ]; then
        echo "$kind $MONSETUP_WINVER: the clean run did not run: $clean" >&2
        echo "$kind $MONSETUP_WINVER 0 0 0 0 (the clean run did not run)" >"$report"
        exit 0
    fi
    # The stored result pair's values, read from the saved registry.
    pair_stored() {
        awk '/^\[/ { pair = index(tolower($0), "[software\\\\norva\\\\vtr3\\\\sdkresult]") == 1; next }
             pair && /^"ErrorCode[12]"=/ { n++ }
             END { print n + 0 }' "$WINEPREFIX/system.reg"
    }
    clean_removed=$(comm -23 <(echo "$before") <(snapshot_after))
    clean_pair=$(pair_stored)
    clean_record=$(model_record)
    follow_up >/dev/null
    stop_server
    clean_state=$(state)
    # FAULTS_LEFT=1: what one clean run (IR, IR2: install and uninstall)
    # leaves that the machine did not hold before it.
    if [ -n "${FAULTS_LEFT:-}" ]; then
        echo "$kind $MONSETUP_WINVER: the clean run left, against the machine before it:" >&2
        differences "$initial_state" "$clean_state" | sed 's/^/    /' >&2
    fi
    # Twice in a row: the install and the maintenance run again, unfaulted.
    twice=""
    case $kind in
        I|M)
            start_session
            host "${args[@]}" >/dev/null
            stop_server
            twice=$(differences "$clean_state" "$(state)")
            if [ -n "$twice" ]; then
                echo "$kind $MONSETUP_WINVER twice: the second clean run left the machine otherwise:" >&2
                head -20 <<<"$twice" | sed 's/^/    /' >&2
            fi ;;
    esac
    calls=$(tr -d '\r' <"$log" | sed -n 's/^calls //p')
    calls=${calls:-0}
    echo "$kind $MONSETUP_WINVER clean: $calls calls; $(grep -c '^call ' "$log") functions;" \
         "$(grep completion <<<"$clean"); pair stored: $([ "$clean_pair" -gt 0 ] && echo yes || echo no)" >&2
    grep '^unwrapped' "$log" >&2

    if [ -n "${FAULTS_KS:-}" ]; then
        ks=$FAULTS_KS
    elif [ -n "${FAULTS_FIRST_OF_EACH:-}" ]; then
        ks=$(tr -d '\r' <"$log" | sed -n 's/^call \([^ ]*\) .*/1:\1/p')
    elif [ "$sample" -gt 0 ] && [ "$sample" -lt "$calls" ]; then
        ks=$(awk -v n="$calls" -v s="$sample" 'BEGIN { for (i = 0; i < s; i++) print int(1 + i * (n - 1) / (s - 1 > 0 ? s - 1 : 1)) }' | sort -un)
    else
        # Every k, in an order that spreads them over the run: a campaign
        # stopped early (--stop-after) has looked at all of it evenly.
        ks=$(awk -v n="$calls" 'BEGIN { for (k = 1; k <= n; k++) print (k * 7919) % n, k }' |
                 sort -n | cut -d' ' -f2)
    fi
    faults=0 proper=0 converged=0
    for k in $ks; do
        restore
        rm -f "$log"
        out=$(MONSETUP_FAULT=$k MONSETUP_FAULT_LOG="$log_w" host "${args[@]}")
        [ -f "$log" ] || continue
        fault=$(tr -d '\r' <"$log" | sed -n 's/^fault [0-9]* //p' | head -1)
        [ -n "$fault" ] || continue
        call=${fault%% *}
        faults=$((faults + 1))
        problems=()
        grep -q "timed out" <<<"$out" && problems+=("did not end within $limit s")
        messages=$(sed -n 's/.*(\([0-9]*\) received).*/\1/p' <<<"$out")
        if [ "${messages:-0}" != 1 ] && [ "$call" != PostMessageA ]; then
            problems+=("${messages:-0} completion messages")
        fi
        crash=$(grep -m1 'Unhandled' <<<"$out")
        [ -n "$crash" ] && problems+=("a process of the run crashed: $crash")
        exit_code=$(sed -n 's/^exit code: //p' <<<"$out")
        # An exception code, or 3: the run time's abort (std::terminate).
        if [ "${exit_code:-0}" -ge 3221225472 ] 2>/dev/null || [ "${exit_code:-0}" = 3 ]; then
            problems+=("crashed (exit $exit_code)")
        fi
        # Asked before the server is stopped, which would end any process
        # still holding the mutex.
        wine setup_host.exe --instance-free >/dev/null 2>&1 ||
            problems+=("a following run would get 9/1: the instance mutex is held")
        after=$(snapshot_after)
        record=$(model_record)
        faulted_pair=$(pair_values)
        # A run that took itself for a second copy (9/1: the mutex could not
        # be made) leaves the registry alone, as a second copy does.
        if [ "$clean_pair" -gt 0 ] && [ "$(pair_stored)" -eq 0 ] && ! grep -q 'lParam=9 ' <<<"$out"; then
            case $call in
                Reg*|malloc|calloc|realloc|HeapAlloc|GlobalAlloc) ;;
                *) problems+=("no result pair stored") ;;
            esac
        fi
        lost=$(comm -23 <(echo "$before") <(echo "$after") | comm -23 - <(echo "$clean_removed"))
        [ -n "$lost" ] && problems+=("deleted $(head -1 <<<"$lost") ($(wc -l <<<"$lost") lines)")
        if [ ${#problems[@]} -eq 0 ]; then
            proper=$((proper + 1))
        else
            printf '%s %s k=%s %s: %s\n' "$kind" "$MONSETUP_WINVER" "$k" "$fault" \
                "$(IFS=';'; echo "${problems[*]}")" >&2
            [ -z "${FAULTS_KS:-}" ] || sed 's/^/    /' <<<"$out"$'\n'"$(grep '^stack' "$log")" >&2
        fi
        # Run again (IR, IR2: the uninstall follows) without a fault.
        run_again() {
            if [ ${#follow[@]} -eq 0 ]; then
                start_session
                host "${args[@]}"
            else
                follow_up
            fi
        }
        again=$(run_again)
        # A run again that Wine did not start (it says nothing) is tried once more.
        grep -q completion <<<"$again" || again=$(stop_server; run_again)
        stop_server
        apart=$(by_design "$(differences "$clean_state" "$(state)")" "$record" "$faulted_pair")
        if [ -z "$apart" ]; then
            converged=$((converged + 1))
        else
            printf '%s %s k=%s %s: not as one clean run leaves it (%s lines)\n' "$kind" \
                "$MONSETUP_WINVER" "$k" "$fault" "$(wc -l <<<"$apart")" >&2
            head -8 <<<"$apart" | sed 's/^/    /' >&2
            [ -z "${FAULTS_KS:-}" ] ||
                sed 's/^/    /' <<<"$(sed 's/^/again: /' <<<"$again")"$'\n'"$(grep '^stack' "$log")" >&2
        fi
        # Replaced whole, so that a job stopped meanwhile leaves a line.
        echo "$kind $MONSETUP_WINVER $calls $faults $proper $converged (stopped early)" >"$report.new"
        mv -f "$report.new" "$report"
    done
    [ -z "$twice" ] || converged="$converged twice:differs"
    echo "$kind $MONSETUP_WINVER $calls $faults $proper $converged" >"$report"
    rm -f "$log"
    exit 0
fi

# ---- the driver ----
# In the emulated i386 system (scripts/vm-i386.sh) a sample is two calls
# per run kind, the first and the last.
if [ -n "${MONSETUP_EMULATED:-}" ] && [ "$sample" -gt 2 ]; then
    echo "faults: emulated system: 2 calls per run kind instead of $sample" >&2
    sample=2
fi
. scripts/wine-env.sh
if [ -z "$build" ]; then
    if monsetup_runs_32bit; then preset=win32; else preset=win64; fi
    build=build/$preset
    cmake --preset $preset >/dev/null || { echo "faults: cmake --preset $preset failed" >&2; exit 1; }
    cmake --build --preset $preset --target MONCHK04 MONCHK04_F install_demo setup_host \
        monext01_faults_tests >/dev/null ||
        { echo "faults: the $preset build failed" >&2; exit 1; }
fi
report=$(mktemp /tmp/monsetup-faults-report.XXXXXX)
# The campaign's own copy of the programs: a rebuild meanwhile changes nothing.
bin=$(mktemp -d /tmp/monsetup-faults-bin.XXXXXX)
trap 'rm -rf "$bin" "$report" "$report".*' EXIT
cp -a "$build/bin/." "$bin/"
start=$(date +%s)
# The template prefixes are made once, before the jobs share them.
scripts/wine-run.sh "$build/wine" --shell true || { echo "faults: no Wine prefix" >&2; exit 1; }
# Each run kind and Windows in its own prefix, --jobs of them at a time: a
# run mostly waits (for Wine to start, for its timers), so more prefixes
# than cores still gain.
# MONEXT01's entry points, in process (tests/faults/monext01_faults_test.cpp):
# one row per Windows, the failing calls on stderr.
extension_campaign() {
    local out
    # Every k of every scenario: minutes alone, longer beside other jobs.
    out=$(MONSETUP_WINVER=$1 MONSETUP_FAULT_SAMPLE=$sample MONSETUP_TIMEOUT=3600 \
              scripts/wine-run.sh "$build/wine" "$bin/monext01_faults_tests.exe" 2>&1 | tr -d '\r')
    local calls faults failing
    calls=$(sed -n 's/^[^:]*: \([0-9]*\) calls, [0-9]* faults injected$/\1/p' <<<"$out" |
                awk '{ n += $1 } END { print n + 0 }')
    faults=$(sed -n 's/^[^:]*: [0-9]* calls, \([0-9]*\) faults injected$/\1/p' <<<"$out" |
                 awk '{ n += $1 } END { print n + 0 }')
    failing=$(grep -o '^[^,]*, call [0-9]* ([A-Za-z_]*) failing' <<<"$out" | sort -u)
    [ -z "$failing" ] || sed "s/^/ext $1 /" <<<"$failing" >&2
    if grep -q '^\[  PASSED  \] 1 test' <<<"$out" || [ -n "$failing" ]; then
        echo "ext $1 $calls $faults $((faults - $(grep -c . <<<"$failing")))"
    else
        echo "ext $1 - - - (the test did not run: $(tail -1 <<<"$out"))"
    fi >"$report.$1.ext"
}
campaign() {
    if [ "$1" = ext ]; then
        extension_campaign "$2"
        return
    fi
    FAULTS_INNER=1 MONSETUP_WINVER=$2 MONSETUP_TIMEOUT=86400 FAULTS_SAMPLE=$sample \
        scripts/wine-run.sh "$build/wine" --shell "$PWD/scripts/faults.sh" --inner \
        "$bin" "$1" "$report.$2.$1" || [ -s "$report.$2.$1" ] ||
        echo "$1 $2 - - - (the campaign could not run)" >"$report.$2.$1"
}
if [ "$stop_after" -gt 0 ]; then
    ( sleep "$stop_after"
      echo "faults: stopped after $stop_after s" >&2
      pkill -TERM -f "faults.sh --inner $bin" ) &
    stopper=$!
    disown "$stopper"
fi
running=0
for winver in $winvers; do
    for kind in $kinds; do
        if [ "$running" -ge "$jobs" ]; then
            wait -n
            running=$((running - 1))
        fi
        campaign "$kind" "$winver" &
        running=$((running + 1))
    done
done
# The table, from what each job wrote so far.
table() {
    for winver in $winvers; do
        for kind in $kinds; do
            cat "$report.$winver.$kind" 2>/dev/null || echo "$kind $winver - - - (not started)"
        done
    done >"$report"
    echo
    printf '%-5s %-6s %7s %7s %9s %10s\n' kind winver calls faults "ended ok" converged
    failed=0
    while read -r kind winver calls faults proper converged rest; do
        label=/$kind
        [ "$kind" = ext ] && label=ext converged="-"
        printf '%-5s %-6s %7s %7s %9s %10s %s\n' "$label" "$winver" "$calls" "$faults" "$proper" \
            "$converged" "$rest"
        [ "$faults" = "$proper" ] && [ -z "$rest" ] || failed=1
        [ "$kind" = ext ] || [ "$faults" = "$converged" ] || failed=1
    done <"$report"
    echo "faults: $(( $(date +%s) - start )) s"
}
wait
[ -z "${stopper:-}" ] || kill "$stopper" 2>/dev/null
table
exit $failed
