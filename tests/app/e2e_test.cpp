// Whole runs of MONCHK04 under Wine, started the way a product setup program
// starts it, and of MONCHK_W, the same program with operations that wait.
#include "app_test_support.h"
#include "registry.h"
#include "setup_host.h"
#include "spooler.h"
#include "test_windows.h"

#include <gtest/gtest.h>

namespace {

const DWORD kBound = 30000;

// Waits up to `ms` for messages sent to this thread's windows (such as the
// end of the session asking every window) and answers them. Posted messages
// stay queued.
void AnswerSentMessages(DWORD ms)
{
    MsgWaitForMultipleObjects(0, NULL, FALSE, ms, QS_SENDMESSAGE);
    MSG msg;
    PeekMessageA(&msg, NULL, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
}

// A started process, ended when the test is over.
class Process {
public:
    explicit Process(std::string commandLine)
    {
        STARTUPINFOA startup;
        ZeroMemory(&startup, sizeof startup);
        startup.cb = sizeof startup;
        ZeroMemory(&info, sizeof info);
        started = CreateProcessA(NULL, &commandLine[0], NULL, NULL, FALSE, 0, NULL, NULL,
                                 &startup, &info) != FALSE;
        if (started)
            CloseHandle(info.hThread);
    }
    ~Process()
    {
        if (!started)
            return;
        if (!Ended(0))
            TerminateProcess(info.hProcess, 255);
        CloseHandle(info.hProcess);
    }
    // Waits up to `ms` for the process to end, answering the messages other
    // threads send to ours meanwhile.
    bool Ended(DWORD ms)
    {
        const DWORD start = GetTickCount();
        for (;;) {
            if (WaitForSingleObject(info.hProcess, 0) == WAIT_OBJECT_0)
                return true;
            if (GetTickCount() - start >= ms)
                return false;
            AnswerSentMessages(50);
        }
    }
    bool started;
    PROCESS_INFORMATION info;
};

// Waits up to `ms` for `text` to appear in the trace log.
bool LogShows(const std::string& text, DWORD ms)
{
    const DWORD start = GetTickCount();
    while (FileText(kTraceLog).find(text) == std::string::npos) {
        if (GetTickCount() - start > ms)
            return false;
        AnswerSentMessages(100);
    }
    return true;
}

size_t Occurrences(const std::string& text, const std::string& part)
{
    size_t count = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
        ++count;
    return count;
}

class Run : public ::testing::Test {
protected:
    void SetUp() override
    {
        ResetProductKeys();
        DeleteFileA(kTraceLog);
    }

    // An installed product as the maintenance run finds it: a printer of the
    // product's driver, the product's keys, no recorded model to re-register.
    void InstallProduct()
    {
        ASSERT_TRUE(spooler.InstallDriver("NORVA LP-1")) << spooler.lastError;
        ASSERT_TRUE(spooler.InstallPrinter("NORVA LP-1 (e2e)", "NORVA LP-1")) << spooler.lastError;
        CreateKey(kVtrCommonKey);
        CreateKey(std::string(kProductKey) + "\\Driver");
    }

    static HostResult Monchk(const std::string& arguments, bool withCallerWindow = true)
    {
        return RunAsSetupHost(BesideThisProgram("MONCHK04.exe"), arguments, kBound,
                              withCallerWindow);
    }
    static HostResult Waiter(const std::string& arguments)
    {
        return RunAsSetupHost(BesideThisProgram("MONCHK_W.exe"), arguments, kBound);
    }

    // Starts send_message, which posts to the frame as soon as it exists.
    static void PostToFrameSoon(UINT message, WPARAM wParam, LPARAM lParam)
    {
        std::string commandLine = "\"" + BesideThisProgram("send_message.exe") +
                                  "\" InstallExeClass \"Vantor3 Environment Check\" " +
                                  std::to_string(message) + " " + std::to_string(wParam) + " " +
                                  std::to_string(lParam) + " 20";
        STARTUPINFOA startup;
        ZeroMemory(&startup, sizeof startup);
        startup.cb = sizeof startup;
        PROCESS_INFORMATION process;
        ASSERT_TRUE(CreateProcessA(NULL, &commandLine[0], NULL, NULL, FALSE, 0, NULL, NULL,
                                   &startup, &process));
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
    }

    static void ExpectOneMessage(const HostResult& run, WPARAM wParam, LPARAM lParam)
    {
        EXPECT_TRUE(run.started);
        EXPECT_FALSE(run.timedOut);
        EXPECT_EQ(1, run.messages);
        EXPECT_EQ(wParam, run.wParam);
        EXPECT_EQ(lParam, run.lParam);
    }

    SpoolerFixture spooler;
};

}  // namespace

TEST_F(Run, MaintenanceRunReportsInTheRegistryAndToTheCaller)
{
    InstallProduct();
    HostResult run = Monchk("");
    ExpectOneMessage(run, 1, 0);
    EXPECT_EQ(0u, run.exitCode);
    EXPECT_EQ(0u, DwordValue(kSdkResultKey, "ErrorCode1"));
    EXPECT_EQ(0u, DwordValue(kSdkResultKey, "ErrorCode2"));
    EXPECT_EQ(0u, DwordValue(kSdkResultKey, "LastError"));
    EXPECT_EQ("", StringValue(kSdkResultKey, "ErrMsg"));
}

TEST_F(Run, WithoutTheProductKeyNothingIsWrittenButTheCallerHears)
{
    // No printer at all: the re-registration fails with 7/31.
    ExpectOneMessage(Monchk(""), 3, 7);
    EXPECT_FALSE(KeyExists(kProductKey));
}

TEST_F(Run, WithoutACallerWindowNothingIsPosted)
{
    InstallProduct();
    HostResult run = Monchk("", false);
    EXPECT_FALSE(run.timedOut);
    EXPECT_EQ(0, run.messages);
    EXPECT_EQ(0u, DwordValue(kSdkResultKey, "ErrorCode1"));

    // A caller window that does not exist is no failure either.
    HostResult ghost = Monchk("/W32:4", false);
    EXPECT_FALSE(ghost.timedOut);
    EXPECT_EQ(0u, ghost.exitCode);
}

TEST_F(Run, SecondCopyRecords9_1WritesNothingAndStillReports)
{
    CreateKey(kVtrCommonKey);
    HANDLE first = CreateMutexA(NULL, TRUE, "NORVA Vantor3 Environment Check");
    ASSERT_NE(static_cast<HANDLE>(NULL), first);
    HostResult run = Monchk("/I:setup.ini");
    ReleaseMutex(first);
    CloseHandle(first);
    ExpectOneMessage(run, 3, 9);
    EXPECT_FALSE(KeyExists(kSdkResultKey));

    // An uninstall run reports success whatever happened.
    first = CreateMutexA(NULL, TRUE, "NORVA Vantor3 Environment Check");
    HostResult uninstall = Monchk("/R:Printer");
    ReleaseMutex(first);
    CloseHandle(first);
    ExpectOneMessage(uninstall, 1, 0);
}

TEST_F(Run, UnsupportedWindowsIsRecordedButNotPosted)
{
    CreateKey(kVtrCommonKey);
    {
        Registry appDefaults(HKEY_CURRENT_USER, "Software\\Wine\\AppDefaults\\MONCHK04.exe",
                             NULL, TRUE, 0);
        appDefaults.SetString("Version", "win7");
    }
    HostResult run = Monchk("/I:setup.ini");
    Registry(HKEY_CURRENT_USER, "Software\\Wine\\AppDefaults", NULL, FALSE, Registry::kAllAccess)
        .DeleteKey("MONCHK04.exe");
    // The command line was never read, so no caller is known.
    EXPECT_FALSE(run.timedOut);
    EXPECT_EQ(0, run.messages);
    EXPECT_EQ(0u, run.exitCode);
    EXPECT_EQ(7u, DwordValue(kSdkResultKey, "ErrorCode1"));
    EXPECT_EQ(0u, DwordValue(kSdkResultKey, "ErrorCode2"));
}

TEST_F(Run, AnyCommandLineEndsWithExactlyOneReport)
{
    const char* const commandLines[] = {
        "garbage", "/", "/R2", "/W32:", "/I:", "/R:1 x", "/W32:abc",
        "/F:c:\\does\\not\\exist.txt", "/R:\"Printer\" /R2:\"\"", "/T/NP/Tx",
    };
    for (const char* commandLine : commandLines) {
        HostResult run = Monchk(commandLine);
        EXPECT_FALSE(run.timedOut) << commandLine;
        EXPECT_EQ(1, run.messages) << commandLine;
    }

    // A counted or quoted value that runs to the end swallows the caller's
    // /W32: behind it: the run still completes, but nobody is named to hear it.
    for (const char* commandLine : {"/R:99999999999999999999 x", "\"open /R:\"x"}) {
        HostResult run = Monchk(commandLine);
        EXPECT_FALSE(run.timedOut) << commandLine;
        EXPECT_EQ(0, run.messages) << commandLine;
    }
}

TEST_F(Run, TraceLogHoldsExactlyTheRunsLines)
{
    EnableTraceLog();
    InstallProduct();
    ExpectOneMessage(Monchk(""), 1, 0);
    EXPECT_EQ("CMonchkxxApp::InitInstance() Start\n"
              "CMainFrame::OnClose()\n"
              "Result ErrorCode1=0, ErrorCode2=0, LastError=0\n"
              "CMonchkxxApp::InitInstance() Exit\n"
              "CMonchkxxApp::ExitInstance()\n",
              FileText(kTraceLog));

    SetDwordValue("Software\\Norva\\VTR3", "log", 0);
    DeleteFileA(kTraceLog);
    ExpectOneMessage(Monchk(""), 1, 0);
    EXPECT_FALSE(FileExists(kTraceLog));
}

TEST_F(Run, RepliesFromAnotherProcessEndTheWait)
{
    PostToFrameSoon(1225, 0, 0x1);
    PostToFrameSoon(1224, 0, 0x200001);
    HostResult run = Waiter("/I:sdk");
    ExpectOneMessage(run, 2, 0);
    EXPECT_EQ(1u, DwordValue(kVtrCommonKey, "RST_FREPLACE"));
    EXPECT_EQ(0u, DwordValue(kSdkResultKey, "ErrorCode1"));
}

TEST_F(Run, CloseFromOutsideEndsTheWaitWithTheCodesAsTheyStand)
{
    PostToFrameSoon(WM_CLOSE, 0, 0);
    HostResult run = Waiter("/I:sdk");
    ExpectOneMessage(run, 1, 0);
    EXPECT_FALSE(ValueExists(kVtrCommonKey, "RST_FREPLACE"));
}

TEST_F(Run, ServiceFileIsDeletedOnTheThirdTick)
{
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    std::string service = std::string(temp) + "vtrsrv.exe";
    HANDLE file = CreateFileA(service.c_str(), GENERIC_WRITE, 0, NULL, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_READONLY, NULL);
    ASSERT_NE(INVALID_HANDLE_VALUE, file);
    CloseHandle(file);

    EnableTraceLog();
    HostResult run = Waiter("/I:vtr=" + service);
    ExpectOneMessage(run, 1, 0);
    EXPECT_FALSE(FileExists(service));
    std::string log = FileText(kTraceLog);
    EXPECT_NE(std::string::npos, log.find("    VTR Service Wait timer 3\n    Delete VTR service\n"
                                          "CMainFrame::OnClose()\n"))
        << log;
}

TEST_F(Run, SessionEndWaitsForTheRunBehindTheWaitDialog)
{
    EnableTraceLog();
    CallerWindow caller;
    Process run("\"" + BesideThisProgram("MONCHK_W.exe") + "\" /I:sdkonly /W32:" +
                caller.Decimal());
    ASSERT_TRUE(run.started);
    ASSERT_TRUE(LogShows("    ZQAPI SDK Wait timer 1\n", 10000)) << FileText(kTraceLog);

    // Windows ends the session: the run holds it up behind its wait dialog,
    // which logs once a second while the frame is still there.
    Process sessionEnd("wineboot.exe --end-session --shutdown");
    ASSERT_TRUE(sessionEnd.started);
    ASSERT_TRUE(LogShows("CWaitDlg::OnTimer() count=59\nFound!!\n", 15000))
        << FileText(kTraceLog);
    EXPECT_FALSE(run.Ended(0));

    // The SDK setup answers: the frame finishes, and the dialog goes with it.
    HWND frame = FindWindowA("InstallExeClass", "Vantor3 Environment Check");
    ASSERT_NE(static_cast<HWND>(NULL), frame);
    PostMessageA(frame, 1224, 0, 0x1);
    EXPECT_TRUE(run.Ended(10000));
    EXPECT_TRUE(sessionEnd.Ended(20000));

    std::string log = FileText(kTraceLog);
    EXPECT_EQ(1u, Occurrences(log, "CMonchkxxApp::SaveAllModified()\nFound\n"
                                   "CWaitDlg::OnInitDialog()\n")) << log;
    EXPECT_NE(std::string::npos, log.find("CMainFrame::OnClose()\n")) << log;
    EXPECT_EQ(1, caller.TakeMessages());
    EXPECT_EQ(1u, caller.wParam);
}
