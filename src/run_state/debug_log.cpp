#include "debug_log.h"

#include "file.h"

#include <cstdarg>
#include <cstdio>
#include <string>

BOOL debugLogEnabled = FALSE;

const char kTraceLogPath[] = "c:\\TRACE.LOG";

namespace {

std::string FormatText(const char* format, va_list args)
{
    va_list sizing;
    va_copy(sizing, args);
    int length = std::vsnprintf(nullptr, 0, format, sizing);
    va_end(sizing);
    if (length <= 0)
        return std::string();
    std::string text(static_cast<size_t>(length) + 1, '\0');
    std::vsnprintf(&text[0], text.size(), format, args);
    text.resize(static_cast<size_t>(length));
    return text;
}

}  // namespace

namespace {

void WriteLogLine(const char* format, va_list args)
{
    CFile file;
    if (!file.Open(kTraceLogPath, CFile::modeCreate | CFile::modeNoTruncate | CFile::modeWrite |
                                      CFile::shareDenyWrite))
        return;
    file.SeekToEnd();
    std::string text = FormatText(format, args);
    file.Write(text.data(), static_cast<DWORD>(text.size()));
}

}  // namespace

// Logging never ends a run: a line that cannot be written (no memory for
// its text) is left out.
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
