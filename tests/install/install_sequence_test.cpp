#include "app_test_support.h"
#include "install_run.h"
#include "install_test_files.h"
#include "registry.h"
#include "startup_links.h"
#include "uninstall_run.h"
#include "setup_host.h"
#include "spooler.h"
#include "test_frame.h"

#include <gtest/gtest.h>
#include <shlobj.h>

#include <algorithm>
#include <memory>

namespace {

std::string CurrentDirectory()
{
    char path[MAX_PATH];
    GetCurrentDirectoryA(MAX_PATH, path);
    return path;
}

bool IsDirectory(const std::string& path)
{
    DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

}  // namespace

TEST(DirectoryPath, MissingLevelsAreCreatedAndTheCurrentDirectoryRestored)
{
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    const std::string base = std::string(temp) + "monsetup dirs";
    CreateDirectoryA(base.c_str(), NULL);
    CreateDirectoryA((base + "\\a").c_str(), NULL);
    const std::string start = CurrentDirectory();
    TestFrame frame;

    EXPECT_TRUE(InstallRun(frame).CreateDirectoryPath(base + "\\a\\b\\c", NULL));
    EXPECT_TRUE(IsDirectory(base + "\\a\\b\\c"));
    EXPECT_EQ(start, CurrentDirectory());
    EXPECT_TRUE(InstallRun(frame).CreateDirectoryPath(base + "\\a\\b\\c\\", NULL)) << "all levels there";

    // Relative paths grow below the current directory.
    ASSERT_TRUE(SetCurrentDirectoryA(base.c_str()));
    EXPECT_TRUE(InstallRun(frame).CreateDirectoryPath("r\\s", NULL));
    EXPECT_TRUE(IsDirectory(base + "\\r\\s"));
    EXPECT_EQ(base, CurrentDirectory());

    // A file in the way, or a drive that is not there.
    WriteText(base + "\\file", "");
    EXPECT_FALSE(InstallRun(frame).CreateDirectoryPath(base + "\\file\\sub", NULL));
    EXPECT_EQ(base, CurrentDirectory());
    EXPECT_FALSE(InstallRun(frame).CreateDirectoryPath("Q:\\nowhere", NULL));

    SetCurrentDirectoryA(start.c_str());
    for (const char* dir : {"\\a\\b\\c", "\\a\\b", "\\a", "\\r\\s", "\\r"})
        RemoveDirectoryA((base + dir).c_str());
    DeleteFileA((base + "\\file").c_str());
    RemoveDirectoryA(base.c_str());
}

// Whole install runs of MONCHK04.exe, started by the setup host code, against
// Wine's spooler: a product driver with one printer, our do-nothing language
// monitor in the system directory, and fake SDK and COPYEXEC programs in the
// driver directory.
namespace {

const char kDriver[] = "NORVA LP-1";
const char kPrinter[] = "NORVA LP-1 (test)";
const char kMonitor[] = "NORVA LM";
const char kCopyExec[] = "vtrcopy.exe";

std::string StartupFolder(int osKind)
{
    LPITEMIDLIST list = NULL;
    char path[MAX_PATH] = "";
    if (SUCCEEDED(SHGetSpecialFolderLocation(
            NULL, osKind == 1 ? CSIDL_STARTUP : CSIDL_COMMON_STARTUP, &list))) {
        SHGetPathFromIDListA(list, path);
        CoTaskMemFree(list);
    }
    return path;
}

// The VTRCommon flags present, as "name=value" lines.
std::string Flags()
{
    std::string flags;
    for (const char* name :
         {"RST_FREPLACE", "ERR_ZQAPIINUSE", "ERR_OSVERNOTSUPPORT", "ERR_OTHERS"}) {
        if (ValueExists(kVtrCommonKey, name))
            flags += name + ("=" + std::to_string(DwordValue(kVtrCommonKey, name))) + " ";
    }
    return flags;
}

class WholeInstallRun : public ::testing::Test {
protected:
    void SetUp() override
    {
        ResetProductKeys();
        ASSERT_TRUE(spooler.InstallDriver(kDriver)) << spooler.lastError;
        ASSERT_TRUE(spooler.InstallPrinter(kPrinter, kDriver)) << spooler.lastError;
        std::optional<DriverRecord> driver = InstalledDriver(kDriver);
        ASSERT_TRUE(driver.has_value());
        driverDir = driver->driverPath.substr(0, driver->driverPath.find_last_of('\\'));
        for (auto copy : {std::make_pair("TESTLMON.DLL", SystemDirectory() + "\\TESTLMON.DLL"),
                          std::make_pair("NR_Comb.exe", driverDir + "\\NR_Comb.exe"),
                          std::make_pair("fake_copyexec.exe", driverDir + "\\" + kCopyExec)})
            ASSERT_TRUE(CopyFileA(BesideThisProgram(copy.first).c_str(), copy.second.c_str(),
                                  FALSE)) << copy.second;
        copyDir = StringValue("Software\\Microsoft\\Windows\\CurrentVersion", "CommonFilesDir") +
                  "\\NORVA\\HTML\\tools\\deep";

        // The port settings go to the driver's key of a 32-bit system:
        // directly under "Drivers" on Windows 98, under "Version-<n>" of
        // "Windows NT x86" on NT. Wine files 98 drivers under "Version-0", and
        // a 64-bit test build sees the "Windows x64" environment, so the key
        // the program writes to is made here.
        driverKey = std::string("System\\CurrentControlSet\\control\\Print\\Environments\\") +
                    (OsKindOfThisWindows() == 1
                         ? std::string("Windows 4.0\\Drivers\\")
                         : "Windows NT x86\\Drivers\\Version-" +
                               std::to_string(driver->version) + "\\") +
                    kDriver;
        CreateKey(driverKey);
    }

