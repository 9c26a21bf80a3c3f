// Reads of single registry values into caller-supplied buffers.
#pragma once

#include <windows.h>

// Reads a string value into `buffer` (`size` bytes). The text is always
// terminated; a value that does not fit counts as a failed read and leaves
// the buffer empty.
BOOL ReadRegString(HKEY key, const char* name, char* buffer, DWORD size);

// Reads 4 bytes of a value into `value`, whatever its type.
BOOL ReadRegDword(HKEY key, const char* name, DWORD* value);

// Writes a REG_SZ value, stored with its terminating zero.
BOOL WriteRegString(HKEY key, const char* name, const char* text);

BOOL WriteRegDword(HKEY key, const char* name, DWORD value);

// Copies `text` into `buffer` when it fits with its terminating zero; else
// leaves the buffer empty (when it has room for that) and returns FALSE.
BOOL CopyIfFits(char* buffer, size_t size, const char* text);
