// Registration of the language monitor against Wine's real spooler: printers
// and drivers are installed into the test's prefix, the frame's step runs in
// process (its spooler calls watched through the import table), and whole
// maintenance runs of MONCHK04.exe go through the setup host.
#include "app_test_support.h"
#include "debug_log.h"
#include "install_test_files.h"
#include "monitors_spooler_calls.h"
#include "registry.h"
#include "setup_host.h"
#include "spooler.h"
#include "test_frame.h"

#include <gtest/gtest.h>

namespace {

const char kDriver[] = "NORVA VT Test Printer";
const char kOtherDriver[] = "Other Test Printer";
const char kMonitor[] = "NORVA Test LangMon";
const char kMonitorDll[] = "TESTLMON.DLL";
const char kModelsKey[] = "Software\\NORVA\\VTR3\\Driver";
const std::string kMonitorsKey = "System\\CurrentControlSet\\control\\Print\\Monitors";

std::string MonitorKey(const std::string& monitor)
{
    return kMonitorsKey + "\\" + monitor;
}

void RecordModel(const std::string& model, const std::string& monitor, const std::string& dll)
{
    Registry key(HKEY_LOCAL_MACHINE, std::string(kModelsKey) + "\\" + model, NULL, TRUE, 0);
    if (!monitor.empty())
        key.SetString("LanguageMon", monitor);
    key.SetString("LanguageMonDll", dll);
}

bool HasBidi(const std::string& printer)
{
    return (PrinterAttributes(printer).value_or(0) & kBidiAttribute) != 0;
}

class LanguageMonitorTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ResetProductKeys();
        Registry(HKEY_LOCAL_MACHINE, kMonitorsKey, NULL, FALSE, Registry::kAllAccess)
            .DeleteKey(kMonitor);
        ForInstall(frame);
        maintenance.environment.osKind = osKind;
        ASSERT_TRUE(CopyFileA(BesideThisProgram(kMonitorDll).c_str(),
                              (SystemDirectory() + "\\" + kMonitorDll).c_str(), FALSE))
            << "copying the test monitor into the system directory: " << GetLastError();
    }

    void ForInstall(TestFrame& run) const
    {
        run.environment.osKind = osKind;
        run.cmdLine.install = true;
        run.settings.driverName = kDriver;
        run.settings.langMonitorName = kMonitor;
        run.settings.langMonitorDll = kMonitorDll;
    }

    void Driver(const std::string& driver, const std::string& monitor = std::string())
    {
        ASSERT_TRUE(spooler.InstallDriver(driver, monitor))
            << "AddPrinterDriverA(" << driver << "): " << spooler.lastError;
    }

    void Printer(const std::string& printer, const std::string& driver, DWORD attributes = 0)
    {
        ASSERT_TRUE(spooler.InstallPrinter(printer, driver, attributes))
            << "AddPrinterA(" << printer << "): " << spooler.lastError;
    }

    // The usual scene: two printers of the product's driver (the second with
    // bidirectional support on) and one printer of another driver.
    void TwoPrintersOfTheDriver()
    {
        Driver(kDriver);
        Driver(kOtherDriver);
        Printer("Test Printer A", kDriver);
        Printer("Test Printer B", kDriver, kBidiAttribute);
        Printer("Other Printer", kOtherDriver);
    }

    const int osKind = OsKindOfThisWindows();
    SpoolerFixture spooler;
    TestFrame frame;
    TestFrame maintenance;  // no switch: every recorded model
};

TEST_F(LanguageMonitorTest, NothingChangesWithoutAPrinterOfTheDriverOrWithTheTSwitch)
{
    Driver(kDriver);
    Driver(kOtherDriver);
    Printer("Other Printer", kOtherDriver);
    for (bool tFlag : {false, true}) {
        SCOPED_TRACE(tFlag ? "with /T and a printer of the driver" : "no printer of the driver");
        if (tFlag)
            Printer("Test Printer A", kDriver);
        frame.cmdLine.tFlag = tFlag;
        SpoolerCalls calls;
        ASSERT_TRUE(calls.Hooked());
        EXPECT_TRUE(frame.InstallLanguageMonitors());
        EXPECT_EQ("0/0", Pair(frame));
        EXPECT_EQ(std::vector<std::string>{}, calls.log);
        EXPECT_FALSE(HasBidi("Other Printer"));
        EXPECT_FALSE(HasBidi("Test Printer A"));
        EXPECT_EQ("", DriverMonitorName(kDriver));
        EXPECT_FALSE(KeyExists(MonitorKey(kMonitor)));
    }
}

