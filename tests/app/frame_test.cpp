#include "app_test_support.h"
#include "monchk_app.h"
#include "operation_stubs.h"
#include "test_windows.h"

#include <gtest/gtest.h>

namespace {

class Dispatch : public ::testing::Test {
protected:
    void SetUp() override
    {
        ResetProductKeys();
        operationStubs = OperationStubs();
    }

    static bool Supported() { return PresentedWindows() != "default"; }
    static std::vector<std::string> Calls() { return operationStubs.calls; }
};

}  // namespace

TEST_F(Dispatch, WindowsKindAndAdministratorFollowTheSystem)
{
    StubbedFrame frame("/W32:55");
    BOOL result = frame.ExecuteOperation(FALSE);
    const std::string presented = PresentedWindows();
    if (presented == "default") {
        // Windows 7 is none of the served systems: nothing else happens.
        EXPECT_FALSE(result);
        EXPECT_EQ(0, frame.environment.osKind);
        EXPECT_EQ(7, frame.result.ErrorCode1());
        EXPECT_EQ(0, frame.result.ErrorCode2());
        EXPECT_EQ(0u, frame.cmdLine.callerWindow) << "the command line is not parsed";
        EXPECT_TRUE(Calls().empty());
        return;
    }
    EXPECT_TRUE(result);
    EXPECT_EQ(presented == "win98" ? 1 : presented == "nt40" ? 2 : 3, frame.environment.osKind);
    EXPECT_TRUE(frame.environment.isAdmin);  // Wine runs programs as an administrator
    EXPECT_EQ(55u, frame.cmdLine.callerWindow);
    EXPECT_EQ(0, frame.result.ErrorCode1());
    // Security attributes exist on NT only.
    EXPECT_EQ(frame.environment.osKind != 1, frame.environment.securityAttributes != NULL);
}

TEST_F(Dispatch, FirstMatchingOperationRunsAlone)
{
    if (!Supported())
        GTEST_SKIP() << "no operation on this Windows";

    struct Case {
        const char* commandLine;
        std::vector<std::string> calls;
    } cases[] = {
        {"/I:setup.ini /R:Printer", {"UnInstall"}},
        {"/R2:Driver /I:setup.ini", {"UnInstall2"}},
        {"/R:Printer /R2:Driver", {"UnInstall2"}},
        {"/I:setup.ini", {"Install"}},
        {"", {"InstallLanguageMonitors"}},
    };
    for (const Case& c : cases) {
        operationStubs = OperationStubs();
        StubbedFrame frame(c.commandLine);
        EXPECT_TRUE(frame.ExecuteOperation(FALSE)) << c.commandLine;
        EXPECT_EQ(c.calls, Calls()) << c.commandLine;
    }
}

TEST_F(Dispatch, ResultsOfTheOperations)
{
    if (!Supported())
        GTEST_SKIP() << "no operation on this Windows";
    operationStubs.result = FALSE;
    operationStubs.languageMonitorsResult = FALSE;

    StubbedFrame uninstall("/R:Printer");
    EXPECT_FALSE(uninstall.ExecuteOperation(FALSE));
    StubbedFrame install("/I:setup.ini");
    EXPECT_TRUE(install.ExecuteOperation(FALSE)) << "an install run reports TRUE regardless";
    StubbedFrame maintenance("");
    EXPECT_FALSE(maintenance.ExecuteOperation(FALSE));
}

TEST_F(Dispatch, MaintenanceRunForgetsTheReplacementFlag)
{
    if (!Supported())
        GTEST_SKIP() << "no operation on this Windows";
    SetDwordValue(kVtrCommonKey, "RST_FREPLACE", 1);
    SetDwordValue(kVtrCommonKey, "ERR_OTHERS", 1);

    StubbedFrame frame("");
    EXPECT_TRUE(frame.ExecuteOperation(FALSE));
    EXPECT_FALSE(ValueExists(kVtrCommonKey, "RST_FREPLACE"));
    EXPECT_TRUE(ValueExists(kVtrCommonKey, "ERR_OTHERS"));
    EXPECT_EQ(std::vector<std::string>{"InstallLanguageMonitors"}, Calls());

    // Without the key nothing is created.
    ResetProductKeys();
    StubbedFrame again("");
    EXPECT_TRUE(again.ExecuteOperation(FALSE));
    EXPECT_FALSE(KeyExists(kVtrCommonKey));
}

TEST_F(Dispatch, SecondCopyDoesNoWork)
{
    if (!Supported())
        GTEST_SKIP() << "no operation on this Windows";
    StubbedFrame frame("/I:setup.ini /W32:9");
    EXPECT_FALSE(frame.ExecuteOperation(TRUE));
    EXPECT_EQ(9, frame.result.ErrorCode1());
    EXPECT_EQ(1, frame.result.ErrorCode2());
    EXPECT_EQ(9u, frame.cmdLine.callerWindow) << "parsed, so that the caller hears of it";
    EXPECT_EQ(nullptr, frame.environment.securityAttributes);
    EXPECT_TRUE(Calls().empty());
}

