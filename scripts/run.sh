#!/usr/bin/env bash
# Builds the 32-bit Windows target and runs MONCHK04 under Wine in a throwaway
# prefix, the way a product setup program does: through the setup host, which
# names its window with /W32: and waits for the completion message.
#
# Without arguments: a whole install run (/I:) of a demonstration product
# (a printer driver and printer in Wine's spooler, a do-nothing language
# monitor, a stand-in SDK installer that answers "installed, files replaced").
# With /R: or /R2: first: that install run, then an uninstall run with these
# arguments (stand-ins for MONCFG, the VTR service program and the SDK's
# uninstaller are in place); prints what the uninstall removed and whom it
# started. With other arguments: MONCHK04 runs with them in that same
# prepared prefix. Prints the completion message and what the run left in the
# registry. MONCHK04 runs from the printer-driver directory, as installed.
# Where this kernel cannot run 32-bit code, the x86_64 build runs instead
# under the 64-bit Wine, and the first line of output says so.
#   MONSETUP_WINVER=win98|nt40|win2k|default   the Windows Wine presents (win2k)
set -euo pipefail

cd "$(dirname "$0")/.."
. scripts/wine-env.sh
if monsetup_runs_32bit; then
    preset=win32
    echo "run: this kernel runs 32-bit code, so the i686 build runs under the 32-bit Wine"
else
    preset=win64
    echo "run: this kernel cannot run 32-bit code, so the x86_64 build runs under the 64-bit Wine"
fi
# A line per step, so that a fresh machine's first minutes are not silent.
echo "run: installing what is missing (scripts/bootstrap.sh)"
scripts/bootstrap.sh | sed 's/^/  /'
[ "${PIPESTATUS[0]}" -eq 0 ] || { echo "run: scripts/bootstrap.sh failed" >&2; exit 1; }
echo "run: configuring build/$preset"
cmake --preset $preset >/dev/null || { echo "run: cmake --preset $preset failed" >&2; exit 1; }
# The two deliverables and the demonstration's programs; the tests are left
# to scripts/test.sh.
echo "run: building MONCHK04, MONEXT01 and the demonstration's programs"
cmake --build --preset $preset --target MONCHK04 MONEXT01 install_demo setup_host >/dev/null ||
    { echo "run: the $preset build failed" >&2; exit 1; }
echo "run: preparing the demonstration product in a throwaway Wine prefix and running MONCHK04"

export MONSETUP_WINVER=${MONSETUP_WINVER:-win2k}
exec scripts/wine-run.sh build/$preset/wine --shell bash -c '
    cd "$0/bin"
    prepared=$(wine install_demo.exe | tr -d "\r") || exit 1
    ini=$(sed -n 1p <<<"$prepared")
    monchk=$(sed -n 2p <<<"$prepared")
    host() { wine setup_host.exe --program "$monchk" "$@"; }
    shown_keys=("HKLM\\Software\\NORVA\\VTR3\\SDKResult" "HKLM\\Software\\NORVA\\VTR3\\VTRCommon"
                "HKLM\\Software\\NORVA\\VTR3\\Driver\\NORVA LP-1" "HKLM\\Software\\NORVA\\VTR3\\Demo"
                "HKLM\\System\\CurrentControlSet\\control\\Print\\Monitors\\NORVA LM")
    show() {
        for key in "${shown_keys[@]}"; do
            wine reg query "$key" 2>/dev/null | tr -d "\r" | sed "/^$/d" || true
        done
    }
    # What an uninstall may remove: the product keys, the printer start-up
    # values, the Startup link, the help files, the service program.
    snapshot() {
        for key in "HKLM\\Software\\NORVA" "HKCU\\Software\\NORVA" \
                   "HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Run"; do
            wine reg query "$key" /s 2>/dev/null | tr -d "\r" | sed "/^$/d" || true
        done
        (cd "$WINEPREFIX/drive_c" && find . \( -ipath "*startup*.lnk" -o -ipath "*/NORVA/*" \
            -o -ipath "*/system32/vtrsrv.exe" \) | sort)
    }

    case "${1:-}" in
        [/-][Rr]:*|[/-][Rr]2:*) uninstall=1 ;;
        *) uninstall=0 ;;
    esac
    if [ $# -gt 0 ] && [ $uninstall = 0 ]; then
        echo "MONCHK04 $* (Wine presenting $MONSETUP_WINVER)"
        status=0
        host "$@" || status=$?
        show
        exit $status
    fi

    echo "MONCHK04 /I:$ini (Wine presenting $MONSETUP_WINVER)"
    status=0
    host "/I:$ini" || status=$?
    show
    [ $uninstall = 1 ] || exit $status
    [ $status = 0 ] || exit $status

    before=$(snapshot)
    echo
    echo "MONCHK04 $* (Wine presenting $MONSETUP_WINVER)"
    host "$@" || status=$?
    result=$(wine reg query "HKLM\\Software\\NORVA\\VTR3\\SDKResult" 2>/dev/null | tr -d "\r" |
             grep -i "ErrorCode\|LastError\|SDKResult" || true)
    echo "${result:-(no SDKResult: the product key is gone with its result)}"
    echo "removed:"
    diff <(echo "$before") <(snapshot) | sed -n "s/^< /  /p"
    echo "started:"
    find "$WINEPREFIX/drive_c" \( -iname "moncfg.log" -o -iname "vtrsrv.log" \) \
        -exec sed "s/^/  /" {} \; | tr -d "\r"
    [ -f "$WINEPREFIX/drive_c/ZQAPI/zqapiset.cmdline" ] &&
        { sed "s/^/  /" "$WINEPREFIX/drive_c/ZQAPI/zqapiset.cmdline"; echo; }
    exit $status
' "build/$preset" "$@"
