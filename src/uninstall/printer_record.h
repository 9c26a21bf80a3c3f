// The level-2 record (PRINTER_INFO_2A) of an open printer, read in two
// calls: its size, then the record into a buffer of that size.
#pragma once

#include "handles.h"

#include <windows.h>
#include <winspool.h>

// The size GetPrinterA level 2 asks for; 0 when it names none.
inline DWORD PrinterInfoSize(HANDLE printer)
{
    DWORD needed = 0;
    GetPrinterA(printer, 2, NULL, 0, &needed);
    return needed;
}

// The record in `buffer` of `size` bytes; NULL when it cannot be read.
inline PRINTER_INFO_2A* ReadPrinterInfo(HANDLE printer, HeapBuffer& buffer, DWORD size)
{
    if (!buffer.Allocate(size))
        return NULL;
    DWORD needed = 0;
    if (!GetPrinterA(printer, 2, static_cast<LPBYTE>(buffer.get()), size, &needed))
        return NULL;
    return static_cast<PRINTER_INFO_2A*>(buffer.get());
}
