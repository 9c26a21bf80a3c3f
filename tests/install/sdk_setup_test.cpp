// The SDK installers' hand-off: the command lines and the parameter file the
// real started programs receive (a fake installer records them), the waits
// armed, and the wait that ends without an answer.
#include "app_test_support.h"
#include "debug_log.h"
#include "install_run.h"
#include "install_test_files.h"
#include "startup_links.h"
#include "uninstall_run.h"
#include "registry.h"
#include "setup_host.h"
#include "test_frame.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

const char kTestRoot[] = "C:\\Monsetup SDK";
const char kDriverDir[] = "C:\\Monsetup SDK\\Driver Files";
const char kSdkDir[] = "C:\\Monsetup SDK\\ZQAPI";
const char kSdkInfoKey[] = "Software\\NORVA\\ZQAPIInfo";
const char kRouterKey[] = "Software\\NORVA\\ZQPrinter\\ZQRequestRouter";
const HWND kWindow = reinterpret_cast<HWND>(static_cast<UINT_PTR>(0x1A2B));  // "00001A2B"
const char kTail[] = " /AN=\"NORVA VTR Model 7\" /Ret=WM:00001A2B;000004C8";

void SetMachineString(const char* key, const char* name, const std::string& value)
{
    Registry(HKEY_LOCAL_MACHINE, key, NULL, TRUE, 0).SetString(name, value);
}

class SdkHandOff : public ::testing::Test {
protected:
    void SetUp() override
    {
        ResetProductKeys();
        DeleteFileA(kTraceLog);
        for (const char* directory : {kTestRoot, kDriverDir, kSdkDir})
            CreateDirectoryA(directory, NULL);
        combined.reset(new FakeInstaller(kDriverDir, "NR_Comb"));
        frame.settings.driverDir = kDriverDir;
        frame.settings.driverName = "NORVA VTR Model 7";
        frame.environment.osKind = 3;
        frame.environment.isAdmin = TRUE;
    }

    void TearDown() override { debugLogEnabled = FALSE; }

    // The command lines name a fixed window handle instead of the frame's.
    void UseFixedWindow() { frame.environment.replyWindow = kWindow; }

    TestFrame frame;
    std::unique_ptr<FakeInstaller> combined;
};

}  // namespace

TEST_F(SdkHandOff, CombinedInstallerCommandLinesCharacterForCharacter)
{
    UseFixedWindow();
    const std::string head = std::string("\"") + kDriverDir +
                             "\\NR_Comb.exe\"/WM=00001A2B;000004C9 -s -a /Act=In";
    const std::string common =
        StringValue("Software\\Microsoft\\Windows\\CurrentVersion", "CommonFilesDir");
    const std::string inCommon = " /Dir=\"" + common + "\\NORVA\\ZQAPI\"";
    struct Case {
        const char* situation;
        int osKind;
        BOOL isAdmin;
        bool npFlag;
        const char* sdkDir;      // ZQAPIInfo "InstallDir"
        const char* routerPath;  // ZQRequestRouter "EXEPath"
        std::string middle;      // between "/Act=In" and " /AN="
    } cases[] = {
        {"2000, no SDK, no router", 3, TRUE, false, nullptr, nullptr,
         " /RepPM=Y /ZQP=A:On" + inCommon},
        {"router with a directory", 3, TRUE, false, nullptr, "C:\\SDK\\router.exe",
         " /RepPM=Y /ZQP=A:On /Dir=\"C:\\SDK\""},
        {"router without a backslash", 3, TRUE, false, nullptr, "router.exe",
         " /RepPM=Y /ZQP=A:On" + inCommon},
        {"SDK installed", 3, TRUE, false, kSdkDir, "C:\\SDK\\router.exe", " /RepPM=Y /ZQP=A:On"},
        {"2000 with /NP", 3, TRUE, true, kSdkDir, nullptr, " /RepPM=N /ZQP=LPT:NC,OTH:On"},
        {"NT 4.0, no administrator", 2, FALSE, false, kSdkDir, nullptr,
         " /RepPM=N /ZQP=LPT:NC,OTH:On"},
        {"NT 4.0 administrator", 2, TRUE, false, kSdkDir, nullptr, " /RepPM=Y /ZQP=A:On"},
        {"98, /NP ignored", 1, TRUE, true, kSdkDir, nullptr, " /ZQP=A:On"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.situation);
        ResetProductKeys();
        if (c.sdkDir != nullptr)
            SetMachineString(kSdkInfoKey, "InstallDir", c.sdkDir);
        if (c.routerPath != nullptr)
            SetMachineString(kRouterKey, "EXEPath", c.routerPath);
        frame.environment.osKind = c.osKind;
        frame.environment.isAdmin = c.isAdmin;
        frame.cmdLine.npFlag = c.npFlag;
        frame.waits.sdk.awaitSdkReply = frame.waits.sdk.awaitInstallerReply = FALSE;
        combined->Forget();
        ASSERT_TRUE(InstallRun(frame).InstallZQAPI());
        EXPECT_EQ(head + c.middle + kTail, combined->CommandLine());
        EXPECT_EQ("0/0", Pair(frame));
        EXPECT_TRUE(frame.waits.sdk.awaitSdkReply && frame.waits.sdk.awaitInstallerReply) << "both replies awaited";
    }
}

