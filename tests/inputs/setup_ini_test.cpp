#include "setup_ini.h"

#include "temp_files.h"

#include <gtest/gtest.h>

namespace {

// Reads INI text from memory; Open on a real file is tested separately.
class Ini : public CSetupIni {
public:
    using CSetupIni::CSetupIni;
    using CSetupIni::OpenText;
};

// Walks a section and returns "key=field0|field1|..." per entry (trailing
// empty fields dropped).
std::vector<std::string> Walk(Ini& ini)
{
    std::vector<std::string> entries;
    std::string key;
    while (ini.NextEntry(key)) {
        int used = CSetupIni::kFieldCount;
        while (used > 1 && ini.fields[used - 1].empty())
            --used;
        std::string entry = key + "=";
        for (int i = 0; i < used; ++i)
            entry += (i ? "|" : "") + ini.fields[i];
        entries.push_back(entry);
    }
    return entries;
}

const char kSample[] =
    "; setup file\r\n"
    "[Other]\r\n"
    "DRVNAME=wrong\r\n"
    "[install] ; the product\r\n"
    "LANGUAGEMON10=ten\r\n"
    "languagemon1 = one\r\n"
    "; DRVNAME=commented\r\n"
    "DRVNAME2 = \"NORVA Printer\", x \r\n"
    "NOVALUE\r\n"
    "EMPTY=\r\n"
    "[Language]\r\n"
    "0409=English\r\n";

}  // namespace

TEST(SetupIni, SectionHeadersMatchIgnoringCaseButNotIndented)
{
    Ini ini;
    EXPECT_TRUE(ini.OpenText(kSample, "Install"));
    EXPECT_TRUE(ini.OpenText(kSample, "LANGUAGE"));
    EXPECT_FALSE(ini.OpenText(kSample, "Missing"));
    EXPECT_FALSE(ini.FindKey("DRVNAME"));  // a failed Open leaves nothing loaded

    EXPECT_FALSE(ini.OpenText("  [Install]\r\nA=1\r\n", "Install"));
    // An empty name selects the first section.
    ASSERT_TRUE(ini.OpenText(kSample, ""));
    ASSERT_TRUE(ini.FindKey("DRVNAME"));
    EXPECT_EQ("wrong", ini.fields[0]);
}

TEST(SetupIni, KeysMatchAsPrefixesFirstLineWins)
{
    Ini ini;
    ASSERT_TRUE(ini.OpenText(kSample, "Install"));
    ASSERT_TRUE(ini.FindKey("LANGUAGEMON1"));
    EXPECT_EQ("ten", ini.fields[0]);  // LANGUAGEMON10 stands first
    ASSERT_TRUE(ini.FindKey("languagemon1 "));
    EXPECT_EQ("one", ini.fields[0]);

    ASSERT_TRUE(ini.FindKey("drvname"));  // the comment line is skipped
    EXPECT_EQ("\"NORVA Printer\"", ini.fields[0]);
    EXPECT_EQ("x", ini.fields[1]);
    EXPECT_EQ("", ini.fields[2]);

    EXPECT_FALSE(ini.FindKey("NOVALUE"));   // no "=" on its line
    EXPECT_FALSE(ini.FindKey("0409"));      // belongs to the next section
    EXPECT_TRUE(ini.FindKey("EMPTY"));
    EXPECT_EQ("", ini.fields[0]);
}

TEST(SetupIni, FieldsSplitAtCommasOutsideQuotesAndKeepTheQuotes)
{
    Ini ini;
    ASSERT_TRUE(ini.OpenText("[S]\r\nK=\"a,b\", c ,\"d\"\r\n", "S"));
    ASSERT_TRUE(ini.FindKey("K"));
    EXPECT_EQ("\"a,b\"", ini.fields[0]);
    EXPECT_EQ("c", ini.fields[1]);
    EXPECT_EQ("\"d\"", ini.fields[2]);
    EXPECT_EQ("a,b", CSetupIni::Unquote(ini.fields[0]));

    ASSERT_TRUE(ini.OpenText("[S]\r\nK=  x  \t\r\n", "S"));
    ASSERT_TRUE(ini.FindKey("K"));
    EXPECT_EQ("x", ini.fields[0]);

    // The quoted state runs on from field to field.
    ASSERT_TRUE(ini.OpenText("[S]\r\nK=a\"b,c,d\"e,f\r\n", "S"));
    ASSERT_TRUE(ini.FindKey("K"));
    EXPECT_EQ("a\"b,c,d\"e", ini.fields[0]);
    EXPECT_EQ("f", ini.fields[1]);
}

