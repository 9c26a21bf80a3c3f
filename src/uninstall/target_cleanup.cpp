// The monitor's target entries of removed printers or drivers: numbered
// subkeys of a target key whose "Name" is a printer, each with the start-up
// value of that printer under the current user's Run key. Both walks keep
// their index after a deletion, since the following subkeys move down.
#include "uninstall_run.h"

#include "debug_log.h"
#include "handles.h"
#include "printer_handle.h"
#include "printer_record.h"
#include "registry.h"

namespace {

const char kRunKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\run";
const char kPrinterValue[] = "Name";

// The printer's start-up value; a missing key or value is no failure. An
// entry without a printer name has none: the Run key's default value belongs
// to nobody's printer. Only the user's own entries name it: an entry under
// HKEY_LOCAL_MACHINE may have been written by any user, and must not delete
// a value from the Run key of whoever runs the uninstall. False when the
// value may still be there: its entry, the only record of it, then stays.
bool DeleteStartupValue(HKEY root, const std::string& printer)
{
    if (root != HKEY_CURRENT_USER || printer.empty())
        return true;
    return Registry(HKEY_CURRENT_USER, kRunKey, NULL, FALSE, Registry::kAllAccess)
               .DeleteValueIfThere(printer) != FALSE;
}

// Whether an entry's printer goes with the driver `driverName`: when it cannot
// be opened or read, names no driver, or uses that driver. Logs each outcome.
bool PrinterGoesWithDriver(const std::string& printerName, const std::string& driverName)
{
    PrinterHandle printer;
    if (!printer.Open(printerName, false)) {
        DebugLog("    Open Error\n");
        return true;
    }
    DebugLog("    Open Succees\n");
    const DWORD size = PrinterInfoSize(printer.get());
    if (size == 0) {
        // The handle is logged as a number, as it always was (its low 32 bits).
        DebugLog("    GetPrinter() error hPrinter=%d, needed=%d, LastError=%d\n",
                 static_cast<int>(reinterpret_cast<INT_PTR>(printer.get())),
                 static_cast<int>(size), static_cast<int>(GetLastError()));
        return true;
    }
    HeapBuffer buffer;
    const PRINTER_INFO_2A* info = ReadPrinterInfo(printer.get(), buffer, size);
    if (info == NULL) {
        DebugLog("    GetPrinter() error\n");
        return true;
    }
    if (info->pDriverName == NULL) {
        DebugLog("    GetPrinter() error pDriverName = NULL\n");
        return true;
    }
    if (driverName == info->pDriverName) {
        DebugLog("    Delete SubKey\n");
        return true;
    }
    return false;
}

// Whether a target key that did not open leaves nothing to do: it is not
// there, or it is the machine's and this user may not change it (a plain
// user's uninstall on NT; nor may a later run of theirs).
bool NothingToClean(HKEY root, const Registry& targets)
{
    return targets.IsMissing() ||
           (root == HKEY_LOCAL_MACHINE && targets.openError == ERROR_ACCESS_DENIED);
}

}  // namespace

BOOL UninstallRun::DeleteTargetKey(HKEY root, std::string keyPath, std::string printerName)
{
    Registry targets = OpenForRemoval(root, keyPath);
    if (!targets.isOpen)
        return NothingToClean(root, targets) ? TRUE : FALSE;
    DWORD index = 0;
    for (std::string name = targets.EnumKey(index); !name.empty();
         name = targets.EnumKey(index)) {
        std::string printer;
        {
            Registry entry = OpenForRemoval(root, keyPath + "\\" + name);
            if (!entry.isOpen)
                return FALSE;
            printer = entry.QueryString(kPrinterValue, "");
        }
        bool remove = printer == printerName;
        if (!remove) {
            PrinterHandle exists;
            remove = !exists.Open(printer, false);
        }
        if (!remove) {
            ++index;
            continue;
        }
        if (!DeleteStartupValue(root, printer) || !targets.DeleteKey(name, Reclaim(root)))
            return FALSE;
    }
    return TRUE;
}

BOOL UninstallRun::DeleteTargetKey2(HKEY root, std::string keyPath, std::string driverName)
{
    DebugLog("CMainFrame::DeleteTargetKey2()\n");
    Registry targets = OpenForRemoval(root, keyPath);
    if (!targets.isOpen && !NothingToClean(root, targets)) {
        DebugLog("    TargetKey open error\n");
        return FALSE;
    }
    bool stepped = false;
    DWORD index = 0;
    for (std::string name = targets.EnumKey(index); !name.empty();
         name = targets.EnumKey(index)) {
        DebugLog("    SubKey name:%s\n", name.c_str());
        std::string printer;
        {
            Registry entry = OpenForRemoval(root, keyPath + "\\" + name);
            if (!entry.isOpen) {
                DebugLog("    SubKey open error\n");
                return FALSE;
            }
            printer = entry.QueryString(kPrinterValue, "");
        }
        if (printer.empty()) {
            DebugLog("    Printer name error\n");
            return FALSE;
        }
        if (!PrinterGoesWithDriver(printer, driverName)) {
            ++index;
            continue;
        }
        // An entry that cannot be deleted, or whose start-up value may still
        // be there, is stepped over: a later run finds it again.
        if (!DeleteStartupValue(root, printer)) {
            DebugLog("    Startup value not removed\n");
            stepped = true;
            ++index;
        } else if (!targets.DeleteKey(name, Reclaim(root))) {
            ++index;
        }
    }
    DebugLog("CMainFrame::DeleteTargetKey2() exit\n");
    return stepped ? FALSE : TRUE;
}