    void TearDown() override
    {
        for (const char* base : {"NR_Comb", "SdkSetup"}) {
            for (const char* extension : {".exe", ".answer", ".cmdline", ".params", ".done"})
                DeleteFileA((driverDir + "\\" + base + extension).c_str());
        }
        SetFileAttributesA((copyDir + "\\" + kCopyExec).c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileA((copyDir + "\\" + kCopyExec).c_str());
        DeleteFileA((copyDir + "\\vtrcopy.ran").c_str());
    }

    // The setup INI of the product, with `extra` lines in [Install].
    void WriteIni(const std::string& extra = std::string())
    {
        ini.reset();
        ini.reset(new TempIni(
            "[Install]\r\n"
            "LANGUAGEMON1=\"TESTLMON.DLL\",\"NORVA LM\"\r\n"
            "LANGUAGEMON2=\"TESTLMON.DLL\",\"NORVA LM\"\r\n"
            "LANGUAGEMON3=\"TESTLMON.DLL\",\"NORVA LM\"\r\n"
            "DRVNAME=\"NORVA LP-1\"\r\n"
            "COPYEXEC=HTMLDIR+\"\\tools\\deep\",\"vtrcopy.exe\"\r\n"
            "REGPATH=REG0,\"HKEY_LOCAL_MACHINE\\Software\\NORVA\\VTR3\\Model\"\r\n"
            "REGENTER=REG0,\"Home\",DRIVERDIR\r\n"
            "LPT_VECP=1\r\n" + extra +
            "[Language]\r\nEnglish=09,01\r\n"
            "[English]\r\nSHORTCUT=\"VTR3 Check\"\r\n",
            "monsetup install.ini"));
    }

    // The fake installer's answers, one message a line.
    void Answer(const std::string& lines, const char* installer = "NR_Comb")
    {
        WriteText(driverDir + "\\" + installer + ".answer", lines);
    }

    HostResult Install()
    {
        return RunAsSetupHost(BesideThisProgram("MONCHK04.exe"), "/I:\"" + ini->path + "\"",
                              30000);
    }

    SpoolerFixture spooler;
    std::string driverDir;
    std::string copyDir;
    std::string driverKey;
    std::unique_ptr<TempIni> ini;
};

}  // namespace

TEST_F(WholeInstallRun, EveryStepLeavesItsMarkAndTheReplacementIsReported)
{
    // The COPYEXEC folder lies under "C:\Program Files": a planted
    // C:\Program.exe must never run in the program's place.
    ASSERT_TRUE(CopyFileA(BesideThisProgram("fake_copyexec.exe").c_str(), "C:\\Program.exe",
                          FALSE));
    WriteIni();
    Answer("installer 0 0x1\r\nsdk 0 0x200001\r\n");
    EXPECT_EQ("1 message(s), last 2/0", Posted(Install()));
    EXPECT_EQ("0/0", SdkResult());
    EXPECT_EQ("RST_FREPLACE=1 ", Flags());

    // The monitor, bidirectional support and the model's record.
    EXPECT_EQ(kMonitor, DriverMonitorName(kDriver));
    EXPECT_EQ("TESTLMON.DLL",
              StringValue(std::string("System\\CurrentControlSet\\control\\Print\\Monitors\\") +
                              kMonitor, "Driver"));
    EXPECT_EQ(kBidiAttribute, PrinterAttributes(kPrinter).value_or(0) & kBidiAttribute);
    EXPECT_EQ(kMonitor, StringValue("Software\\NORVA\\VTR3\\Driver\\NORVA LP-1", "LanguageMon"));

    // Registry entries and port settings.
    EXPECT_EQ(driverDir, StringValue("Software\\NORVA\\VTR3\\Model", "Home"));
    EXPECT_EQ(1u, DwordValue(driverKey, "LPT_VECP"));

    // The Startup link, in the folder of this Windows.
    const std::string startup = StartupFolder(OsKindOfThisWindows());
    EXPECT_TRUE(FileExists(startup + "\\VTR3 Check.lnk")) << startup;

    // The COPYEXEC program, copied two missing levels deep and started there
    // with its path alone (Wine quotes a path with blanks on the way).
    std::string ran = FileText(copyDir + "\\vtrcopy.ran");
    ran.erase(std::remove(ran.begin(), ran.end(), '"'), ran.end());
    EXPECT_EQ(copyDir + "\\" + kCopyExec + "\r\n" + copyDir + "\r\n", ran);
    EXPECT_FALSE(FileExists("C:\\Program.ran"));
    DeleteFileA("C:\\Program.exe");

    // The combined installer was told where to answer.
    std::string command = FileText(driverDir + "\\NR_Comb.cmdline");
    EXPECT_NE(std::string::npos, command.find(" /AN=\"NORVA LP-1\" /Ret=WM:")) << command;
}

// Each run starts from the flags the previous one left: they are cleared.
TEST_F(WholeInstallRun, EachAnswerOfTheInstallersIsReportedAndFlagged)
{
    WriteIni();
    struct Case {
        const char* answers;
        const char* posted;
        const char* sdkResult;
        const char* flags;
    } cases[] = {
        {"installer 0 0x20\r\n", "1 message(s), last 1/0", "1/32", "ERR_OSVERNOTSUPPORT=1 "},
        {"installer 0 0x1\r\nsdk 0 0x400\r\n", "1 message(s), last 3/2", "2/1024",
         "RST_FREPLACE=0 ERR_ZQAPIINUSE=1 "},
        // The installer fails, the SDK setup answers; then both answer again
        // with other flags, which the run no longer awaits.
        {"installer 0 0x10000\r\nsdk 0 0x1\r\ninstaller 0 0x1\r\nsdk 0 0x400\r\n",
         "1 message(s), last 3/1", "1/65536", "RST_FREPLACE=0 ERR_OTHERS=1 "},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.answers);
        Answer(c.answers);
        EXPECT_EQ(c.posted, Posted(Install()));
        EXPECT_EQ(c.sdkResult, SdkResult());
        EXPECT_EQ(c.flags, Flags());
    }
}

TEST_F(WholeInstallRun, ReadOnlyCopyIsOverwrittenAndTheNamedInstallerGetsAParameterFile)
{
    ASSERT_TRUE(CopyFileA(BesideThisProgram("NR_Comb.exe").c_str(),
                          (driverDir + "\\SdkSetup.exe").c_str(), FALSE));
    WriteIni("SDKFILENAME=\"SdkSetup.exe\",\"zq.ini\"\r\n");
    Answer("installer 0 0x1\r\nsdk 0 0x1\r\n", "SdkSetup");

    // A read-only copy of the program from an earlier install.
    RunState state;
    ASSERT_TRUE(InstallRun(state).CreateDirectoryPath(copyDir, NULL));
    WriteText(copyDir + "\\" + kCopyExec, "old");
    SetFileAttributesA((copyDir + "\\" + kCopyExec).c_str(), FILE_ATTRIBUTE_READONLY);

    EXPECT_EQ("1 message(s), last 1/0", Posted(Install()));
    EXPECT_TRUE(FileExists(copyDir + "\\vtrcopy.ran")) << "the new copy ran";
    std::string params = FileText(driverDir + "\\SdkSetup.params");
    EXPECT_EQ(0u, params.find("/Ini=\"zq.ini\" /WM=")) << params;
    EXPECT_NE(std::string::npos, params.find(" -s -a /Act=In")) << params;
    std::string command = FileText(driverDir + "\\SdkSetup.cmdline");
    EXPECT_NE(std::string::npos, command.find("SdkSetup.exe\" /F=\"")) << command;
}

TEST_F(WholeInstallRun, SettingsFailureEndsTheRunBeforeAnyChange)
{
    ini.reset(new TempIni("[Install]\r\nDRVNAME=x\r\n", "monsetup install.ini"));
    // 16/2 (no monitor entry for this Windows) is reported as success.
    EXPECT_EQ("1 message(s), last 1/0", Posted(Install()));
    EXPECT_EQ("16/2", SdkResult());
    EXPECT_EQ("", DriverMonitorName(kDriver));
    EXPECT_FALSE(FileExists(driverDir + "\\NR_Comb.cmdline"));
}

// Wine always runs programs as an administrator: this run is told it has no
// such rights. On NT the monitor, the port settings and the Startup link are
// left alone, and the SDK installer is told to leave the printers alone too;
// Windows 95/98 knows no administrators and runs every step.
TEST_F(WholeInstallRun, WithoutAdministratorRightsOnlyTheUsersStepsRun)
{
    WriteIni();
    FakeInstaller installer(driverDir, "NR_Comb");
    const std::string startupLink = StartupFolder(OsKindOfThisWindows()) + "\\VTR3 Check.lnk";
    DeleteFileA(startupLink.c_str());
    Registry(HKEY_LOCAL_MACHINE, driverKey, NULL, FALSE, Registry::kAllAccess).DeleteValue("LPT_VECP");

    TestFrame frame("/I:\"" + ini->path + "\"");
    frame.administrator = FALSE;
    EXPECT_TRUE(frame.ExecuteOperation(FALSE));
    const bool nt = OsKindOfThisWindows() != 1;
    EXPECT_EQ(0, frame.result.ErrorCode1());
    EXPECT_EQ(nt ? "" : kMonitor, DriverMonitorName(kDriver));
    EXPECT_EQ(!nt, ValueExists(driverKey, "LPT_VECP"));
    EXPECT_EQ(!nt, FileExists(startupLink));
    EXPECT_EQ(driverDir, StringValue("Software\\NORVA\\VTR3\\Model", "Home"));

    const std::string command = installer.CommandLine();
    EXPECT_NE(std::string::npos,
              command.find(nt ? " -s -a /Act=In /RepPM=N /ZQP=LPT:NC,OTH:On"
                              : " -s -a /Act=In /ZQP=A:On"))
        << command;
}
