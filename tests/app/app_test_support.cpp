#include "app_test_support.h"

#include "registry_helpers.h"

#include <fstream>
#include <sstream>

const char kTraceLog[] = "c:\\TRACE.LOG";

void ResetProductKeys()
{
    DeleteTree(HKEY_LOCAL_MACHINE, "Software\\NORVA");
}

void CreateKey(const std::string& path)
{
    CreateKey(HKEY_LOCAL_MACHINE, path);
}

void SetDwordValue(const std::string& path, const std::string& name, DWORD value)
{
    SetDword(HKEY_LOCAL_MACHINE, path, name, value);
}

bool KeyExists(const std::string& path)
{
    return KeyExists(HKEY_LOCAL_MACHINE, path);
}

bool ValueExists(const std::string& path, const std::string& name)
{
    return ValueExists(HKEY_LOCAL_MACHINE, path, name);
}

DWORD DwordValue(const std::string& path, const std::string& name)
{
    return ReadValue(HKEY_LOCAL_MACHINE, path, name).Dword();
}

std::string StringValue(const std::string& path, const std::string& name)
{
    const StoredValue value = ReadValue(HKEY_LOCAL_MACHINE, path, name);
    return value.type == REG_NONE ? std::string("<missing>") : value.Text();
}

std::string SdkResult()
{
    return std::to_string(DwordValue(kSdkResultKey, "ErrorCode1")) + "/" +
           std::to_string(DwordValue(kSdkResultKey, "ErrorCode2"));
}

void EnableTraceLog()
{
    SetDwordValue("Software\\Norva\\VTR3", "log", 1);
}

std::string FileText(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

bool FileExists(const std::string& path)
{
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

CallerWindow::CallerWindow()
{
    WNDCLASSA wc;
    ZeroMemory(&wc, sizeof wc);
    wc.lpfnWndProc = DefWindowProcA;
    wc.hInstance = GetModuleHandleA(NULL);
    wc.lpszClassName = "MonsetupCaller";
    RegisterClassA(&wc);
    // Message-only: the end of a session leaves windows like this alone.
    hwnd = CreateWindowExA(0, "MonsetupCaller", "caller", 0, 0, 0, 0, 0, HWND_MESSAGE, NULL,
                           GetModuleHandleA(NULL), NULL);
}

CallerWindow::~CallerWindow()
{
    DestroyWindow(hwnd);
}

std::string CallerWindow::Decimal() const
{
    return std::to_string(reinterpret_cast<UINT_PTR>(hwnd));
}

int CallerWindow::TakeMessages()
{
    int count = 0;
    MSG msg;
    while (PeekMessageA(&msg, hwnd, 0x7FF1, 0x7FF1, PM_REMOVE)) {
        ++count;
        wParam = msg.wParam;
        lParam = msg.lParam;
    }
    return count;
}
