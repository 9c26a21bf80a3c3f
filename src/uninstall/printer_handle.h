// An open printer of the spooler, closed when it goes, and its level-2
// record.
#pragma once

#include "handles.h"

#include <windows.h>
#include <winspool.h>

#include <string>

class PrinterHandle {
public:
    PrinterHandle() = default;
    ~PrinterHandle() { Close(); }
    PrinterHandle(const PrinterHandle&) = delete;
    PrinterHandle& operator=(const PrinterHandle&) = delete;

    // Opens the printer with no defaults.
    BOOL Open(const std::string& name)
    {
        Close();
        std::string text = name;
        if (!OpenPrinterA(&text[0], &handle, NULL)) {
            handle = NULL;
            return FALSE;
        }
        return TRUE;
    }
    void Close()
    {
        if (handle != NULL)
            ClosePrinter(handle);
        handle = NULL;
    }
    HANDLE get() const { return handle; }

    // The size GetPrinterA level 2 asks for; 0 when it names none.
    DWORD InfoSize() const
    {
        DWORD needed = 0;
        GetPrinterA(handle, 2, NULL, 0, &needed);
        return needed;
    }
    // The level-2 record in `buffer` of `size` bytes; NULL when it cannot be
    // read.
    PRINTER_INFO_2A* ReadInfo(HeapBuffer& buffer, DWORD size) const
    {
        if (!buffer.Allocate(size))
            return NULL;
        DWORD needed = 0;
        if (!GetPrinterA(handle, 2, static_cast<LPBYTE>(buffer.get()), size, &needed))
            return NULL;
        return static_cast<PRINTER_INFO_2A*>(buffer.get());
    }

private:
    HANDLE handle = NULL;
};