TEST_F(SdkHandOff, NamedInstallerGetsOnlyAParameterFileEachRunANewOne)
{
    UseFixedWindow();
    FakeInstaller named(kDriverDir, "SdkSetup");
    frame.settings.sdkInstaller = "SdkSetup.exe";
    frame.settings.sdkIniFile = "zq sdk.ini";
    SetMachineString(kSdkInfoKey, "InstallDir", kSdkDir);

    std::string files[2];
    for (std::string& file : files) {
        named.Forget();
        ASSERT_TRUE(InstallRun(frame).InstallZQAPI());
        const std::string command = named.CommandLine();
        const std::string head = std::string("\"") + kDriverDir + "\\SdkSetup.exe\" /F=\"";
        ASSERT_EQ(head, command.substr(0, head.size())) << command;
        ASSERT_EQ('"', command.back()) << command;
        file = command.substr(head.size(), command.size() - head.size() - 1);

        const std::string expected = std::string("/Ini=\"zq sdk.ini\" /WM=00001A2B;000004C9 -s -a "
                                                 "/Act=In /RepPM=Y /ZQP=A:On") + kTail;
        EXPECT_EQ(expected, FileText(file)) << "no line end, no NUL";
        EXPECT_EQ(expected, named.Parameters()) << "what the installer read";
    }
    EXPECT_NE(files[0], files[1]);
    EXPECT_TRUE(FileExists(files[0]) && FileExists(files[1]));
    EXPECT_FALSE(combined->RanAlready()) << "the combined installer is not started as well";
    DeleteFileA(files[0].c_str());
    DeleteFileA(files[1].c_str());
}

TEST_F(SdkHandOff, InstallersThatCannotStartLeaveTheirPairsAndNoWait)
{
    frame.settings.driverDir = std::string(kTestRoot) + "\\missing";
    EXPECT_FALSE(InstallRun(frame).InstallZQAPI());
    EXPECT_EQ("4/1", Pair(frame));
    EXPECT_FALSE(frame.waits.sdk.awaitSdkReply || frame.waits.sdk.awaitInstallerReply);
    // Nothing else awaited: the run completes at once.
    frame.StartWaitTimer();
    EXPECT_EQ(NULL, frame.hwnd);

    // No temporary file for the parameters: nothing is started.
    TestFrame named;
    named.settings.driverDir = kDriverDir;
    named.settings.sdkInstaller = "SdkSetup.exe";
    char savedTmp[MAX_PATH] = "";
    char savedTemp[MAX_PATH] = "";
    GetEnvironmentVariableA("TMP", savedTmp, MAX_PATH);
    GetEnvironmentVariableA("TEMP", savedTemp, MAX_PATH);
    SetEnvironmentVariableA("TMP", "C:\\no such directory");
    SetEnvironmentVariableA("TEMP", "C:\\no such directory");
    const BOOL started = InstallRun(named).InstallZQAPI();
    SetEnvironmentVariableA("TMP", savedTmp);
    SetEnvironmentVariableA("TEMP", savedTemp);
    EXPECT_FALSE(started);
    EXPECT_EQ("7/100", Pair(named));
    EXPECT_FALSE(named.waits.sdk.awaitSdkReply || named.waits.sdk.awaitInstallerReply);
}

