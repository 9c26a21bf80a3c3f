#include "reg_values.h"

#include <cstring>

BOOL ReadRegString(HKEY key, const char* name, char* buffer, DWORD size)
{
    if (buffer == NULL || size == 0)
        return FALSE;
    buffer[0] = '\0';
    DWORD read = size;
    if (RegQueryValueExA(key, name, NULL, NULL, reinterpret_cast<BYTE*>(buffer), &read) !=
        ERROR_SUCCESS) {
        buffer[0] = '\0';
        return FALSE;
    }
    if (read < size) {
        buffer[read] = '\0';
        return TRUE;
    }
    // Exactly full: only a text stored with its own terminating zero fits.
    if (buffer[size - 1] != '\0') {
        buffer[0] = '\0';
        return FALSE;
    }
    return TRUE;
}

BOOL ReadRegDword(HKEY key, const char* name, DWORD* value)
{
    DWORD size = sizeof *value;
    return RegQueryValueExA(key, name, NULL, NULL, reinterpret_cast<BYTE*>(value), &size) ==
           ERROR_SUCCESS;
}

BOOL WriteRegString(HKEY key, const char* name, const char* text)
{
    DWORD size = static_cast<DWORD>(std::strlen(text) + 1);
    return RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text), size) ==
           ERROR_SUCCESS;
}

BOOL WriteRegDword(HKEY key, const char* name, DWORD value)
{
    return RegSetValueExA(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value),
                          sizeof value) == ERROR_SUCCESS;
}

BOOL CopyIfFits(char* buffer, size_t size, const char* text)
{
    size_t length = std::strlen(text);
    if (length >= size) {
        if (size > 0)
            buffer[0] = '\0';
        return FALSE;
    }
    std::memcpy(buffer, text, length + 1);
    return TRUE;
}
