// Registration of the language monitor against Wine's real spooler: printers
// and drivers are installed into the test's prefix, the frame's step runs in
// process (its spooler calls watched through the import table), and whole
// maintenance runs of MONCHK04.exe go through the setup host.
#include "app_test_support.h"
#include "monitors_spooler_calls.h"
#include "registry.h"
#include "setup_host.h"
#include "spooler.h"
#include "test_frame.h"
#include "test_windows.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

const char kDriver[] = "NORVA VT Test Printer";
const char kOtherDriver[] = "Other Test Printer";
const char kMonitor[] = "NORVA Test LangMon";
const char kMonitorDll[] = "TESTLMON.DLL";
const char kModelsKey[] = "Software\\NORVA\\VTR3\\Driver";
const char kMonitorsKey[] = "System\\CurrentControlSet\\control\\Print\\Monitors\\";
const char kNoMonitor[] = "(null)";

int OsKindOfPresentedWindows()
{
    OSVERSIONINFOA version = WindowsVersion();
    if (version.dwPlatformId == VER_PLATFORM_WIN32_WINDOWS)
        return 1;
    return version.dwMajorVersion == 4 ? 2 : 3;
}

std::string SystemDirectory()
{
    char path[MAX_PATH] = "";
    GetSystemDirectoryA(path, MAX_PATH);
    return path;
}

std::string MonitorKey(const std::string& monitor)
{
    return kMonitorsKey + monitor;
}

std::string ModelKey(const std::string& model)
{
    return std::string(kModelsKey) + "\\" + model;
}

void RecordModel(const std::string& model, const std::string& monitor, const std::string& dll)
{
    Registry key(HKEY_LOCAL_MACHINE, ModelKey(model), NULL, TRUE, 0);
    if (!monitor.empty())
        key.SetString("LanguageMon", monitor);
    if (!dll.empty())
        key.SetString("LanguageMonDll", dll);
}

bool HasBidi(const std::string& printer)
{
    auto attributes = PrinterAttributes(printer);
    return attributes && (*attributes & kBidiAttribute) != 0;
}

class LanguageMonitorTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ResetProductKeys();
        Registry(HKEY_LOCAL_MACHINE, "System\\CurrentControlSet\\control\\Print\\Monitors",
                 NULL, FALSE, Registry::kAllAccess)
            .DeleteKey(kMonitor);
        osKind = OsKindOfPresentedWindows();
        frame.osKind = osKind;
        frame.cmdLine.install = true;
        frame.driverName = kDriver;
        frame.langMonitorName = kMonitor;
        frame.langMonitorDll = kMonitorDll;
    }

    void InstallMonitorDll()
    {
        ASSERT_TRUE(CopyFileA(BesideThisProgram(kMonitorDll).c_str(),
                              (SystemDirectory() + "\\" + kMonitorDll).c_str(), FALSE))
            << "copying the test monitor into the system directory: " << GetLastError();
    }

    void InstallDriver(const std::string& driver, const std::string& monitor = std::string())
    {
        ASSERT_TRUE(spooler.InstallDriver(driver, monitor))
            << "AddPrinterDriverA(" << driver << "): " << spooler.lastError;
    }

    void InstallPrinter(const std::string& printer, const std::string& driver, DWORD attributes = 0)
    {
        ASSERT_TRUE(spooler.InstallPrinter(printer, driver, attributes))
            << "AddPrinterA(" << printer << "): " << spooler.lastError;
    }

    // The usual scene: the monitor DLL in place, two printers of the
    // product's driver (the second with bidirectional support on) and one
    // printer of another driver.
    void TwoPrintersOfTheDriver()
    {
        InstallMonitorDll();
        InstallDriver(kDriver);
        InstallDriver(kOtherDriver);
        InstallPrinter("Test Printer A", kDriver);
        InstallPrinter("Test Printer B", kDriver, kBidiAttribute);
        InstallPrinter("Other Printer", kOtherDriver);
    }

    void ExpectResult(LONG code1, LONG code2)
    {
        EXPECT_EQ(code1, frame.ErrorCode1) << "ErrorCode2 " << frame.ErrorCode2;
        EXPECT_EQ(code2, frame.ErrorCode2);
    }

    int osKind = 0;
    SpoolerFixture spooler;
    TestFrame frame;
};

