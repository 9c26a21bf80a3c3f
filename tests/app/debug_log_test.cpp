#include "app_test_support.h"
#include "debug_log.h"
#include "monchk_app.h"
#include "operation_stubs.h"

#include <gtest/gtest.h>

namespace {

class TraceLog : public ::testing::Test {
protected:
    void SetUp() override { DeleteFileA(kTraceLog); }
    void TearDown() override
    {
        debugLogEnabled = FALSE;
        DeleteFileA(kTraceLog);
    }
};

}  // namespace

TEST_F(TraceLog, AppendsExactlyTheFormattedText)
{
    debugLogEnabled = TRUE;
    DebugLog("CMainFrame::OnClose()\n");
    DebugLog("Result ErrorCode1=%ld, ErrorCode2=%ld, LastError=%ld\n", 7L, -1L, 5L);
    DebugLog("    %s|%d|%08X", "100% \"quoted\" %s", 42, 0x1A2Bu);
    EXPECT_EQ("CMainFrame::OnClose()\n"
              "Result ErrorCode1=7, ErrorCode2=-1, LastError=5\n"
              "    100% \"quoted\" %s|42|00001A2B",
              FileText(kTraceLog));
}

TEST_F(TraceLog, OffMeansNoFile)
{
    debugLogEnabled = FALSE;
    DebugLog("CMainFrame::OnClose()\n");
    EXPECT_FALSE(FileExists(kTraceLog));
}

TEST_F(TraceLog, LineIsDroppedWhileAnotherWriterHoldsTheFile)
{
    debugLogEnabled = TRUE;
    DebugLog("first\n");
    HANDLE other = CreateFileA(kTraceLog, GENERIC_WRITE, FILE_SHARE_READ, NULL, OPEN_EXISTING, 0,
                               NULL);
    ASSERT_NE(INVALID_HANDLE_VALUE, other);
    DebugLog("lost\n");
    CloseHandle(other);
    DebugLog("second\n");
    EXPECT_EQ("first\nsecond\n", FileText(kTraceLog));
}

// The application's answer when Windows asks to end the session.
TEST_F(TraceLog, SessionEndQuestionShowsTheWaitDialogAtMostOnce)
{
    debugLogEnabled = TRUE;
    CMonchkxxApp app;
    EXPECT_TRUE(app.SaveAllModified());  // no frame: nothing to wait for
    EXPECT_FALSE(app.waitShown);

    StubbedFrame frame;
    app.waitShown = TRUE;                 // the dialog was shown before
    EXPECT_TRUE(app.SaveAllModified());
    EXPECT_EQ("CMonchkxxApp::SaveAllModified()\nNot Found\n"
              "CMonchkxxApp::SaveAllModified()\n",
              FileText(kTraceLog));
}
