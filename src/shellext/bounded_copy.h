// Copies into fixed Win32 buffers that never cut a text.
#pragma once

#include <cstring>

// Copies `text` into `buffer` when it fits with its terminating zero; else
// leaves the buffer empty (when it has room for that) and returns false.
inline bool CopyIfFits(char* buffer, size_t size, const char* text)
{
    const size_t length = std::strlen(text);
    if (length >= size) {
        if (size > 0)
            buffer[0] = '\0';
        return false;
    }
    std::memcpy(buffer, text, length + 1);
    return true;
}
