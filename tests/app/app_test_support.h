// Helpers of the MONCHK04 tests: the product's registry keys (under HKLM, in
// the program's own registry view), a window that plays the caller receiving
// the completion message, and file reading.
#pragma once

#include "product_keys.h"
#include "registry_helpers.h"

#include <windows.h>

#include <string>

extern const char kTraceLog[];  // "c:\TRACE.LOG"

// Removes everything the product keeps under HKLM "Software\NORVA".
void ResetProductKeys();
void CreateKey(const std::string& path);
void SetDwordValue(const std::string& path, const std::string& name, DWORD value);
bool KeyExists(const std::string& path);
bool ValueExists(const std::string& path, const std::string& name);
DWORD DwordValue(const std::string& path, const std::string& name);
std::string StringValue(const std::string& path, const std::string& name);

// "ErrorCode1/ErrorCode2" as the last run left them in "SDKResult".
std::string SdkResult();

// Switches the debug log of MONCHK04 on (HKLM "Software\Norva\VTR3" "log").
void EnableTraceLog();

std::string FileText(const std::string& path);
bool FileExists(const std::string& path);

// A window of the test that receives the completion message (message-only,
// so that a session end in a test does not close the test itself).
class CallerWindow {
public:
    CallerWindow();
    ~CallerWindow();
    CallerWindow(const CallerWindow&) = delete;
    CallerWindow& operator=(const CallerWindow&) = delete;

    // The handle in the form /W32: takes.
    std::string Decimal() const;
    // Takes the completion messages queued for this window; returns their
    // number and keeps the last one's parameters.
    int TakeMessages();

    HWND hwnd;
    WPARAM wParam = 0;
    LPARAM lParam = 0;
};
