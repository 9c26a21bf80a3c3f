// ICopyHookA::CopyCallback: keeps the monitor's target entries in step when
// the shell deletes or renames a printer. The hook never vetoes.
#include "shell_ext.h"

#include "bounded_copy.h"
#include "ext_log.h"
#include "printer_handle.h"
#include "printer_model.h"
#include "product_keys.h"
#include "product_values.h"
#include "server.h"
#include "target_registry.h"
#include "windows_version.h"

namespace {

// Printer operations of the Printers folder's copy hook.
constexpr UINT kPrinterDelete = 0x13;  // PO_DELETE
constexpr UINT kPrinterRename = 0x14;  // PO_RENAME

void LogCall(UINT wFunc, UINT wFlags, LPCSTR source, DWORD sourceAttributes, LPCSTR dest,
             DWORD destAttributes)
{
    ExtDebugLog("> CShellExt::CopyCallback(%x,%x,%s%s%s,%x,%s%s%s,%x)\r\n", wFunc, wFlags,
                source ? "\"" : "", source ? source : "NULL", source ? "\"" : "",
                static_cast<unsigned>(sourceAttributes), dest ? "\"" : "", dest ? dest : "NULL",
                dest ? "\"" : "", static_cast<unsigned>(destAttributes));
}

// On NT, whether this user may delete or rename the printer, which the
// spooler asks after the hook: the entry changes only with the printer.
// Every user may on Windows 95/98.
BOOL MayManagePrinter(const char* name)
{
    if (!IsWindowsNT())
        return TRUE;
    PrinterHandle printer;
    if (printer.Open(name, true))
        return TRUE;
    ExtDebugLog("    Printer not managed by this user(%lu)\r\n",
                static_cast<unsigned long>(GetLastError()));
    return FALSE;
}

// The target entry of a product printer into `entryPath` (kNameSize bytes).
// A name that does not fit the name buffer cannot belong to a printer with
// an entry.
BOOL FindProductTarget(LPCSTR printer, char* entryPath, BOOL logMissing)
{
    char name[kNameSize];
    if (printer == NULL || !CopyIfFits(name, sizeof name, printer) || !IsXimpTarget(name))
        return FALSE;
    ExtDebugLog("    TargetPrinter(XIMP)\r\n");
    if (!MayManagePrinter(name))
        return FALSE;
    if (FindTargetKey(name, entryPath, kNameSize) < 0) {
        if (logMissing)
            ExtDebugLog("    TargetReg not found\r\n");
        return FALSE;
    }
    ExtDebugLog("    TargetReg: %s\r\n", entryPath);
    return TRUE;
}

void OnPrinterDeleted(LPCSTR printer)
{
    ExtDebugLog("    PO_DELETE:\r\n");
    char entryPath[kNameSize];
    if (FindProductTarget(printer, entryPath, TRUE))
        DeleteTargetEntry(entryPath);
}

// The shell passes the printer's current name as the destination and its
// new name as the source.
void OnPrinterRenamed(LPCSTR newName, LPCSTR currentName)
{
    ExtDebugLog("    PO_RENAME:\r\n");
    char entryPath[kNameSize];
    if (!FindProductTarget(currentName, entryPath, FALSE) || newName == NULL)
        return;
    OpenProductKey(entryPath, Registry::kReadWrite).SetString(kTargetNameValue, newName);
}

}  // namespace

STDMETHODIMP_(UINT) CShellExt::CopyCallback(HWND, UINT wFunc, UINT wFlags, LPCSTR pszSrcFile,
                                            DWORD dwSrcAttribs, LPCSTR pszDestFile,
                                            DWORD dwDestAttribs)
{
    return Guarded<UINT>(IDYES, [&]() -> UINT {
        LogCall(wFunc, wFlags, pszSrcFile, dwSrcAttribs, pszDestFile, dwDestAttribs);
        if (wFunc == kPrinterDelete)
            OnPrinterDeleted(pszSrcFile);
        else if (wFunc == kPrinterRename)
            OnPrinterRenamed(pszSrcFile, pszDestFile);
        return IDYES;
    });
}
