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

// The files of every test driver; the fixture creates each in the driver
// directory. The help file is the last one.
extern const std::vector<std::string> kTestDriverFiles;

// A driver record as EnumPrinterDriversA level 3 gives it.
struct DriverRecord {
    DWORD version = 0;
    std::string name;
    std::string environment;
    std::string driverPath;
    std::string helpFile;
    std::string monitorName;
};

// Installs drivers and printers and removes them again (printers first)
// when it goes. A failed step leaves the Windows error in `lastError`.
class SpoolerFixture {
public:
    SpoolerFixture() = default;
    ~SpoolerFixture();
    SpoolerFixture(const SpoolerFixture&) = delete;
    SpoolerFixture& operator=(const SpoolerFixture&) = delete;

    // Adds the driver for the running system's environment, naming
    // `monitorName` when not empty.
    bool InstallDriver(const std::string& driverName,
                       const std::string& monitorName = std::string());
    // Adds a printer of the driver; `attributes` other than 0 are set
    // afterwards with SetPrinterA.
    bool InstallPrinter(const std::string& printerName, const std::string& driverName,
                        DWORD attributes = 0);
    // Leaves what was added in place when the fixture goes (for demos).
    void Keep()
    {
        printers.clear();
        drivers.clear();
    }

    DWORD lastError = 0;

private:
    bool Failed();
    std::vector<std::string> printers;
    std::vector<std::string> drivers;
};

// The spooler's driver directory, without a trailing backslash.
std::string PrinterDriverDirectory();
// HKLM path of a driver's key: "System\CurrentControlSet\control\Print
// \Environments\<environment>\Drivers\Version-<n>\<driver>".
std::string DriverKeyPath(const DriverRecord& driver);

// Reads through the spooler; nothing when the printer or driver is unknown.
std::optional<DWORD> PrinterAttributes(const std::string& printerName);
std::optional<DriverRecord> InstalledDriver(const std::string& driverName);
// The driver's monitor name ("" for none, also when the driver is unknown).
std::string DriverMonitorName(const std::string& driverName);
