// The application object: one per program. The program's main file defines
// one global instance of a class derived from CWinApp; the framework's
// WinMain runs InitInstance, the message loop, then ExitInstance.
#pragma once

#include <windows.h>

#include <string>

class CFrameWnd;

class CWinApp {
public:
    CWinApp();
    virtual ~CWinApp();
    CWinApp(const CWinApp&) = delete;
    CWinApp& operator=(const CWinApp&) = delete;

    // Start-up; TRUE runs the message loop, FALSE ends the program at once.
    virtual BOOL InitInstance() { return TRUE; }
    // Clean-up at the end of the message loop; returns the exit code.
    virtual int ExitInstance();
    // Asked when Windows wants to end the session; TRUE lets it go on.
    virtual BOOL SaveAllModified() { return TRUE; }

    // Runs the message loop until WM_QUIT, then ExitInstance.
    int Run();

    // The application's main window: its destruction ends the message loop,
    // and dialogs without a parent are owned by it.
    CFrameWnd* mainWnd = nullptr;
    HINSTANCE instance = NULL;
    // The command line without the program name.
    std::string cmdLine;

    static CWinApp* Current() { return current; }
    // The program's instance: the application's, or the executable's when
    // there is no application object (tests).
    static HINSTANCE ModuleInstance();

private:
    static CWinApp* current;
    int exitCode = 0;
};

// The text after the program name of a command line, with the blanks after
// the name skipped (the program name may be quoted).
std::string ArgumentsOf(const char* commandLine);

// Runs the program's application object; called by WinMain.
int RunApplication(HINSTANCE instance);
