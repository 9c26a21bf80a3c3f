// The end of every run: the waits for the programs the run started, the
// replies of the SDK installers, and the report of the result codes.
#include "main_frame.h"

#include "debug_log.h"
#include "registry.h"

#include <memory>

namespace {

const char kVtr3Key[] = "Software\\NORVA\\VTR3";
const char kVtrCommonKey[] = "software\\NORVA\\VTR3\\VTRCommon";
const char kSdkResultKey[] = "Software\\NORVA\\VTR3\\SDKResult";
const LANGID kErrorTextLanguage = 0x0411;  // Japanese, default sublanguage

}  // namespace

BOOL DeleteServiceFile(const std::string& path)
{
    DWORD attributes = GetFileAttributesA(path.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY)) {
        if (!SetFileAttributesA(path.c_str(), attributes & ~FILE_ATTRIBUTE_READONLY))
            return FALSE;
    }
    return DeleteFileA(path.c_str());
}

LRESULT CMainFrame::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_INSTALLER_REPLY && awaitInstallerReply) {
        OnInstallerReply(lParam);
        return 1;
    }
    if (message == WM_SDK_REPLY && awaitSdkReply) {
        OnSdkReply(wParam, lParam);
        return 1;
    }
    return CFrameWnd::WindowProc(message, wParam, lParam);
}

void CMainFrame::OnInstallerReply(LPARAM lParam)
{
    const DWORD flags = static_cast<DWORD>(lParam);
    awaitInstallerReply = FALSE;
    if (flags & kInstallerFailure) {
        // The SDK setup still answers for itself.
        SetResult(1, static_cast<LONG>(flags));
    } else if (flags & kInstallerOsNotSupported) {
        osNotSupported = TRUE;
        SetResult(1, static_cast<LONG>(flags));
        awaitSdkReply = FALSE;
    } else if (flags & kInstallerSuccess) {
        // Nothing more: the SDK setup's reply decides.
    } else {
        SetResult(1, static_cast<LONG>(flags));
        awaitSdkReply = FALSE;
    }
}

void CMainFrame::OnSdkReply(WPARAM wParam, LPARAM lParam)
{
    const DWORD flags = static_cast<DWORD>(lParam);
    sdkReplyWParam = wParam;
    awaitSdkReply = FALSE;
    sdkReplied = TRUE;
    sdkReplyFlags = flags;
    if (!(flags & kSdkSuccess))
        SetResult(2, static_cast<LONG>(flags));
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
    if (!AnyWaitPending())
        OnClose();
}

void CMainFrame::TickSdkWait()
{
    if (!awaitSdkReply && !awaitInstallerReply)
        return;
    ++sdkWaitTicks;
    DebugLog("    ZQAPI SDK Wait timer %d\n", sdkWaitTicks);
    if (sdkWaitTicks < kSdkWaitTicks)
        return;
    SetResult(4, awaitInstallerReply ? 10 : 2);
    awaitSdkReply = FALSE;
    awaitInstallerReply = FALSE;
}

void CMainFrame::TickVtrWait()
{
    if (!awaitVtrStop)
        return;
    ++vtrWaitTicks;
    DebugLog("    VTR Service Wait timer %d\n", vtrWaitTicks);
    if (vtrWaitTicks < kServiceWaitTicks)
        return;

    DebugLog("    Delete VTR service\n");
    awaitVtrStop = FALSE;
    if (DeleteServiceFile(vtrServiceFile))
        return;

    DebugLog("    Delete VTR service error\n");
    ++vtrDeleteRetries;
    if (vtrDeleteRetries < kServiceAttempts) {
        vtrWaitTicks = 0;
        awaitVtrStop = TRUE;
    } else {
        SetResult(4, 8);
    }
}

void CMainFrame::TickXimpWait()
{
    if (!awaitXimpStop)
        return;
    ++ximpWaitTicks;
    DebugLog("    XIMP Service Wait timer %d\n", ximpWaitTicks);
    if (ximpWaitTicks < kServiceWaitTicks)
        return;

    // The service program's window class is its name.
    BOOL running = FindWindowA(ximpServiceName.c_str(), NULL) != NULL;
    if (!running && (osKind == 2 || osKind == 3)) {
        DebugLog("    Delete XIMP service\n");
        if (!DeleteServiceFile(ximpServiceFile)) {
            DebugLog("    Delete XIMP service error\n");
            running = TRUE;
        }
    }

    if (running) {
        ++ximpRetries;
        if (ximpRetries < kServiceAttempts) {
            ximpWaitTicks = 0;
        } else {
            SetResult(4, 13);
            awaitXimpStop = FALSE;
        }
        return;
    }

    awaitXimpStop = FALSE;
    if (deleteXimpCommonLater) {
        Registry vtr3(HKEY_LOCAL_MACHINE, kVtr3Key, NULL, FALSE, Registry::kAllAccess);
        vtr3.DeleteKey("XIMPCommon");
    }
}

