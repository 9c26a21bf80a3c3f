// The application object of MONCHK04 and the wait dialog it shows while
// Windows ends the session before the run has finished.
#pragma once

#include "app.h"
#include "dialog.h"
#include "mutex.h"

#include <memory>

extern const char kInstanceMutexName[];  // "NORVA Vantor3 Environment Check"

class CWaitDlg : public CDialog {
public:
    CWaitDlg();

    BOOL OnInitDialog() override;
    void OnTimer(UINT_PTR id) override;

    UINT_PTR timerId = 0;
    int count = 0;
};

class CMonchkxxApp : public CWinApp {
public:
    BOOL InitInstance() override;
    int ExitInstance() override;
    BOOL SaveAllModified() override;

    std::unique_ptr<CMutex> mutex;
    BOOL waitShown = FALSE;

protected:
    // The main frame of the run; a test build of the program makes its own.
    virtual class CMainFrame* CreateMainFrame();

private:
    class CMainFrame* CreateMainFrameTwice();
    static void ReadLogSwitch();
    BOOL AcquireInstance();
};
