// The SDK installers' hand-off: the command lines and the parameter file the
// real started programs receive (a fake installer records them), the waits
// armed, and whole waits completed by the fake installer's replies.
#include "app_test_support.h"
#include "debug_log.h"
#include "registry.h"
#include "setup_host.h"
#include "test_frame.h"

#include <gtest/gtest.h>

#include <cstdio>

namespace {

const char kTestRoot[] = "C:\\Monsetup SDK";
const char kDriverDir[] = "C:\\Monsetup SDK\\Driver Files";
const char kSdkDir[] = "C:\\Monsetup SDK\\ZQAPI";
const char kSdkInfoKey[] = "Software\\NORVA\\ZQAPIInfo";
const char kRouterKey[] = "Software\\NORVA\\ZQPrinter\\ZQRequestRouter";
const char kModel[] = "NORVA VTR Model 7";
const DWORD kBound = 20000;

std::string Hex8(UINT_PTR value)
{
    char text[16];
    std::snprintf(text, sizeof text, "%08lX",
                  static_cast<unsigned long>(static_cast<DWORD>(value)));
    return text;
}

std::string Hex8(HWND window)
{
    return Hex8(reinterpret_cast<UINT_PTR>(window));
}

void SetMachineString(const char* key, const char* name, const std::string& value)
{
    Registry(HKEY_LOCAL_MACHINE, key, NULL, TRUE, 0).SetString(name, value);
}

std::string CommonFilesDir()
{
    return StringValue("Software\\Microsoft\\Windows\\CurrentVersion", "CommonFilesDir");
}

void WriteText(const std::string& path, const std::string& text)
{
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, NULL, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, NULL);
    DWORD written = 0;
    WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, NULL);
    CloseHandle(file);
}

// The directories of the tests, made before anything is copied into them.
struct TestDirectories {
    TestDirectories()
    {
        CreateDirectoryA(kTestRoot, NULL);
        CreateDirectoryA(kDriverDir, NULL);
        CreateDirectoryA(kSdkDir, NULL);
    }
};

// The fake installer copied under one name into one directory: what it was
// given, and how it is to answer.
class FakeInstaller {
public:
    FakeInstaller(const std::string& directory, const std::string& baseName)
        : base(directory + "\\" + baseName)
    {
        CopyFileA(BesideThisProgram("NR_Comb.exe").c_str(), (base + ".exe").c_str(), FALSE);
        Forget();
        DeleteFileA((base + ".answer").c_str());
    }

    void Answer(const std::string& lines) { WriteText(base + ".answer", lines); }

    // Waits, with a bound, for the run to finish recording; true when it did.
    bool Ran()
    {
        const DWORD start = GetTickCount();
        while (!FileExists(base + ".done")) {
            if (GetTickCount() - start > kBound)
                return false;
            Sleep(50);
        }
        return true;
    }
    // The command line of the last run; "<did not run>" when none came.
    std::string CommandLine() { return Ran() ? FileText(base + ".cmdline") : "<did not run>"; }
    std::string Parameters() { return FileText(base + ".params"); }
    // Whether a run has finished recording by now, without waiting.
    bool RanAlready() const { return FileExists(base + ".done"); }

    // Clears the records for the next run.
    void Forget()
    {
        for (const char* extension : {".cmdline", ".params", ".done"})
            DeleteFileA((base + extension).c_str());
    }

private:
    std::string base;
};

class SdkHandOff : public ::testing::Test {
protected:
    void SetUp() override
    {
        ResetProductKeys();
        DeleteFileA(kTraceLog);
        frame.driverDir = kDriverDir;
        frame.driverName = kModel;
        frame.osKind = 3;
        frame.isAdmin = TRUE;
        window = Hex8(frame.hwnd);
    }

    void TearDown() override { debugLogEnabled = FALSE; }

    // The command that starts the combined installer, up to the parts that
    // depend on the Windows version and the SDK directory.
    std::string CombinedHead() const
    {
        return std::string("\"") + kDriverDir + "\\NR_Comb.exe\"/WM=" + window +
               ";000004C9 -s -a /Act=In";
    }
    std::string Tail() const
    {
        return std::string(" /AN=\"") + kModel + "\" /Ret=WM:" + window + ";000004C8";
    }

