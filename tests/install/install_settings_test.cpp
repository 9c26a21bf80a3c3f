#include "app_test_support.h"
#include "install_run.h"
#include "install_test_files.h"
#include "startup_links.h"
#include "uninstall_run.h"
#include "registry.h"
#include "setup_host.h"
#include "spooler.h"
#include "test_frame.h"
#include "test_windows.h"

#include <gtest/gtest.h>

namespace {

std::string TempDir()
{
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    return temp;
}

class Settings : public ::testing::Test {
protected:
    void SetUp() override
    {
        frame.environment.osKind = OsKindOfThisWindows();
        iniPath = TempDir() + "monsetup setup.ini";
    }
    void TearDown() override { DeleteFileA(iniPath.c_str()); }

    void UseIni(const std::string& text)
    {
        WriteText(iniPath, text);
        frame.cmdLine.installArg = frame.settings.iniPath = iniPath;
    }

    TestFrame frame;
    std::string iniPath;
};

const char kFullInstall[] =
    "[Install]\r\n"
    "LANGUAGEMON1=\"nrlm9x.dll\",\"NORVA LM 9x\"\r\n"
    "LANGUAGEMON2=\"nrlmnt.dll\",\"NORVA LM NT4\"\r\n"
    "LANGUAGEMON3=\"nrlm2k.dll\",\"NORVA LM 2000\"\r\n"
    "DRVNAME=\"NORVA LP-1\"\r\n"
    "SHORTCUT=\"VTR Check\"\r\n"
    "SDKFILENAME=\"zqsetup.exe\",\"zq.ini\"\r\n"
    "COPYEXEC=HTMLDIR+\"\\tools\",\"vtrcopy.exe\"\r\n"
    "[Language]\r\n"
    "English=09,01\r\n"
    "[English]\r\n";

}  // namespace

TEST_F(Settings, InstallSectionFillsTheSettingsForThisWindows)
{
    UseIni(kFullInstall);
    ASSERT_TRUE(InstallRun(frame).LoadInstallSettings());
    const int kind = frame.environment.osKind;
    EXPECT_EQ(kind == 1 ? "nrlm9x.dll" : kind == 2 ? "nrlmnt.dll" : "nrlm2k.dll",
              frame.settings.langMonitorDll);
    EXPECT_EQ(kind == 1 ? "NORVA LM 9x" : kind == 2 ? "NORVA LM NT4" : "NORVA LM 2000",
              frame.settings.langMonitorName);
    EXPECT_EQ("NORVA LP-1", frame.settings.driverName);
    EXPECT_EQ("VTR Check", frame.settings.shortcutName);
    EXPECT_EQ("zqsetup.exe", frame.settings.sdkInstaller);
    EXPECT_EQ("zq.ini", frame.settings.sdkIniFile);

    const std::string common =
        StringValue("Software\\Microsoft\\Windows\\CurrentVersion", "CommonFilesDir");
    ASSERT_FALSE(common.empty());
    EXPECT_EQ(common + "\\NORVA\\HTML", frame.settings.htmlDir);
    EXPECT_EQ(common + "\\NORVA\\HTML\\tools", frame.settings.copyExecDir);
    EXPECT_EQ("vtrcopy.exe", frame.settings.copyExecFile);
    EXPECT_EQ("0/0", Pair(frame));
}

TEST_F(Settings, MissingEntriesGiveTheirCodes)
{
    const std::pair<const char*, const char*> cases[] = {
        {"[Install]\r\nDRVNAME=x\r\n", "16/2"},  // no monitor entry for this Windows
        {"[Install]\r\nLANGUAGEMON1=a,b\r\nLANGUAGEMON2=a,b\r\nLANGUAGEMON3=a,b\r\n", "6/3"},
        {"[Other]\r\nDRVNAME=x\r\n", "6/1"},
    };
    for (const auto& c : cases) {
        UseIni(c.first);
        EXPECT_FALSE(InstallRun(frame).LoadInstallSettings()) << c.first;
        EXPECT_EQ(c.second, Pair(frame)) << c.first;
    }
    frame.cmdLine.installArg = TempDir() + "missing.ini";
    EXPECT_FALSE(InstallRun(frame).LoadInstallSettings());
    EXPECT_EQ("6/1", Pair(frame));
}

