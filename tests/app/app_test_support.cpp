#include "app_test_support.h"

#include "registry.h"

#include <fstream>
#include <sstream>

const char kVtr3Key[] = "Software\\NORVA\\VTR3";
const char kVtrCommonKey[] = "software\\NORVA\\VTR3\\VTRCommon";
const char kSdkResultKey[] = "Software\\NORVA\\VTR3\\SDKResult";
const char kTraceLog[] = "c:\\TRACE.LOG";

void ResetProductKeys()
{
    Registry software(HKEY_LOCAL_MACHINE, "Software", NULL, FALSE, Registry::kAllAccess);
    software.DeleteKey("NORVA");
}

void CreateKey(const std::string& path)
{
    Registry key(HKEY_LOCAL_MACHINE, path, NULL, TRUE, 0);
}

void SetDwordValue(const std::string& path, const std::string& name, DWORD value)
{
    Registry key(HKEY_LOCAL_MACHINE, path, NULL, TRUE, 0);
    key.SetDword(name, value);
}

bool KeyExists(const std::string& path)
{
    return Registry(HKEY_LOCAL_MACHINE, path, NULL, FALSE, 0).isOpen != FALSE;
}

bool ValueExists(const std::string& path, const std::string& name)
{
    Registry key(HKEY_LOCAL_MACHINE, path, NULL, FALSE, 0);
    return key.isOpen &&
           RegQueryValueExA(key.hKey, name.c_str(), NULL, NULL, NULL, NULL) == ERROR_SUCCESS;
}

DWORD DwordValue(const std::string& path, const std::string& name)
{
    return Registry(HKEY_LOCAL_MACHINE, path, NULL, FALSE, 0).QueryDword(name, 0xBAD0BAD0);
}

std::string StringValue(const std::string& path, const std::string& name)
{
    return Registry(HKEY_LOCAL_MACHINE, path, NULL, FALSE, 0).QueryString(name, "<missing>");
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