    TestFrame frame;
    std::string window;
    TestDirectories directories;
    FakeInstaller combined{kDriverDir, "NR_Comb"};
};

// Runs the frame's message loop until the frame is gone or the bound runs out.
bool RunUntilClosed(CMainFrame& frame)
{
    const DWORD start = GetTickCount();
    while (frame.hwnd != NULL) {
        if (GetTickCount() - start > kBound)
            return false;
        MsgWaitForMultipleObjects(0, NULL, FALSE, 100, QS_ALLINPUT);
        MSG msg;
        HWND window = frame.hwnd;
        while (window != NULL && PeekMessageA(&msg, window, 0, 0, PM_REMOVE)) {
            DispatchMessageA(&msg);
            window = frame.hwnd;
        }
    }
    return true;
}

}  // namespace

TEST_F(SdkHandOff, DirectoryPartFollowsWhatTheRegistryRecords)
{
    const std::string portsAdmin = " /RepPM=Y /ZQP=A:On";

    // Neither SDK nor request router: the common files directory.
    ASSERT_TRUE(frame.InstallZQAPI());
    EXPECT_EQ(CombinedHead() + portsAdmin + " /Dir=\"" + CommonFilesDir() + "\\NORVA\\ZQAPI\"" +
                  Tail(),
              combined.CommandLine());
    EXPECT_TRUE(frame.awaitSdkReply);
    EXPECT_TRUE(frame.awaitInstallerReply);

    // The request router's directory.
    combined.Forget();
    SetMachineString(kRouterKey, "EXEPath", "C:\\SDK\\router.exe");
    ASSERT_TRUE(frame.InstallZQAPI());
    EXPECT_EQ(CombinedHead() + portsAdmin + " /Dir=\"C:\\SDK\"" + Tail(), combined.CommandLine());

    // A router path without a backslash has no directory.
    combined.Forget();
    SetMachineString(kRouterKey, "EXEPath", "router.exe");
    ASSERT_TRUE(frame.InstallZQAPI());
    EXPECT_EQ(CombinedHead() + portsAdmin + " /Dir=\"" + CommonFilesDir() + "\\NORVA\\ZQAPI\"" +
                  Tail(),
              combined.CommandLine());

    // An installed SDK keeps its place: no directory part at all.
    combined.Forget();
    SetMachineString(kSdkInfoKey, "InstallDir", kSdkDir);
    ASSERT_TRUE(frame.InstallZQAPI());
    EXPECT_EQ(CombinedHead() + portsAdmin + Tail(), combined.CommandLine());
    EXPECT_EQ(0, frame.ErrorCode1);
}

TEST_F(SdkHandOff, PortChoiceFollowsWindowsAdministratorAndNoPortSwitch)
{
    SetMachineString(kSdkInfoKey, "InstallDir", kSdkDir);
    struct Case {
        int osKind;
        BOOL isAdmin;
        bool npFlag;
        const char* ports;
    } cases[] = {
        {3, TRUE, false, " /RepPM=Y /ZQP=A:On"},
        {3, TRUE, true, " /RepPM=N /ZQP=LPT:NC,OTH:On"},
        {2, FALSE, false, " /RepPM=N /ZQP=LPT:NC,OTH:On"},
        {2, TRUE, false, " /RepPM=Y /ZQP=A:On"},
        {1, TRUE, true, " /ZQP=A:On"},
    };
    for (const Case& c : cases) {
        combined.Forget();
        frame.osKind = c.osKind;
        frame.isAdmin = c.isAdmin;
        frame.cmdLine.npFlag = c.npFlag;
        ASSERT_TRUE(frame.InstallZQAPI());
        EXPECT_EQ(CombinedHead() + c.ports + Tail(), combined.CommandLine())
            << "osKind " << c.osKind << ", admin " << c.isAdmin << ", /NP " << c.npFlag;
    }
}

