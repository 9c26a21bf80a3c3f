#include "monchk_app.h"

#include "debug_log.h"
#include "main_frame.h"
#include "product_keys.h"
#include "registry.h"
#include "resource.h"

const char kInstanceMutexName[] = "NORVA Vantor3 Environment Check";

namespace {

const int kWaitDialogTicks = 60;

}  // namespace

CWaitDlg::CWaitDlg() : CDialog(IDD_WAIT)
{
}

BOOL CWaitDlg::OnInitDialog()
{
    DebugLog("CWaitDlg::OnInitDialog()\n");
    CDialog::OnInitDialog();
    timerId = SetTimer(hwnd, 1, 1000, NULL);
    count = kWaitDialogTicks;
    // The modal loop shows the dialog once the queued work is done.
    ShowWindow(hwnd, SW_HIDE);
    return FALSE;
}

void CWaitDlg::OnTimer(UINT_PTR id)
{
    if (id != timerId)
        return;
    DebugLog("CWaitDlg::OnTimer() count=%d\n", count);
    if (FindWindowA(kFrameClassName, kFrameTitle) != NULL) {
        DebugLog("Found!!\n");
        --count;
    } else {
        DebugLog("Not Found!!\n");
    }
}

void CMonchkxxApp::ReadLogSwitch()
{
    debugLogEnabled = FALSE;
    Registry key(HKEY_LOCAL_MACHINE, kProductKey, NULL, FALSE, Registry::kRead);
    if (key.isOpen)
        debugLogEnabled = key.QueryDword("log", 0) != 0;
}

// TRUE when this copy holds the single-instance mutex; any other outcome
// (another copy holds it, it was abandoned, it could not be made) counts as
// another copy running.
BOOL CMonchkxxApp::AcquireInstance()
{
    mutex.reset(new CMutex(FALSE, kInstanceMutexName));
    return mutex->Lock(0) == WAIT_OBJECT_0;
}

BOOL CMonchkxxApp::InitInstance()
{
    // Out of memory before the frame exists (the log switch, the mutex) the
    // run is cut short, and the frame still reports it.
    BOOL alreadyRunning = FALSE;
    bool cutShort = false;
    try {
        ReadLogSwitch();
        DebugLog("CMonchkxxApp::InitInstance() Start\n");
        alreadyRunning = !AcquireInstance();
    } catch (...) {
        cutShort = true;
    }

    CMainFrame* frame = CreateMainFrameTwice();
    frame->autoDelete = true;
    mainWnd = frame;

    // A step cut short (out of memory in the middle of it) still ends the
    // run the proper way: a result, a report and the end of the program.
    if (cutShort) {
        frame->Interrupted();
    } else {
        try {
            frame->ExecuteOperation(alreadyRunning);
        } catch (...) {
            frame->Interrupted();
        }
    }
    ShowWindow(frame->hwnd, SW_HIDE);
    UpdateWindow(frame->hwnd);
    frame->StartWaitTimer();

    DebugLog("CMonchkxxApp::InitInstance() Exit\n");
    // A frame without its window has reported and cannot end a message loop:
    // the program ends at once.
    if (frame->hwnd == NULL) {
        mainWnd = nullptr;
        delete frame;
        return FALSE;
    }
    return TRUE;
}

// Without a frame nobody hears of the run: an allocation that failed is
// tried once more.
CMainFrame* CMonchkxxApp::CreateMainFrameTwice()
{
    try {
        return CreateMainFrame();
    } catch (...) {
        return CreateMainFrame();
    }
}

CMainFrame* CMonchkxxApp::CreateMainFrame()
{
    return new CMainFrame;
}

int CMonchkxxApp::ExitInstance()
{
    DebugLog("CMonchkxxApp::ExitInstance()\n");
    if (mutex) {
        mutex->Unlock();
        mutex.reset();
    }
    return CWinApp::ExitInstance();
}

BOOL CMonchkxxApp::SaveAllModified()
{
    DebugLog("CMonchkxxApp::SaveAllModified()\n");
    if (!waitShown) {
        if (FindWindowA(kFrameClassName, kFrameTitle) != NULL) {
            DebugLog("Found\n");
            CWaitDlg dialog;
            waitShown = TRUE;
            dialog.DoModal();
        } else {
            DebugLog("Not Found\n");
        }
    }
    return CWinApp::SaveAllModified();
}
