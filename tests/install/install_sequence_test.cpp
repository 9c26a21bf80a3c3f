#include "app_test_support.h"
#include "install_test_files.h"
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

class DirectoryPath : public ::testing::Test {
protected:
    void SetUp() override
    {
        char temp[MAX_PATH];
        GetTempPathA(MAX_PATH, temp);
        base = std::string(temp) + "monsetup dirs";
        CreateDirectoryA(base.c_str(), NULL);
        start = CurrentDirectory();
    }
    void TearDown() override
    {
        SetCurrentDirectoryA(start.c_str());
        for (const char* dir : {"\\a\\b\\c", "\\a\\b", "\\a", "\\r\\s", "\\r"})
            RemoveDirectoryA((base + dir).c_str());
        DeleteFileA((base + "\\file").c_str());
        RemoveDirectoryA(base.c_str());
    }

    TestFrame frame;
    std::string base;
    std::string start;
};

}  // namespace

TEST_F(DirectoryPath, MissingLevelsAreCreatedAndTheCurrentDirectoryRestored)
{
    CreateDirectoryA((base + "\\a").c_str(), NULL);
    EXPECT_TRUE(frame.CreateDirectoryPath(base + "\\a\\b\\c", NULL));
    EXPECT_TRUE(IsDirectory(base + "\\a\\b\\c"));
    EXPECT_EQ(start, CurrentDirectory());

    // Existing levels are entered; a trailing backslash changes nothing.
    EXPECT_TRUE(frame.CreateDirectoryPath(base + "\\a\\b\\c\\", NULL));
    EXPECT_EQ(start, CurrentDirectory());
}

TEST_F(DirectoryPath, RelativePathsGrowBelowTheCurrentDirectory)
{
    ASSERT_TRUE(SetCurrentDirectoryA(base.c_str()));
    EXPECT_TRUE(frame.CreateDirectoryPath("r\\s", NULL));
    EXPECT_TRUE(IsDirectory(base + "\\r\\s"));
    EXPECT_EQ(base, CurrentDirectory());
}

TEST_F(DirectoryPath, AFileInTheWayFails)
{
    HANDLE file = CreateFileA((base + "\\file").c_str(), GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, 0,
                              NULL);
    CloseHandle(file);
    EXPECT_FALSE(frame.CreateDirectoryPath(base + "\\file\\sub", NULL));
    EXPECT_EQ(start, CurrentDirectory());
    EXPECT_FALSE(frame.CreateDirectoryPath("Q:\\nowhere", NULL)) << "a drive that is not there";
}

// Whole install runs of MONCHK04.exe, started by the setup host code, against
// Wine's spooler: a product driver with one printer, our do-nothing language
// monitor in the system directory, and fake SDK and COPYEXEC programs in the
// driver directory.
namespace {

const char kDriver[] = "NORVA LP-1";
const char kPrinter[] = "NORVA LP-1 (test)";
const char kMonitor[] = "NORVA LM";
const char kMonitorDll[] = "TESTLMON.DLL";
const char kCopyExec[] = "vtrcopy.exe";

std::string SystemDirectory()
{
    char path[MAX_PATH];
    GetSystemDirectoryA(path, MAX_PATH);
    return path;
}

std::string ReadText(const std::string& path)
{
    return FileText(path);
}

void WriteText(const std::string& path, const std::string& text)
{
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, NULL, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, NULL);
    DWORD written = 0;
    WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, NULL);
    CloseHandle(file);
}

std::string StartupFolder(int osKind)
{
    LPITEMIDLIST list = NULL;
    char path[MAX_PATH] = "";
    int folder = osKind == 1 ? CSIDL_STARTUP : CSIDL_COMMON_STARTUP;
    if (SUCCEEDED(SHGetSpecialFolderLocation(NULL, folder, &list))) {
        SHGetPathFromIDListA(list, path);
        CoTaskMemFree(list);
    }
    return path;
}

