// The end of every run: the waits for the programs the run started, the
// replies of the SDK installers, and the report of the result codes.
#include "main_frame.h"

#include "debug_log.h"
#include "delete_file.h"
#include "product_keys.h"
#include "registry.h"

#include <memory>

namespace {

// The report keys are written by every user's runs; their parents are not.
LPSECURITY_ATTRIBUTES SharedSecurity(const RunEnvironment& environment, const char* path)
{
    return PrepareKey(HKEY_LOCAL_MACHINE, path, environment.securityAttributes,
                      environment.sharedSecurityAttributes);
}

const LANGID kErrorTextLanguage = 0x0411;  // Japanese, default sublanguage

}  // namespace

LRESULT CMainFrame::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_INSTALLER_REPLY && waits.sdk.awaitInstallerReply) {
        OnInstallerReply(lParam);
        return 1;
    }
    if (message == WM_SDK_REPLY && waits.sdk.awaitSdkReply) {
        OnSdkReply(wParam, lParam);
        return 1;
    }
    return CFrameWnd::WindowProc(message, wParam, lParam);
}

void CMainFrame::OnInstallerReply(LPARAM lParam)
{
    const DWORD flags = static_cast<DWORD>(lParam);
    SdkWait& sdk = waits.sdk;
    sdk.awaitInstallerReply = FALSE;
    if (flags & kInstallerFailure) {
        // The SDK setup still answers for itself.
        result.Record(pair::InstallerFailed(flags));
    } else if (flags & kInstallerOsNotSupported) {
        sdk.osNotSupported = TRUE;
        result.Record(pair::InstallerFailed(flags));
        sdk.awaitSdkReply = FALSE;
    } else if (flags & kInstallerSuccess) {
        // Nothing more: the SDK setup's reply decides.
    } else {
        result.Record(pair::InstallerFailed(flags));
        sdk.awaitSdkReply = FALSE;
    }
}

void CMainFrame::OnSdkReply(WPARAM wParam, LPARAM lParam)
{
    const DWORD flags = static_cast<DWORD>(lParam);
    SdkWait& sdk = waits.sdk;
    sdk.sdkReplyWParam = wParam;
    sdk.awaitSdkReply = FALSE;
    sdk.sdkReplied = TRUE;
    sdk.sdkReplyFlags = flags;
    if (!(flags & kSdkSuccess))
        result.Record(pair::SdkSetupFailed(flags));
}

void CMainFrame::OnTimer(UINT_PTR id)
{
    if (id != timerId) {
        CFrameWnd::OnTimer(id);
        return;
    }
    DebugLog("CMainFrame::OnTimer()\n");
    TickSdkWait();
    TickVtrWait();
    TickXimpWait();
    if (!waits.AnyPending())
        OnClose();
}

void CMainFrame::TickSdkWait()
{
    SdkWait& sdk = waits.sdk;
    if (!sdk.Pending())
        return;
    ++sdk.sdkWaitTicks;
    DebugLog("    ZQAPI SDK Wait timer %d\n", sdk.sdkWaitTicks);
    if (sdk.sdkWaitTicks < kSdkWaitTicks)
        return;
    result.Record(sdk.awaitInstallerReply ? pair::kInstallerNoAnswer : pair::kSdkSetupNoAnswer);
    sdk.awaitSdkReply = FALSE;
    sdk.awaitInstallerReply = FALSE;
}

// The VTR service has stopped once its program file could be deleted.
void CMainFrame::TickVtrWait()
{
    waits.vtr.Tick(result, [this] {
        DebugLog("    Delete VTR service\n");
        if (DeleteFileEvenIfReadOnly(waits.vtr.file))
            return true;
        DebugLog("    Delete VTR service error\n");
        return false;
    });
}

// The XIMP service has stopped once its window (whose class is the program's
// name) is gone and, on NT, its program file could be deleted.
void CMainFrame::TickXimpWait()
{
    const ServiceWait::Outcome outcome = waits.ximp.Tick(result, [this] {
        if (FindWindowA(waits.ximpServiceName.c_str(), NULL) != NULL)
            return false;
        if (environment.osKind != 2 && environment.osKind != 3)
            return true;
        DebugLog("    Delete XIMP service\n");
        if (DeleteFileEvenIfReadOnly(waits.ximp.file))
            return true;
        DebugLog("    Delete XIMP service error\n");
        return false;
    });
    if (outcome == ServiceWait::kStopped && waits.deleteXimpCommonLater) {
        Registry vtr3(HKEY_LOCAL_MACHINE, kProductKey, NULL, FALSE, Registry::kAllAccess);
        vtr3.DeleteKey("XIMPCommon");
    }
}

