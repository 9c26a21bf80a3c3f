#include "resource_library.h"

#include "shellext_env.h"

#include <gtest/gtest.h>

namespace {

constexpr LANGID kGerman = 0x0407;
constexpr LANGID kFrench = 0x040C;
constexpr LANGID kEnglishUS = 0x0409;
constexpr LANGID kJapanese = 0x0411;

std::string Error(int result)
{
    return "error " + std::to_string(result);
}

// The chosen section, or Error(result).
std::string Section(const std::string& profile, LANGID langId)
{
    char section[300] = "unchanged";
    unsigned size = 260;
    int result = GetLanguageSection(section, &size, profile.c_str(), langId);
    return result == 0 ? section : Error(result);
}

}  // namespace

TEST(LanguageSection, TheBestFittingEntryIsChosen)
{
    const std::string profile = ProfileFixture("languages.ini");
    const struct {
        LANGID langId;
        const char* section;
        const char* why;
    } cases[] = {
        {kGerman, "German", "exact, ahead of an earlier one of the same primary"},
        {0x0C07, "GermanSwiss", "first of the same primary"},
        {kEnglishUS, "EnglishUS", "sub-language written as 01"},
        {0x0C09, "EnglishUK", "first of the same primary"},
        {kFrench, "French", "a third field is ignored"},
        {kJapanese, "Japanese", "non-hex characters are skipped"},
        {0x041A, "Upper", "upper-case hex digits"},
        {0x0416, "EnglishUK", "first English entry"},
        {0x0000, "Orphan", "an entry without '=' reads as 0,0"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.section, Section(profile, c.langId)) << c.why;
    EXPECT_EQ("French", Section(ProfileFixture("no_english.ini"), kJapanese))
        << "without English, the first entry";
}

TEST(LanguageSection, MissingOrLargeSectionsAndSmallBuffers)
{
    EXPECT_EQ(Error(-1), Section(ProfileFixture("no_language.ini"), kEnglishUS));
    EXPECT_EQ(Error(-1), Section("C:\\NORVA\\missing.ini", kEnglishUS));

    std::string text = "[Language]\r\n";
    for (int i = 0; i < 60; ++i)
        text += "Filler" + std::to_string(i) + "=7,2\r\n";
    EXPECT_EQ("Wanted", Section(WriteTempFile("big.ini", text + "Wanted=11,1\r\n"), kJapanese))
        << "a section of several 260-byte blocks is read whole";

    char section[16] = "unchanged";
    unsigned size = 6;
    const std::string profile = ProfileFixture("languages.ini");
    EXPECT_EQ(kBufferTooSmall, GetLanguageSection(section, &size, profile.c_str(), kGerman));
    EXPECT_EQ(7u, size) << "\"German\" and its terminating zero";
    EXPECT_STREQ("unchanged", section);
    const std::string longName = "[Language]\r\n" + std::string(300, 'S') + "=9,1\r\n";
    EXPECT_EQ(Error(kBufferTooSmall), Section(WriteTempFile("longname.ini", longName), kEnglishUS));
}

namespace {

const std::string kGermanLibrary = std::string(kInstallDir) + "\\NVUTYDEU.DLL";

class ResourceLibrary : public ::testing::Test {
protected:
    void SetUp() override
    {
        ResetProductKeys();
        InstallProductModel();
        DeleteFileA(kGermanLibrary.c_str());
    }

    static void UseProfile(const std::string& path)
    {
        SetProductString(kProfileKey, "TX1", path);
    }
    static void SetModel(const char* name, const std::string& value)
    {
        SetProductString(DriverKey(kProductDriver), name, value);
    }

    // The library's path, or Error(result).
    static std::string Resolve(LANGID langId, unsigned size = 260, const char* printer = "LP-1")
    {
        char path[400] = "";
        int result = ResolveResourceLibraryFor(PrinterModel(printer), langId, path, size);
        return result == 0 ? path : Error(result);
    }
};

}  // namespace

TEST_F(ResourceLibrary, TheUsersLanguageElseEnglishUS)
{
    EXPECT_EQ(kEnglishLibrary, Resolve(kGerman)) << "German library missing";
    EXPECT_EQ(kEnglishLibrary, Resolve(kFrench)) << "section naming no library";
    CopyFileA(kEnglishLibrary.c_str(), kGermanLibrary.c_str(), FALSE);
    EXPECT_EQ(kGermanLibrary, Resolve(kGerman));
    EXPECT_EQ(kEnglishLibrary, Resolve(kEnglishUS));

    UseProfile(ProfileFixture("no_library.ini"));
    EXPECT_EQ(Error(kResourceNoLibrary), Resolve(kEnglishUS));
}

TEST_F(ResourceLibrary, MissingDataOrPathsThatDoNotFitGiveNoLibrary)
{
    EXPECT_EQ(Error(kResourceNotFound), Resolve(kEnglishUS, 260, kForeignPrinter));
    UseProfile(ProfileFixture("no_language.ini"));
    EXPECT_EQ(Error(kResourceNotFound), Resolve(kEnglishUS));
    UseProfile(ProfileFixture("model.ini"));

    const unsigned length = static_cast<unsigned>(kEnglishLibrary.size());
    EXPECT_EQ(Error(kBufferTooSmall), Resolve(kEnglishUS, length)) << "no room for the terminating zero";
    EXPECT_EQ(kEnglishLibrary, Resolve(kEnglishUS, length + 1));

    // Folder, backslash and library name must stay below 260 bytes.
    SetModel("InstallPath", "C:\\" + std::string(243, 'D'));
    EXPECT_EQ(259u, Resolve(kEnglishUS).size());
    SetModel("InstallPath", "C:\\" + std::string(244, 'D'));
    EXPECT_EQ(Error(kResourceNotFound), Resolve(kEnglishUS));
    SetModel("InstallPath", "C:\\" + std::string(300, 'D'));
    EXPECT_EQ(Error(kResourceNotFound), Resolve(kEnglishUS)) << "folder longer than its buffer";
    SetModel("InstallPath", kInstallDir);

    UseProfile(WriteTempFile("longlib.ini", "[Language]\r\nEnglish=9,1\r\n[English]\r\nSHELLRES=" +
                                                std::string(300, 'L') + "\r\n"));
    EXPECT_EQ(Error(kResourceNotFound), Resolve(kEnglishUS)) << "library name fills its buffer";
    UseProfile(WriteTempFile("longsection.ini",
                             "[Language]\r\n" + std::string(300, 'S') + "=9,1\r\n"));
    EXPECT_EQ(Error(kResourceNotFound), Resolve(kEnglishUS)) << "section name longer than its buffer";
}
