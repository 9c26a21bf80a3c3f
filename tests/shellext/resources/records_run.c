/* A resource library with code: its entry point leaves a mark in the
   process's environment when it runs, which the extension must never let
   happen. */
#include <windows.h>

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved)
{
    (void)instance;
    (void)reserved;
    if (reason == DLL_PROCESS_ATTACH)
        SetEnvironmentVariableA("MONSETUP_RESOURCE_CODE_RAN", "1");
    return TRUE;
}