TEST_F(LanguageMonitorTest, TheFixtureInstallsDriversAndPrintersThroughTheSpooler)
{
    TwoPrintersOfTheDriver();
    auto driver = InstalledDriver(kDriver);
    ASSERT_TRUE(driver.has_value());
    // A 64-bit program gets the spooler's 64-bit environment.
    const std::string ntEnvironment = sizeof(void*) == 8 ? "Windows x64" : "Windows NT x86";
    EXPECT_EQ(osKind == 1 ? "Windows 4.0" : ntEnvironment, driver->environment);
    EXPECT_TRUE(KeyExists(DriverKeyPath(*driver))) << DriverKeyPath(*driver);
    if (osKind != 1) {
        EXPECT_EQ("System\\CurrentControlSet\\control\\Print\\Environments\\" + ntEnvironment +
                      "\\Drivers\\Version-3\\" + kDriver,
                  DriverKeyPath(*driver));
    }
    // The spooler keeps the files in its version subdirectory and reports
    // "no monitor" as an empty name.
    const std::string versionDir =
        PrinterDriverDirectory() + "\\" + std::to_string(driver->version) + "\\";
    EXPECT_EQ(versionDir + "TSTDRV.DLL", driver->driverPath);
    EXPECT_EQ(2u, driver->dependentFiles.size());
    EXPECT_TRUE(driver->hasMonitor);
    EXPECT_EQ("", driver->monitorName);

    EXPECT_EQ(0u, *PrinterAttributes("Test Printer A") & kBidiAttribute);
    EXPECT_TRUE(HasBidi("Test Printer B"));
    auto names = PrinterNames();
    EXPECT_EQ(3u, names.size());

    spooler.RemoveAll();
    EXPECT_EQ(0u, spooler.lastError);
    EXPECT_TRUE(PrinterNames().empty());
    EXPECT_FALSE(InstalledDriver(kDriver).has_value());
}

// What Wine does with AddMonitorA, whose result the product ignores.
TEST_F(LanguageMonitorTest, WineInstallsAMonitorOnlyOnceAndOnlyWhenItsDllLoads)
{
    InstallMonitorDll();
    const char kProbeMonitor[] = "Wine Probe LangMon";
    std::string name = kProbeMonitor;
    std::string environment = osKind == 1 ? "Windows 4.0" : "Windows NT x86";
    std::string dll = kMonitorDll;
    MONITOR_INFO_2A info = {&name[0], &environment[0], &dll[0]};
    EXPECT_TRUE(AddMonitorA(NULL, 2, reinterpret_cast<LPBYTE>(&info)));
    EXPECT_EQ(kMonitorDll, StringValue(MonitorKey(kProbeMonitor), "Driver"));

    std::string otherDll = "OTHERMON.DLL";
    info.pDLLName = &otherDll[0];
    EXPECT_FALSE(AddMonitorA(NULL, 2, reinterpret_cast<LPBYTE>(&info)))
        << "a monitor that is installed is not installed again";
    EXPECT_EQ(kMonitorDll, StringValue(MonitorKey(kProbeMonitor), "Driver"));

    EXPECT_TRUE(DeleteMonitorA(NULL, NULL, &name[0]));
    std::string missing = "MISSING.DLL";
    info.pDLLName = &missing[0];
    EXPECT_FALSE(AddMonitorA(NULL, 2, reinterpret_cast<LPBYTE>(&info)));
    EXPECT_FALSE(KeyExists(MonitorKey(kProbeMonitor))) << "a DLL that does not load leaves no key";
}

TEST_F(LanguageMonitorTest, TheTSwitchChangesNothing)
{
    TwoPrintersOfTheDriver();
    frame.cmdLine.tFlag = true;
    SpoolerCalls calls;
    ASSERT_TRUE(calls.Hooked());

    EXPECT_TRUE(frame.InstallLanguageMonitors());
    ExpectResult(0, 0);
    EXPECT_EQ(0, calls.openPrinter);
    EXPECT_TRUE(calls.driverMonitors.empty());
    EXPECT_TRUE(calls.setPrinter.empty());
    EXPECT_FALSE(HasBidi("Test Printer A"));
    EXPECT_EQ("", DriverMonitorName(kDriver));
}

