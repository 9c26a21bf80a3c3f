#!/usr/bin/env bash
# Builds the 32-bit Windows target and runs MONCHK04 under Wine in a throwaway
# prefix, the way a product setup program does: through the setup host, which
# names its window with /W32: and waits for the completion message. Prints
# the message and the result codes left under "SDKResult".
#   scripts/run.sh [MONCHK04 ARGUMENTS...]     (none: the maintenance run)
#   MONSETUP_WINVER=win98|nt40|win2k|default   the Windows Wine presents (win2k)
set -euo pipefail

cd "$(dirname "$0")/.."
scripts/bootstrap.sh
cmake --preset win32 >/dev/null
cmake --build --preset win32 >/dev/null

export MONSETUP_WINVER=${MONSETUP_WINVER:-win2k}
echo "MONCHK04 $* (Wine presenting $MONSETUP_WINVER)"
exec scripts/wine-run.sh build/win32/wine --shell bash -c '
    # The product is installed: results are kept under its key.
    wine reg add "HKLM\\Software\\NORVA\\VTR3\\VTRCommon" /f >/dev/null 2>&1
    status=0
    wine build/win32/bin/setup_host.exe "$@" || status=$?
    wine reg query "HKLM\\Software\\NORVA\\VTR3\\SDKResult" 2>/dev/null | tr -d "\r" | sed "/^$/d"
    exit $status
' run "$@"