TEST_F(SdkHandOff, UninstallerStartsOnlyWhenAnSdkIsRecorded)
{
    // On NT the key's owner is asked, which Windows 95/98 cannot answer.
    frame.environment.osKind = OsKindOfThisWindows();
    debugLogEnabled = TRUE;
    FakeInstaller uninstaller(kSdkDir, "zqapiset");

    // No SDK recorded: nothing to do, no wait.
    EXPECT_TRUE(UninstallRun(frame).UninstallZQAPI());
    EXPECT_FALSE(frame.waits.sdk.awaitSdkReply);
    EXPECT_EQ("CMainFrame::UninstallZQAPI()\n", FileText(kTraceLog));

    CreateKey(kSdkInfoKey);  // recorded without a directory
    EXPECT_FALSE(UninstallRun(frame).UninstallZQAPI());
    EXPECT_EQ("3/11", Pair(frame));
    EXPECT_FALSE(frame.waits.sdk.awaitSdkReply);

    // Recorded with its directory: only the uninstaller's reply is awaited.
    UseFixedWindow();
    DeleteFileA(kTraceLog);
    SetMachineString(kSdkInfoKey, "InstallDir", kSdkDir);
    ASSERT_TRUE(UninstallRun(frame).UninstallZQAPI());
    const std::string command = std::string("\"") + kSdkDir + "\\zqapiset.exe\" /Act=Un" + kTail;
    EXPECT_EQ(command, uninstaller.CommandLine());
    EXPECT_TRUE(frame.waits.sdk.awaitSdkReply);
    EXPECT_FALSE(frame.waits.sdk.awaitInstallerReply);
    EXPECT_EQ("CMainFrame::UninstallZQAPI()\n    Execute ZQAPI SDK  " + command +
                  "\nCMainFrame::UninstallZQAPI() exit\n",
              FileText(kTraceLog));

    // A directory without the uninstaller.
    frame.waits.sdk.awaitSdkReply = FALSE;
    DeleteFileA(kTraceLog);
    SetMachineString(kSdkInfoKey, "InstallDir", std::string(kTestRoot) + "\\gone");
    EXPECT_FALSE(UninstallRun(frame).UninstallZQAPI());
    EXPECT_EQ("4/1", Pair(frame));
    EXPECT_FALSE(frame.waits.sdk.awaitSdkReply);
    EXPECT_EQ("CMainFrame::UninstallZQAPI()\n    Execute ZQAPI SDK  \"C:\\Monsetup SDK\\gone"
              "\\zqapiset.exe\" /Act=Un" + std::string(kTail) +
                  "\nCMainFrame::UninstallZQAPI() exit error\n",
              FileText(kTraceLog));
}

// Each installer starts in its own folder, whatever the caller's is: NT 4.0
// looks for DLLs there before the system directory. A relative INI name on
// the command line is then found beside the installer.
TEST_F(SdkHandOff, InstallersStartInTheirOwnFolder)
{
    FakeInstaller named(kDriverDir, "SdkSetup");
    FakeInstaller uninstaller(kSdkDir, "zqapiset");
    SetMachineString(kSdkInfoKey, "InstallDir", kSdkDir);
    ASSERT_TRUE(SetCurrentDirectoryA(kTestRoot));
    ASSERT_TRUE(InstallRun(frame).InstallZQAPI());
    ASSERT_NE("<did not run>", combined->CommandLine());
    EXPECT_EQ(kDriverDir, combined->CurrentDirectory());

    frame.settings.sdkInstaller = "SdkSetup.exe";
    ASSERT_TRUE(InstallRun(frame).InstallZQAPI());
    ASSERT_NE("<did not run>", named.CommandLine());
    EXPECT_EQ(kDriverDir, named.CurrentDirectory());

    frame.environment.osKind = OsKindOfThisWindows();
    ASSERT_TRUE(UninstallRun(frame).UninstallZQAPI());
    ASSERT_NE("<did not run>", uninstaller.CommandLine());
    EXPECT_EQ(kSdkDir, uninstaller.CurrentDirectory());
}

// The installer runs but never answers: the wait timer's ticks run out.
TEST_F(SdkHandOff, NoAnswerEndsWith4_10AfterTheTimeout)
{
    CallerWindow caller;
    frame.cmdLine.install = true;
    frame.cmdLine.callerWindow = static_cast<uint32_t>(reinterpret_cast<UINT_PTR>(caller.hwnd));
    SetMachineString(kSdkInfoKey, "InstallDir", kSdkDir);
    ASSERT_TRUE(InstallRun(frame).InstallZQAPI());
    ASSERT_NE("<did not run>", combined->CommandLine());
    frame.timerId = kWaitTimerId;  // as StartWaitTimer leaves it
    int ticks = 0;
    for (; frame.hwnd != NULL && ticks < 200; ++ticks)
        frame.OnTimer(kWaitTimerId);
    EXPECT_EQ(kSdkWaitTicks, ticks);
    EXPECT_EQ(4u, DwordValue(kSdkResultKey, "ErrorCode1"));
    EXPECT_EQ(10u, DwordValue(kSdkResultKey, "ErrorCode2"));
    ASSERT_EQ(1, caller.TakeMessages());
    EXPECT_EQ("3/4", std::to_string(caller.wParam) + "/" + std::to_string(caller.lParam));
}