TEST_F(Settings, BareFileNameIsReadFromTheProgramsDirectory)
{
    const std::string name = "monsetup_" + PresentedWindows() + ".ini";
    const std::string beside = BesideThisProgram(name);
    WriteText(beside, kFullInstall);
    frame.cmdLine.installArg = name;
    EXPECT_TRUE(InstallRun(frame).LoadInstallSettings());
    EXPECT_EQ(beside, frame.settings.iniPath);
    DeleteFileA(beside.c_str());

    // Any backslash keeps the text as it is, relative or not.
    frame.cmdLine.installArg = "sub\\" + name;
    EXPECT_FALSE(InstallRun(frame).LoadInstallSettings());
    EXPECT_EQ("sub\\" + name, frame.settings.iniPath);
}

TEST_F(Settings, CopyExecIsReadBeforeTheDriverDirectoryIsKnown)
{
    UseIni("[Install]\r\nLANGUAGEMON1=a,b\r\nLANGUAGEMON2=a,b\r\nLANGUAGEMON3=a,b\r\n"
           "DRVNAME=x\r\nCOPYEXEC=DRIVERDIR+\"\\bin\",\"tool.exe\"\r\n");
    ASSERT_TRUE(InstallRun(frame).LoadInstallSettings());
    EXPECT_EQ("\\bin", frame.settings.copyExecDir);
    EXPECT_EQ("", frame.settings.shortcutName);
    EXPECT_EQ("", frame.settings.sdkInstaller);
}

// The language section chosen for the user's language, whatever it is.
class Language : public Settings {
protected:
    void SetUp() override
    {
        Settings::SetUp();
        const LANGID user = GetUserDefaultLangID();
        primary = user & 0x3FF;
        sub = user >> 10;
    }

    static std::string Hex(unsigned value)
    {
        char text[8];
        snprintf(text, sizeof text, "%02X", value);
        return text;
    }
    std::string Entry(const std::string& key, unsigned p, unsigned s)
    {
        return key + "=" + Hex(p) + "," + Hex(s) + "\r\n";
    }

    // An INI whose [Language] holds `entries`; every language section names
    // a shortcut after itself.
    void UseLanguages(const std::string& entries)
    {
        std::string text = "[Install]\r\nSHORTCUT=\"from install\"\r\n[Language]\r\n" + entries;
        for (const char* section : {"Exact", "Primary", "English", "Other", "Later"})
            text += std::string("[") + section + "]\r\nSHORTCUT=" + section + "\r\n";
        UseIni(text);
    }

    unsigned primary = 0;
    unsigned sub = 0;
};

TEST_F(Language, ExactMatchWinsThenPrimaryLanguageThenEnglish)
{
    const unsigned otherSub = sub + 1;
    UseLanguages(Entry("Primary", primary, otherSub) + Entry("Exact", primary, sub));
    ASSERT_TRUE(InstallRun(frame).SelectLanguage());
    EXPECT_EQ("Exact", frame.settings.shortcutName);

    if (primary == 9)
        GTEST_SKIP() << "English users: the fallback cases need another language";

    UseLanguages(Entry("English", 9, 1) + Entry("Primary", primary, otherSub) +
                 Entry("Later", primary, otherSub + 1));
    ASSERT_TRUE(InstallRun(frame).SelectLanguage());
    EXPECT_EQ("Primary", frame.settings.shortcutName);

    UseLanguages(Entry("Other", 0x13, 1) + Entry("English", 9, 2) + Entry("Later", 9, 1));
    ASSERT_TRUE(InstallRun(frame).SelectLanguage());
    EXPECT_EQ("English", frame.settings.shortcutName);
}

TEST_F(Language, NothingChosenGives6_11)
{
    UseLanguages(Entry("Other", primary == 0x13 ? 0x14 : 0x13, 1));
    EXPECT_FALSE(InstallRun(frame).SelectLanguage());
    EXPECT_EQ("6/11", Pair(frame));

    // A chosen entry with an empty key is no choice either.
    UseLanguages(" =" + Hex(primary) + "," + Hex(sub) + "\r\n");
    EXPECT_FALSE(InstallRun(frame).SelectLanguage());
    EXPECT_EQ("6/11", Pair(frame));
}

