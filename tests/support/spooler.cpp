#include "spooler.h"

#include <winspool.h>

#include <algorithm>

namespace {

const DWORD kEnumFlags = PRINTER_ENUM_LOCAL | PRINTER_ENUM_CONNECTIONS | PRINTER_ENUM_NETWORK;

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

DriverRecord ToRecord(const DRIVER_INFO_3A& info)
{
    DriverRecord record;
    record.version = info.cVersion;
    record.name = Text(info.pName);
    record.environment = Text(info.pEnvironment);
    record.driverPath = Text(info.pDriverPath);
    record.dataFile = Text(info.pDataFile);
    record.configFile = Text(info.pConfigFile);
    record.helpFile = Text(info.pHelpFile);
    for (const char* name = info.pDependentFiles; name != NULL && *name != '\0';
         name += lstrlenA(name) + 1)
        record.dependentFiles.push_back(name);
    record.hasMonitor = info.pMonitorName != NULL;
    record.monitorName = Text(info.pMonitorName);
    return record;
}

bool CreateDummyFile(const std::string& path)
{
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, NULL, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, NULL);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    DWORD written = 0;
    const std::string content = "test driver file " + path + "\r\n";
    BOOL ok = WriteFile(file, content.data(), static_cast<DWORD>(content.size()), &written, NULL);
    CloseHandle(file);
    return ok != FALSE;
}

void Forget(std::vector<std::string>& names, const std::string& name)
{
    names.erase(std::remove(names.begin(), names.end(), name), names.end());
}

}  // namespace

std::vector<std::string> TestDriverFiles::All() const
{
    std::vector<std::string> all = dependentFiles;
    for (const std::string& file : {driverPath, dataFile, configFile, helpFile}) {
        if (!file.empty())
            all.push_back(file);
    }
    return all;
}

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
    RemoveAll();
}

bool SpoolerFixture::InstallDriver(const std::string& driverName, const std::string& monitorName,
                               const TestDriverFiles& files)
{
    const std::string directory = PrinterDriverDirectory();
    for (const std::string& file : files.All()) {
        if (!CreateDummyFile(directory + "\\" + file)) {
            lastError = GetLastError();
            return false;
        }
    }
    // Full paths in the driver directory: the spooler copies them into its
    // version subdirectory.
    auto inDirectory = [&](const std::string& file) {
        return file.empty() ? std::string() : directory + "\\" + file;
    };
    std::string name = driverName;
    std::string driverPath = inDirectory(files.driverPath);
    std::string dataFile = inDirectory(files.dataFile);
    std::string configFile = inDirectory(files.configFile);
    std::string helpFile = inDirectory(files.helpFile);
    std::string monitor = monitorName;
    std::string dataType = "RAW";
    std::string dependent;
    for (const std::string& file : files.dependentFiles)
        dependent += file + '\0';
    dependent += '\0';

    auto orNull = [](std::string& text) { return text.empty() ? NULL : &text[0]; };
    DRIVER_INFO_3A info;
    ZeroMemory(&info, sizeof info);
    info.cVersion = 3;
    info.pName = &name[0];
    info.pEnvironment = NULL;  // this system's
    info.pDriverPath = orNull(driverPath);
    info.pDataFile = orNull(dataFile);
    info.pConfigFile = orNull(configFile);
    info.pHelpFile = orNull(helpFile);
    info.pDependentFiles = &dependent[0];
    info.pMonitorName = orNull(monitor);
    info.pDefaultDataType = &dataType[0];
    if (!AddPrinterDriverA(NULL, 3, reinterpret_cast<LPBYTE>(&info))) {
        lastError = GetLastError();
        return false;
    }
    if (std::find(drivers.begin(), drivers.end(), driverName) == drivers.end())
        drivers.push_back(driverName);
    return true;
}