TEST_F(LanguageMonitorTest, TheMonitorIsRegisteredOnceAndBidiSwitchedOnWhereItWasOff)
{
    TwoPrintersOfTheDriver();
    SpoolerCalls calls;
    ASSERT_TRUE(calls.Hooked());
    EXPECT_TRUE(frame.InstallLanguageMonitors());
    EXPECT_EQ("0/0", Pair(frame));

    // Wine reports "no monitor" as "" rather than NULL, so the driver is
    // first handed back without a monitor, then with ours; Windows 95/98
    // delete the monitor before installing it.
    std::vector<std::string> expected = {"AddPrinterDriverA (null)"};
    if (osKind == 1)
        expected.push_back(std::string("DeleteMonitorA ") + kMonitor);
    expected.push_back(std::string("AddMonitorA ") + kMonitor +
                       (osKind == 1 ? " Windows 4.0 " : " Windows NT x86 ") + kMonitorDll);
    expected.push_back(std::string("AddPrinterDriverA ") + kMonitor);
    expected.push_back("SetPrinterA Test Printer A");
    EXPECT_EQ(expected, calls.log);

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
    EXPECT_EQ(0, lstrcmpiA(SystemDirectory().c_str(), current)) << "stays in " << current;
}

// No printer at all fails the enumeration; an empty models key leaves the
// maintenance nothing to do. Without the key, the maintenance run below.
TEST_F(LanguageMonitorTest, NoPrinterOrNoRecordedModel)
{
    Driver(kDriver);
    EXPECT_FALSE(frame.InstallLanguageMonitors());
    EXPECT_EQ("7/30", Pair(frame));

    RecordModel(kDriver, kMonitor, kMonitorDll);
    EXPECT_FALSE(maintenance.InstallLanguageMonitors());
    EXPECT_EQ("7/31", Pair(maintenance));

    Printer("Test Printer A", kDriver);
    ResetProductKeys();
    CreateKey(kModelsKey);
    TestFrame empty;
    empty.environment.osKind = osKind;
    EXPECT_TRUE(empty.InstallLanguageMonitors());
    EXPECT_EQ("0/0", Pair(empty));
    EXPECT_FALSE(HasBidi("Test Printer A"));
}

TEST_F(LanguageMonitorTest, ADriverThatNamesTheMonitorIsLeftAloneOnNtOnly)
{
    Driver(kDriver, kMonitor);
    Printer("Test Printer A", kDriver);
    const std::string rootCopy = PrinterDriverDirectory() + "\\TSTDRV.DLL";
    ASSERT_TRUE(DeleteFileA(rootCopy.c_str()));
    SpoolerCalls calls;

    EXPECT_TRUE(frame.InstallLanguageMonitors());
    EXPECT_EQ("0/0", Pair(frame));
    EXPECT_EQ(kMonitor, DriverMonitorName(kDriver));
    const std::string monitor = kMonitor;
    if (osKind == 1) {
        // Detached, deleted, installed and attached again.
        EXPECT_EQ((std::vector<std::string>{
                      "AddPrinterDriverA (null)", "DeleteMonitorA " + monitor,
                      "DeleteMonitorA " + monitor,
                      "AddMonitorA " + monitor + " Windows 4.0 " + kMonitorDll,
                      "AddPrinterDriverA " + monitor, "SetPrinterA Test Printer A"}),
                  calls.log);
    } else {
        EXPECT_EQ(std::vector<std::string>{"SetPrinterA Test Printer A"}, calls.log);
        EXPECT_FALSE(KeyExists(MonitorKey(kMonitor))) << "the Monitors key is not looked at";
        EXPECT_FALSE(FileExists(rootCopy)) << "no driver file is copied";
    }
}

TEST_F(LanguageMonitorTest, ReplacedFlagIsSetExactlyWhenTheRecordedDllChanges)
{
    TwoPrintersOfTheDriver();
    SetDwordValue(kVtrCommonKey, "RST_FREPLACE", 0);
    Registry(HKEY_LOCAL_MACHINE, MonitorKey(kMonitor), NULL, TRUE, 0)
        .SetString("Driver", "testlmon.dll");
    EXPECT_TRUE(frame.InstallLanguageMonitors());
    EXPECT_EQ("0/0", Pair(frame));
    EXPECT_EQ(0u, DwordValue(kVtrCommonKey, "RST_FREPLACE"));
    if (osKind != 1) {
        EXPECT_EQ("testlmon.dll", StringValue(MonitorKey(kMonitor), "Driver"))
            << "a name that differs only in case is not written";
    }

    // Another DLL recorded for the monitor: on NT AddMonitorA refuses the
    // installed monitor and the step replaces the DLL; Windows 95/98 delete
    // the monitor first, so AddMonitorA records ours and nothing is replaced.
    Driver(kDriver);
    Registry(HKEY_LOCAL_MACHINE, MonitorKey(kMonitor), NULL, TRUE, 0)
        .SetString("Driver", "OLDMON.DLL");
    TestFrame again;
    ForInstall(again);
    EXPECT_TRUE(again.InstallLanguageMonitors());
    EXPECT_EQ("0/0", Pair(again));
    EXPECT_EQ(kMonitorDll, StringValue(MonitorKey(kMonitor), "Driver"));
    EXPECT_EQ(osKind == 1 ? 0u : 1u, DwordValue(kVtrCommonKey, "RST_FREPLACE"));
}