TEST_F(SdkHandOff, NamedInstallerGetsOnlyAParameterFileEachRunANewOne)
{
    FakeInstaller named(kDriverDir, "SdkSetup");
    frame.sdkInstaller = "SdkSetup.exe";
    frame.sdkIniFile = "zq sdk.ini";
    SetMachineString(kSdkInfoKey, "InstallDir", kSdkDir);

    std::string files[2];
    for (std::string& file : files) {
        named.Forget();
        ASSERT_TRUE(frame.InstallZQAPI());
        const std::string command = named.CommandLine();
        const std::string head = std::string("\"") + kDriverDir + "\\SdkSetup.exe\" /F=\"";
        ASSERT_EQ(head, command.substr(0, head.size())) << command;
        ASSERT_EQ('"', command.back()) << command;
        file = command.substr(head.size(), command.size() - head.size() - 1);

        const std::string expected = "/Ini=\"zq sdk.ini\" /WM=" + window +
                                     ";000004C9 -s -a /Act=In /RepPM=Y /ZQP=A:On" + Tail();
        EXPECT_EQ(expected, FileText(file)) << "no line end, no NUL";
        EXPECT_EQ(expected, named.Parameters()) << "what the installer read";
    }
    EXPECT_NE(files[0], files[1]);
    EXPECT_TRUE(FileExists(files[0]));
    EXPECT_TRUE(FileExists(files[1]));
    EXPECT_FALSE(combined.RanAlready()) << "the combined installer is not started as well";
    DeleteFileA(files[0].c_str());
    DeleteFileA(files[1].c_str());
}

TEST_F(SdkHandOff, WindowHandleIsWrittenAsEightUpperCaseHexDigits)
{
    SetMachineString(kSdkInfoKey, "InstallDir", kSdkDir);
    HWND real = frame.hwnd;
    frame.hwnd = reinterpret_cast<HWND>(static_cast<UINT_PTR>(0x1A2B));
    const BOOL started = frame.InstallZQAPI();
    frame.hwnd = real;
    ASSERT_TRUE(started);
    EXPECT_EQ(std::string("\"") + kDriverDir +
                  "\\NR_Comb.exe\"/WM=00001A2B;000004C9 -s -a /Act=In /RepPM=Y /ZQP=A:On "
                  "/AN=\"" + kModel + "\" /Ret=WM:00001A2B;000004C8",
              combined.CommandLine());
}

TEST_F(SdkHandOff, InstallerThatCannotStartGives4_1AndNoWait)
{
    frame.driverDir = std::string(kTestRoot) + "\\missing";
    EXPECT_FALSE(frame.InstallZQAPI());
    EXPECT_EQ(4, frame.ErrorCode1);
    EXPECT_EQ(1, frame.ErrorCode2);
    EXPECT_FALSE(frame.awaitSdkReply);
    EXPECT_FALSE(frame.awaitInstallerReply);

    // Nothing else awaited: the run completes at once.
    frame.StartWaitTimer();
    EXPECT_EQ(NULL, frame.hwnd);
}

TEST_F(SdkHandOff, NoTemporaryFileGives7_100AndStartsNothing)
{
    char savedTmp[MAX_PATH] = "";
    char savedTemp[MAX_PATH] = "";
    GetEnvironmentVariableA("TMP", savedTmp, MAX_PATH);
    GetEnvironmentVariableA("TEMP", savedTemp, MAX_PATH);
    SetEnvironmentVariableA("TMP", "C:\\no such directory");
    SetEnvironmentVariableA("TEMP", "C:\\no such directory");
    frame.sdkInstaller = "SdkSetup.exe";

    const std::string name = frame.MakeTempFileName();
    const BOOL started = frame.InstallZQAPI();
    SetEnvironmentVariableA("TMP", savedTmp);
    SetEnvironmentVariableA("TEMP", savedTemp);

    EXPECT_EQ("", name);
    EXPECT_FALSE(started);
    EXPECT_EQ(7, frame.ErrorCode1);
    EXPECT_EQ(100, frame.ErrorCode2);
    EXPECT_FALSE(frame.awaitSdkReply);
    EXPECT_FALSE(frame.awaitInstallerReply);
}