TEST_F(Language, ShortcutAndCopyExecOfTheLanguageSectionOverrideInstall)
{
    UseIni("[Language]\r\n" + Entry("Mine", primary, sub) +
           "[Mine]\r\nSHORTCUT=s\r\nCOPYEXEC=\"C:\\Tools\",\"local.exe\"\r\n");
    frame.settings.copyExecDir = "old";
    frame.settings.copyExecFile = "old.exe";
    ASSERT_TRUE(InstallRun(frame).SelectLanguage());
    EXPECT_EQ("s", frame.settings.shortcutName);
    EXPECT_EQ("C:\\Tools", frame.settings.copyExecDir);
    EXPECT_EQ("local.exe", frame.settings.copyExecFile);

    // Without a SHORTCUT key in the language section [Install]'s name stays.
    UseIni("[Language]\r\n" + Entry("Mine", primary, sub) + "[Mine]\r\nX=1\r\n");
    frame.settings.shortcutName = "from install";
    ASSERT_TRUE(InstallRun(frame).SelectLanguage());
    EXPECT_EQ("from install", frame.settings.shortcutName);

    // An empty one empties it, and the run cannot go on.
    UseIni("[Language]\r\n" + Entry("Mine", primary, sub) + "[Mine]\r\nSHORTCUT=\r\n");
    EXPECT_FALSE(InstallRun(frame).SelectLanguage());
    EXPECT_EQ("6/13", Pair(frame));

    UseIni("[Language]\r\n" + Entry("Gone", primary, sub));
    EXPECT_FALSE(InstallRun(frame).SelectLanguage());
    EXPECT_EQ("6/12", Pair(frame));

    UseIni("[Install]\r\n");
    EXPECT_FALSE(InstallRun(frame).SelectLanguage());
    EXPECT_EQ("6/10", Pair(frame));
}

TEST(DriverDirectory, WithTheTSwitchTheSpoolersDirectoryIsTaken)
{
    TestFrame frame;
    frame.environment.osKind = OsKindOfThisWindows();
    frame.cmdLine.tFlag = true;
    ASSERT_TRUE(InstallRun(frame).GetDriverDirectory());

    char directory[MAX_PATH];
    DWORD needed = 0;
    ASSERT_TRUE(GetPrinterDriverDirectoryA(NULL, NULL, 1, reinterpret_cast<BYTE*>(directory),
                                           sizeof directory, &needed));
    const char* suffix = frame.environment.osKind == 1 ? "" : frame.environment.osKind == 2 ? "\\2" : "\\3";
    EXPECT_EQ(std::string(directory) + suffix, frame.settings.driverDir);
    EXPECT_EQ(0u, frame.settings.driverVersion);
}

TEST(DriverDirectory, OnlyAnExactlyNamedDriverIsFound)
{
    SpoolerFixture spooler;
    ASSERT_TRUE(spooler.InstallDriver("NORVA LP-1")) << spooler.lastError;
    const DriverRecord driver = InstalledDriver("NORVA LP-1").value_or(DriverRecord());
    TestFrame frame;
    frame.environment.osKind = OsKindOfThisWindows();
    frame.settings.driverName = "NORVA LP-1";
    ASSERT_TRUE(InstallRun(frame).GetDriverDirectory());
    EXPECT_EQ(driver.driverPath.substr(0, driver.driverPath.rfind('\\')), frame.settings.driverDir);
    EXPECT_EQ(driver.version, frame.settings.driverVersion);

    frame.settings.driverName = "Norva LP-1";
    EXPECT_FALSE(InstallRun(frame).GetDriverDirectory());
    EXPECT_EQ("5/1", Pair(frame));
}

TEST(CommonFiles, MissingValueGives3_55)
{
    ResetProductKeys();
    TestFrame frame;
    {
        Registry current(HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Windows\\CurrentVersion",
                         NULL, FALSE, Registry::kAllAccess);
        std::string saved = current.QueryString("CommonFilesDir", "");
        current.DeleteValue("CommonFilesDir");
        EXPECT_EQ("", InstallRun(frame).GetCommonFilesDir());
        current.SetString("CommonFilesDir", saved);
    }
    EXPECT_EQ("3/55", Pair(frame));
}