TEST_F(LanguageMonitorTest, TheMonitorIsRegisteredOnceAndBidiSwitchedOnWhereItWasOff)
{
    TwoPrintersOfTheDriver();
    std::vector<std::string> driverMonitors;
    std::vector<std::string> setPrinter;
    std::vector<AddedMonitor> added;
    std::vector<std::string> deleted;
    {
        SpoolerCalls calls;
        ASSERT_TRUE(calls.Hooked());
        EXPECT_TRUE(frame.InstallLanguageMonitors());
        // One printer opened to read the driver record, one to switch bidi on.
        EXPECT_EQ(1, calls.getPrinterDriverFills);
        EXPECT_EQ(2, calls.openPrinter);
        driverMonitors = calls.driverMonitors;
        setPrinter = calls.setPrinter;
        added = calls.addedMonitors;
        deleted = calls.deletedMonitors;
    }
    ExpectResult(0, 0);

    // Wine reports "no monitor" as "" rather than NULL, so the driver is
    // first added again without a monitor, then with ours.
    EXPECT_EQ((std::vector<std::string>{kNoMonitor, kMonitor}), driverMonitors);
    ASSERT_EQ(1u, added.size());
    EXPECT_EQ(kMonitor, added[0].name);
    EXPECT_EQ(osKind == 1 ? "Windows 4.0" : "Windows NT x86", added[0].environment);
    EXPECT_EQ(kMonitorDll, added[0].dll);
    EXPECT_TRUE(added[0].result) << "Wine loads the monitor DLL and installs it";
    if (osKind == 1)
        EXPECT_EQ(std::vector<std::string>{kMonitor}, deleted);
    else
        EXPECT_TRUE(deleted.empty());

    EXPECT_EQ(std::vector<std::string>{"Test Printer A"}, setPrinter);
    EXPECT_TRUE(HasBidi("Test Printer A"));
    EXPECT_TRUE(HasBidi("Test Printer B"));
    EXPECT_FALSE(HasBidi("Other Printer"));

    EXPECT_EQ(kMonitor, DriverMonitorName(kDriver));
    EXPECT_EQ("", DriverMonitorName(kOtherDriver));
    EXPECT_EQ(kMonitorDll, StringValue(MonitorKey(kMonitor), "Driver"));
    EXPECT_FALSE(ValueExists(kVtrCommonKey, "RST_FREPLACE"))
        << "AddMonitorA recorded the same DLL: nothing was replaced";

    char current[MAX_PATH] = "";
    GetCurrentDirectoryA(MAX_PATH, current);
    EXPECT_EQ(0, lstrcmpiA(SystemDirectory().c_str(), current));
}

TEST_F(LanguageMonitorTest, PrintersOfOtherDriversOnlyChangeNothing)
{
    InstallMonitorDll();
    InstallDriver(kOtherDriver);
    InstallPrinter("Other Printer", kOtherDriver);
    SpoolerCalls calls;

    EXPECT_TRUE(frame.InstallLanguageMonitors());
    ExpectResult(0, 0);
    EXPECT_EQ(0, calls.openPrinter);
    EXPECT_TRUE(calls.setPrinter.empty());
    EXPECT_TRUE(calls.addedMonitors.empty());
    EXPECT_FALSE(HasBidi("Other Printer"));
    EXPECT_FALSE(KeyExists(MonitorKey(kMonitor)));
}

TEST_F(LanguageMonitorTest, NoPrinterAtAllFailsTheEnumeration)
{
    InstallMonitorDll();
    InstallDriver(kDriver);
    ASSERT_TRUE(PrinterNames().empty());

    EXPECT_FALSE(frame.InstallLanguageMonitors());
    ExpectResult(7, 30);

    TestFrame maintenance;
    maintenance.osKind = osKind;
    RecordModel(kDriver, kMonitor, kMonitorDll);
    EXPECT_FALSE(maintenance.InstallLanguageMonitors());
    EXPECT_EQ(7, maintenance.ErrorCode1);
    EXPECT_EQ(31, maintenance.ErrorCode2);
}

