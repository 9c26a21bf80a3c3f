#include "app_test_support.h"
#include "debug_log.h"
#include "operation_stubs.h"
#include "test_windows.h"

#include <gtest/gtest.h>

#include <fstream>

namespace {

// Drives the wait timer tick by tick, without waiting for real seconds.
class WaitTimer : public ::testing::Test {
protected:
    void SetUp() override
    {
        ResetProductKeys();
        DeleteFileA(kTraceLog);
        frame.timerId = 1;  // as StartWaitTimer leaves it
        frame.environment.osKind = IsWindowsNT() ? 3 : 1;
        char temp[MAX_PATH];
        GetTempPathA(MAX_PATH, temp);
        serviceFile = std::string(temp) + "monsetup-service.exe";
        std::ofstream(serviceFile) << "service";
    }

    void TearDown() override
    {
        debugLogEnabled = FALSE;
        SetFileAttributesA(serviceFile.c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileA(serviceFile.c_str());
    }

    // Ticks until the frame closes or `limit` ticks have passed; returns the
    // number of ticks.
    int TickUntilClosed(int limit)
    {
        for (int tick = 1; tick <= limit; ++tick) {
            frame.OnTimer(1);
            if (frame.hwnd == NULL)
                return tick;
        }
        return limit + 1;
    }

    StubbedFrame frame;
    std::string serviceFile;
};

// Keeps a file open without delete sharing, so that it cannot be deleted.
class FileInUse {
public:
    explicit FileInUse(const std::string& path)
        : handle(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING, 0,
                             NULL)) {}
    ~FileInUse() { CloseHandle(handle); }
    HANDLE handle;
};

// A window whose class is the XIMP service's name, as the running service has.
class ServiceWindow {
public:
    explicit ServiceWindow(const char* className)
    {
        WNDCLASSA wc;
        ZeroMemory(&wc, sizeof wc);
        wc.lpfnWndProc = DefWindowProcA;
        wc.hInstance = GetModuleHandleA(NULL);
        wc.lpszClassName = className;
        RegisterClassA(&wc);
        hwnd = CreateWindowExA(0, className, "", WS_OVERLAPPEDWINDOW, 0, 0, 10, 10, NULL, NULL,
                               GetModuleHandleA(NULL), NULL);
    }
    ~ServiceWindow() { Close(); }
    void Close()
    {
        if (hwnd != NULL)
            DestroyWindow(hwnd);
        hwnd = NULL;
    }
    HWND hwnd;
};

}  // namespace

TEST_F(WaitTimer, InstallerSilentFor120TicksGives4_10)
{
    frame.waits.sdk.awaitSdkReply = TRUE;
    frame.waits.sdk.awaitInstallerReply = TRUE;
    EXPECT_EQ(120, TickUntilClosed(200));
    EXPECT_EQ(4, frame.result.ErrorCode1());
    EXPECT_EQ(10, frame.result.ErrorCode2());
}

TEST_F(WaitTimer, SdkSetupSilentFor120TicksGives4_2)
{
    frame.waits.sdk.awaitSdkReply = TRUE;
    frame.waits.sdk.awaitInstallerReply = TRUE;
    for (int i = 0; i < 50; ++i)
        frame.OnTimer(1);
    SendMessageA(frame.hwnd, 1225, 0, 0x1);
    EXPECT_EQ(70, TickUntilClosed(200));
    EXPECT_EQ(4, frame.result.ErrorCode1());
    EXPECT_EQ(2, frame.result.ErrorCode2());
}

TEST_F(WaitTimer, TicksOfOtherTimersAreIgnored)
{
    frame.waits.sdk.awaitSdkReply = TRUE;
    frame.OnTimer(2);
    EXPECT_EQ(0, frame.waits.sdk.sdkWaitTicks);
    frame.OnTimer(1);
    EXPECT_EQ(1, frame.waits.sdk.sdkWaitTicks);
}