TEST_F(SdkHandOff, UninstallerStartsOnlyWhenAnSdkIsRecorded)
{
    debugLogEnabled = TRUE;
    FakeInstaller uninstaller(kSdkDir, "zqapiset");

    // No SDK recorded: nothing to do, no wait.
    EXPECT_TRUE(frame.UninstallZQAPI());
    EXPECT_FALSE(frame.awaitSdkReply);
    EXPECT_EQ("CMainFrame::UninstallZQAPI()\n", FileText(kTraceLog));

    // Recorded without a directory: 3/11.
    CreateKey(kSdkInfoKey);
    EXPECT_FALSE(frame.UninstallZQAPI());
    EXPECT_EQ(3, frame.ErrorCode1);
    EXPECT_EQ(11, frame.ErrorCode2);
    EXPECT_FALSE(frame.awaitSdkReply);

    // Recorded with its directory: the uninstaller runs; only its own reply
    // is awaited.
    DeleteFileA(kTraceLog);
    SetMachineString(kSdkInfoKey, "InstallDir", kSdkDir);
    ASSERT_TRUE(frame.UninstallZQAPI());
    const std::string command = std::string("\"") + kSdkDir + "\\zqapiset.exe\" /Act=Un /AN=\"" +
                                kModel + "\" /Ret=WM:" + window + ";000004C8";
    EXPECT_EQ(command, uninstaller.CommandLine());
    EXPECT_TRUE(frame.awaitSdkReply);
    EXPECT_FALSE(frame.awaitInstallerReply);
    EXPECT_EQ("CMainFrame::UninstallZQAPI()\n    Execute ZQAPI SDK  " + command +
                  "\nCMainFrame::UninstallZQAPI() exit\n",
              FileText(kTraceLog));

    // A directory without the uninstaller: 4/1.
    frame.awaitSdkReply = FALSE;
    DeleteFileA(kTraceLog);
    SetMachineString(kSdkInfoKey, "InstallDir", std::string(kTestRoot) + "\\gone");
    EXPECT_FALSE(frame.UninstallZQAPI());
    EXPECT_EQ(4, frame.ErrorCode1);
    EXPECT_EQ(1, frame.ErrorCode2);
    EXPECT_FALSE(frame.awaitSdkReply);
    const std::string log = FileText(kTraceLog);
    EXPECT_NE(std::string::npos, log.find("CMainFrame::UninstallZQAPI() exit error\n")) << log;
}

// Whole waits: the fake installer answers the frame, whose timer and reply
// handling finish the run and report to the caller.
class SdkReplies : public SdkHandOff {
protected:
    void SetUp() override
    {
        SdkHandOff::SetUp();
        frame.cmdLine.install = true;
        frame.cmdLine.callerWindow = static_cast<uint32_t>(reinterpret_cast<UINT_PTR>(caller.hwnd));
        SetMachineString(kSdkInfoKey, "InstallDir", kSdkDir);
    }

    // Starts the installer, waits as a run does, and takes the completion.
    void InstallAndWait(const std::string& answers)
    {
        combined.Answer(answers);
        ASSERT_TRUE(frame.InstallZQAPI());
        frame.StartWaitTimer();
        ASSERT_TRUE(RunUntilClosed(frame)) << "the run did not complete";
        ASSERT_EQ(1, caller.TakeMessages());
    }

    CallerWindow caller;
};

TEST_F(SdkReplies, SuccessWithReplacedFilesIsReportedAsReplaced)
{
    InstallAndWait("installer 0 0x1\nsdk 7 0x200001\n");
    EXPECT_EQ(2u, caller.wParam);
    EXPECT_EQ(0, caller.lParam);
    EXPECT_EQ(7u, frame.sdkReplyWParam);
    EXPECT_EQ(1u, DwordValue(kVtrCommonKey, "RST_FREPLACE"));
    EXPECT_EQ(0u, DwordValue(kSdkResultKey, "ErrorCode1"));
    EXPECT_FALSE(ValueExists(kVtrCommonKey, "ERR_OTHERS"));
}