TEST_F(LanguageMonitorTest, ADriverThatNamesTheMonitorIsLeftAloneOnNtOnly)
{
    InstallMonitorDll();
    InstallDriver(kDriver, kMonitor);
    InstallPrinter("Test Printer A", kDriver);
    const std::string rootCopy = PrinterDriverDirectory() + "\\TSTDRV.DLL";
    ASSERT_TRUE(DeleteFileA(rootCopy.c_str()));
    SpoolerCalls calls;

    EXPECT_TRUE(frame.InstallLanguageMonitors());
    ExpectResult(0, 0);
    EXPECT_EQ(std::vector<std::string>{"Test Printer A"}, calls.setPrinter);
    EXPECT_EQ(kMonitor, DriverMonitorName(kDriver));
    if (osKind == 1) {
        // Detached, deleted, installed and attached again.
        EXPECT_EQ((std::vector<std::string>{kNoMonitor, kMonitor}), calls.driverMonitors);
        EXPECT_EQ((std::vector<std::string>{kMonitor, kMonitor}), calls.deletedMonitors);
        EXPECT_EQ(1u, calls.addedMonitors.size());
        EXPECT_EQ(kMonitorDll, StringValue(MonitorKey(kMonitor), "Driver"));
    } else {
        EXPECT_TRUE(calls.driverMonitors.empty());
        EXPECT_TRUE(calls.addedMonitors.empty());
        EXPECT_FALSE(KeyExists(MonitorKey(kMonitor))) << "the Monitors key is not looked at";
        EXPECT_FALSE(FileExists(rootCopy)) << "no driver file is copied";
    }
}

TEST_F(LanguageMonitorTest, ReplacedFlagIsSetExactlyWhenTheRecordedDllChanges)
{
    TwoPrintersOfTheDriver();
    SetDwordValue(kVtrCommonKey, "RST_FREPLACE", 0);
    {
        Registry monitor(HKEY_LOCAL_MACHINE, MonitorKey(kMonitor), NULL, TRUE, 0);
        monitor.SetString("Driver", "testlmon.dll");
    }
    EXPECT_TRUE(frame.InstallLanguageMonitors());
    ExpectResult(0, 0);
    EXPECT_EQ(0u, DwordValue(kVtrCommonKey, "RST_FREPLACE"));
    if (osKind != 1) {
        EXPECT_EQ("testlmon.dll", StringValue(MonitorKey(kMonitor), "Driver"))
            << "a name that differs only in case is not written";
    }

    // Another DLL recorded for the monitor: on NT AddMonitorA refuses the
    // installed monitor and the step replaces the DLL; Windows 95/98 delete
    // the monitor first, so AddMonitorA records ours and nothing is replaced.
    ASSERT_TRUE(spooler.InstallDriver(kDriver)) << spooler.lastError;
    {
        Registry monitor(HKEY_LOCAL_MACHINE, MonitorKey(kMonitor), NULL, TRUE, 0);
        monitor.SetString("Driver", "OLDMON.DLL");
    }
    TestFrame again;
    again.osKind = osKind;
    again.cmdLine.install = true;
    again.driverName = kDriver;
    again.langMonitorName = kMonitor;
    again.langMonitorDll = kMonitorDll;
    EXPECT_TRUE(again.InstallLanguageMonitors());
    EXPECT_EQ(0, again.ErrorCode1);
    EXPECT_EQ(kMonitorDll, StringValue(MonitorKey(kMonitor), "Driver"));
    EXPECT_EQ(osKind == 1 ? 0u : 1u, DwordValue(kVtrCommonKey, "RST_FREPLACE"));
}