void CMainFrame::OnClose()
{
    DebugLog("CMainFrame::OnClose()\n");
    if (timerId != 0) {
        KillTimer(hwnd, timerId);
        timerId = 0;
    }
    const BOOL replaced =
        sdkReplied && (sdkReplyFlags & kSdkSuccess) && (sdkReplyFlags & kSdkReplaced);

    // A second copy leaves the registry to the copy that does the work.
    if (ErrorCode1 != 9) {
        std::unique_ptr<Registry> vtrCommon;
        if (cmdLine.install) {
            vtrCommon.reset(new Registry(HKEY_LOCAL_MACHINE, kVtrCommonKey, securityAttributes,
                                         TRUE, Registry::kAllAccess));
        } else if (Registry(HKEY_LOCAL_MACHINE, kVtrCommonKey, NULL, FALSE, Registry::kRead)
                       .isOpen) {
            vtrCommon.reset(new Registry(HKEY_LOCAL_MACHINE, kVtrCommonKey, NULL, FALSE,
                                         Registry::kAllAccess));
        }
        if (vtrCommon && vtrCommon->isOpen) {
            if (cmdLine.install)
                WriteInstallFlags(*vtrCommon, replaced);
            vtrCommon.reset();
            WriteResultKey();
        }
    }

    DebugLog("Result ErrorCode1=%ld, ErrorCode2=%ld, LastError=%ld\n", ErrorCode1, ErrorCode2,
             static_cast<long>(LastError));
    PostCompletion(replaced);
    DestroyWindow();
}

// The flags an install run leaves for the setup program under VTRCommon.
void CMainFrame::WriteInstallFlags(Registry& vtrCommon, BOOL replaced)
{
    vtrCommon.DeleteValue("ERR_ZQAPIINUSE");
    vtrCommon.DeleteValue("ERR_OSVERNOTSUPPORT");
    vtrCommon.DeleteValue("ERR_OTHERS");

    BOOL others = ErrorCode1 == 1 || ErrorCode1 == 2;
    if (sdkReplied) {
        vtrCommon.SetDword("RST_FREPLACE", replaced ? 1 : 0);
        if (!(sdkReplyFlags & kSdkSuccess) && (sdkReplyFlags & (kSdkInUse1 | kSdkInUse2))) {
            vtrCommon.SetDword("ERR_ZQAPIINUSE", 1);
            others = FALSE;
        }
    }
    if (osNotSupported) {
        vtrCommon.SetDword("ERR_OSVERNOTSUPPORT", 1);
        others = FALSE;
    }
    if (others)
        vtrCommon.SetDword("ERR_OTHERS", 1);
}

void CMainFrame::WriteResultKey()
{
    Registry result(HKEY_LOCAL_MACHINE, kSdkResultKey, securityAttributes, TRUE,
                    Registry::kAllAccess);
    if (!result.isOpen)
        return;
    result.SetDword("ErrorCode1", static_cast<DWORD>(ErrorCode1));
    result.SetDword("ErrorCode2", static_cast<DWORD>(ErrorCode2));
    result.SetDword("LastError", LastError);
    result.SetString("ErrMsg", LastError != 0 ? FormatErrorText(LastError) : std::string());
}

// Posts the completion message. Only the message is reduced: uninstall runs
// always report success, and so do codes of 16 and more and an SDK that does
// not support this Windows.
void CMainFrame::PostCompletion(BOOL replaced)
{
    if (cmdLine.callerWindow == 0)
        return;
    WPARAM result;
    if (cmdLine.uninstallMode != 0) {
        ErrorCode1 = 0;
        result = kResultSuccess;
    } else {
        if (osNotSupported)
            ErrorCode1 = 0;
        if (static_cast<ULONG>(ErrorCode1) >= 16)
            ErrorCode1 = 0;
        result = ErrorCode1 != 0 ? kResultFailure : (replaced ? kResultReplaced : kResultSuccess);
    }
    HWND caller = reinterpret_cast<HWND>(static_cast<UINT_PTR>(cmdLine.callerWindow));
    PostMessageA(caller, WM_ENV_RESULT, result, ErrorCode1);
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
