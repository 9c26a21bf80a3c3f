// The uninstall runs, by printer and by printer driver. Each finds the model
// it removes, has MONCFG uninstall it, removes the target entries and, where
// no other printer or model still needs them, the model's driver-wide parts
// and the product's keys; the SDK's uninstaller comes last.
#include "uninstall_run.h"

#include "debug_log.h"
#include "handles.h"
#include "printer_handle.h"
#include "printer_record.h"
#include "program_start.h"
#include "registry.h"
#include "spooler_keys.h"
#include "startup_links.h"
#include "uninstall_keys.h"

namespace {


// MONCFG's uninstall call; the model's id follows in quotes when it has one.
std::string MoncfgUninstallCommand(const std::string& moncfg, const std::string& modelId)
{
    std::string command = moncfg + " /U";
    if (!modelId.empty())
        command += " /M\"" + modelId + "\"";
    return command;
}

// A MONCFG call: the "MONCFG" value names the program, the whole line is
// its command line.
bool Started(const std::string& moncfg, const std::string& command)
{
    return StartProgram(moncfg, command, SW_SHOW, IdleWait::kLikeWinExec,
                        StartIn::kProgramFolder) != FALSE;
}

bool IsNT(const RunEnvironment& environment)
{
    return environment.osKind == 2 || environment.osKind == 3;
}

}  // namespace

BOOL UninstallRun::UnInstall()
{
    const std::string& printerName = cmdLine.uninstallArg;
    PrinterHandle printer;
    if (!printer.Open(printerName, false)) {
        result.Record(pair::kPrinterUnknown);
        return TRUE;
    }
    if (!ReadDriverOfPrinter(printer))
        return TRUE;

    const std::string moncfg = RunMoncfgUninstall(
        {pair::kPrinterModelKeyNotOpened, pair::kPrinterMoncfgMissing,
         pair::kPrinterMoncfgNotStarted},
        false);

    // 3/1 stands for both TXATarget keys: only the log tells them apart.
    bool targetsCleaned = true;
    if (!DeleteTargetKey(HKEY_CURRENT_USER, kTxaTargetKey, printerName)) {
        DebugLog("    HKCU TXATarget error\n");
        result.Record(pair::kUserTxaTargetsNotCleaned);
        targetsCleaned = false;
    }
    if (!DeleteTargetKey(HKEY_CURRENT_USER, kTxbTargetKey, printerName)) {
        result.Record(pair::kPrinterTxbTargetsNotCleaned);
        targetsCleaned = false;
    }
    if (!DeleteTargetKey(HKEY_LOCAL_MACHINE, kTxaTargetKey, printerName)) {
        DebugLog("    HKLM TXATarget error\n");
        result.Record(pair::kMachineTxaTargetsNotCleaned);
        targetsCleaned = false;
    }

    BOOL lastPrinterOfDriver = FALSE;
    BOOL noModelLeft = FALSE;
    switch (FindOtherPrinterOfDriver()) {
    case DriverUse::kNotListed:
        return TRUE;
    case DriverUse::kNoPrinters:
        noModelLeft = TRUE;
        break;
    case DriverUse::kInUse:
        break;
    case DriverUse::kLastPrinter:
        lastPrinterOfDriver = TRUE;
        noModelLeft = DeleteModel();
        break;
    }

    if (DeleteShortcutExe())
        DeleteOwnStartupLinks();
    DeleteShortcutLinks();
    // Target entries that could not all be removed are the only record of
    // their printers' Run values: the product's keys, which hold them, stay
    // for a later run.
    if (!noModelLeft)
        RunMoncfgCleanUp(moncfg);
    else if (targetsCleaned)
        DeleteProductKey();
    else
        DebugLog("    product keys kept\n");
    if (lastPrinterOfDriver && environment.isAdmin)
        UninstallZQAPI();
    return TRUE;
}

BOOL UninstallRun::UnInstall2()
{
    settings.driverName = cmdLine.uninstallArg2;
    if (settings.driverName.empty()) {
        result.Record(pair::kNoDriverName);
        return FALSE;
    }
    DebugLog("CMainFrame::UnInstall2()\n");
    DebugLog("    Close icon\n");
    const std::string moncfg = RunMoncfgUninstall(
        {pair::kDriverModelKeyNotOpened, pair::kDriverMoncfgMissing,
         pair::kDriverMoncfgNotStarted},
        true);

    bool targetsCleaned = true;
    DebugLog("    delete registry TXATarget\n");
    if (!DeleteTargetKey2(HKEY_CURRENT_USER, kTxaTargetKey, settings.driverName)) {
        result.Record(pair::kDriverTxaTargetsNotCleaned);
        targetsCleaned = false;
    }
    DebugLog("    delete registry TXBTarget\n");
    if (!DeleteTargetKey2(HKEY_CURRENT_USER, kTxbTargetKey, settings.driverName)) {
        result.Record(pair::kDriverTxbTargetsNotCleaned);
        targetsCleaned = false;
    }

    if (DeleteModel()) {
        // As in UnInstall: the entries left keep the product's keys.
        if (targetsCleaned) {
            DebugLog("    delete registry\n");
            DeleteProductKey();
        } else {
            DebugLog("    product keys kept\n");
        }
    } else {
        DebugLog("    Execute moncfg\n");
        RunMoncfgCleanUp(moncfg);
    }

    DebugLog("    delete shortcut icon\n");
    if (DeleteShortcutExe())
        DeleteOwnStartupLinks();
    DebugLog("    uninstall zqapi\n");
    UninstallZQAPI();
    DebugLog("CMainFrame::UnInstall2() exit\n");
    return TRUE;
}