TEST(SetupIni, ValueWithMoreThanEightFieldsKeepsTheFirstEight)
{
    std::string value;
    for (int i = 0; i < 100; ++i)
        value += (i ? "," : "") + std::to_string(i);
    Ini ini;
    ASSERT_TRUE(ini.OpenText("[S]\r\nK=" + value + "\r\nNEXT=n\r\n", "S"));
    std::vector<std::string> entries = Walk(ini);
    ASSERT_EQ(2u, entries.size());
    EXPECT_EQ("K=0|1|2|3|4|5|6|7", entries[0]);
    EXPECT_EQ("NEXT=n", entries[1]);
}

TEST(SetupIni, SectionEndsAtTheFirstBracketAnywhere)
{
    const char text[] = "[S]\r\nA=1\r\nB=x[y\r\nC=3\r\n[T]\r\n";
    Ini ini;
    ASSERT_TRUE(ini.OpenText(text, "S"));
    EXPECT_TRUE(ini.FindKey("A"));
    EXPECT_FALSE(ini.FindKey("B"));
    EXPECT_FALSE(ini.FindKey("C"));

    ASSERT_TRUE(ini.OpenText(text, "S"));
    EXPECT_EQ((std::vector<std::string>{"A=1", "B=x"}), Walk(ini));

    ASSERT_TRUE(ini.OpenText("[S]\r\n; see [T]\r\nA=1\r\n", "S"));
    EXPECT_FALSE(ini.FindKey("A"));
}

TEST(SetupIni, InCodePage932OnlyABracketThatStartsACharacterEndsTheSection)
{
    // Driver names of two-byte characters whose second bytes are '[', '\',
    // ']', '|' and letters; "\x83\x41" and "\x83\x61" are different keys.
    const std::string names = "\x83\x5B\x83\x5C\x83\x5D\x83\x7C\x83\x41";
    const std::string text = "[Install]\r\nDRVNAME=" + names + "\r\n\x83\x61=lower\r\n"
                             "\x83\x41=upper\r\n[Next]\r\nX=1\r\n";
    Ini japanese(LeadByte932);
    ASSERT_TRUE(japanese.OpenText(text, "install"));
    ASSERT_TRUE(japanese.FindKey("DRVNAME"));
    EXPECT_EQ(names, japanese.fields[0]);
    ASSERT_TRUE(japanese.FindKey("\x83\x41"));
    EXPECT_EQ("upper", japanese.fields[0]);
    EXPECT_FALSE(japanese.FindKey("X"));
    EXPECT_FALSE(japanese.OpenText(text, "\x83\x41"));  // no such section
    // Section names of two-byte characters are found the same way.
    ASSERT_TRUE(japanese.OpenText("[\x83\x5B\x83\x61]\r\nK=v\r\n", "\x83\x5B\x83\x61"));
    EXPECT_TRUE(japanese.FindKey("K"));

    // Byte for byte, the same file's section ends inside the first name.
    Ini bytes;
    ASSERT_TRUE(bytes.OpenText(text, "Install"));
    EXPECT_EQ(std::vector<std::string>{"DRVNAME=\x83"}, Walk(bytes));
}