bool SpoolerFixture::InstallPrinter(const std::string& printerName, const std::string& driverName,
                                DWORD attributes, const std::string& port)
{
    std::string name = printerName;
    std::string driver = driverName;
    std::string portName = port;
    std::string processor = "WinPrint";
    std::string dataType = "RAW";
    PRINTER_INFO_2A info;
    ZeroMemory(&info, sizeof info);
    info.pPrinterName = &name[0];
    info.pPortName = &portName[0];
    info.pDriverName = &driver[0];
    info.pPrintProcessor = &processor[0];
    info.pDatatype = &dataType[0];
    HANDLE printer = AddPrinterA(NULL, 2, reinterpret_cast<LPBYTE>(&info));
    if (printer == NULL) {
        lastError = GetLastError();
        return false;
    }
    ClosePrinter(printer);
    printers.push_back(printerName);
    if (attributes != 0 && !SetPrinterAttributes(printerName, attributes)) {
        lastError = GetLastError();
        return false;
    }
    return true;
}

bool SpoolerFixture::RemovePrinter(const std::string& printerName)
{
    Forget(printers, printerName);
    Printer printer(printerName);
    if (printer.handle == NULL || !DeletePrinter(printer.handle)) {
        lastError = GetLastError();
        return false;
    }
    return true;
}

bool SpoolerFixture::RemoveDriver(const std::string& driverName)
{
    Forget(drivers, driverName);
    if (!DeletePrinterDriverA(NULL, NULL, const_cast<char*>(driverName.c_str()))) {
        lastError = GetLastError();
        return false;
    }
    return true;
}

void SpoolerFixture::RemoveAll()
{
    // Copies: removing forgets the name, which must not be the argument.
    while (!printers.empty()) {
        const std::string name = printers.back();
        RemovePrinter(name);
    }
    while (!drivers.empty()) {
        const std::string name = drivers.back();
        RemoveDriver(name);
    }
}

std::optional<DWORD> PrinterAttributes(const std::string& printerName)
{
    Printer printer(printerName);
    if (printer.handle == NULL)
        return std::nullopt;
    auto buffer = SizedCall([&](BYTE* data, DWORD size, DWORD* needed) {
        return GetPrinterA(printer.handle, 2, data, size, needed);
    });
    if (!buffer)
        return std::nullopt;
    return reinterpret_cast<const PRINTER_INFO_2A*>(buffer->data())->Attributes;
}

bool SetPrinterAttributes(const std::string& printerName, DWORD attributes)
{
    Printer printer(printerName);
    if (printer.handle == NULL)
        return false;
    auto buffer = SizedCall([&](BYTE* data, DWORD size, DWORD* needed) {
        return GetPrinterA(printer.handle, 2, data, size, needed);
    });
    if (!buffer)
        return false;
    reinterpret_cast<PRINTER_INFO_2A*>(buffer->data())->Attributes = attributes;
    return SetPrinterA(printer.handle, 2, buffer->data(), 0) != FALSE;
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
        if (drivers[i].pName != NULL && driverName == drivers[i].pName)
            return ToRecord(drivers[i]);
    }
    return std::nullopt;
}

std::optional<DriverRecord> DriverOfPrinter(const std::string& printerName)
{
    Printer printer(printerName);
    if (printer.handle == NULL)
        return std::nullopt;
    auto buffer = SizedCall([&](BYTE* data, DWORD size, DWORD* needed) {
        return GetPrinterDriverA(printer.handle, NULL, 3, data, size, needed);
    });
    if (!buffer)
        return std::nullopt;
    return ToRecord(*reinterpret_cast<const DRIVER_INFO_3A*>(buffer->data()));
}

std::string DriverMonitorName(const std::string& driverName)
{
    auto driver = InstalledDriver(driverName);
    return driver ? driver->monitorName : std::string();
}

std::vector<std::string> PrinterNames()
{
    DWORD count = 0;
    auto buffer = SizedCall([&](BYTE* data, DWORD size, DWORD* needed) {
        return EnumPrintersA(kEnumFlags, NULL, 2, data, size, needed, &count);
    });
    std::vector<std::string> names;
    if (!buffer)
        return names;
    const PRINTER_INFO_2A* printers = reinterpret_cast<const PRINTER_INFO_2A*>(buffer->data());
    for (DWORD i = 0; i < count; ++i)
        names.push_back(Text(printers[i].pPrinterName));
    return names;
}
