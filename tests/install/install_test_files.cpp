#include "install_test_files.h"

#include "registry.h"
#include "test_windows.h"

#include <cstring>
#include <fstream>

TempIni::TempIni(const std::string& text, const std::string& name)
{
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    path = std::string(temp) + name;
    std::ofstream(path, std::ios::binary) << text;
}

TempIni::~TempIni()
{
    DeleteFileA(path.c_str());
}

DWORD StoredValue::Dword() const
{
    DWORD value = 0xBAD0BAD0;
    if (data.size() == sizeof value)
        std::memcpy(&value, data.data(), sizeof value);
    return value;
}

std::string StoredValue::Text() const
{
    return std::string(data.c_str());
}

StoredValue ReadValue(HKEY root, const std::string& path, const char* name)
{
    StoredValue value;
    Registry key(root, path, NULL, FALSE, 0);
    if (!key.isOpen)
        return value;
    char buffer[1024];
    DWORD size = sizeof buffer;
    DWORD type = REG_NONE;
    if (RegQueryValueExA(key.hKey, name, NULL, &type, reinterpret_cast<BYTE*>(buffer), &size) !=
        ERROR_SUCCESS)
        return value;
    value.type = type;
    value.data.assign(buffer, size);
    return value;
}

int OsKindOfThisWindows()
{
    const std::string presented = PresentedWindows();
    return presented == "win98" ? 1 : presented == "nt40" ? 2 : 3;
}