TEST_F(LanguageMonitorTest, NtCopiesTheDriverFilesIntoTheDriverDirectory)
{
    TwoPrintersOfTheDriver();
    const std::string directory = PrinterDriverDirectory();
    const TestDriverFiles files;
    for (const std::string& file : files.All())
        ASSERT_TRUE(DeleteFileA((directory + "\\" + file).c_str())) << file;
    // One file the spooler no longer has in its version subdirectory.
    auto driver = InstalledDriver(kDriver);
    ASSERT_TRUE(driver.has_value());
    ASSERT_TRUE(DeleteFileA(driver->helpFile.c_str())) << driver->helpFile;

    EXPECT_TRUE(frame.InstallLanguageMonitors());
    for (const std::string& file : files.All()) {
        const bool copied = FileExists(directory + "\\" + file);
        if (osKind == 1 || file == files.helpFile)
            EXPECT_FALSE(copied) << file;
        else
            EXPECT_TRUE(copied) << file;
    }
    if (osKind == 1) {
        ExpectResult(0, 0);
    } else {
        ExpectResult(7, 113);
        EXPECT_EQ(static_cast<DWORD>(ERROR_FILE_NOT_FOUND), frame.LastError);
    }
    EXPECT_EQ(kMonitor, DriverMonitorName(kDriver)) << "the failed copy does not stop the step";
    EXPECT_TRUE(HasBidi("Test Printer A"));
}

TEST_F(LanguageMonitorTest, AMissingMonitorDllFailsOnlyOnWindows9x)
{
    InstallDriver(kDriver);
    InstallPrinter("Test Printer A", kDriver);
    frame.langMonitorDll = "NOSUCHLM.DLL";
    SpoolerCalls calls;

    if (osKind == 1) {
        EXPECT_FALSE(frame.InstallLanguageMonitors());
        ExpectResult(6, 14);
        EXPECT_FALSE(HasBidi("Test Printer A"));
    } else {
        EXPECT_TRUE(frame.InstallLanguageMonitors());
        ExpectResult(0, 0);
        EXPECT_TRUE(HasBidi("Test Printer A"));
    }
    EXPECT_TRUE(calls.driverMonitors.empty());
    EXPECT_EQ("", DriverMonitorName(kDriver));
}

TEST_F(LanguageMonitorTest, FailedSpoolerCallsLeaveTheirResultPairs)
{
    TwoPrintersOfTheDriver();
    struct Case {
        const char* function;
        int nth;
        LONG code2;
    };
    // In this order the monitor is attached only by the last case.
    const Case cases[] = {
        {"OpenPrinterA", 1, 40},       // opening the first printer of the driver
        {"GetPrinterDriverA", 1, 41},  // its driver record
        {"AddPrinterDriverA", 1, 42},  // the driver without a monitor
        {"AddPrinterDriverA", 2, 48},  // the driver with ours
        {"SetPrinterA", 1, 44},        // bidirectional support
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.function);
        TestFrame run;
        run.osKind = osKind;
        run.cmdLine.install = true;
        run.driverName = kDriver;
        run.langMonitorName = kMonitor;
        run.langMonitorDll = kMonitorDll;
        SpoolerCalls calls;
        calls.FailCall(c.function, c.nth, ERROR_ACCESS_DENIED);
        EXPECT_FALSE(run.InstallLanguageMonitors());
        EXPECT_EQ(7, run.ErrorCode1);
        EXPECT_EQ(c.code2, run.ErrorCode2);
        EXPECT_EQ(static_cast<DWORD>(ERROR_ACCESS_DENIED), run.LastError);
    }
    EXPECT_EQ(kMonitor, DriverMonitorName(kDriver));
    EXPECT_FALSE(HasBidi("Test Printer A"));
}

class MaintenanceRunTest : public LanguageMonitorTest {
protected:
    void SetUp() override
    {
        LanguageMonitorTest::SetUp();
        frame.cmdLine.install = false;
        frame.driverName.clear();
        frame.langMonitorName.clear();
        frame.langMonitorDll.clear();
    }
};

