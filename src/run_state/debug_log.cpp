#include "debug_log.h"

#include "file.h"
#include "text_format.h"

#include <cstdarg>
#include <cstring>

BOOL debugLogEnabled = FALSE;

const char kTraceLogPath[] = "c:\\TRACE.LOG";

namespace {

// A line longer than this is cut between two characters.
const size_t kLineLimit = 1024;

void WriteLogLine(const char* format, va_list args)
{
    CFile file;
    if (!file.Open(kTraceLogPath, CFile::modeCreate | CFile::modeNoTruncate | CFile::modeWrite |
                                      CFile::shareDenyWrite))
        return;
    file.SeekToEnd();
    char text[kLineLimit];
    FormatTextV(text, sizeof text, format, args);
    file.Write(text, static_cast<DWORD>(std::strlen(text)));
}

}  // namespace

// Logging never ends a run: a line that cannot be written is left out.
void DebugLog(const char* format, ...)
{
    if (!debugLogEnabled)
        return;
    va_list args;
    va_start(args, format);
    try {
        WriteLogLine(format, args);
    } catch (...) {
    }
    va_end(args);
}