class InstallRun : public ::testing::Test {
protected:
    void SetUp() override
    {
        ResetProductKeys();
        ASSERT_TRUE(spooler.InstallDriver(kDriver)) << spooler.lastError;
        ASSERT_TRUE(spooler.InstallPrinter(kPrinter, kDriver)) << spooler.lastError;
        std::optional<DriverRecord> driver = InstalledDriver(kDriver);
        ASSERT_TRUE(driver.has_value());
        driverDir = driver->driverPath.substr(0, driver->driverPath.find_last_of('\\'));

        ASSERT_TRUE(CopyFileA(BesideThisProgram(kMonitorDll).c_str(),
                              (SystemDirectory() + "\\" + kMonitorDll).c_str(), FALSE));
        ASSERT_TRUE(CopyFileA(BesideThisProgram("NR_Comb.exe").c_str(),
                              (driverDir + "\\NR_Comb.exe").c_str(), FALSE));
        ASSERT_TRUE(CopyFileA(BesideThisProgram("fake_copyexec.exe").c_str(),
                              (driverDir + "\\" + kCopyExec).c_str(), FALSE));
        common = StringValue("Software\\Microsoft\\Windows\\CurrentVersion", "CommonFilesDir");
        copyDir = common + "\\NORVA\\HTML\\tools\\deep";

        // Windows 98 keeps a driver's key right under "Drivers"; Wine files it
        // under "Version-0" whatever it presents, so the 98 key is made here.
        driverKey = OsKindOfThisWindows() == 1
                        ? std::string("System\\CurrentControlSet\\control\\Print\\Environments"
                                      "\\Windows 4.0\\Drivers\\") + kDriver
                        : DriverKeyPath(*driver);
        CreateKey(driverKey);
    }

    void TearDown() override
    {
        for (const char* name : {"NR_Comb.answer", "NR_Comb.cmdline", "NR_Comb.params",
                                 "NR_Comb.done", "SdkSetup.exe", "SdkSetup.answer",
                                 "SdkSetup.cmdline", "SdkSetup.params", "SdkSetup.done"})
            DeleteFileA((driverDir + "\\" + name).c_str());
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

    // The fake combined installer's answers, one message a line.
    void Answer(const std::string& lines, const char* installer = "NR_Comb")
    {
        WriteText(driverDir + "\\" + installer + ".answer", lines);
    }

    HostResult Install(const std::string& switches = std::string())
    {
        return RunAsSetupHost(BesideThisProgram("MONCHK04.exe"),
                              "/I:\"" + ini->path + "\"" + switches, 30000);
    }

    static void ExpectPosted(const HostResult& run, WPARAM wParam, LPARAM lParam)
    {
        EXPECT_FALSE(run.timedOut);
        EXPECT_EQ(1, run.messages);
        EXPECT_EQ(wParam, run.wParam);
        EXPECT_EQ(lParam, run.lParam);
    }

    static DWORD Flag(const char* name) { return DwordValue(kVtrCommonKey, name); }

    SpoolerFixture spooler;
    std::string driverDir;
    std::string common;
    std::string copyDir;
    std::string driverKey;
    std::unique_ptr<TempIni> ini;
};

}  // namespace

TEST_F(InstallRun, EveryStepLeavesItsMarkAndTheReplacementIsReported)
{
    WriteIni();
    Answer("installer 0 0x1\r\nsdk 0 0x200001\r\n");
    HostResult run = Install();
    ExpectPosted(run, 2, 0);
    EXPECT_EQ(0u, DwordValue(kSdkResultKey, "ErrorCode1"));
    EXPECT_EQ(0u, DwordValue(kSdkResultKey, "ErrorCode2"));
    EXPECT_EQ(1u, Flag("RST_FREPLACE"));
    EXPECT_FALSE(ValueExists(kVtrCommonKey, "ERR_OTHERS"));

    // The monitor, bidirectional support and the model's record.
    EXPECT_EQ(kMonitor, DriverMonitorName(kDriver));
    EXPECT_EQ(kMonitorDll,
              StringValue(std::string("System\\CurrentControlSet\\control\\Print\\Monitors\\") +
                              kMonitor,
                          "Driver"));
    EXPECT_EQ(kBidiAttribute, PrinterAttributes(kPrinter).value_or(0) & kBidiAttribute);
    EXPECT_EQ(kMonitor, StringValue("Software\\NORVA\\VTR3\\Driver\\NORVA LP-1", "LanguageMon"));

    // Registry entries and port settings.
    EXPECT_EQ(driverDir, StringValue("Software\\NORVA\\VTR3\\Model", "Home"));
    EXPECT_EQ(1u, DwordValue(driverKey, "LPT_VECP"));

    // The Startup link, in the folder of this Windows.
    const int osKind = OsKindOfThisWindows();
    EXPECT_TRUE(FileExists(StartupFolder(osKind) + "\\VTR3 Check.lnk"))
        << StartupFolder(osKind);

    // The COPYEXEC program, copied two missing levels deep and started there
    // with its path alone (Wine quotes a path with blanks on the way).
    std::string ran = ReadText(copyDir + "\\vtrcopy.ran");
    ran.erase(std::remove(ran.begin(), ran.end(), '"'), ran.end());
    EXPECT_EQ(copyDir + "\\" + kCopyExec + "\r\n" + copyDir + "\r\n", ran);

    // The combined installer was told where to answer.
    std::string command = ReadText(driverDir + "\\NR_Comb.cmdline");
    EXPECT_NE(std::string::npos, command.find(" /AN=\"NORVA LP-1\"")) << command;
}

