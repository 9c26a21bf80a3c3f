// Operations of a test build of MONCHK04 that leave wait conditions set, so
// that real runs can wait for replies and service stops:
//   /I:sdk                 both SDK installers' replies
//   /I:sdkonly             the SDK setup's reply alone
//   /I:vtr=<file>          the VTR service stop, then deletion of <file>
//   /I:ximp=<class>,<file> the XIMP service stop (window class), then <file>
#include "main_frame.h"

BOOL CMainFrame::Install()
{
    const std::string& what = cmdLine.installArg;
    if (what == "sdk") {
        awaitSdkReply = TRUE;
        awaitInstallerReply = TRUE;
    } else if (what == "sdkonly") {
        awaitSdkReply = TRUE;
    } else if (what.compare(0, 4, "vtr=") == 0) {
        vtrServiceFile = what.substr(4);
        awaitVtrStop = TRUE;
    } else if (what.compare(0, 5, "ximp=") == 0) {
        size_t comma = what.find(',');
        ximpServiceName = what.substr(5, comma == std::string::npos ? std::string::npos : comma - 5);
        if (comma != std::string::npos)
            ximpServiceFile = what.substr(comma + 1);
        awaitXimpStop = TRUE;
    }
    return TRUE;
}

BOOL CMainFrame::UnInstall() { return TRUE; }
BOOL CMainFrame::UnInstall2() { return TRUE; }
BOOL CMainFrame::InstallLanguageMonitors() { return TRUE; }
