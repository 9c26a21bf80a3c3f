#include "main_frame.h"

#include "app.h"
#include "debug_log.h"
#include "registry.h"
#include "resource.h"

const char kFrameClassName[] = "InstallExeClass";
const char kFrameTitle[] = "Vantor3 Environment Check";

namespace {

const char kVtrCommonKey[] = "software\\NORVA\\VTR3\\VTRCommon";
const DWORD kFrameStyle = WS_MINIMIZE | WS_OVERLAPPEDWINDOW;  // 0x20CF0000, never shown

HINSTANCE ProgramInstance()
{
    CWinApp* app = CWinApp::Current();
    return (app != nullptr && app->instance != NULL) ? app->instance : GetModuleHandleA(NULL);
}

}  // namespace

CMainFrame::CMainFrame()
{
    HICON icon = LoadIconA(ProgramInstance(), MAKEINTRESOURCEA(IDR_MAINFRAME));
    RegisterClassOnce(CS_BYTEALIGNWINDOW, icon, NULL, reinterpret_cast<HBRUSH>(COLOR_SCROLLBAR + 1),
                      kFrameClassName);
    RECT rect = {0, 0, 100, 100};
    Create(kFrameClassName, kFrameTitle, kFrameStyle, rect);
}

std::string CMainFrame::CommandLineText() const
{
    CWinApp* app = CWinApp::Current();
    return app != nullptr ? app->cmdLine : ArgumentsOf(GetCommandLineA());
}

BOOL CMainFrame::IsAdministrator()
{
    return ::IsAdministrator();
}

BOOL CMainFrame::ExecuteOperation(BOOL alreadyRunning)
{
    OSVERSIONINFOA version;
    ZeroMemory(&version, sizeof version);
    version.dwOSVersionInfoSize = sizeof version;
    GetVersionExA(&version);

    if (version.dwPlatformId == VER_PLATFORM_WIN32_WINDOWS) {
        osKind = 1;
    } else if (version.dwMajorVersion == 4) {
        osKind = 2;
    } else if (version.dwMajorVersion == 5) {
        osKind = 3;
    } else {
        SetResult(7, 0);
        return FALSE;
    }

    isAdmin = osKind == 1 ? TRUE : IsAdministrator();
    cmdLine.Parse(CommandLineText());

    if (alreadyRunning) {
        SetResult(9, 1);
        return FALSE;
    }

    int failedStep = accessControl.Build(&securityAttributes);
    if (failedStep != 0) {
        SetResult(7, 100 + failedStep);
        return FALSE;
    }

    if (cmdLine.uninstallMode == 1)
        return UnInstall();
    if (cmdLine.uninstallMode == 2)
        return UnInstall2();
    if (cmdLine.install) {
        Install();
        return TRUE;
    }
    return MaintenanceRun();
}

// The run at every logon (no switch): the language monitors of all recorded
// models are registered again.
BOOL CMainFrame::MaintenanceRun()
{
    Registry vtrCommon(HKEY_LOCAL_MACHINE, kVtrCommonKey, securityAttributes, FALSE,
                       Registry::kAllAccess);
    if (vtrCommon.isOpen)
        vtrCommon.DeleteValue("RST_FREPLACE");
    if (isAdmin && !InstallLanguageMonitors())
        return FALSE;
    return TRUE;
}

void CMainFrame::StartWaitTimer()
{
    if (AnyWaitPending()) {
        timerId = SetTimer(hwnd, kWaitTimerId, kWaitTimerPeriod, NULL);
        if (timerId != 0)
            return;
        SetResult(7, 20);
        ClearWaits();
    }
    OnClose();
}
