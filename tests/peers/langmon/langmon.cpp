// A language monitor that does nothing: enough for the spooler to load it
// when AddMonitorA installs it. The tests copy it into the system directory
// as the product's monitor DLL.
#include <windows.h>
#include <winsplp.h>

namespace {

VOID WINAPI Shutdown(HANDLE)
{
}

MONITOR2 functions = {};

}  // namespace

extern "C" LPMONITOR2 WINAPI InitializePrintMonitor2(PMONITORINIT, PHANDLE monitor)
{
    functions.cbSize = sizeof functions;
    functions.pfnShutdown = Shutdown;
    *monitor = reinterpret_cast<HANDLE>(&functions);
    return &functions;
}

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID)
{
    if (reason == DLL_PROCESS_ATTACH)
        DisableThreadLibraryCalls(instance);
    return TRUE;
}
