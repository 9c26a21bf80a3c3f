#include "resource_library.h"

#include "shellext_env.h"

#include <gtest/gtest.h>

#include <string>

namespace {

constexpr LANGID kGerman = 0x0407;
constexpr LANGID kGermanAustria = 0x0C07;
constexpr LANGID kFrench = 0x040C;
constexpr LANGID kEnglishUS = 0x0409;
constexpr LANGID kEnglishUK = 0x0809;
constexpr LANGID kEnglishAustralia = 0x0C09;
constexpr LANGID kJapanese = 0x0411;
constexpr LANGID kCroatian = 0x041A;
constexpr LANGID kPortugueseBrazil = 0x0416;

const std::string kGeneratedDir = "C:\\NORVA\\profiles";

std::string Section(const std::string& profile, LANGID langId, int* result = NULL,
                    unsigned size = 260)
{
    char section[600] = "unchanged";
    unsigned sectionSize = size;
    int status = GetLanguageSection(section, &sectionSize, profile.c_str(), langId);
    if (result != NULL)
        *result = status;
    return status == 0 ? section : "error " + std::to_string(status);
}

std::string Generated(const std::string& name, const std::string& text)
{
    MakeDirectories(kGeneratedDir);
    std::string path = kGeneratedDir + "\\" + name;
    WriteTextFile(path, text);
    return path;
}

}  // namespace

TEST(LanguageSection, TheBestFittingEntryIsChosen)
{
    const std::string profile = ProfileFixture("languages.ini");
    EXPECT_EQ("German", Section(profile, kGerman)) << "exact, ahead of an earlier same-primary";
    EXPECT_EQ("GermanSwiss", Section(profile, kGermanAustria)) << "first of the same primary";
    EXPECT_EQ("EnglishUS", Section(profile, kEnglishUS)) << "sub-language written as 01";
    EXPECT_EQ("EnglishUK", Section(profile, kEnglishUK));
    EXPECT_EQ("EnglishUK", Section(profile, kEnglishAustralia));
    EXPECT_EQ("French", Section(profile, kFrench)) << "a third field is ignored";
    EXPECT_EQ("Japanese", Section(profile, kJapanese)) << "non-hex characters are skipped";
    EXPECT_EQ("Upper", Section(profile, kCroatian)) << "upper-case hex digits";
    EXPECT_EQ("EnglishUK", Section(profile, kPortugueseBrazil)) << "first English entry";
    EXPECT_EQ("Orphan", Section(profile, MAKELANGID(LANG_NEUTRAL, SUBLANG_NEUTRAL)))
        << "an entry without '=' reads as 0,0";

    EXPECT_EQ("French", Section(ProfileFixture("no_english.ini"), kJapanese))
        << "without English, the first entry";
}

TEST(LanguageSection, AMissingSectionOrProfileIsReported)
{
    int result = 0;
    Section(ProfileFixture("no_language.ini"), kEnglishUS, &result);
    EXPECT_EQ(-1, result);
    Section("C:\\NORVA\\missing.ini", kEnglishUS, &result);
    EXPECT_EQ(-1, result);
}

TEST(LanguageSection, ASectionLargerThanOneBlockIsReadWhole)
{
    std::string text = "[Language]\r\n";
    for (int i = 0; i < 60; ++i)
        text += "Filler" + std::to_string(i) + "=7,2\r\n";
    text += "Wanted=11,1\r\n";
    ASSERT_GT(text.size(), 3 * 260u);
    EXPECT_EQ("Wanted", Section(Generated("big.ini", text), kJapanese));
}

TEST(LanguageSection, ANameThatDoesNotFitGivesTheNeededSize)
{
    const std::string profile = ProfileFixture("languages.ini");
    char section[16] = "unchanged";
    unsigned size = 6;
    EXPECT_EQ(kBufferTooSmall, GetLanguageSection(section, &size, profile.c_str(), kGerman));
    EXPECT_EQ(7u, size) << "\"German\" and its terminating zero";
    EXPECT_STREQ("unchanged", section);
    EXPECT_EQ(0, GetLanguageSection(section, &size, profile.c_str(), kGerman));
    EXPECT_STREQ("German", section);

    const std::string longName(300, 'S');
    int result = 0;
    Section(Generated("longname.ini", "[Language]\r\n" + longName + "=9,1\r\n"), kEnglishUS,
            &result);
    EXPECT_EQ(kBufferTooSmall, result);
}

namespace {

const std::string kEnglishLibrary = std::string(kInstallDir) + "\\NVUTYENU.DLL";
const std::string kGermanLibrary = std::string(kInstallDir) + "\\NVUTYDEU.DLL";

class ResourceLibrary : public ::testing::Test {
protected:
    void SetUp() override
    {
        EnsureTestPrinters();
        ResetProductKeys();
        WriteModelKeys();
        MakeDirectories(kInstallDir);
        DeleteFileA(kGermanLibrary.c_str());
        ASSERT_TRUE(CopyBuiltFile("shellext_testres.dll", kEnglishLibrary));
        SetHklmString(DriverKey(kProductDriver), "InstallPath", kInstallDir);
        SetHklmString(DriverKey(kProductDriver), "ModelID", "TX1");
        UseProfile(ProfileFixture("model.ini"));
    }
    void TearDown() override { DeleteHklmTree("software\\NORVA"); }

