#include "install_test_files.h"

#include "main_frame.h"
#include "registry.h"
#include "test_windows.h"

#include <cstring>
#include <fstream>

TempIni::TempIni(const std::string& text, const std::string& name)
{
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    path = std::string(temp) + name;
    WriteText(path, text);
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
    char buffer[1024];
    DWORD size = sizeof buffer;
    if (key.isOpen && RegQueryValueExA(key.hKey, name, NULL, &value.type,
                                       reinterpret_cast<BYTE*>(buffer), &size) == ERROR_SUCCESS)
        value.data.assign(buffer, size);
    else
        value.type = REG_NONE;
    return value;
}

int OsKindOfThisWindows()
{
    const std::string presented = PresentedWindows();
    return presented == "win98" ? 1 : presented == "nt40" ? 2 : 3;
}

std::string SystemDirectory()
{
    char path[MAX_PATH] = "";
    GetSystemDirectoryA(path, MAX_PATH);
    return path;
}

void WriteText(const std::string& path, const std::string& text)
{
    std::ofstream(path, std::ios::binary) << text;
}

std::string Pair(const CMainFrame& frame)
{
    return std::to_string(frame.result.ErrorCode1()) + "/" + std::to_string(frame.result.ErrorCode2());
}
