#include "app_test_support.h"
#include "japanese.h"
#include "operation_stubs.h"
#include "test_windows.h"

#include <gtest/gtest.h>

#include <new>

namespace {

// A run waiting for the SDK installers, with a caller window to report to.
class Completion : public ::testing::Test {
protected:
    void SetUp() override
    {
        ResetProductKeys();
        frame.cmdLine.callerWindow = static_cast<uint32_t>(reinterpret_cast<UINT_PTR>(caller.hwnd));
    }

    void StartInstallWait()
    {
        frame.cmdLine.install = true;
        frame.waits.sdk.awaitSdkReply = TRUE;
        frame.waits.sdk.awaitInstallerReply = TRUE;
    }

    LRESULT InstallerReply(DWORD flags)
    {
        return SendMessageA(frame.hwnd, 1225, 0, static_cast<LPARAM>(flags));
    }
    LRESULT SdkReply(DWORD flags, WPARAM wParam = 0)
    {
        return SendMessageA(frame.hwnd, 1224, wParam, static_cast<LPARAM>(flags));
    }

    // Runs OnClose and takes the one completion message it must post.
    void Close()
    {
        frame.OnClose();
        EXPECT_EQ(nullptr, frame.hwnd) << "the frame destroys its window";
        EXPECT_EQ(1, caller.TakeMessages()) << "exactly one completion message";
    }

    void ExpectPosted(WPARAM wParam, LPARAM lParam)
    {
        EXPECT_EQ(wParam, caller.wParam);
        EXPECT_EQ(lParam, caller.lParam);
    }

    void ExpectStored(DWORD code1, DWORD code2)
    {
        EXPECT_EQ(code1, DwordValue(kSdkResultKey, "ErrorCode1"));
        EXPECT_EQ(code2, DwordValue(kSdkResultKey, "ErrorCode2"));
    }

    CallerWindow caller;
    StubbedFrame frame;
};

}  // namespace

TEST_F(Completion, InstallerRepliesFirstMatchWins)
{
    struct Case {
        DWORD flags;
        LONG code1;
        LONG code2;
        BOOL awaitSdk;
        BOOL osNotSupported;
    } cases[] = {
        {0x10000 | 0x20 | 0x1, 1, 0x10021, TRUE, FALSE},  // failure: the SDK setup still answers
        {0x20 | 0x1, 1, 0x21, FALSE, TRUE},
        {0x20, 1, 0x20, FALSE, TRUE},
        {0x1, 0, 0, TRUE, FALSE},
        {0x0, 1, 0, FALSE, FALSE},
        {0x100, 1, 0x100, FALSE, FALSE},
    };
    for (const Case& c : cases) {
        StubbedFrame run;
        run.waits.sdk.awaitSdkReply = TRUE;
        run.waits.sdk.awaitInstallerReply = TRUE;
        EXPECT_EQ(1, SendMessageA(run.hwnd, 1225, 0, c.flags));
        EXPECT_FALSE(run.waits.sdk.awaitInstallerReply) << std::hex << c.flags;
        EXPECT_EQ(c.code1, run.result.ErrorCode1()) << std::hex << c.flags;
        EXPECT_EQ(c.code2, run.result.ErrorCode2()) << std::hex << c.flags;
        EXPECT_EQ(c.awaitSdk, run.waits.sdk.awaitSdkReply) << std::hex << c.flags;
        EXPECT_EQ(c.osNotSupported, run.waits.sdk.osNotSupported) << std::hex << c.flags;
    }
}

TEST_F(Completion, RepliesThatAreNotAwaitedChangeNothing)
{
    StartInstallWait();
    EXPECT_EQ(1, InstallerReply(0x1));
    EXPECT_EQ(0, InstallerReply(0x10000)) << "a second installer reply";
    EXPECT_EQ(1, SdkReply(0x1, 7));
    EXPECT_EQ(0, SdkReply(0x400, 8)) << "a second SDK reply";
    EXPECT_EQ(0, frame.result.ErrorCode1());
    EXPECT_EQ(7u, frame.waits.sdk.sdkReplyWParam);
    EXPECT_EQ(0x1u, frame.waits.sdk.sdkReplyFlags);
    EXPECT_TRUE(frame.waits.sdk.sdkReplied);
}