TEST_F(MaintenanceRunTest, EveryRecordedModelWithAMonitorIsRegistered)
{
    const char kThirdDriver[] = "Third Test Printer";
    const char kThirdMonitor[] = "Third Test LangMon";
    InstallMonitorDll();
    InstallDriver(kDriver);
    InstallDriver(kOtherDriver);
    InstallDriver(kThirdDriver);
    InstallPrinter("Test Printer A", kDriver);
    InstallPrinter("Other Printer", kOtherDriver);
    InstallPrinter("Third Printer", kThirdDriver);
    RecordModel(kDriver, kMonitor, kMonitorDll);
    RecordModel(kOtherDriver, "", kMonitorDll);  // no monitor name: skipped
    RecordModel(kThirdDriver, kThirdMonitor, kMonitorDll);
    RecordModel("Unused Test Printer", kMonitor, kMonitorDll);  // no printer

    EXPECT_TRUE(frame.InstallLanguageMonitors());
    ExpectResult(0, 0);
    EXPECT_EQ(kMonitor, DriverMonitorName(kDriver));
    EXPECT_EQ(kThirdMonitor, DriverMonitorName(kThirdDriver));
    EXPECT_EQ("", DriverMonitorName(kOtherDriver));
    EXPECT_TRUE(HasBidi("Test Printer A"));
    EXPECT_TRUE(HasBidi("Third Printer"));
    EXPECT_FALSE(HasBidi("Other Printer"));
    EXPECT_EQ(kMonitorDll, StringValue(MonitorKey(kThirdMonitor), "Driver"));
}

TEST_F(MaintenanceRunTest, WithoutRecordedModelsThereIsNothingToDo)
{
    InstallMonitorDll();
    InstallDriver(kDriver);
    InstallPrinter("Test Printer A", kDriver);

    EXPECT_FALSE(frame.InstallLanguageMonitors());
    ExpectResult(3, 20);

    CreateKey(kModelsKey);
    TestFrame empty;
    empty.osKind = osKind;
    EXPECT_TRUE(empty.InstallLanguageMonitors());
    EXPECT_EQ(0, empty.ErrorCode1);
    EXPECT_FALSE(HasBidi("Test Printer A"));
}

// MONCHK04.exe started without a switch, as the Startup shortcut starts it.
class MaintenanceEndToEnd : public LanguageMonitorTest {};

TEST_F(MaintenanceEndToEnd, APrinterAddedLaterGetsTheRecordedModelsMonitor)
{
    InstallMonitorDll();
    InstallDriver(kDriver);
    InstallPrinter("Test Printer A", kDriver, kBidiAttribute);
    InstallPrinter("Printer Added Later", kDriver);
    RecordModel(kDriver, kMonitor, kMonitorDll);
    CreateKey(kVtrCommonKey);
    SetDwordValue(kVtrCommonKey, "RST_FREPLACE", 1);

    HostResult run = RunAsSetupHost(BesideThisProgram("MONCHK04.exe"), "", 30000);
    ASSERT_TRUE(run.started);
    EXPECT_FALSE(run.timedOut);
    EXPECT_EQ(1, run.messages);
    EXPECT_EQ(1u, run.wParam);
    EXPECT_EQ(0, run.lParam);
    EXPECT_EQ(0u, DwordValue(kSdkResultKey, "ErrorCode1"));
    EXPECT_EQ(0u, DwordValue(kSdkResultKey, "ErrorCode2"));
    EXPECT_EQ(kMonitor, DriverMonitorName(kDriver));
    EXPECT_TRUE(HasBidi("Printer Added Later"));
    EXPECT_FALSE(ValueExists(kVtrCommonKey, "RST_FREPLACE"))
        << "deleted by the run, and no DLL was replaced";
}

TEST_F(MaintenanceEndToEnd, WithoutTheModelsKeyTheRunReportsIt)
{
    InstallMonitorDll();
    InstallDriver(kDriver);
    InstallPrinter("Test Printer A", kDriver);
    CreateKey(kVtrCommonKey);

    HostResult run = RunAsSetupHost(BesideThisProgram("MONCHK04.exe"), "", 30000);
    ASSERT_TRUE(run.started);
    EXPECT_EQ(3u, run.wParam);
    EXPECT_EQ(3, run.lParam);
    EXPECT_EQ(3u, DwordValue(kSdkResultKey, "ErrorCode1"));
    EXPECT_EQ(20u, DwordValue(kSdkResultKey, "ErrorCode2"));
    EXPECT_FALSE(HasBidi("Test Printer A"));
}

}  // namespace