TEST_F(InstallRun, SdkInUseAndUnsupportedWindowsAreFlagged)
{
    WriteIni();
    Answer("installer 0 0x1\r\nsdk 0 0x400\r\n");
    HostResult inUse = Install();
    ExpectPosted(inUse, 3, 2);
    EXPECT_EQ(1u, Flag("ERR_ZQAPIINUSE"));
    EXPECT_EQ(0u, Flag("RST_FREPLACE"));
    EXPECT_EQ(0x400u, DwordValue(kSdkResultKey, "ErrorCode2"));

    Answer("installer 0 0x20\r\n");
    HostResult unsupported = Install();
    ExpectPosted(unsupported, 1, 0);
    EXPECT_EQ(1u, Flag("ERR_OSVERNOTSUPPORT"));
    EXPECT_FALSE(ValueExists(kVtrCommonKey, "ERR_ZQAPIINUSE")) << "cleared by each install run";
    EXPECT_EQ(1u, DwordValue(kSdkResultKey, "ErrorCode1"));

    Answer("installer 0 0x10000\r\nsdk 0 0x1\r\n");
    HostResult failed = Install();
    ExpectPosted(failed, 3, 1);
    EXPECT_EQ(1u, Flag("ERR_OTHERS"));
    EXPECT_FALSE(ValueExists(kVtrCommonKey, "ERR_OSVERNOTSUPPORT"));
}

TEST_F(InstallRun, ReadOnlyCopyIsOverwrittenAndTheNamedInstallerGetsAParameterFile)
{
    ASSERT_TRUE(CopyFileA(BesideThisProgram("NR_Comb.exe").c_str(),
                          (driverDir + "\\SdkSetup.exe").c_str(), FALSE));
    WriteIni("SDKFILENAME=\"SdkSetup.exe\",\"zq.ini\"\r\n");
    Answer("installer 0 0x1\r\nsdk 0 0x1\r\n", "SdkSetup");

    // A read-only copy of the program from an earlier install.
    ASSERT_TRUE(TestFrame().CreateDirectoryPath(copyDir, NULL));
    WriteText(copyDir + "\\" + kCopyExec, "old");
    SetFileAttributesA((copyDir + "\\" + kCopyExec).c_str(), FILE_ATTRIBUTE_READONLY);

    HostResult run = Install();
    ExpectPosted(run, 1, 0);
    EXPECT_TRUE(FileExists(copyDir + "\\vtrcopy.ran")) << "the new copy ran";
    std::string params = ReadText(driverDir + "\\SdkSetup.params");
    EXPECT_EQ(0u, params.find("/Ini=\"zq.ini\" /WM=")) << params;
    EXPECT_NE(std::string::npos, params.find(" -s -a /Act=In")) << params;
    std::string command = ReadText(driverDir + "\\SdkSetup.cmdline");
    EXPECT_NE(std::string::npos, command.find("SdkSetup.exe\" /F=\"")) << command;
}

TEST_F(InstallRun, SettingsFailureEndsTheRunBeforeAnyChange)
{
    ini.reset(new TempIni("[Install]\r\nDRVNAME=x\r\n", "monsetup install.ini"));
    HostResult run = Install();
    // 16/2 (no monitor entry for this Windows) is reported as success.
    ExpectPosted(run, 1, 0);
    EXPECT_EQ(16u, DwordValue(kSdkResultKey, "ErrorCode1"));
    EXPECT_EQ(2u, DwordValue(kSdkResultKey, "ErrorCode2"));
    EXPECT_EQ("", DriverMonitorName(kDriver));
    EXPECT_FALSE(FileExists(driverDir + "\\NR_Comb.cmdline"));
}
