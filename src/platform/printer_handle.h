// An open printer of the spooler, closed with ClosePrinter.
#pragma once

#include <windows.h>
#include <winspool.h>

#include <string>

class PrinterHandle {
public:
    PrinterHandle() = default;
    ~PrinterHandle() { Close(); }
    PrinterHandle(const PrinterHandle&) = delete;
    PrinterHandle& operator=(const PrinterHandle&) = delete;

    // Opens the printer with no defaults, or asking for full access.
    BOOL Open(const std::string& name, bool fullAccess)
    {
        Close();
        PRINTER_DEFAULTSA defaults;
        defaults.pDatatype = NULL;
        defaults.pDevMode = NULL;
        defaults.DesiredAccess = PRINTER_ALL_ACCESS;
        if (OpenPrinterA(const_cast<char*>(name.c_str()), &handle, fullAccess ? &defaults : NULL))
            return TRUE;
        handle = NULL;
        return FALSE;
    }
    void Close()
    {
        if (handle != NULL)
            ClosePrinter(handle);
        handle = NULL;
    }
    HANDLE get() const { return handle; }

private:
    HANDLE handle = NULL;
};
