#include "ext_log.h"

#include "shellext_env.h"

#include <gtest/gtest.h>

TEST(ExtLog, WritesExactlyTheFormattedLinesOnlyWhileSwitchedOn)
{
    ResetProductKeys();
    DeleteProductTree(kDebugKey);
    EXPECT_FALSE(IsExtLogEnabled());
    ExtDebugLog("> Missing switch\r\n");
    SetLogSwitch(0);
    EXPECT_FALSE(IsExtLogEnabled());
    ExtDebugLog("> Switch is 0\r\n");
    EXPECT_FALSE(FileExists("C:\\MONEXT01.LOG"));

    // Any value but 0 switches it on; the switch is read on every call.
    SetLogSwitch(7);
    ExtDebugLog("> CShellExt::AddPages()\r\n");
    ExtDebugLog("    PrinterName=%s\r\n", kOddPrinter);
    SetLogSwitch(0);
    ExtDebugLog("dropped\r\n");
    SetLogSwitch(1);
    ExtDebugLog("    GetData Error (%lx)\r\n", 0x80004005ul);
    EXPECT_EQ("> CShellExt::AddPages()\r\n"
              "    PrinterName=LP \"%s%n%x\" 100%\r\n"
              "    GetData Error (80004005)\r\n",
              ReadLog());
}

TEST(ExtLog, LongLinesAreCutToTheLineBufferAndKeepTheirLineEnd)
{
    ResetProductKeys();
    ExtDebugLog("    PrinterName=%s\r\n", std::string(1000, 'x').c_str());
    ExtDebugLog("next\r\n");
    const std::string log = ReadLog();
    ASSERT_EQ(255u + 6u, log.size());
    EXPECT_EQ("    PrinterName=xxx", log.substr(0, 19));
    EXPECT_EQ("x\r\nnext\r\n", log.substr(252));
}

TEST(ExtLog, ALineIsDroppedWhileAnotherWriterHoldsTheFileAndTheCallersErrorStays)
{
    ResetProductKeys();
    ExtDebugLog("first\r\n");
    {
        // Another process writing the log: our line gives way, nothing waits.
        HANDLE writer = CreateFileA("C:\\MONEXT01.LOG", GENERIC_WRITE, FILE_SHARE_READ, NULL,
                                    OPEN_EXISTING, 0, NULL);
        ASSERT_NE(INVALID_HANDLE_VALUE, writer);
        SetLastError(ERROR_ACCESS_DENIED);
        ExtDebugLog("dropped\r\n");
        EXPECT_EQ(static_cast<DWORD>(ERROR_ACCESS_DENIED), GetLastError())
            << "logging between a failure and its report keeps the failure's error";
        CloseHandle(writer);
    }
    ExtDebugLog("last\r\n");
    EXPECT_EQ("first\r\nlast\r\n", ReadLog());
}