// What the installers' replies make of an install run's end: the message
// posted, the pair stored and the flags under VTRCommon.
TEST_F(Completion, InstallerRepliesDecideWhatIsPostedAndFlagged)
{
    const struct {
        DWORD installer;
        DWORD sdk;            // 0: the SDK setup never replies
        bool earlierOthers;   // ERR_OTHERS left by an earlier run
        WPARAM wParam;
        LPARAM lParam;
        DWORD code1, code2;
        // RST_FREPLACE, ERR_OTHERS, ERR_ZQAPIINUSE, ERR_OSVERNOTSUPPORT
        // under VTRCommon; "-": no value.
        const char* flags;
    } cases[] = {
        {0x1, 0x200001, false, 2, 0, 0, 0, "1 - - -"},
        {0x1, 0x400, true, 3, 2, 2, 0x400, "0 - 1 -"},
        // Stored but reported as success; the SDK setup never replied.
        {0x20, 0, false, 1, 0, 1, 0x20, "- - - 1"},
        {0x10000, 0x1, false, 3, 1, 1, 0x10000, "0 1 - -"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << std::hex << c.installer << "/" << c.sdk);
        ResetProductKeys();
        if (c.earlierOthers)
            SetDwordValue(kVtrCommonKey, "ERR_OTHERS", 1);
        StubbedFrame run;
        run.cmdLine.callerWindow = frame.cmdLine.callerWindow;
        run.cmdLine.install = true;
        run.waits.sdk.awaitSdkReply = run.waits.sdk.awaitInstallerReply = TRUE;
        SendMessageA(run.hwnd, 1225, 0, static_cast<LPARAM>(c.installer));
        if (c.sdk != 0)
            SendMessageA(run.hwnd, 1224, 0, static_cast<LPARAM>(c.sdk));
        run.OnClose();
        EXPECT_EQ(1, caller.TakeMessages());
        ExpectPosted(c.wParam, c.lParam);
        ExpectStored(c.code1, c.code2);
        std::string flags;
        for (const char* name : {"RST_FREPLACE", "ERR_OTHERS", "ERR_ZQAPIINUSE", "ERR_OSVERNOTSUPPORT"})
            flags += std::string(flags.empty() ? "" : " ") +
                     (ValueExists(kVtrCommonKey, name) ? std::to_string(DwordValue(kVtrCommonKey, name)) : "-");
        EXPECT_EQ(c.flags, flags);
    }
}

TEST_F(Completion, CodesOf16AndMoreAreReportedAsSuccess)
{
    frame.cmdLine.install = true;
    frame.result.Record({16, 2});
    Close();
    ExpectPosted(1, 0);
    ExpectStored(16, 2);
}

TEST_F(Completion, UninstallRunsAlwaysReportSuccess)
{
    CreateKey(kVtrCommonKey);
    frame.cmdLine.uninstallMode = 2;
    frame.result.Record({5, 3}, ERROR_FILE_NOT_FOUND);
    Close();
    ExpectPosted(1, 0);
    ExpectStored(5, 3);
    EXPECT_EQ(static_cast<DWORD>(ERROR_FILE_NOT_FOUND), DwordValue(kSdkResultKey, "LastError"));
    EXPECT_EQ(CMainFrame::FormatErrorText(ERROR_FILE_NOT_FOUND),
              StringValue(kSdkResultKey, "ErrMsg"));
    EXPECT_FALSE(ValueExists(kVtrCommonKey, "ERR_OTHERS")) << "install runs only";
}

TEST_F(Completion, RunsOtherThanInstallWriteOnlyWhereTheProductIsInstalled)
{
    frame.result.Record({7, 30});
    Close();
    ExpectPosted(3, 7);
    EXPECT_FALSE(KeyExists(kVtrCommonKey));
    EXPECT_FALSE(KeyExists(kSdkResultKey));
}

TEST_F(Completion, SecondCopyWritesNothingButStillReports)
{
    CreateKey(kVtrCommonKey);
    frame.cmdLine.install = true;
    frame.result.Record({9, 1});
    Close();
    ExpectPosted(3, 9);
    EXPECT_FALSE(KeyExists(kSdkResultKey));
}

