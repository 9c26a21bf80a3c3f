// Registration of the product's language monitor with the print spooler:
// the monitor is attached to the product's printer driver, its DLL recorded
// under the spooler's Monitors key, and bidirectional support switched on for
// every printer of the driver. The install run does this for the driver of
// the setup INI; the maintenance run for every recorded printer model.
#include "install_run.h"

#include "debug_log.h"
#include "file.h"
#include "handles.h"
#include "printer_handle.h"
#include "product_keys.h"
#include "registry.h"
#include "spooler_keys.h"
#include "text_format.h"
#include "trusted_names.h"

namespace {

const DWORD kBidiAttribute = PRINTER_ATTRIBUTE_ENABLE_BIDI;  // 0x00000800

const char kReplacedValue[] = "RST_FREPLACE";
const char kEnvironmentWin9x[] = "Windows 4.0";
const char kEnvironmentNT[] = "Windows NT x86";


// First buffer sizes of the spooler queries below. Most queries fit, so the
// spooler does its work once instead of once to size and once to fill: under
// some spoolers each call walks every printer's registry key.
const DWORD kPrinterListGuess = 64 * 1024;
const DWORD kDriverRecordGuess = 4 * 1024;

// Runs `query` (buffer, size, &needed) into `buffer`; when the buffer is too
// small, once more with the size the spooler asked for.
template <class Query>
BOOL QueryIntoBuffer(HeapBuffer& buffer, DWORD size, Query query)
{
    for (int attempt = 0; attempt < 2; ++attempt) {
        if (!buffer.Allocate(size))
            return FALSE;
        DWORD needed = 0;
        if (query(static_cast<LPBYTE>(buffer.get()), size, &needed))
            return TRUE;
        if (GetLastError() != ERROR_INSUFFICIENT_BUFFER || needed <= size)
            return FALSE;
        size = needed;
    }
    return FALSE;
}

// EnumPrintersA level 2 of all local, connected and network printers. FALSE
// when the list is empty (with no Windows error) or the spooler fails.
BOOL EnumeratePrinters(HeapBuffer& buffer, DWORD& count)
{
    count = 0;
    BOOL listed = QueryIntoBuffer(buffer, kPrinterListGuess,
                                  [&count](LPBYTE data, DWORD size, DWORD* needed) {
                                      return EnumPrintersA(kPrinterEnumFlags, NULL, 2, data, size,
                                                           needed, &count);
                                  });
    if (listed && count == 0) {
        SetLastError(ERROR_SUCCESS);
        return FALSE;
    }
    return listed;
}

// GetPrinterDriverA level 3 of an open printer.
BOOL ReadDriverRecord(HANDLE printer, HeapBuffer& buffer)
{
    return QueryIntoBuffer(buffer, kDriverRecordGuess,
                           [printer](LPBYTE data, DWORD size, DWORD* needed) {
                               return GetPrinterDriverA(printer, NULL, 3, data, size, needed);
                           });
}

// Hands the driver record back to the spooler with `monitorName` as its
// monitor (NULL: none). The record's other members stay as they are.
BOOL AddDriverWithMonitor(DRIVER_INFO_3A* record, LPSTR monitorName)
{
    record->pMonitorName = monitorName;
    return AddPrinterDriverA(NULL, 3, reinterpret_cast<LPBYTE>(record));
}

// AddMonitorA level 2; the result is of no interest, since a monitor that is
// already installed is no failure.
void InstallMonitor(const std::string& name, const char* environment, const std::string& dll)
{
    std::string nameText = name;
    std::string environmentText = environment;
    std::string dllText = dll;
    MONITOR_INFO_2A info;
    info.pName = &nameText[0];
    info.pEnvironment = &environmentText[0];
    info.pDLLName = &dllText[0];
    AddMonitorA(NULL, 2, reinterpret_cast<LPBYTE>(&info));
}

void RemoveMonitor(const std::string& name)
{
    DeleteMonitorA(NULL, NULL, const_cast<char*>(name.c_str()));
}

// Records the monitor's DLL under the spooler's Monitors key. A different
// DLL recorded before is replaced, which "RST_FREPLACE" tells the caller.
// FALSE with the pair and the registry's own error when a key cannot be
// opened or created.
BOOL RecordMonitorDll(const std::string& monitorName, const std::string& monitorDll,
                      const RunEnvironment& environment, KeyRepair& repair, RunResult& result)
{
    // The DLL that the spooler loads as SYSTEM: owner Administrators and the
    // protected list, whoever made the key.
    const std::string path = kMonitorsKey + monitorName;
    repair.RepairKey(HKEY_LOCAL_MACHINE, path);
    Registry monitorKey(HKEY_LOCAL_MACHINE, path, environment.securityAttributes, TRUE,
                        Registry::kAllAccess);
    if (!monitorKey.isOpen) {
        result.Record(pair::kMonitorKeyNotOpened, monitorKey.openError);
        return FALSE;
    }
    repair.RepairKey(HKEY_LOCAL_MACHINE, path);
    if (lstrcmpiA(monitorKey.QueryString("Driver", "").c_str(), monitorDll.c_str()) == 0)
        return TRUE;

    monitorKey.SetString("Driver", monitorDll);
    LPSECURITY_ATTRIBUTES shared =
        PrepareKey(HKEY_LOCAL_MACHINE, kVtrCommonKey, environment.securityAttributes,
                   environment.sharedSecurityAttributes);
    Registry vtrCommon(HKEY_LOCAL_MACHINE, kVtrCommonKey, shared, TRUE, Registry::kReadWrite);
    if (!vtrCommon.isOpen) {
        result.Record(pair::kVtrCommonNotOpened, vtrCommon.openError);
        return FALSE;
    }
    vtrCommon.SetDword(kReplacedValue, 1);
    return TRUE;
}

// The name and extension of a path, without drive and directory.
std::string FileNamePart(const std::string& path)
{
    size_t separator = FindLastChar(path, "\\/:", AnsiLeadByte);
    return separator == std::string::npos ? path : path.substr(separator + 1);
}

}  // namespace