TEST_F(LanguageMonitorTest, NtCopiesTheDriverFilesIntoTheDriverDirectory)
{
    TwoPrintersOfTheDriver();
    const std::string directory = PrinterDriverDirectory();
    for (const std::string& file : kTestDriverFiles)
        ASSERT_TRUE(DeleteFileA((directory + "\\" + file).c_str())) << file;
    // One file the spooler no longer has in its version subdirectory.
    const std::string helpFile = InstalledDriver(kDriver).value_or(DriverRecord()).helpFile;
    ASSERT_TRUE(DeleteFileA(helpFile.c_str())) << helpFile;

    EXPECT_TRUE(frame.InstallLanguageMonitors());
    for (const std::string& file : kTestDriverFiles) {
        EXPECT_EQ(osKind != 1 && file != kTestDriverFiles.back(),
                  FileExists(directory + "\\" + file))
            << file;
    }
    EXPECT_EQ(osKind == 1 ? "0/0" : "7/113", Pair(frame));
    if (osKind != 1) {
        EXPECT_EQ(static_cast<DWORD>(ERROR_FILE_NOT_FOUND), frame.result.LastError());
    }
    EXPECT_EQ(kMonitor, DriverMonitorName(kDriver)) << "the failed copy does not stop the step";
    EXPECT_TRUE(HasBidi("Test Printer A"));
}

TEST_F(LanguageMonitorTest, AMissingMonitorDllFailsOnlyOnWindows9x)
{
    Driver(kDriver);
    Printer("Test Printer A", kDriver);
    frame.settings.langMonitorDll = "NOSUCHLM.DLL";
    SpoolerCalls calls;

    EXPECT_EQ(osKind != 1, frame.InstallLanguageMonitors() != FALSE);
    EXPECT_EQ(osKind == 1 ? "6/14" : "0/0", Pair(frame));
    EXPECT_EQ(osKind != 1, HasBidi("Test Printer A"));
    EXPECT_EQ("", DriverMonitorName(kDriver));
}

// The spooler loads the monitor from its own directory as SYSTEM: a model
// record naming a DLL anywhere else registers nothing, on every Windows.
TEST_F(LanguageMonitorTest, AMonitorDllThatIsNoBareFileNameIsRefused)
{
    Driver(kDriver);
    Printer("Test Printer A", kDriver);
    const std::string outside = SystemDirectory() + "\\..\\" + kMonitorDll;
    ASSERT_TRUE(CopyFileA(BesideThisProgram(kMonitorDll).c_str(), outside.c_str(), FALSE));
    EnableTraceLog();
    debugLogEnabled = TRUE;
    for (const std::string& dll : {std::string("..\\") + kMonitorDll, outside}) {
        SCOPED_TRACE(dll);
        DeleteFileA(kTraceLog);
        RecordModel(kDriver, kMonitor, dll);
        TestFrame run;
        run.environment.osKind = osKind;
        EXPECT_FALSE(run.InstallLanguageMonitors());
        EXPECT_EQ("6/14", Pair(run));
        EXPECT_EQ("    Language monitor DLL refused(" + dll + ")\n", FileText(kTraceLog));
        EXPECT_EQ("", DriverMonitorName(kDriver));
        EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, MonitorKey(kMonitor)));
    }
    debugLogEnabled = FALSE;
    DeleteFileA(outside.c_str());
}

