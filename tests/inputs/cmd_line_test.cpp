#include "cmd_line.h"

#include "temp_files.h"

#include <gtest/gtest.h>

#include <fstream>

#ifdef _WIN32
#include <windows.h>
#endif

namespace {

CCmdLine Parsed(const std::string& text)
{
    CCmdLine cmd;
    EXPECT_EQ(1, cmd.Parse(text));
    return cmd;
}

}  // namespace

TEST(CmdLine, EmptyCommandLineKeepsEveryDefault)
{
    CCmdLine cmd = Parsed("");
    EXPECT_EQ(0u, cmd.callerWindow);
    EXPECT_EQ(0, cmd.uninstallMode);
    EXPECT_EQ("", cmd.uninstallArg);
    EXPECT_EQ("", cmd.uninstallArg2);
    EXPECT_FALSE(cmd.install);
    EXPECT_EQ("", cmd.installArg);
    EXPECT_FALSE(cmd.npFlag);
    EXPECT_FALSE(cmd.tFlag);
    EXPECT_EQ("", cmd.paramFile);
}

TEST(CmdLine, SwitchLettersIgnoreCaseButThe32MustBeExact)
{
    CCmdLine cmd = Parsed("/i:setup.ini /w32:1234");
    EXPECT_TRUE(cmd.install);
    EXPECT_EQ("setup.ini", cmd.installArg);
    EXPECT_EQ(1234u, cmd.callerWindow);

    EXPECT_EQ(0u, Parsed("/W33:5").callerWindow);
    EXPECT_EQ(0u, Parsed("/W3:5").callerWindow);
    EXPECT_EQ(9u, Parsed("/W32:   9").callerWindow);
}

TEST(CmdLine, OnlyFixedPositionsAreExamined)
{
    CCmdLine install = Parsed("/Install:x");
    EXPECT_FALSE(install.install);
    EXPECT_EQ("", install.installArg);

    EXPECT_TRUE(Parsed("/Tanything").tFlag);
    EXPECT_TRUE(Parsed("/NPX").npFlag);
    EXPECT_FALSE(Parsed("/NX").npFlag);

    CCmdLine r2 = Parsed("/R2X");
    EXPECT_EQ(0, r2.uninstallMode);
    EXPECT_EQ("", r2.uninstallArg2);

    // Text between switches is ignored, unknown switches are skipped.
    CCmdLine noise = Parsed("garbage /Q /x:1 //T more");
    EXPECT_TRUE(noise.tFlag);
    EXPECT_FALSE(noise.install);
}

TEST(CmdLine, TokensEndAtBlankSlashOrLineEndAndMayBeQuoted)
{
    EXPECT_EQ("C:\\Setup\\a.ini", Parsed("/I:C:\\Setup\\a.ini").installArg);
    EXPECT_EQ("C:\\My Setup\\a.ini", Parsed("/I:\"C:\\My Setup\\a.ini\" /NP").installArg);
    EXPECT_EQ("My", Parsed("/R:My Printer").uninstallArg);
    EXPECT_EQ("My Printer", Parsed("/R:\"My Printer\"").uninstallArg);
    EXPECT_EQ("a/b c", Parsed("/R2:\"a/b c\"").uninstallArg2);
    EXPECT_EQ("a.ini", Parsed("/I:a.ini\r\n/NP").installArg);
    // A tab is an ordinary character, not a blank.
    EXPECT_EQ("\tx", Parsed("/I:\tx").installArg);

    CCmdLine slash = Parsed("/I:/T");
    EXPECT_TRUE(slash.install);
    EXPECT_EQ("", slash.installArg);
    EXPECT_TRUE(slash.tFlag);
}

TEST(CmdLine, SwitchFollowedOnlyByBlanksHasNoEffect)
{
    CCmdLine i = Parsed("/I:   ");
    EXPECT_FALSE(i.install);
    CCmdLine r = Parsed("/R:  ");
    EXPECT_EQ(0, r.uninstallMode);
    CCmdLine counted = Parsed("/R2:12   ");
    EXPECT_EQ(0, counted.uninstallMode);

    // A value that is empty but followed by more text still counts.
    CCmdLine empty = Parsed("/R: /T");
    EXPECT_EQ(1, empty.uninstallMode);
    EXPECT_EQ("", empty.uninstallArg);
    EXPECT_TRUE(empty.tFlag);
}

TEST(CmdLine, CountedUninstallValuesKeepBlanksSlashesAndLineEnds)
{
    CCmdLine cmd = Parsed("/R:12 My Printer/1 /W32:77");
    EXPECT_EQ(1, cmd.uninstallMode);
    EXPECT_EQ("My Printer/1", cmd.uninstallArg);
    EXPECT_EQ(77u, cmd.callerWindow);

    // A name that begins with a digit must be counted: "3D Printer" is not.
    EXPECT_EQ("D P", Parsed("/R:3D Printer").uninstallArg);
    EXPECT_EQ("10 Pro", Parsed("/R:6 \"10 Pro\"").uninstallArg);
    EXPECT_EQ("a\r\nb", Parsed("/R2:4 a\r\nb").uninstallArg2);
    EXPECT_EQ("", Parsed("/R:0 x").uninstallArg);
}

TEST(CmdLine, BothUninstallSwitchesStoreTheirValuesAndTheLastSetsTheMode)
{
    CCmdLine cmd = Parsed("/R:Printer /R2:Driver");
    EXPECT_EQ("Printer", cmd.uninstallArg);
    EXPECT_EQ("Driver", cmd.uninstallArg2);
    EXPECT_EQ(2, cmd.uninstallMode);
    EXPECT_EQ(1, Parsed("/R2:Driver /R:Printer").uninstallMode);
}

