#include "test_windows.h"

#include <cstdlib>

std::string PresentedWindows()
{
    const char* presented = std::getenv("MONSETUP_WINVER");
    return presented ? presented : "default";
}

OSVERSIONINFOA WindowsVersion()
{
    OSVERSIONINFOA info;
    ZeroMemory(&info, sizeof info);
    info.dwOSVersionInfoSize = sizeof info;
    GetVersionExA(&info);
    return info;
}