TEST_F(LanguageMonitorTest, FailedSpoolerCallsLeaveTheirResultPairs)
{
    TwoPrintersOfTheDriver();
    struct Case {
        const char* function;
        int nth;
        const char* pair;
    };
    // In this order the monitor is attached only by the last case.
    const Case cases[] = {
        {"OpenPrinterA", 1, "7/40"},       // opening the first printer of the driver
        {"GetPrinterDriverA", 1, "7/41"},  // its driver record
        {"AddPrinterDriverA", 1, "7/42"},  // the driver without a monitor
        {"AddPrinterDriverA", 2, "7/48"},  // the driver with ours
        {"SetPrinterA", 1, "7/44"},        // bidirectional support
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.function);
        TestFrame run;
        ForInstall(run);
        SpoolerCalls calls;
        calls.FailCall(c.function, c.nth, ERROR_ACCESS_DENIED);
        EXPECT_FALSE(run.InstallLanguageMonitors());
        EXPECT_EQ(c.pair, Pair(run));
        EXPECT_EQ(static_cast<DWORD>(ERROR_ACCESS_DENIED), run.result.LastError());
    }
    EXPECT_EQ(kMonitor, DriverMonitorName(kDriver));
    EXPECT_FALSE(HasBidi("Test Printer A"));
}

TEST_F(LanguageMonitorTest, MaintenanceRegistersEveryRecordedModelWithAMonitor)
{
    const char kThirdDriver[] = "Third Test Printer";
    const char kThirdMonitor[] = "Third Test LangMon";
    Driver(kDriver);
    Driver(kOtherDriver);
    Driver(kThirdDriver);
    Printer("Test Printer A", kDriver);
    Printer("Other Printer", kOtherDriver);
    Printer("Third Printer", kThirdDriver);
    RecordModel(kDriver, kMonitor, kMonitorDll);
    RecordModel(kOtherDriver, "", kMonitorDll);  // no monitor name: skipped
    RecordModel(kThirdDriver, kThirdMonitor, kMonitorDll);
    RecordModel("Unused Test Printer", kMonitor, kMonitorDll);  // no printer

    EXPECT_TRUE(maintenance.InstallLanguageMonitors());
    EXPECT_EQ("0/0", Pair(maintenance));
    EXPECT_EQ(kMonitor, DriverMonitorName(kDriver));
    EXPECT_EQ(kThirdMonitor, DriverMonitorName(kThirdDriver));
    EXPECT_EQ("", DriverMonitorName(kOtherDriver));
    EXPECT_TRUE(HasBidi("Test Printer A"));
    EXPECT_TRUE(HasBidi("Third Printer"));
    EXPECT_FALSE(HasBidi("Other Printer"));
    EXPECT_EQ(kMonitorDll, StringValue(MonitorKey(kThirdMonitor), "Driver"));
}

// MONCHK04.exe started without a switch, as the Startup shortcut starts it.
TEST_F(LanguageMonitorTest, MaintenanceRunGivesAPrinterAddedLaterTheRecordedMonitor)
{
    Driver(kDriver);
    Printer("Test Printer A", kDriver, kBidiAttribute);
    Printer("Printer Added Later", kDriver);
    RecordModel(kDriver, kMonitor, kMonitorDll);
    SetDwordValue(kVtrCommonKey, "RST_FREPLACE", 1);

    HostResult run = RunAsSetupHost(BesideThisProgram("MONCHK04.exe"), "", 30000);
    ASSERT_TRUE(run.started);
    EXPECT_FALSE(run.timedOut);
    EXPECT_EQ(1, run.messages);
    EXPECT_EQ("1/0", std::to_string(run.wParam) + "/" + std::to_string(run.lParam));
    EXPECT_EQ(0u, DwordValue(kSdkResultKey, "ErrorCode1"));
    EXPECT_EQ(0u, DwordValue(kSdkResultKey, "ErrorCode2"));
    EXPECT_EQ(kMonitor, DriverMonitorName(kDriver));
    EXPECT_TRUE(HasBidi("Printer Added Later"));
    EXPECT_FALSE(ValueExists(kVtrCommonKey, "RST_FREPLACE"))
        << "deleted by the run, and no DLL was replaced";

    // Without the models key the run reports it.
    Registry(HKEY_LOCAL_MACHINE, "Software\\NORVA\\VTR3", NULL, FALSE, Registry::kAllAccess)
        .DeleteKey("Driver");
    Printer("Printer Added Last", kDriver);
    run = RunAsSetupHost(BesideThisProgram("MONCHK04.exe"), "", 30000);
    EXPECT_EQ("3/3", std::to_string(run.wParam) + "/" + std::to_string(run.lParam));
    EXPECT_EQ(3u, DwordValue(kSdkResultKey, "ErrorCode1"));
    EXPECT_EQ(20u, DwordValue(kSdkResultKey, "ErrorCode2"));
    EXPECT_FALSE(HasBidi("Printer Added Last"));
}

}  // namespace
