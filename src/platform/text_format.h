// printf-style formatting through Windows' own wvsprintfA, so that a shipped
// binary carries no formatting code of the C runtime. It knows the
// conversions %s %c %d %i %u %x %X with the flags - 0 #, a width, a precision
// and the l prefix; no floating point, no %p, at most 1023 characters.
#pragma once

#include <windows.h>

#include <cstdarg>
#include <cstddef>

// Formats into `buffer` (`size` bytes), cutting the text to fit (between two
// characters of the ANSI code page) and always terminating it. Returns the length of the whole formatted text (of the
// first 1023 characters when it is longer).
int FormatText(char* buffer, size_t size, const char* format, ...);
int FormatTextV(char* buffer, size_t size, const char* format, va_list args);
