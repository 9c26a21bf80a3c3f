// The DLL entry routine of MONEXT01.
#include "ext_log.h"
#include "server.h"

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved)
{
    if (reason == DLL_PROCESS_ATTACH) {
        ExtDebugLog("In DLLMain, DLL_PROCESS_ATTACH\r\n");
        g_hInstance = instance;
    } else if (reason == DLL_PROCESS_DETACH && reserved == NULL) {
        // Only when unloaded by FreeLibrary: at process exit (`reserved` set)
        // registry and file calls under the loader lock can hang the exit.
        ExtDebugLog("In DLLMain, DLL_PROCESS_DETACH\r\n");
    }
    return TRUE;
}