// Opens the printer and reads its driver record into `buffer`; NULL after a
// failure, with the result recorded.
DRIVER_INFO_3A* InstallRun::ReadPrinterDriver(const std::string& printerName, bool fullAccess,
                                              HeapBuffer& buffer)
{
    PrinterHandle printer;
    if (!printer.Open(printerName, fullAccess)) {
        result.Record(pair::kPrinterNotOpened, GetLastError());
        return NULL;
    }
    if (!ReadDriverRecord(printer.get(), buffer)) {
        result.Record(pair::kDriverRecordNotRead, GetLastError());
        return NULL;
    }
    return static_cast<DRIVER_INFO_3A*>(buffer.get());
}

// Attaches the run's language monitor to the driver record and records its
// DLL; FALSE after a failure, with the result recorded.
BOOL InstallRun::AttachMonitor(DRIVER_INFO_3A* record)
{
    std::string monitor = settings.langMonitorName;
    if (!AddDriverWithMonitor(record, &monitor[0])) {
        result.Record(pair::kMonitorNotAttached, GetLastError());
        return FALSE;
    }
    return RecordMonitorDll(settings.langMonitorName, settings.langMonitorDll, environment, repair,
                            result);
}

BOOL InstallRun::InstallLanguageMonitors()
{
    if (cmdLine.tFlag)
        return TRUE;

    HeapBuffer buffer;
    DWORD count = 0;
    if (!EnumeratePrinters(buffer, count)) {
        result.Record(cmdLine.install ? pair::kPrintersNotListedInstall
                                      : pair::kPrintersNotListedMaintenance,
                      GetLastError());
        return FALSE;
    }
    PRINTER_INFO_2A* printers = static_cast<PRINTER_INFO_2A*>(buffer.get());
    if (cmdLine.install)
        return RegisterDriverPrinters(printers, count, settings.driverName);
    return RegisterMonitorsOfModels(printers, count);
}