TEST_F(SdkReplies, SdkInUseIsAFailureOfTheSdkSetup)
{
    InstallAndWait("installer 0 0x1\nsdk 0 0x400\n");
    EXPECT_EQ(3u, caller.wParam);
    EXPECT_EQ(2, caller.lParam);
    EXPECT_EQ(0x400u, DwordValue(kSdkResultKey, "ErrorCode2"));
    EXPECT_EQ(1u, DwordValue(kVtrCommonKey, "ERR_ZQAPIINUSE"));
    EXPECT_EQ(0u, DwordValue(kVtrCommonKey, "RST_FREPLACE"));
    EXPECT_FALSE(ValueExists(kVtrCommonKey, "ERR_OTHERS"));
}

TEST_F(SdkReplies, UnsupportedWindowsEndsTheWaitAndCountsAsSuccess)
{
    InstallAndWait("installer 0 0x20\n");
    EXPECT_EQ(1u, caller.wParam);
    EXPECT_EQ(0, caller.lParam);
    EXPECT_EQ(1u, DwordValue(kSdkResultKey, "ErrorCode1"));
    EXPECT_EQ(0x20u, DwordValue(kSdkResultKey, "ErrorCode2"));
    EXPECT_EQ(1u, DwordValue(kVtrCommonKey, "ERR_OSVERNOTSUPPORT"));
    EXPECT_FALSE(ValueExists(kVtrCommonKey, "RST_FREPLACE"));
}

TEST_F(SdkReplies, InstallerFailureStillAwaitsTheSdkSetupAndSecondRepliesChangeNothing)
{
    // The installer fails, the SDK setup answers, then both answer again
    // with other flags, which the frame no longer awaits.
    InstallAndWait("installer 0 0x10000\nsdk 0 0x1\ninstaller 0 0x1\nsdk 0 0x400\n");
    EXPECT_EQ(3u, caller.wParam);
    EXPECT_EQ(1, caller.lParam);
    EXPECT_TRUE(frame.sdkReplied);
    EXPECT_EQ(0x1u, frame.sdkReplyFlags);
    EXPECT_EQ(0x10000u, DwordValue(kSdkResultKey, "ErrorCode2"));
    EXPECT_EQ(1u, DwordValue(kVtrCommonKey, "ERR_OTHERS"));
    EXPECT_FALSE(ValueExists(kVtrCommonKey, "ERR_ZQAPIINUSE"));
}

TEST_F(SdkReplies, NoAnswerEndsWith4_10AfterTheTimeout)
{
    ASSERT_TRUE(frame.InstallZQAPI());
    ASSERT_TRUE(combined.Ran());
    frame.timerId = kWaitTimerId;  // as StartWaitTimer leaves it
    int ticks = 0;
    while (frame.hwnd != NULL && ticks < 200) {
        frame.OnTimer(kWaitTimerId);
        ++ticks;
    }
    EXPECT_EQ(kSdkWaitTicks, ticks);
    EXPECT_EQ(4u, DwordValue(kSdkResultKey, "ErrorCode1"));
    EXPECT_EQ(10u, DwordValue(kSdkResultKey, "ErrorCode2"));
    ASSERT_EQ(1, caller.TakeMessages());
    EXPECT_EQ(3u, caller.wParam);
    EXPECT_EQ(4, caller.lParam);
}

TEST_F(SdkReplies, UninstallerReplyEndsTheUninstallWait)
{
    FakeInstaller uninstaller(kSdkDir, "zqapiset");
    uninstaller.Answer("sdk 0 0x1\n");
    frame.cmdLine.install = false;
    frame.cmdLine.uninstallMode = 2;
    CreateKey(kVtrCommonKey);
    ASSERT_TRUE(frame.UninstallZQAPI());
    frame.StartWaitTimer();
    ASSERT_TRUE(RunUntilClosed(frame)) << "the run did not complete";
    ASSERT_EQ(1, caller.TakeMessages());
    EXPECT_EQ(1u, caller.wParam);
    EXPECT_TRUE(frame.sdkReplied);
    EXPECT_EQ(0u, DwordValue(kSdkResultKey, "ErrorCode1"));
    EXPECT_FALSE(combined.RanAlready()) << "only the uninstaller runs";
}