TEST_F(Dispatch, HiddenFrameIsFoundByClassAndTitle)
{
    StubbedFrame frame;
    ASSERT_NE(static_cast<HWND>(NULL), frame.hwnd);
    EXPECT_EQ(frame.hwnd, FindWindowA("InstallExeClass", "Vantor3 Environment Check"));
    EXPECT_FALSE(IsWindowVisible(frame.hwnd));
    LONG style = GetWindowLongA(frame.hwnd, GWL_STYLE);
    EXPECT_EQ(static_cast<LONG>(WS_MINIMIZE | WS_OVERLAPPEDWINDOW),
              style & static_cast<LONG>(WS_MINIMIZE | WS_OVERLAPPEDWINDOW));
    EXPECT_EQ(static_cast<DWORD>(CS_BYTEALIGNWINDOW), GetClassLongA(frame.hwnd, GCL_STYLE));

    // A second frame reuses the registered class.
    StubbedFrame second;
    EXPECT_NE(static_cast<HWND>(NULL), second.hwnd);
}

namespace {

// Makes the frame's window class one whose windows the system refuses to
// create, for as long as the object lives.
class RefusingFrameClass {
public:
    RefusingFrameClass()
    {
        UnregisterClassA(kFrameClassName, GetModuleHandleA(NULL));
        WNDCLASSA wc = {};
        wc.lpfnWndProc = Refuse;
        wc.hInstance = GetModuleHandleA(NULL);
        wc.lpszClassName = kFrameClassName;
        registered = RegisterClassA(&wc) != 0;
    }
    ~RefusingFrameClass() { UnregisterClassA(kFrameClassName, GetModuleHandleA(NULL)); }

    bool registered;

private:
    static LRESULT CALLBACK Refuse(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
    {
        if (message == WM_NCCREATE)
            return FALSE;
        return DefWindowProcA(window, message, wParam, lParam);
    }
};

class TestApp : public CMonchkxxApp {
public:
    using CMonchkxxApp::CreateMainFrame;
};

}  // namespace

// Without its window a run could never end through its message loop: it
// does no work, reports 7/21 once, and the program ends at once, giving up
// the single-instance mutex.
TEST_F(Dispatch, RunWithoutItsWindowReportsAndEnds)
{
    if (!Supported())
        GTEST_SKIP() << "no operation on this Windows";
    CreateKey(kVtrCommonKey);
    CallerWindow caller;
    RefusingFrameClass refusing;
    ASSERT_TRUE(refusing.registered);

    StubbedFrame frame("/I:setup.ini /W32:" + caller.Decimal());
    ASSERT_EQ(nullptr, frame.hwnd);
    EXPECT_FALSE(frame.ExecuteOperation(FALSE));
    EXPECT_TRUE(Calls().empty());
    frame.StartWaitTimer();
    EXPECT_EQ(1, caller.TakeMessages());
    EXPECT_EQ(3u, caller.wParam);
    EXPECT_EQ(7, caller.lParam);
    EXPECT_EQ(7u, DwordValue(kSdkResultKey, "ErrorCode1"));
    EXPECT_EQ(21u, DwordValue(kSdkResultKey, "ErrorCode2"));

    // The whole program: start-up gives up instead of running a message loop.
    TestApp app;
    app.cmdLine = "/W32:" + caller.Decimal();
    EXPECT_FALSE(app.InitInstance());
    EXPECT_EQ(nullptr, app.mainWnd);
    EXPECT_EQ(1, caller.TakeMessages());
    app.ExitInstance();
    EXPECT_EQ(nullptr, app.mutex) << "the mutex is given up for the next run";
}

// Wine always runs programs as an administrator; the frame's check is
// answered here instead.
TEST_F(Dispatch, WithoutAdministratorRightsTheMaintenanceRunRegistersNothing)
{
    if (!Supported())
        GTEST_SKIP() << "no operation on this Windows";
    SetDwordValue(kVtrCommonKey, "RST_FREPLACE", 1);

    StubbedFrame frame("");
    frame.administrator = FALSE;
    EXPECT_TRUE(frame.ExecuteOperation(FALSE));
    // Windows 95/98 knows no administrators: everyone counts as one.
    const bool nt = frame.environment.osKind != 1;
    EXPECT_EQ(!nt, frame.environment.isAdmin != FALSE);
    EXPECT_FALSE(ValueExists(kVtrCommonKey, "RST_FREPLACE"));
    EXPECT_EQ(nt ? std::vector<std::string>{} : std::vector<std::string>{"InstallLanguageMonitors"},
              Calls());
    EXPECT_EQ(0, frame.result.ErrorCode1());
}