TEST(CmdLine, OversizedValuesStayBounded)
{
    std::string longName(300, 'x');
    CCmdLine token = Parsed("/I:" + longName + "/NP");
    EXPECT_EQ(std::string(260, 'x'), token.installArg);
    EXPECT_TRUE(token.npFlag);  // scanning went on inside the rest

    EXPECT_EQ("abc", Parsed("/R:99 abc").uninstallArg);
    // Sixteen digits are read; the count wraps at 32 bits.
    EXPECT_EQ("789 x", Parsed("/R:1234567890123456789 x").uninstallArg);
    EXPECT_EQ(0u, Parsed("/W32:4294967296").callerWindow);
    EXPECT_EQ(4294967295u, Parsed("/W32:4294967295").callerWindow);
    EXPECT_EQ(0u, Parsed("/W32:abc").callerWindow);
}

TEST(CmdLine, TokenLimitNeverCutsADoubleByteCharacter)
{
    // 259 bytes and a character whose second byte is a backslash.
    const std::string value = std::string(259, 'x') + "\x83\x5C";
    CCmdLine japanese(LeadByte932);
    japanese.ParseText("/I:" + value);
    EXPECT_EQ(value.substr(0, 259), japanese.installArg);
    japanese.ParseText("/I:\x83\x5C\x83\x5B /T");  // the blank still ends it
    EXPECT_EQ("\x83\x5C\x83\x5B", japanese.installArg);
    EXPECT_TRUE(japanese.tFlag);
    // A single-byte code page keeps 260 bytes.
    EXPECT_EQ(value.substr(0, 260), Parsed("/I:" + value).installArg);
}

TEST(CmdLine, TextEndsAtItsFirstNul)
{
    CCmdLine cmd;
    cmd.ParseText(std::string("/T\0/NP", 6));
    EXPECT_TRUE(cmd.tFlag);
    EXPECT_FALSE(cmd.npFlag);
}

TEST(CmdLine, ValueReadersReportWhatTheyConsumed)
{
    std::string target;
    EXPECT_EQ(5u, CCmdLine::ReadToken("\"a b\"c", 0, target));
    EXPECT_EQ("a b", target);
    EXPECT_EQ(3u, CCmdLine::ReadCounted("\"ab\"c", 0, 2, target));  // stops at the count
    EXPECT_EQ("ab", target);
    uint32_t number = 7;
    EXPECT_EQ(0u, CCmdLine::ReadNumber("x1", 0, number));
    EXPECT_EQ(0u, number);
    EXPECT_EQ(16u, CCmdLine::ReadNumber(std::string(40, '9'), 0, number));
}

class ParameterFiles : public ::testing::Test {
protected:
    ScratchDir dir;

    // Quoted, since a path may hold blanks and (natively) slashes.
    static std::string Quoted(const std::string& path) { return "\"" + path + "\""; }
};

TEST_F(ParameterFiles, OptionsOnSeveralLinesAreAppliedAndTheFileDeleted)
{
    std::string opts = dir.Write("opts.txt", "/I:a.ini\r\n/W32:5\r\n");
    CCmdLine cmd = Parsed("/W32:1 /F:" + Quoted(opts));
    EXPECT_TRUE(cmd.install);
    EXPECT_EQ("a.ini", cmd.installArg);
    EXPECT_EQ(5u, cmd.callerWindow);  // the file overrides the command line
    EXPECT_EQ("", cmd.paramFile);
    EXPECT_FALSE(dir.Exists("opts.txt"));
}

TEST_F(ParameterFiles, MissingFileLeavesTheCommandLineOptions)
{
    CCmdLine cmd = Parsed("/NP /F:" + Quoted(dir.Path("missing.txt")) + " /W32:3");
    EXPECT_TRUE(cmd.npFlag);
    EXPECT_EQ(3u, cmd.callerWindow);
}

TEST_F(ParameterFiles, ChainsAndCyclesEnd)
{
    std::string second = dir.Path("second.txt");
    std::string first = dir.Write("first.txt", "/T /F:" + Quoted(second));
    dir.Write("second.txt", "/NP /F:" + Quoted(first));
    CCmdLine chain = Parsed("/F:" + Quoted(first));
    EXPECT_TRUE(chain.tFlag);
    EXPECT_TRUE(chain.npFlag);
    EXPECT_FALSE(dir.Exists("first.txt"));
    EXPECT_FALSE(dir.Exists("second.txt"));

    std::string self = dir.Path("self.txt");
    dir.Write("self.txt", "/W32:8 /F:" + Quoted(self));
    EXPECT_EQ(8u, Parsed("/F:" + Quoted(self)).callerWindow);
}

TEST_F(ParameterFiles, NulInsideAFileEndsItsText)
{
    std::string opts = dir.Write("zero.txt", std::string("/T\0/NP", 6));
    CCmdLine cmd = Parsed("/F:" + Quoted(opts));
    EXPECT_TRUE(cmd.tFlag);
    EXPECT_FALSE(cmd.npFlag);
}

#ifdef _WIN32
TEST_F(ParameterFiles, FileThatCannotBeDeletedAndNamesItselfIsReadOnce)
{
    std::string self = dir.Path("stuck.txt");
    dir.Write("stuck.txt", "/T /F:" + Quoted(self));
    ASSERT_TRUE(SetFileAttributesA(self.c_str(), FILE_ATTRIBUTE_READONLY));
    CCmdLine cmd = Parsed("/F:" + Quoted(self));
    EXPECT_TRUE(cmd.tFlag);
    EXPECT_TRUE(dir.Exists("stuck.txt"));
    SetFileAttributesA(self.c_str(), FILE_ATTRIBUTE_NORMAL);
}
#endif