// The printer's driver becomes the model the run removes. A record that
// cannot be read, or names no driver, gives 7/10: without a driver name every
// later step would work on the Driver key itself, that is on every model.
BOOL UninstallRun::ReadDriverOfPrinter(const PrinterHandle& printer)
{
    const DWORD size = PrinterInfoSize(printer.get());
    if (size == 0) {
        result.Record(pair::kPrinterNotRead, GetLastError());
        return FALSE;
    }
    HeapBuffer buffer;
    const PRINTER_INFO_2A* info = ReadPrinterInfo(printer.get(), buffer, size);
    if (info == NULL) {
        result.Record(pair::kPrinterNotRead, GetLastError());
        return FALSE;
    }
    if (info->pDriverName == NULL || info->pDriverName[0] == '\0') {
        result.Record(pair::kPrinterNotRead);
        return FALSE;
    }
    settings.driverName = info->pDriverName;
    return TRUE;
}

// Starts MONCFG's uninstall call for the model and returns MONCFG's command
// path (empty when the model records none), which the clean-up call needs
// after the model's key is gone. `logged`: the sequence by driver logs.
std::string UninstallRun::RunMoncfgUninstall(const MoncfgPairs& pairs, bool logged)
{
    Registry model(HKEY_LOCAL_MACHINE, ModelKeyPath(settings.driverName), NULL, FALSE,
                   Registry::kRead);
    if (!model.isOpen) {
        result.Record(pairs.modelKeyNotOpened);
        return std::string();
    }
    const std::string moncfg = model.QueryString("MONCFG", "");
    if (moncfg.empty()) {
        if (logged)
            DebugLog("    moncfg not recorded\n");
        result.Record(pairs.moncfgMissing);
        return moncfg;
    }
    if (!TrustedForPrograms(ModelKeyPath(settings.driverName))) {
        DebugLog("    moncfg owner refused\n");
        result.Record(pair::kMoncfgKeyNotTrusted);
        return std::string();
    }
    const std::string command = MoncfgUninstallCommand(moncfg, model.QueryString("ModelID", ""));
    if (logged)
        DebugLog("    Execute moncfg\n");
    if (!Started(moncfg, command)) {
        if (logged)
            DebugLog("    Execute moncfg error\n");
        result.Record(pairs.notStarted);
    }
    return moncfg;
}

// MONCFG's clean-up call, made while other models remain.
void UninstallRun::RunMoncfgCleanUp(const std::string& moncfg)
{
    if (moncfg.empty())
        return;
    if (!Started(moncfg, moncfg + " /C"))
        result.Record(pair::kMoncfgCleanUpNotStarted);
}

// Whether a printer other than the one removed still uses its driver, by the
// spooler's list of all local, connected and network printers (names and
// drivers compared exactly).
UninstallRun::DriverUse UninstallRun::FindOtherPrinterOfDriver()
{
    DWORD needed = 0;
    DWORD count = 0;
    const BOOL sized = EnumPrintersA(kPrinterEnumFlags, NULL, 2, NULL, 0, &needed, &count);
    if (needed == 0) {
        // An empty list is answered with success; a spooler that fails
        // is no empty list, and must not lead to the product key's removal.
        if (sized)
            return DriverUse::kNoPrinters;
        result.Record(pair::kPrintersNotListedUninstall, GetLastError());
        return DriverUse::kNotListed;
    }
    HeapBuffer buffer;
    if (!buffer.Allocate(needed) ||
        !EnumPrintersA(kPrinterEnumFlags, NULL, 2, static_cast<LPBYTE>(buffer.get()), needed, &needed,
                       &count)) {
        result.Record(pair::kPrintersNotListedUninstall, GetLastError());
        return DriverUse::kNotListed;
    }
    if (count == 0)
        return DriverUse::kNoPrinters;

    const PRINTER_INFO_2A* printers = static_cast<const PRINTER_INFO_2A*>(buffer.get());
    for (DWORD i = 0; i < count; ++i) {
        const PRINTER_INFO_2A& printer = printers[i];
        if (printer.pPrinterName == NULL || printer.pDriverName == NULL)
            continue;
        if (cmdLine.uninstallArg != printer.pPrinterName &&
            settings.driverName == printer.pDriverName)
            return DriverUse::kInUse;
    }
    return DriverUse::kLastPrinter;
}

// The model's driver-wide parts: the service program (NT), the help files,
// the shared components no other model uses, and what its driver was given;
// then its record. TRUE when no model is left.
BOOL UninstallRun::DeleteModel()
{
    const BOOL service = IsNT(environment) ? StopVtrService() : TRUE;
    const BOOL help = DeleteHtmlFiles();
    const BOOL registrations = DeleteRegXIMP();
    const BOOL driverParts = DeleteDriverParts();
    if (service && help && registrations && driverParts)
        return DeleteProfile();
    // The record is all that tells a later uninstall what to remove: it
    // stays while a part could not be removed (a record that is gone
    // already has nothing left to tell).
    const Registry model(HKEY_LOCAL_MACHINE, ModelKeyPath(settings.driverName), NULL, FALSE,
                         Registry::kRead);
    if (model.IsMissing())
        return DeleteProfile();
    return KeepModelRecord();
}

BOOL UninstallRun::KeepModelRecord()
{
    DebugLog("    model record kept\n");
    result.Record(pair::kModelRecordKept);
    return FALSE;
}

// The Startup links to this program, and to the installed copy in the
// driver directory, which the install's link starts, when the uninstall
// runs from another copy (the product setup's own, say).
void UninstallRun::DeleteOwnStartupLinks()
{
    StartupLinks links(environment, result);
    const std::string own = OwnProgramPath();
    links.DeleteLinksTo(own);
    const std::string installed = InstalledCopyPath(own);
    if (!installed.empty() && lstrcmpiA(installed.c_str(), own.c_str()) != 0)
        links.DeleteLinksTo(installed);
}
