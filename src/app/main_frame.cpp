#include "main_frame.h"

#include "app.h"
#include "debug_log.h"
#include "install_run.h"
#include "product_keys.h"
#include "registry.h"
#include "resource.h"
#include "uninstall_run.h"

const char kFrameClassName[] = "InstallExeClass";
const char kFrameTitle[] = "Vantor3 Environment Check";

namespace {

const DWORD kFrameStyle = WS_MINIMIZE | WS_OVERLAPPEDWINDOW;  // 0x20CF0000, never shown

// 1 = Windows 95/98, 2 = NT 4.0, 3 = 2000 (and XP); 0 for any other; -1
// when the version could not be read (the last error tells why).
int ClassifyWindows()
{
    OSVERSIONINFOA version;
    ZeroMemory(&version, sizeof version);
    version.dwOSVersionInfoSize = sizeof version;
    if (!GetVersionExA(&version))
        return -1;
    if (version.dwPlatformId == VER_PLATFORM_WIN32_WINDOWS)
        return 1;
    if (version.dwMajorVersion == 4)
        return 2;
    if (version.dwMajorVersion == 5)
        return 3;
    return 0;
}

}  // namespace

CMainFrame::CMainFrame()
{
    HICON icon = LoadIconA(CWinApp::ModuleInstance(), MAKEINTRESOURCEA(IDR_MAINFRAME));
    RegisterClassOnce(CS_BYTEALIGNWINDOW, icon, NULL, reinterpret_cast<HBRUSH>(COLOR_SCROLLBAR + 1),
                      kFrameClassName);
    RECT rect = {0, 0, 100, 100};
    Create(kFrameClassName, kFrameTitle, kFrameStyle, rect);
    environment.replyWindow = hwnd;
}

std::string CMainFrame::CommandLineText() const
{
    CWinApp* app = CWinApp::Current();
    // Empty also when start-up had no memory to read it.
    return app != nullptr && !app->cmdLine.empty() ? app->cmdLine
                                                   : ArgumentsOf(GetCommandLineA());
}

BOOL CMainFrame::IsAdministrator()
{
    return ::IsAdministrator();
}

BOOL CMainFrame::Install()
{
    return InstallRun(*this).Install();
}

BOOL CMainFrame::UnInstall()
{
    return UninstallRun(*this).UnInstall();
}

BOOL CMainFrame::UnInstall2()
{
    return UninstallRun(*this).UnInstall2();
}

BOOL CMainFrame::InstallLanguageMonitors()
{
    return InstallRun(*this).InstallLanguageMonitors();
}

BOOL CMainFrame::ExecuteOperation(BOOL alreadyRunning)
{
    environment.osKind = ClassifyWindows();
    // Not knowing the Windows is no sign of an unsupported one: the caller
    // still hears of it.
    if (environment.osKind < 0) {
        const DWORD error = GetLastError();
        cmdLine.Parse(CommandLineText());
        result.Record(pair::kWindowsVersionNotRead, error);
        return FALSE;
    }
    if (environment.osKind == 0) {
        result.Record(pair::kUnsupportedWindows);
        return FALSE;
    }

    environment.isAdmin = environment.osKind == 1 ? TRUE : IsAdministrator();
    cmdLine.Parse(CommandLineText());

    if (alreadyRunning) {
        result.Record(pair::kAlreadyRunning);
        return FALSE;
    }
    // Without its window the run could neither hear the installers' replies
    // nor end through its message loop: it changes nothing and reports.
    if (hwnd == NULL) {
        DebugLog("    Main frame not created\n");
        result.Record(pair::kFrameWindowNotCreated);
        return FALSE;
    }

    int failedStep = accessControl.Build(&environment.securityAttributes,
                                         &environment.sharedSecurityAttributes);
    if (failedStep != 0) {
        result.Record(pair::AccessControlFailed(failedStep));
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

void CMainFrame::Interrupted() noexcept
{
    DebugLog("    Run interrupted\n");
    result.Record(pair::kRunInterrupted, ERROR_NOT_ENOUGH_MEMORY);
    waits.Clear();
    // Cut short before its command line was read, the run would not know
    // whom to report to: the process command line is read again (its
    // parameter files are gone once read).
    if (cmdLine.callerWindow != 0)
        return;
    try {
        cmdLine.ParseText(CommandLineText());
    } catch (...) {
        DebugLog("    Command line not read\n");
    }
}

// The run at every logon (no switch): the language monitors of all recorded
// models are registered again.
BOOL CMainFrame::MaintenanceRun()
{
    // Run at every user's logon: only what a plain user may do there.
    Registry vtrCommon(HKEY_LOCAL_MACHINE, kVtrCommonKey, NULL, FALSE, Registry::kReadWrite);
    if (vtrCommon.isOpen)
        vtrCommon.DeleteValue("RST_FREPLACE");
    if (environment.isAdmin && !InstallLanguageMonitors())
        return FALSE;
    return TRUE;
}

void CMainFrame::StartWaitTimer()
{
    if (waits.AnyPending()) {
        timerId = hwnd != NULL ? SetTimer(hwnd, kWaitTimerId, kWaitTimerPeriod, NULL) : 0;
        if (timerId != 0)
            return;
        result.Record(pair::kWaitTimerNotStarted);
        waits.Clear();
    }
    OnClose();
}
