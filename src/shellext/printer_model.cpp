#include "printer_model.h"

#include "bounded_copy.h"
#include "ext_log.h"
#include "handles.h"
#include "printer_handle.h"
#include "text_format.h"

#include <cstdio>

BOOL GetPrinterDriverName(const char* printerName, char* driverName)
{
    if (driverName == NULL || printerName == NULL || printerName[0] == '\0')
        return FALSE;
    PrinterHandle printer;
    if (!printer.Open(printerName, false))
        return FALSE;
    DWORD needed = 0;
    if (GetPrinterA(printer.get(), 2, NULL, 0, &needed) ||
        GetLastError() != ERROR_INSUFFICIENT_BUFFER)
        return FALSE;
    LockedGlobal block(GMEM_MOVEABLE | GMEM_ZEROINIT, needed);
    BYTE* info = static_cast<BYTE*>(block.get());
    if (info == NULL)
        return FALSE;
    if (!GetPrinterA(printer.get(), 2, info, needed, &needed))
        return FALSE;
    const char* driver = reinterpret_cast<PRINTER_INFO_2A*>(info)->pDriverName;
    return driver != NULL && CopyIfFits(driverName, kNameSize, driver);
}

PrinterModel::PrinterModel()
{
    driverName[0] = '\0';
    keyPath[0] = '\0';
}

PrinterModel::PrinterModel(const char* printerName) : PrinterModel()
{
    if (GetPrinterDriverName(printerName, driverName))
        FormatText(keyPath, sizeof keyPath, "%s%s", kModelKeyPrefix, driverName);
}

Registry PrinterModel::OpenDriverKey() const
{
    if (!Known())
        return Registry();
    return OpenProductKey(keyPath);
}

BOOL IsXimpTarget(const PrinterModel& model)
{
    Registry driverKey = model.OpenDriverKey();
    if (!driverKey.isOpen) {
        if (model.Known())
            ExtDebugLog("     Target Check : Regstry(%s) Open Error\r\n", model.DriverKeyPath());
        return FALSE;
    }
    return driverKey.QueryDword(kXimpTypeValue, 0) == 1;
}

BOOL IsXimpTarget(const char* printerName)
{
    return IsXimpTarget(PrinterModel(printerName));
}
