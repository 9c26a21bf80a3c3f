// MONCHK_W: MONCHK04 with operations that leave wait conditions set, so that
// real runs can wait for replies and service stops:
//   /I:sdk                 both SDK installers' replies
//   /I:sdkonly             the SDK setup's reply alone
//   /I:vtr=<file>          the VTR service stop, then deletion of <file>
//   /I:ximp=<class>,<file> the XIMP service stop (window class), then <file>
#include "main_frame.h"
#include "monchk_app.h"

namespace {

class WaiterFrame : public CMainFrame {
public:
    BOOL Install() override
    {
        const std::string& what = cmdLine.installArg;
        if (what == "sdk") {
            waits.sdk.awaitSdkReply = TRUE;
            waits.sdk.awaitInstallerReply = TRUE;
        } else if (what == "sdkonly") {
            waits.sdk.awaitSdkReply = TRUE;
        } else if (what.compare(0, 4, "vtr=") == 0) {
            waits.vtr.Start(what.substr(4));
        } else if (what.compare(0, 5, "ximp=") == 0) {
            size_t comma = what.find(',');
            waits.ximpServiceName =
                what.substr(5, comma == std::string::npos ? std::string::npos : comma - 5);
            waits.ximp.Start(comma != std::string::npos ? what.substr(comma + 1) : "");
        }
        return TRUE;
    }
    BOOL UnInstall() override { return TRUE; }
    BOOL UnInstall2() override { return TRUE; }
    BOOL InstallLanguageMonitors() override { return TRUE; }
};

class WaiterApp : public CMonchkxxApp {
protected:
    CMainFrame* CreateMainFrame() override { return new WaiterFrame; }
};

WaiterApp theApp;

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int)
{
    return RunApplication(instance);
}
