#include "setup_host.h"

namespace {

const UINT kCompletionMessage = 0x7FF1;
const char kHostClass[] = "MonsetupSetupHost";

HWND CreateHostWindow()
{
    WNDCLASSA wc;
    ZeroMemory(&wc, sizeof wc);
    wc.lpfnWndProc = DefWindowProcA;
    wc.hInstance = GetModuleHandleA(NULL);
    wc.lpszClassName = kHostClass;
    RegisterClassA(&wc);  // fails harmlessly when already registered
    return CreateWindowExA(0, kHostClass, "Setup host", WS_OVERLAPPEDWINDOW, 0, 0, 10, 10, NULL,
                           NULL, GetModuleHandleA(NULL), NULL);
}

void CollectMessages(HWND window, HostResult& result)
{
    MSG msg;
    while (PeekMessageA(&msg, NULL, 0, 0, PM_REMOVE)) {
        if (msg.hwnd == window && msg.message == kCompletionMessage) {
            ++result.messages;
            result.wParam = msg.wParam;
            result.lParam = msg.lParam;
            continue;
        }
        DispatchMessageA(&msg);
    }
}

}  // namespace

std::string BesideThisProgram(const std::string& fileName)
{
    char path[MAX_PATH];
    DWORD length = GetModuleFileNameA(NULL, path, MAX_PATH);
    std::string self(path, length < MAX_PATH ? length : 0);
    size_t slash = self.find_last_of('\\');
    return (slash == std::string::npos ? std::string() : self.substr(0, slash + 1)) + fileName;
}

HostResult RunAsSetupHost(const std::string& program, const std::string& arguments,
                          DWORD timeoutMs, bool withCallerWindow)
{
    HostResult result;
    HWND window = CreateHostWindow();
    if (window == NULL)
        return result;

    std::string commandLine = "\"" + program + "\" " + arguments;
    if (withCallerWindow)
        commandLine += " /W32:" + std::to_string(reinterpret_cast<UINT_PTR>(window));

    STARTUPINFOA startup;
    ZeroMemory(&startup, sizeof startup);
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process;
    if (!CreateProcessA(NULL, &commandLine[0], NULL, NULL, FALSE, 0, NULL, NULL, &startup,
                        &process)) {
        DestroyWindow(window);
        return result;
    }
    result.started = true;
    CloseHandle(process.hThread);

    const DWORD start = GetTickCount();
    for (;;) {
        DWORD elapsed = GetTickCount() - start;
        if (elapsed >= timeoutMs) {
            result.timedOut = true;
            break;
        }
        DWORD wait = MsgWaitForMultipleObjects(1, &process.hProcess, FALSE, timeoutMs - elapsed,
                                               QS_ALLINPUT);
        CollectMessages(window, result);
        if (wait == WAIT_OBJECT_0)
            break;
    }
    // A message posted just before the program ended is already queued.
    CollectMessages(window, result);
    if (result.timedOut)
        TerminateProcess(process.hProcess, 255);
    else
        GetExitCodeProcess(process.hProcess, &result.exitCode);
    CloseHandle(process.hProcess);
    DestroyWindow(window);
    return result;
}

std::string Posted(const HostResult& run)
{
    return std::to_string(run.messages) + " message(s), last " + std::to_string(run.wParam) +
           "/" + std::to_string(run.lParam) + (run.timedOut ? ", timed out" : "");
}
