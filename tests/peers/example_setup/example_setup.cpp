// The few lines of a product setup program that runs MONCHK04, written from
// docs/monchk04.md alone: start MONCHK04 with /W32:<our window> first, wait
// for its completion message 0x7FF1 (and watch the process, with a bound),
// then report the outcome and the result pair the run left in the registry.
//   example_setup "<path of MONCHK04.exe>" <MONCHK04's options, as typed>
// Exit status: 0 success, 1 failure, 2 no completion message, 3 not started.
#include <windows.h>

#include <stdio.h>
#include <string.h>

static const UINT WM_MONCHK04_DONE = 0x7FF1;
static const DWORD kBoundMs = 5 * 60 * 1000;

// Our own command line after our program's name: MONCHK04's path and options,
// quotes and all.
static const char* AfterProgramName(const char* line)
{
    const char end = *line == '"' ? '"' : ' ';
    line += *line == '"' ? 1 : 0;
    while (*line != '\0' && *line != end)
        ++line;
    if (*line == '"')
        ++line;
    while (*line == ' ')
        ++line;
    return line;
}

static DWORD ReadResult(HKEY key, const char* name)
{
    DWORD value = 0, size = sizeof value;
    RegQueryValueExA(key, name, NULL, NULL, (BYTE*)&value, &size);
    return value;
}

static void ReportRegistry(void)
{
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\NORVA\\VTR3\\SDKResult", 0, KEY_READ,
                      &key) != ERROR_SUCCESS) {
        printf("SDKResult: none\n");
        return;
    }
    printf("SDKResult: %lu/%lu LastError=%lu\n", ReadResult(key, "ErrorCode1"),
           ReadResult(key, "ErrorCode2"), ReadResult(key, "LastError"));
    RegCloseKey(key);
}

int main(void)
{
    const char* monchk = AfterProgramName(GetCommandLineA());
    // Any window of ours will do: the message is posted, and we take it from
    // the queue ourselves.
    HWND window = CreateWindowA("STATIC", "Example setup", WS_POPUP, 0, 0, 0, 0, NULL, NULL,
                                GetModuleHandleA(NULL), NULL);
    if (window == NULL || *monchk == '\0') {
        printf("usage: example_setup \"<path of MONCHK04.exe>\" <options>\n");
        return 3;
    }

    // The program's path, then /W32: before any value that could run on.
    static char commandLine[4096];
    const char* options = AfterProgramName(monchk);
    int pathLength = (int)(options - monchk);
    while (pathLength > 0 && monchk[pathLength - 1] == ' ')
        --pathLength;
    _snprintf(commandLine, sizeof commandLine - 1, "%.*s /W32:%lu %s", pathLength, monchk,
              (unsigned long)(UINT_PTR)window, options);
    printf("starting: %s\n", commandLine);

    STARTUPINFOA startup;
    PROCESS_INFORMATION process;
    ZeroMemory(&startup, sizeof startup);
    startup.cb = sizeof startup;
    if (!CreateProcessA(NULL, commandLine, NULL, NULL, FALSE, 0, NULL, NULL, &startup,
                        &process)) {
        printf("MONCHK04 not started: error %lu\n", GetLastError());
        return 3;
    }
    CloseHandle(process.hThread);

    const DWORD start = GetTickCount();
    BOOL ended = FALSE;
    for (;;) {
        MSG msg;
        while (PeekMessageA(&msg, NULL, 0, 0, PM_REMOVE)) {
            if (msg.message != WM_MONCHK04_DONE) {
                DispatchMessageA(&msg);
                continue;
            }
            CloseHandle(process.hProcess);
            const char* meaning = msg.wParam == 1   ? "success"
                                  : msg.wParam == 2 ? "success, files replaced: restart Windows"
                                                    : "failure";
            printf("completion message: wParam=%lu lParam=%ld (%s)\n",
                   (unsigned long)msg.wParam, (long)msg.lParam, meaning);
            ReportRegistry();
            return msg.wParam == 3 ? 1 : 0;
        }
        const DWORD elapsed = GetTickCount() - start;
        if (ended || elapsed >= kBoundMs)
            break;
        // Wake for a message or for the end of the process, whichever comes.
        if (MsgWaitForMultipleObjects(1, &process.hProcess, FALSE, kBoundMs - elapsed,
                                      QS_ALLINPUT) == WAIT_OBJECT_0)
            ended = TRUE;  // one more look at the queue: the message comes first
    }
    CloseHandle(process.hProcess);
    printf("no completion message (%s)\n", ended ? "MONCHK04 ended" : "still running");
    ReportRegistry();
    return 2;
}
