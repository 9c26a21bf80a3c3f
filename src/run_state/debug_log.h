// The debug log: when switched on, every call appends exactly its formatted
// text (its first 1023 characters) to c:\TRACE.LOG. The file is opened and
// closed on each call, so the log is complete up to the last call even if
// the process is killed; a line that cannot be written is dropped silently.
#pragma once

#include <windows.h>

extern BOOL debugLogEnabled;

#if defined(__GNUC__)
#define MONCHK_PRINTF_FORMAT __attribute__((format(printf, 1, 2)))
#else
#define MONCHK_PRINTF_FORMAT
#endif

// printf-style, with the conversions FormatText knows; the format is
// always one of the program's own texts.
void DebugLog(const char* format, ...) MONCHK_PRINTF_FORMAT;

extern const char kTraceLogPath[];