// The printers of one driver: the monitor is registered through the first of
// them, bidirectional support switched on for all.
BOOL InstallRun::RegisterDriverPrinters(PRINTER_INFO_2A* printers, DWORD count,
                                        const std::string& driver)
{
    bool registered = false;
    for (DWORD i = 0; i < count; ++i) {
        PRINTER_INFO_2A& printer = printers[i];
        if (printer.pDriverName == NULL || driver != printer.pDriverName)
            continue;
        if (!registered) {
            registered = true;
            if (!RegisterLanguageMonitor(printer.pPrinterName != NULL ? printer.pPrinterName : ""))
                return FALSE;
        }
        if ((printer.Attributes & kBidiAttribute) == 0 && !EnableBidi(&printer))
            return FALSE;
    }
    return TRUE;
}

// The maintenance run: every recorded model that names a language monitor.
BOOL InstallRun::RegisterMonitorsOfModels(PRINTER_INFO_2A* printers, DWORD count)
{
    Registry models(HKEY_LOCAL_MACHINE, kModelsKey, NULL, FALSE, Registry::kRead);
    if (!models.isOpen) {
        result.Record(pair::kModelsKeyNotOpened);
        return FALSE;
    }
    for (DWORD index = 0;; ++index) {
        std::string model = models.EnumKey(index);
        if (model.empty())
            return TRUE;
        Registry modelKey(HKEY_LOCAL_MACHINE, kModelKeyPrefix + model, NULL,
                          FALSE, Registry::kRead);
        if (!modelKey.isOpen) {
            result.Record(pair::kModelKeyNotOpened);
            return FALSE;
        }
        settings.langMonitorName = modelKey.QueryString("LanguageMon", "");
        settings.langMonitorDll = modelKey.QueryString("LanguageMonDll", "");
        if (settings.langMonitorName.empty() || settings.langMonitorDll.empty())
            continue;
        if (!RegisterDriverPrinters(printers, count, model))
            return FALSE;
    }
}

BOOL InstallRun::EnableBidi(PRINTER_INFO_2A* printer)
{
    PrinterHandle handle;
    const char* name = printer->pPrinterName != NULL ? printer->pPrinterName : "";
    if (!handle.Open(name, environment.osKind != 1)) {
        result.Record(pair::kPrinterNotOpened, GetLastError());
        return FALSE;
    }
    printer->Attributes |= kBidiAttribute;
    if (!SetPrinterA(handle.get(), 2, reinterpret_cast<LPBYTE>(printer), 0)) {
        result.Record(pair::kBidiNotSwitchedOn, GetLastError());
        return FALSE;
    }
    return TRUE;
}

BOOL InstallRun::RegisterLanguageMonitor(std::string printerName)
{
    if (settings.langMonitorName.empty() || settings.langMonitorDll.empty())
        return TRUE;
    // The spooler loads it as SYSTEM from its own directory: a path would
    // let the model's record choose any DLL.
    if (!IsBareFileName(settings.langMonitorDll)) {
        DebugLog("    Language monitor DLL refused(%s)\n", settings.langMonitorDll.c_str());
        result.Record(pair::kMonitorDllNotInSystemDir);
        return FALSE;
    }

    // A bare DLL name is looked for in the system directory, which stays the
    // current directory afterwards.
    char systemDir[MAX_PATH] = "";
    UINT length = GetSystemDirectoryA(systemDir, MAX_PATH);
    if (length > 0 && length < MAX_PATH)
        SetCurrentDirectoryA(systemDir);

    CFileFind finder;
    if (!finder.FindFile(settings.langMonitorDll)) {
        if (environment.osKind == 1) {
            result.Record(pair::kMonitorDllNotInSystemDir);
            return FALSE;
        }
        return TRUE;
    }
    if (environment.osKind == 1)
        return RegisterMonitorWin9x(printerName);
    if (environment.osKind == 2 || environment.osKind == 3)
        return RegisterMonitorNT(printerName);
    return TRUE;
}

