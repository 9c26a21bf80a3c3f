#include "spooler.h"

#include <winspool.h>

#include <algorithm>
#include <fstream>

const std::vector<std::string> kTestDriverFiles = {"TSTDRV.DLL", "TSTDRV.PPD", "TSTDRVUI.DLL",
                                                   "TSTDRVRS.DLL", "TSTDRV.INI", "TSTDRV.HLP"};

namespace {

class Printer {
public:
    explicit Printer(const std::string& name)
    {
        PRINTER_DEFAULTSA defaults = {NULL, NULL, PRINTER_ALL_ACCESS};
        if (!OpenPrinterA(const_cast<char*>(name.c_str()), &handle, &defaults))
            handle = NULL;
    }
    ~Printer()
    {
        if (handle != NULL)
            ClosePrinter(handle);
    }
    Printer(const Printer&) = delete;
    Printer& operator=(const Printer&) = delete;

    HANDLE handle = NULL;
};

// Calls `fill(buffer, size, &needed)` once to size and once to fill.
template <typename Fill>
std::optional<std::vector<BYTE>> SizedCall(Fill fill)
{
    DWORD needed = 0;
    fill(nullptr, 0, &needed);
    if (needed == 0)
        return std::nullopt;
    std::vector<BYTE> buffer(needed);
    if (!fill(buffer.data(), needed, &needed))
        return std::nullopt;
    return buffer;
}

std::string Text(const char* text)
{
    return text != NULL ? text : "";
}

std::optional<std::vector<BYTE>> PrinterInfo2(const Printer& printer)
{
    if (printer.handle == NULL)
        return std::nullopt;
    return SizedCall([&](BYTE* data, DWORD size, DWORD* needed) {
        return GetPrinterA(printer.handle, 2, data, size, needed);
    });
}

}  // namespace

std::string PrinterDriverDirectory()
{
    auto buffer = SizedCall([](BYTE* data, DWORD size, DWORD* needed) {
        return GetPrinterDriverDirectoryA(NULL, NULL, 1, data, size, needed);
    });
    return buffer ? std::string(reinterpret_cast<const char*>(buffer->data())) : std::string();
}

std::string DriverKeyPath(const DriverRecord& driver)
{
    return "System\\CurrentControlSet\\control\\Print\\Environments\\" + driver.environment +
           "\\Drivers\\Version-" + std::to_string(driver.version) + "\\" + driver.name;
}

SpoolerFixture::~SpoolerFixture()
{
    for (auto name = printers.rbegin(); name != printers.rend(); ++name) {
        Printer printer(*name);
        if (printer.handle != NULL)
            DeletePrinter(printer.handle);
    }
    for (auto name = drivers.rbegin(); name != drivers.rend(); ++name)
        DeletePrinterDriverA(NULL, NULL, const_cast<char*>(name->c_str()));
}

bool SpoolerFixture::Failed()
{
    lastError = GetLastError();
    return false;
}

bool SpoolerFixture::InstallDriver(const std::string& driverName, const std::string& monitorName)
{
    // Full paths in the driver directory: the spooler copies them into its
    // version subdirectory.
    const std::string directory = PrinterDriverDirectory() + "\\";
    std::string paths[6];
    for (size_t i = 0; i < kTestDriverFiles.size(); ++i) {
        paths[i] = directory + kTestDriverFiles[i];
        if (!(std::ofstream(paths[i]) << "test driver file " << paths[i] << "\r\n"))
            return Failed();
    }
    std::string name = driverName;
    std::string monitor = monitorName;
    std::string dataType = "RAW";
    std::string dependent = kTestDriverFiles[3] + '\0' + kTestDriverFiles[4] + '\0' + '\0';
    DRIVER_INFO_3A info;
    ZeroMemory(&info, sizeof info);
    info.cVersion = 3;
    info.pName = &name[0];
    info.pDriverPath = &paths[0][0];
    info.pDataFile = &paths[1][0];
    info.pConfigFile = &paths[2][0];
    info.pHelpFile = &paths[5][0];
    info.pDependentFiles = &dependent[0];
    info.pMonitorName = monitor.empty() ? NULL : &monitor[0];
    info.pDefaultDataType = &dataType[0];
    if (!AddPrinterDriverA(NULL, 3, reinterpret_cast<LPBYTE>(&info)))
        return Failed();
    if (std::find(drivers.begin(), drivers.end(), driverName) == drivers.end())
        drivers.push_back(driverName);
    return true;
}

bool SpoolerFixture::InstallPrinter(const std::string& printerName, const std::string& driverName,
                                    DWORD attributes)
{
    std::string name = printerName;
    std::string driver = driverName;
    std::string port = "LPT1:";
    std::string processor = "WinPrint";
    std::string dataType = "RAW";
    PRINTER_INFO_2A info;
    ZeroMemory(&info, sizeof info);
    info.pPrinterName = &name[0];
    info.pPortName = &port[0];
    info.pDriverName = &driver[0];
    info.pPrintProcessor = &processor[0];
    info.pDatatype = &dataType[0];
    HANDLE added = AddPrinterA(NULL, 2, reinterpret_cast<LPBYTE>(&info));
    if (added == NULL)
        return Failed();
    ClosePrinter(added);
    printers.push_back(printerName);
    if (attributes == 0)
        return true;
    Printer printer(printerName);
    auto buffer = PrinterInfo2(printer);
    if (!buffer)
        return Failed();
    reinterpret_cast<PRINTER_INFO_2A*>(buffer->data())->Attributes = attributes;
    return SetPrinterA(printer.handle, 2, buffer->data(), 0) || Failed();
}

std::optional<DWORD> PrinterAttributes(const std::string& printerName)
{
    auto buffer = PrinterInfo2(Printer(printerName));
    if (!buffer)
        return std::nullopt;
    return reinterpret_cast<const PRINTER_INFO_2A*>(buffer->data())->Attributes;
}

std::optional<DriverRecord> InstalledDriver(const std::string& driverName)
{
    DWORD count = 0;
    auto buffer = SizedCall([&](BYTE* data, DWORD size, DWORD* needed) {
        return EnumPrinterDriversA(NULL, NULL, 3, data, size, needed, &count);
    });
    if (!buffer)
        return std::nullopt;
    const DRIVER_INFO_3A* drivers = reinterpret_cast<const DRIVER_INFO_3A*>(buffer->data());
    for (DWORD i = 0; i < count; ++i) {
        const DRIVER_INFO_3A& info = drivers[i];
        if (info.pName != NULL && driverName == info.pName)
            return DriverRecord{info.cVersion,          Text(info.pName),
                                Text(info.pEnvironment), Text(info.pDriverPath),
                                Text(info.pHelpFile),   Text(info.pMonitorName)};
    }
    return std::nullopt;
}

std::string DriverMonitorName(const std::string& driverName)
{
    auto driver = InstalledDriver(driverName);
    return driver ? driver->monitorName : std::string();
}
