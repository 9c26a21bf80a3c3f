// The DLL entry routine of MONEXT01.
#include "ext_log.h"
#include "server.h"

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID)
{
    if (reason == DLL_PROCESS_ATTACH) {
        ExtDebugLog("In DLLMain, DLL_PROCESS_ATTACH\r\n");
        g_hInstance = instance;
    } else if (reason == DLL_PROCESS_DETACH) {
        ExtDebugLog("In DLLMain, DLL_PROCESS_DETACH\r\n");
    }
    return TRUE;
}
