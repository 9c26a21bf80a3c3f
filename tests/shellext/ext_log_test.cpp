#include "ext_log.h"

#include "shellext_env.h"

#include <gtest/gtest.h>

#include <string>

namespace {

class ExtLog : public ::testing::Test {
protected:
    void SetUp() override
    {
        ResetProductKeys();
        DeleteLog();
    }
    void TearDown() override
    {
        DeleteHklmTree("software\\NORVA");
        DeleteLog();
    }
};

}  // namespace

TEST_F(ExtLog, StaysSilentUnlessSwitchedOn)
{
    EXPECT_FALSE(IsExtLogEnabled());
    ExtDebugLog("> Missing switch\r\n");
    EXPECT_FALSE(LogExists());

    SetLogSwitch(false);
    EXPECT_FALSE(IsExtLogEnabled());
    ExtDebugLog("> Switch is 0\r\n");
    EXPECT_FALSE(LogExists());

    SetLogSwitch(true);
    EXPECT_TRUE(IsExtLogEnabled());
    SetHklmDword("software\\NORVA\\VTR3\\Debug", "Monext01", 7);
    EXPECT_TRUE(IsExtLogEnabled());
}

TEST_F(ExtLog, AppendsExactlyTheFormattedText)
{
    SetLogSwitch(true);
    ExtDebugLog("> CShellExt::AddPages()\r\n");
    ExtDebugLog("    PrinterName=%s\r\n", "LP \"%s%n\" 100%");
    ExtDebugLog("  (g_cRefThisDll -> %d)\r\n", -1);
    ExtDebugLog("    GetData Error (%lx)\r\n", 0x80004005ul);
    EXPECT_EQ("> CShellExt::AddPages()\r\n"
              "    PrinterName=LP \"%s%n\" 100%\r\n"
              "  (g_cRefThisDll -> -1)\r\n"
              "    GetData Error (80004005)\r\n",
              ReadLog());

    // The switch is read on every call, and the file is kept between calls.
    SetLogSwitch(false);
    ExtDebugLog("dropped\r\n");
    SetLogSwitch(true);
    ExtDebugLog("last\r\n");
    std::string log = ReadLog();
    EXPECT_EQ(std::string::npos, log.find("dropped"));
    EXPECT_EQ("last\r\n", log.substr(log.size() - 6));
}

TEST_F(ExtLog, LongLinesAreCutToTheLineBufferAndKeepTheirLineEnd)
{
    SetLogSwitch(true);
    std::string name(1000, 'x');
    ExtDebugLog("    PrinterName=%s\r\n", name.c_str());
    ExtDebugLog("next\r\n");
    std::string log = ReadLog();
    ASSERT_EQ(255u + 6u, log.size());
    EXPECT_EQ("    PrinterName=xxx", log.substr(0, 19));
    EXPECT_EQ("x\r\nnext\r\n", log.substr(252));
}

TEST_F(ExtLog, ALineThatIsHeldByAnotherWriterIsDropped)
{
    SetLogSwitch(true);
    ExtDebugLog("first\r\n");
    HANDLE holder = CreateFileA("C:\\MONEXT01.LOG", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ,
                                NULL, OPEN_EXISTING, 0, NULL);
    ASSERT_NE(INVALID_HANDLE_VALUE, holder);
    ExtDebugLog("second\r\n");
    CloseHandle(holder);
    ExtDebugLog("third\r\n");
    EXPECT_EQ("first\r\nthird\r\n", ReadLog());
}
