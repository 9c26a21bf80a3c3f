// Printer drivers and printers installed through the real spooler of the
// test's Wine prefix, and read back the way the product reads them.
//
// What Wine 8 does, and these helpers rely on:
// - AddPrinterDriverA level 3 with files named in the driver directory
//   (GetPrinterDriverDirectoryA: ...\spool\drivers\w32x86, or ...\win40 when
//   Wine presents Windows 95/98) copies them into its version subdirectory
//   ("3" for "Windows NT x86", "0" for "Windows 4.0") and records the driver
//   under "System\CurrentControlSet\control\Print\Environments\<environment>
//   \Drivers\Version-<n>\<driver>". GetPrinterDriverA then names the files
//   in that subdirectory, and a driver without a monitor has the monitor
//   name "" (not NULL).
// - AddPrinterA level 2 accepts "LPT1:" and "FILE:" with the "WinPrint"
//   print processor and the "RAW" data type.
#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

const DWORD kBidiAttribute = 0x00000800;  // PRINTER_ATTRIBUTE_ENABLE_BIDI

// The files of a test driver, as bare names. Empty names are left out of
// the record (NULL); the fixture creates each file in the driver directory.
struct TestDriverFiles {
    std::string driverPath = "TSTDRV.DLL";
    std::string dataFile = "TSTDRV.PPD";
    std::string configFile = "TSTDRVUI.DLL";
    std::string helpFile = "TSTDRV.HLP";
    std::vector<std::string> dependentFiles = {"TSTDRVRS.DLL", "TSTDRV.INI"};

    std::vector<std::string> All() const;
};

// A driver record as GetPrinterDriverA / EnumPrinterDriversA level 3 give it.
struct DriverRecord {
    DWORD version = 0;
    std::string name;
    std::string environment;
    std::string driverPath;
    std::string dataFile;
    std::string configFile;
    std::string helpFile;
    std::vector<std::string> dependentFiles;
    bool hasMonitor = false;   // pMonitorName not NULL
    std::string monitorName;
};

// Installs drivers and printers and removes them again (printers first)
// when it goes. Each step reports failure with the Windows error in
// `lastError`, so that a test can assert on it with a message.
class SpoolerFixture {
public:
    SpoolerFixture() = default;
    ~SpoolerFixture();
    SpoolerFixture(const SpoolerFixture&) = delete;
    SpoolerFixture& operator=(const SpoolerFixture&) = delete;

    // Creates the files in the driver directory and adds the driver for the
    // running system's environment, naming `monitorName` when not empty.
    bool InstallDriver(const std::string& driverName,
                       const std::string& monitorName = std::string(),
                       const TestDriverFiles& files = TestDriverFiles());
    // Adds a printer of the driver; `attributes` other than 0 are set
    // afterwards with SetPrinterA.
    bool InstallPrinter(const std::string& printerName, const std::string& driverName,
                    DWORD attributes = 0, const std::string& port = "LPT1:");
    bool RemovePrinter(const std::string& printerName);
    bool RemoveDriver(const std::string& driverName);
    // Removes everything this fixture added that is still there.
    void RemoveAll();
    // Leaves what was added in place when the fixture goes (for demos).
    void Keep()
    {
        printers.clear();
        drivers.clear();
    }

    DWORD lastError = 0;

private:
    std::vector<std::string> printers;
    std::vector<std::string> drivers;
};

// The spooler's driver directory (GetPrinterDriverDirectoryA, this system's
// environment), without a trailing backslash.
std::string PrinterDriverDirectory();
// HKLM path of a driver's key, from its record: "System\CurrentControlSet
// \control\Print\Environments\<environment>\Drivers\Version-<n>\<driver>".
std::string DriverKeyPath(const DriverRecord& driver);

// Reads through the spooler; nothing when the printer or driver is unknown.
std::optional<DWORD> PrinterAttributes(const std::string& printerName);
bool SetPrinterAttributes(const std::string& printerName, DWORD attributes);
std::optional<DriverRecord> InstalledDriver(const std::string& driverName);
std::optional<DriverRecord> DriverOfPrinter(const std::string& printerName);
// The driver's monitor name ("" for none, also when the driver is unknown).
std::string DriverMonitorName(const std::string& driverName);
// Names of all printers EnumPrintersA (local, connections, network) lists.
std::vector<std::string> PrinterNames();
