#include "ext_log.h"

#include "shellext_env.h"

#include <shlwapi.h>

#include <gtest/gtest.h>

TEST(ExtLog, WritesExactlyTheFormattedLinesOnlyWhileSwitchedOn)
{
    ResetProductKeys();
    SHDeleteKeyA(HKEY_LOCAL_MACHINE, "software\\NORVA\\VTR3\\Debug");
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