// VTRCommon for the report: an install run creates it; any other run writes
// only where it exists. NULL when it is not open.
std::unique_ptr<Registry> CMainFrame::OpenVtrCommonForReport()
{
    std::unique_ptr<Registry> key;
    if (cmdLine.install) {
        key.reset(new Registry(HKEY_LOCAL_MACHINE, kVtrCommonKey, SharedSecurity(environment, kVtrCommonKey),
                               TRUE, Registry::kReadWrite));
    } else if (Registry(HKEY_LOCAL_MACHINE, kVtrCommonKey, NULL, FALSE, Registry::kRead).isOpen) {
        key.reset(new Registry(HKEY_LOCAL_MACHINE, kVtrCommonKey, NULL, FALSE,
                               Registry::kReadWrite));
    }
    if (key && !key->isOpen)
        key.reset();
    return key;
}

void CMainFrame::OnClose()
{
    DebugLog("CMainFrame::OnClose()\n");
    if (timerId != 0) {
        KillTimer(hwnd, timerId);
        timerId = 0;
    }
    // What is written and what is posted both come from this one copy.
    const RunResult reported = result;

    // The timer is gone: whatever the writing throws, the caller still gets
    // its message and the program still ends (and frees its mutex).
    try {
        WriteReport(reported);
        DebugLog("Result ErrorCode1=%ld, ErrorCode2=%ld, LastError=%ld\n", reported.ErrorCode1(),
                 reported.ErrorCode2(), static_cast<long>(reported.LastError()));
    } catch (...) {
    }
    PostCompletion(reported);
    DestroyWindow();
}

void CMainFrame::WriteReport(const RunResult& reported)
{
    // A second copy leaves the registry to the copy that does the work.
    if (reported.ErrorCode1() == pair::kAlreadyRunning.code1)
        return;
    std::unique_ptr<Registry> vtrCommon = OpenVtrCommonForReport();
    if (!vtrCommon)
        return;
    if (cmdLine.install)
        WriteInstallFlags(*vtrCommon, reported);
    vtrCommon.reset();
    WriteResultKey(reported);
}

// The flags an install run leaves for the setup program under VTRCommon.
void CMainFrame::WriteInstallFlags(Registry& vtrCommon, const RunResult& reported)
{
    vtrCommon.DeleteValue("ERR_ZQAPIINUSE");
    vtrCommon.DeleteValue("ERR_OSVERNOTSUPPORT");
    vtrCommon.DeleteValue("ERR_OTHERS");

    const SdkWait& sdk = waits.sdk;
    BOOL others = reported.ErrorCode1() == pair::kInstallerAnswer ||
                  reported.ErrorCode1() == pair::kSdkSetupAnswer;
    if (sdk.sdkReplied) {
        vtrCommon.SetDword("RST_FREPLACE", sdk.Replaced() ? 1 : 0);
        if (!(sdk.sdkReplyFlags & kSdkSuccess) &&
            (sdk.sdkReplyFlags & (kSdkInUse1 | kSdkInUse2))) {
            vtrCommon.SetDword("ERR_ZQAPIINUSE", 1);
            others = FALSE;
        }
    }
    if (sdk.osNotSupported) {
        vtrCommon.SetDword("ERR_OSVERNOTSUPPORT", 1);
        others = FALSE;
    }
    if (others)
        vtrCommon.SetDword("ERR_OTHERS", 1);
}

void CMainFrame::WriteResultKey(const RunResult& reported)
{
    Registry key(HKEY_LOCAL_MACHINE, kSdkResultKey, SharedSecurity(environment, kSdkResultKey), TRUE,
                 Registry::kReadWrite);
    if (!key.isOpen)
        return;
    key.SetDword("ErrorCode1", static_cast<DWORD>(reported.ErrorCode1()));
    key.SetDword("ErrorCode2", static_cast<DWORD>(reported.ErrorCode2()));
    key.SetDword("LastError", reported.LastError());
    key.SetString("ErrMsg", reported.LastError() != 0 ? FormatErrorText(reported.LastError())
                                                        : std::string());
}

// Posts the completion message. Only the message is reduced: uninstall runs
// always report success, and so do codes of 16 and more and an SDK that does
// not support this Windows.
void CMainFrame::PostCompletion(const RunResult& reported)
{
    if (cmdLine.callerWindow == 0)
        return;
    LONG code = reported.ErrorCode1();
    WPARAM outcome;
    if (cmdLine.uninstallMode != 0) {
        code = 0;
        outcome = kResultSuccess;
    } else {
        if (waits.sdk.osNotSupported || static_cast<ULONG>(code) >= 16)
            code = 0;
        outcome = code != 0 ? kResultFailure
                            : (waits.sdk.Replaced() ? kResultReplaced : kResultSuccess);
    }
    HWND caller = reinterpret_cast<HWND>(static_cast<UINT_PTR>(cmdLine.callerWindow));
    PostMessageA(caller, WM_ENV_RESULT, outcome, code);
}

std::string CMainFrame::FormatErrorText(DWORD code)
{
    // Inserts are left as they stand: there are no arguments to fill them.
    char buffer[256];
    DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                                  NULL, code, kErrorTextLanguage, buffer, sizeof buffer, NULL);
    if (length == 0 || length >= sizeof buffer)
        return std::string();
    return std::string(buffer, length);
}
