// The extension's debug log "C:\MONEXT01.LOG", switched by the registry.
#pragma once

#include <windows.h>

// TRUE when "Monext01" under the Debug key reads non-zero; read anew on
// every call.
BOOL IsExtLogEnabled();

// Appends one formatted line (the format carries its own line end). Lines
// longer than the 256-byte line buffer are cut; a cut line keeps its CR LF.
// Failures are never reported: the line is dropped.
void ExtDebugLog(const char* format, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 1, 2)))
#endif
    ;