TEST_F(WaitTimer, ServiceFileInUseIsTriedFiveTimesThenGives4_8)
{
    debugLogEnabled = TRUE;
    FileInUse inUse(serviceFile);
    frame.waits.vtr.Start(serviceFile);
    EXPECT_EQ(15, TickUntilClosed(30));
    EXPECT_EQ(4, frame.result.ErrorCode1());
    EXPECT_EQ(8, frame.result.ErrorCode2());
    EXPECT_EQ(5, frame.waits.vtr.tries);

    std::string attempt =
        "CMainFrame::OnTimer()\n    VTR Service Wait timer 1\n"
        "CMainFrame::OnTimer()\n    VTR Service Wait timer 2\n"
        "CMainFrame::OnTimer()\n    VTR Service Wait timer 3\n"
        "    Delete VTR service\n    Delete VTR service error\n";
    std::string log = FileText(kTraceLog);
    EXPECT_EQ(0u, log.find(attempt + attempt)) << log;
}

TEST_F(WaitTimer, MissingServiceFileFailsLikeAFileInUse)
{
    frame.waits.vtr.Start(serviceFile + ".gone");
    EXPECT_EQ(15, TickUntilClosed(30));
    EXPECT_EQ(4, frame.result.ErrorCode1());
    EXPECT_EQ(8, frame.result.ErrorCode2());
}

TEST_F(WaitTimer, ReadOnlyServiceFileIsMadeWritableAndDeleted)
{
    ASSERT_TRUE(SetFileAttributesA(serviceFile.c_str(), FILE_ATTRIBUTE_READONLY));
    frame.waits.vtr.Start(serviceFile);
    EXPECT_EQ(3, TickUntilClosed(30));
    EXPECT_FALSE(FileExists(serviceFile));
    EXPECT_EQ(0, frame.result.ErrorCode1());
}

TEST_F(WaitTimer, XimpServiceStillRunningAtTheFifthCheckGives4_13)
{
    ServiceWindow service("MonsetupXimpService");
    frame.waits.ximpServiceName = "MonsetupXimpService";
    frame.waits.ximp.Start(serviceFile);
    EXPECT_EQ(15, TickUntilClosed(30));
    EXPECT_EQ(4, frame.result.ErrorCode1());
    EXPECT_EQ(13, frame.result.ErrorCode2());
    EXPECT_TRUE(FileExists(serviceFile));
}

TEST_F(WaitTimer, XimpServiceGoneItsFileAndCommonKeyAreRemoved)
{
    CreateKey(std::string(kVtr3Key) + "\\XIMPCommon\\Sub");
    ServiceWindow service("MonsetupXimpService");
    frame.waits.ximpServiceName = "MonsetupXimpService";
    frame.waits.ximp.Start(serviceFile);
    frame.waits.deleteXimpCommonLater = TRUE;

    for (int i = 0; i < 4; ++i)
        frame.OnTimer(1);  // the first check finds the window
    EXPECT_EQ(1, frame.waits.ximp.tries);
    service.Close();
    EXPECT_EQ(2, TickUntilClosed(30));  // the second check, three ticks on
    EXPECT_EQ(0, frame.result.ErrorCode1());
    EXPECT_FALSE(KeyExists(std::string(kVtr3Key) + "\\XIMPCommon"));
    // Windows 9x keeps the file: the service program is not deleted there.
    EXPECT_EQ(!IsWindowsNT(), FileExists(serviceFile));
}

TEST_F(WaitTimer, MissingXimpFileOnNTCountsAsStillRunning)
{
    frame.waits.ximpServiceName = "MonsetupNoSuchWindow";
    frame.waits.ximp.Start(serviceFile + ".gone");
    EXPECT_EQ(IsWindowsNT() ? 15 : 3, TickUntilClosed(30));
    EXPECT_EQ(IsWindowsNT() ? 4 : 0, frame.result.ErrorCode1());
    EXPECT_EQ(IsWindowsNT() ? 13 : 0, frame.result.ErrorCode2());
}

TEST_F(WaitTimer, WaitsRunSideBySide)
{
    frame.waits.sdk.awaitSdkReply = TRUE;
    frame.waits.vtr.Start(serviceFile);
    for (int i = 0; i < 3; ++i)
        frame.OnTimer(1);
    EXPECT_FALSE(frame.waits.vtr.Pending());
    EXPECT_FALSE(FileExists(serviceFile));
    EXPECT_EQ(3, frame.waits.sdk.sdkWaitTicks);
    EXPECT_NE(nullptr, frame.hwnd) << "the SDK reply is still awaited";
    SendMessageA(frame.hwnd, 1224, 0, 0x1);
    frame.OnTimer(1);
    EXPECT_EQ(nullptr, frame.hwnd);
}
