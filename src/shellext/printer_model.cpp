#include "printer_model.h"

#include "ext_log.h"
#include "reg_values.h"
#include "win32_owners.h"

#include <cstdio>

BOOL GetPrinterDriverName(const char* printerName, char* driverName)
{
    if (driverName == NULL || printerName == NULL || printerName[0] == '\0')
        return FALSE;
    PrinterHandle printer;
    if (!OpenPrinterA(const_cast<char*>(printerName), printer.receive(), NULL))
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

void BuildDriverKeyPath(const char* driverName, char* keyPath)
{
    std::snprintf(keyPath, kDriverKeyPathSize, "%s%s", kDriverKeyPrefix, driverName);
}

BOOL OpenPrinterModelKey(const char* printerName, RegKey& key, char* keyPath)
{
    keyPath[0] = '\0';
    char driverName[kNameSize];
    if (!GetPrinterDriverName(printerName, driverName))
        return FALSE;
    BuildDriverKeyPath(driverName, keyPath);
    return key.Open(HKEY_LOCAL_MACHINE, keyPath, KEY_READ);
}

BOOL IsXimpTarget(const char* printerName)
{
    char keyPath[kDriverKeyPathSize];
    RegKey driverKey;
    if (!OpenPrinterModelKey(printerName, driverKey, keyPath)) {
        if (keyPath[0] != '\0')
            ExtDebugLog("     Target Check : Regstry(%s) Open Error\r\n", keyPath);
        return FALSE;
    }
    DWORD ximpType = 0;
    return ReadRegDword(driverKey.get(), kXimpTypeValue, &ximpType) && ximpType == 1;
}
