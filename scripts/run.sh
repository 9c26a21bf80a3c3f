#!/usr/bin/env bash
# Builds the 32-bit Windows target and runs MONCHK04 under Wine in a throwaway
# prefix, the way a product setup program does: through the setup host, which
# names its window with /W32: and waits for the completion message.
#
# Without arguments: a whole install run (/I:) of a demonstration product
# (a printer driver and printer in Wine's spooler, a do-nothing language
# monitor, a stand-in SDK installer that answers "installed, files replaced").
# With arguments: MONCHK04 runs with them in that same prepared prefix.
# Prints the completion message and what the run left in the registry.
# Where this kernel cannot run 32-bit code, the x86_64 build runs instead
# under the 64-bit Wine, and the first line of output says so.
#   MONSETUP_WINVER=win98|nt40|win2k|default   the Windows Wine presents (win2k)
set -euo pipefail

cd "$(dirname "$0")/.."
. scripts/wine-env.sh
if monsetup_runs_32bit; then
    preset=win32
else
    preset=win64
    echo "run: this kernel cannot run 32-bit code, so the x86_64 build runs under the 64-bit Wine"
fi
scripts/bootstrap.sh >/dev/null
cmake --preset $preset >/dev/null
cmake --build --preset $preset >/dev/null

export MONSETUP_WINVER=${MONSETUP_WINVER:-win2k}
exec scripts/wine-run.sh build/$preset/wine --shell bash -c '
    cd "$0/bin"
    ini=$(wine install_demo.exe | tr -d "\r") || exit 1
    [ $# -gt 0 ] || set -- "/I:$ini"
    echo "MONCHK04 $* (Wine presenting $MONSETUP_WINVER)"
    status=0
    wine setup_host.exe "$@" || status=$?
    for key in "Software\\NORVA\\VTR3\\SDKResult" "Software\\NORVA\\VTR3\\VTRCommon" \
               "Software\\NORVA\\VTR3\\Driver\\NORVA LP-1" "Software\\NORVA\\VTR3\\Demo" \
               "System\\CurrentControlSet\\control\\Print\\Monitors\\NORVA LM"; do
        wine reg query "HKLM\\$key" 2>/dev/null | tr -d "\r" | sed "/^$/d" || true
    done
    exit $status
' "build/$preset" "$@"