TEST_F(Completion, NoCallerWindowNoMessage)
{
    CreateKey(kVtrCommonKey);
    frame.cmdLine.callerWindow = 0;
    frame.OnClose();
    EXPECT_EQ(0, caller.TakeMessages());
    ExpectStored(0, 0);
    EXPECT_EQ("", StringValue(kSdkResultKey, "ErrMsg"));
}

// A run that ran out of memory while first reading its command line still
// tells the caller named there, with the mapping of its operation.
TEST_F(Completion, RunCutShortBeforeItsCommandLineWasReadStillReports)
{
    class ShortOfMemory : public StubbedFrame {
    public:
        using StubbedFrame::StubbedFrame;

    protected:
        std::string CommandLineText() const override
        {
            if (reads++ == 0)
                throw std::bad_alloc();
            return StubbedFrame::CommandLineText();
        }

    private:
        mutable int reads = 0;
    };
    if (PresentedWindows() == "default")
        GTEST_SKIP() << "no operation on this Windows";
    CreateKey(kVtrCommonKey);
    for (const char* operation : {"/I:C:\\setup.ini", "/R:\"NORVA LP-1\""}) {
        ShortOfMemory run(std::string(operation) + " /W32:" + caller.Decimal());
        EXPECT_THROW(run.ExecuteOperation(FALSE), std::bad_alloc);
        run.Interrupted();
        run.OnClose();
        EXPECT_EQ(1, caller.TakeMessages()) << operation;
        EXPECT_EQ(operation[1] == 'I' ? 3u : 1u, caller.wParam) << operation;
        ExpectStored(7, 200);
    }
}

TEST_F(Completion, CloseFromOutsideEndsTheWaitAtOnce)
{
    StartInstallWait();
    frame.StartWaitTimer();
    ASSERT_NE(0u, frame.timerId);
    SendMessageA(frame.hwnd, WM_CLOSE, 0, 0);
    EXPECT_EQ(0u, frame.timerId);
    EXPECT_EQ(1, caller.TakeMessages());
    ExpectPosted(1, 0);
}

TEST_F(Completion, WithoutWaitsTheRunEndsAtOnce)
{
    CreateKey(kVtrCommonKey);
    frame.StartWaitTimer();
    EXPECT_EQ(0u, frame.timerId);
    EXPECT_EQ(nullptr, frame.hwnd);
    EXPECT_EQ(1, caller.TakeMessages());
}

TEST(ErrorText, SystemTextOrEmpty)
{
    // Japanese texts may be missing; then the text is empty.
    std::string text = CMainFrame::FormatErrorText(ERROR_FILE_NOT_FOUND);
    EXPECT_LT(text.size(), 256u);
    if (!text.empty()) {
        EXPECT_EQ('\n', text.back());
    }
    EXPECT_EQ("", CMainFrame::FormatErrorText(0xDEADBEEF));
    // A text with inserts is taken as it stands, with nothing to fill them.
    std::string withInserts = CMainFrame::FormatErrorText(ERROR_BAD_EXE_FORMAT);
    EXPECT_LT(withInserts.size(), 256u);
}

// Japanese Windows (Wine in the Japanese configuration on 98, NT 4.0 and
// 2000 alike) has the texts in Japanese, in code page 932; they are passed
// on as the system gives them, inserts and all, and stored so in "ErrMsg".
TEST_F(Completion, JapaneseErrorTextsArePassedOnUnchanged)
{
    REQUIRE_JAPANESE_SYSTEM();
    const struct {
        DWORD code;
        const char* text;
    } texts[] = {
        {ERROR_FILE_NOT_FOUND, "ファイルが見つかりません。\r\n"},
        {ERROR_ACCESS_DENIED, "アクセスが拒否されました。\r\n"},
        {ERROR_BAD_EXE_FORMAT, "%1 の EXE フォーマットが不正です。\r\n"},  // ー: '['
    };
    for (const auto& expected : texts)
        EXPECT_EQ(Ansi(expected.text), CMainFrame::FormatErrorText(expected.code)) << expected.code;

    CreateKey(kVtrCommonKey);
    frame.cmdLine.uninstallMode = 1;
    frame.result.Record({5, 3}, ERROR_BAD_EXE_FORMAT);
    Close();
    EXPECT_EQ(Ansi(texts[2].text), StringValue(kSdkResultKey, "ErrMsg"));
}