BOOL InstallRun::RegisterMonitorWin9x(std::string printerName)
{
    HeapBuffer buffer;
    DRIVER_INFO_3A* record = ReadPrinterDriver(printerName, false, buffer);
    if (record == NULL)
        return FALSE;

    // These systems have no early exit: the driver is detached from whatever
    // monitor it names, and the monitor installed afresh.
    if (record->pMonitorName != NULL) {
        std::string previous = record->pMonitorName;
        if (!AddDriverWithMonitor(record, NULL)) {
            result.Record(pair::kMonitorNotDetached, GetLastError());
            return FALSE;
        }
        if (!previous.empty())
            RemoveMonitor(previous);
    }
    RemoveMonitor(settings.langMonitorName);
    InstallMonitor(settings.langMonitorName, kEnvironmentWin9x, settings.langMonitorDll);
    return AttachMonitor(record);
}

BOOL InstallRun::RegisterMonitorNT(std::string printerName)
{
    HeapBuffer buffer;
    DRIVER_INFO_3A* record = ReadPrinterDriver(printerName, true, buffer);
    if (record == NULL)
        return FALSE;

    if (record->pMonitorName != NULL && settings.langMonitorName == record->pMonitorName)
        return TRUE;

    if (!CopyDriverFiles(record))
        return FALSE;
    // The previous monitor stays installed on these systems.
    if (record->pMonitorName != NULL && !AddDriverWithMonitor(record, NULL)) {
        result.Record(pair::kMonitorNotDetached, GetLastError());
        return FALSE;
    }
    InstallMonitor(settings.langMonitorName, kEnvironmentNT, settings.langMonitorDll);
    return AttachMonitor(record);
}

BOOL InstallRun::CopyDriverFiles(DRIVER_INFO_3A* info)
{
    DWORD needed = 0;
    if (!GetPrinterDriverDirectoryA(NULL, NULL, 1, NULL, 0, &needed) &&
        GetLastError() != ERROR_INSUFFICIENT_BUFFER) {
        const DWORD error = GetLastError();
        // 7/111 also stands for the COPYEXEC directory: the log tells them apart.
        DebugLog("    Driver directory not sized\n");
        result.Record(pair::kDriverDirectorySizeNotRead, error);
        return FALSE;
    }
    // One byte more than asked for, so that the text is terminated whatever
    // the spooler wrote.
    HeapBuffer buffer;
    if (!buffer.Allocate(needed + 1)) {
        result.Record(pair::kDriverDirectoryNotFilled, GetLastError());
        return FALSE;
    }
    char* directory = static_cast<char*>(buffer.get());
    directory[needed] = '\0';
    if (!GetPrinterDriverDirectoryA(NULL, NULL, 1, reinterpret_cast<LPBYTE>(directory), needed,
                                    &needed)) {
        result.Record(pair::kDriverDirectoryNotFilled, GetLastError());
        return FALSE;
    }

    // A failed copy is recorded in the result pair and the walk goes on.
    for (const char* name = info->pDependentFiles; name != NULL && *name != '\0';
         name += lstrlenA(name) + 1)
        CopyDriverFile(name, directory, info->cVersion);
    for (const char* file : {info->pDriverPath, info->pDataFile, info->pConfigFile,
                             info->pHelpFile}) {
        if (file != NULL)
            CopyDriverFile(file, directory, info->cVersion);
    }
    return TRUE;
}

BOOL InstallRun::CopyDriverFile(LPCSTR filePath, LPCSTR driverDirectory, DWORD version)
{
    const std::string name = FileNamePart(filePath);
    const std::string directory = driverDirectory;
    char versionText[16];
    FormatText(versionText, sizeof versionText, "%lu", static_cast<unsigned long>(version));
    const std::string source = directory + "\\" + versionText + "\\" + name;
    const std::string target = directory + "\\" + name;
    if (!CopyFileA(source.c_str(), target.c_str(), FALSE)) {
        result.Record(pair::kDriverFileNotCopied, GetLastError());
        return FALSE;
    }
    return TRUE;
}
