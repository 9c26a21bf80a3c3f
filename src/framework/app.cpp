#include "app.h"

#include "frame_wnd.h"

CWinApp* CWinApp::current = nullptr;

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
    // GetMessageA fails (-1) only for a window handle or message pointer
    // that is not valid, which this loop never gives it.
    while (GetMessageA(&msg, NULL, 0, 0) > 0) {
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
