// The ZQAPI SDK's uninstaller: started with the driver's name, awaited through
// its reply message.
#include "uninstall_run.h"

#include "debug_log.h"
#include "program_start.h"
#include "registry.h"
#include "sdk_command.h"

namespace {

const char kUninstaller[] = "\\zqapiset.exe";

}  // namespace

BOOL UninstallRun::UninstallZQAPI()
{
    DebugLog("CMainFrame::UninstallZQAPI()\n");
    std::string installDir;
    {
        Registry sdkInfo(HKEY_LOCAL_MACHINE, kSdkInfoKey, NULL, FALSE, Registry::kRead);
        if (!sdkInfo.isOpen)
            return TRUE;  // no SDK recorded: nothing to remove
        installDir = sdkInfo.QueryString("InstallDir", "");
    }
    if (installDir.empty()) {
        result.Record(pair::kSdkInstallDirEmpty);
        return FALSE;
    }
    // The SDK's installers write the key; a key someone else made first would
    // choose the program the administrator starts.
    if (!TrustedForPrograms(kSdkInfoKey)) {
        DebugLog("    ZQAPIInfo owner refused\n");
        result.Record(pair::kSdkUninstallerKeyNotTrusted);
        DebugLog("CMainFrame::UninstallZQAPI() exit error\n");
        return FALSE;
    }

    const std::string program = installDir + kUninstaller;
    const std::string command = "\"" + program + "\" /Act=Un /AN=\"" +
                                settings.driverName + "\" /Ret=WM:" +
                                ReplyTarget(environment.replyWindow, WM_SDK_REPLY);
    DebugLog("    Execute ZQAPI SDK  %s\n", command.c_str());

    if (!StartProgram(program, command, SW_SHOW, IdleWait::kLikeWinExec,
                      StartIn::kProgramFolder)) {
        result.Record(pair::kSdkInstallerNotStarted);
        DebugLog("CMainFrame::UninstallZQAPI() exit error\n");
        return FALSE;
    }
    DebugLog("CMainFrame::UninstallZQAPI() exit\n");
    waits.sdk.awaitSdkReply = TRUE;
    return TRUE;
}
