#include "app.h"

#include "frame_wnd.h"

CWinApp* CWinApp::current = nullptr;

namespace {

const int kFetchRetries = 3;

}  // namespace

CWinApp::CWinApp()
{
    current = this;
}

CWinApp::~CWinApp()
{
    if (current == this)
        current = nullptr;
}

HINSTANCE CWinApp::ModuleInstance()
{
    if (current != nullptr && current->instance != NULL)
        return current->instance;
    return GetModuleHandleA(NULL);
}

int CWinApp::ExitInstance()
{
    return exitCode;
}

int CWinApp::Run()
{
    MSG msg;
    ZeroMemory(&msg, sizeof msg);
    int failedFetches = 0;
    for (;;) {
        BOOL got = GetMessageA(&msg, NULL, 0, 0);
        if (got == 0)
            break;
        if (got == -1) {
            // A failed fetch is not the end of the program: leaving here
            // would skip the main window's report. After a few in a row the
            // window is closed, which reports and ends the loop.
            if (++failedFetches < kFetchRetries)
                continue;
            failedFetches = 0;
            if (mainWnd == nullptr || mainWnd->hwnd == NULL)
                break;
            ::SendMessageA(mainWnd->hwnd, WM_CLOSE, 0, 0);
            continue;
        }
        failedFetches = 0;
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    exitCode = static_cast<int>(msg.wParam);
    return ExitInstance();
}

std::string ArgumentsOf(const char* commandLine)
{
    const char* p = commandLine ? commandLine : "";
    if (*p == '"') {
        ++p;
        while (*p != '\0' && *p != '"')
            ++p;
        if (*p == '"')
            ++p;
    } else {
        while (*p != '\0' && *p != ' ' && *p != '\t')
            ++p;
    }
    while (*p == ' ' || *p == '\t')
        ++p;
    return p;
}

namespace {

int StartAndRun(CWinApp* app, HINSTANCE instance)
{
    app->instance = instance;
    // Without memory for it, the command line is read where it is needed.
    try {
        app->cmdLine = ArgumentsOf(GetCommandLineA());
    } catch (...) {
        app->cmdLine.clear();
    }
    if (!app->InitInstance()) {
        // A main window left behind is destroyed before the program ends.
        if (app->mainWnd != nullptr)
            app->mainWnd->DestroyWindow();
        return app->ExitInstance();
    }
    return app->Run();
}

}  // namespace

int RunApplication(HINSTANCE instance)
{
    CWinApp* app = CWinApp::Current();
    if (app == nullptr)
        return 1;
    // What escapes the application (no memory even for its window object)
    // ends the program quietly: the run time's abort would show a message
    // box and keep the program, and its single-instance mutex, alive.
    try {
        return StartAndRun(app, instance);
    } catch (...) {
        return 1;
    }
}