TEST(SetupIni, LastLineWithoutLineEndIsWalkedButNotFound)
{
    const char text[] = "[S]\r\nA=1\r\nLAST=end";
    Ini ini;
    ASSERT_TRUE(ini.OpenText(text, "S"));
    EXPECT_FALSE(ini.FindKey("LAST"));
    EXPECT_EQ("", ini.fields[0]);
    ASSERT_TRUE(ini.OpenText(text, "S"));
    EXPECT_EQ((std::vector<std::string>{"A=1", "LAST=end"}), Walk(ini));

    // A file without any line end has no section at all.
    EXPECT_FALSE(ini.OpenText("[S]", "S"));
    // Nor has a file whose first "[" ends the only header's section at once.
    ASSERT_TRUE(ini.OpenText("[S]\r\n[", "S"));
    EXPECT_TRUE(Walk(ini).empty());
}

TEST(SetupIni, SequentialReadingSkipsBlankLinesAndIndentedComments)
{
    Ini ini;
    ASSERT_TRUE(ini.OpenText("[S]\r\n\r\n  \t; note\r\n  Key One = a , b \r\n\r\nK2=\r\n", "S"));
    EXPECT_EQ((std::vector<std::string>{"Key One=a|b", "K2="}), Walk(ini));

    // A line without "=" ends the walk.
    ASSERT_TRUE(ini.OpenText("[S]\r\nA=1\r\nbroken\r\nB=2\r\n", "S"));
    EXPECT_EQ((std::vector<std::string>{"A=1"}), Walk(ini));

    ASSERT_TRUE(ini.OpenText("[S]\r\n[T]\r\nA=1\r\n", "S"));
    std::string key;
    EXPECT_FALSE(ini.NextEntry(key));
    EXPECT_FALSE(ini.FindKey("A"));
}

TEST(SetupIni, BareLineFeedsEndValuesToo)
{
    Ini ini;
    ASSERT_TRUE(ini.OpenText("[S]\nA=1,2\nB=3\n", "S"));
    EXPECT_EQ((std::vector<std::string>{"A=1|2", "B=3"}), Walk(ini));
    ASSERT_TRUE(ini.OpenText("[S]\nA=1,2\nB=3\n", "S"));
    ASSERT_TRUE(ini.FindKey("B"));
    EXPECT_EQ("3", ini.fields[0]);
}

TEST(SetupIni, UnquoteTakesTheTextBetweenTheFirstTwoQuotes)
{
    EXPECT_EQ("a b", CSetupIni::Unquote("  \"a b\" rest"));
    EXPECT_EQ("open", CSetupIni::Unquote("\"open"));
    EXPECT_EQ("plain \"x\"", CSetupIni::Unquote(" \tplain \"x\""));
    EXPECT_EQ("", CSetupIni::Unquote("   "));
    EXPECT_EQ("", CSetupIni::Unquote("\"\""));
}

TEST(SetupIni, ReadsRealFilesAndReloadsForEachSection)
{
    ScratchDir dir;
    std::string path = dir.Write("setup.ini", kSample);
    CSetupIni ini;
    ASSERT_TRUE(ini.Open(path, "Install"));
    ASSERT_TRUE(ini.Open(path, "Language"));
    ASSERT_TRUE(ini.FindKey("0409"));
    EXPECT_EQ("English", ini.fields[0]);

    // A file that cannot be opened leaves the loaded section as it was.
    EXPECT_FALSE(ini.Open(dir.Path("missing.ini"), "Install"));
    ASSERT_TRUE(ini.FindKey("0409"));
    EXPECT_EQ("English", ini.fields[0]);

    ini.Close();
    EXPECT_FALSE(ini.FindKey("0409"));
    std::string key;
    EXPECT_FALSE(ini.NextEntry(key));
}

TEST(SetupIni, LargeFileIsReadWhole)
{
    std::string text = "[S]\r\n";
    while (text.size() < 10u * 1024 * 1024)
        text += "FILLER=aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa\r\n";
    text += "WANTED=yes\r\n";
    ScratchDir dir;
    std::string path = dir.Write("big.ini", text);
    CSetupIni ini;
    ASSERT_TRUE(ini.Open(path, "S"));
    ASSERT_TRUE(ini.FindKey("WANTED"));
    EXPECT_EQ("yes", ini.fields[0]);
}
