#include "uninstall_keys.h"

#include <windows.h>

const char kProductSubkey[] = "VTR3";

std::string ModelKeyPath(const std::string& driverName)
{
    return kModelKeyPrefix + driverName;
}

std::string OwnProgramPath()
{
    char path[MAX_PATH];
    DWORD length = GetModuleFileNameA(NULL, path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return std::string();
    return std::string(path, length);
}

std::string SystemDirectoryPath()
{
    char path[MAX_PATH];
    UINT length = GetSystemDirectoryA(path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return std::string();
    return std::string(path, length);
}