    static void UseProfile(const std::string& path)
    {
        SetHklmString("software\\NORVA\\VTR3\\Profile", "TX1", path);
    }

    static std::string Resolve(LANGID langId, int* result, unsigned size = 260)
    {
        char path[400] = "";
        *result = ResolveResourceLibraryFor(kProductPrinter, langId, path, size);
        return path;
    }
};

}  // namespace

TEST_F(ResourceLibrary, TheUsersLanguagePicksItsLibraryWhenItExists)
{
    ASSERT_TRUE(CopyBuiltFile("shellext_testres.dll", kGermanLibrary));
    int result = 1;
    EXPECT_EQ(kGermanLibrary, Resolve(kGerman, &result));
    EXPECT_EQ(0, result);
    EXPECT_EQ(kEnglishLibrary, Resolve(kEnglishUS, &result));
    EXPECT_EQ(0, result);
}

TEST_F(ResourceLibrary, AMissingLibraryFallsBackToEnglish)
{
    int result = 1;
    EXPECT_EQ(kEnglishLibrary, Resolve(kGerman, &result));
    EXPECT_EQ(0, result);
    EXPECT_EQ(kEnglishLibrary, Resolve(kFrench, &result)) << "section naming no library";
    EXPECT_EQ(0, result);

    // The English library is named whether it exists or not.
    DeleteFileA(kEnglishLibrary.c_str());
    EXPECT_EQ(kEnglishLibrary, Resolve(kGerman, &result));
    EXPECT_EQ(0, result);
}

TEST_F(ResourceLibrary, TheUsersLanguageIsTheDefault)
{
    char path[260];
    char expected[260];
    int result = ResolveResourceLibrary(kProductPrinter, path, sizeof path);
    EXPECT_EQ(ResolveResourceLibraryFor(kProductPrinter, GetUserDefaultLangID(), expected,
                                        sizeof expected),
              result);
    EXPECT_STREQ(expected, path);
}

TEST_F(ResourceLibrary, NoLibraryNamedAtAll)
{
    UseProfile(ProfileFixture("no_library.ini"));
    int result = 0;
    Resolve(kEnglishUS, &result);
    EXPECT_EQ(kResourceNoLibrary, result);
}

TEST_F(ResourceLibrary, MissingModelDataIsNotFound)
{
    int result = 0;
    char path[260];
    EXPECT_EQ(kResourceNotFound, ResolveResourceLibraryFor(kForeignPrinter, kEnglishUS, path, 260));
    EXPECT_EQ(kResourceNotFound, ResolveResourceLibraryFor("Not In Spooler", kEnglishUS, path, 260));

    UseProfile(ProfileFixture("no_language.ini"));
    Resolve(kEnglishUS, &result);
    EXPECT_EQ(kResourceNotFound, result);

    UseProfile("");
    Resolve(kEnglishUS, &result);
    EXPECT_EQ(kResourceNotFound, result);

    UseProfile(ProfileFixture("model.ini"));
    SetHklmString(DriverKey(kProductDriver), "ModelID", "");
    Resolve(kEnglishUS, &result);
    EXPECT_EQ(kResourceNotFound, result);

    SetHklmString(DriverKey(kProductDriver), "ModelID", "TX1");
    SetHklmString(DriverKey(kProductDriver), "InstallPath", "");
    Resolve(kEnglishUS, &result);
    EXPECT_EQ(kResourceNotFound, result);
}

TEST_F(ResourceLibrary, PathsThatDoNotFitAreRefused)
{
    int result = 0;
    Resolve(kEnglishUS, &result, static_cast<unsigned>(kEnglishLibrary.size()));
    EXPECT_EQ(kBufferTooSmall, result) << "no room for the terminating zero";
    EXPECT_EQ(kEnglishLibrary, Resolve(kEnglishUS, &result,
                                       static_cast<unsigned>(kEnglishLibrary.size() + 1)));
    EXPECT_EQ(0, result);

    const std::string longLibrary(300, 'L');
    UseProfile(Generated("longlib.ini", "[Language]\r\nEnglish=9,1\r\n[English]\r\nSHELLRES=" +
                                            longLibrary + "\r\n"));
    Resolve(kEnglishUS, &result);
    EXPECT_EQ(kResourceNotFound, result) << "library name fills the buffer";

    UseProfile(ProfileFixture("model.ini"));
    SetHklmString(DriverKey(kProductDriver), "InstallPath", "C:\\" + std::string(244, 'D'));
    Resolve(kEnglishUS, &result);
    EXPECT_EQ(kResourceNotFound, result) << "folder, backslash and name reach 260";
    SetHklmString(DriverKey(kProductDriver), "InstallPath", "C:\\" + std::string(243, 'D'));
    EXPECT_EQ(259u, Resolve(kEnglishUS, &result).size());
    EXPECT_EQ(0, result);

    SetHklmString(DriverKey(kProductDriver), "InstallPath", "C:\\" + std::string(300, 'D'));
    Resolve(kEnglishUS, &result);
    EXPECT_EQ(kResourceNotFound, result) << "folder longer than its buffer";

    SetHklmString(DriverKey(kProductDriver), "InstallPath", kInstallDir);
    const std::string longSection(300, 'S');
    UseProfile(Generated("longsection.ini", "[Language]\r\n" + longSection + "=9,1\r\n"));
    Resolve(kEnglishUS, &result);
    EXPECT_EQ(kResourceNotFound, result) << "section name longer than its buffer";
}
