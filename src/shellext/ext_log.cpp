#include "ext_log.h"

#include "ansi_text.h"
#include "product_keys.h"
#include "product_values.h"
#include "text_format.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

namespace {

constexpr int kLineSize = 256;

// An HFILE of OpenFile, closed with _lclose.
class LogFile {
public:
    LogFile()
    {
        OFSTRUCT info;
        ZeroMemory(&info, sizeof info);
        file = OpenFile(kLogFile, &info, OF_WRITE | OF_SHARE_DENY_WRITE);
        if (file == HFILE_ERROR)
            file = OpenFile(kLogFile, &info, OF_CREATE | OF_WRITE | OF_SHARE_DENY_WRITE);
    }
    ~LogFile()
    {
        if (file != HFILE_ERROR)
            _lclose(file);
    }
    LogFile(const LogFile&) = delete;
    LogFile& operator=(const LogFile&) = delete;

    void Append(const char* text, UINT length)
    {
        if (file == HFILE_ERROR)
            return;
        _llseek(file, 0, FILE_END);
        _lwrite(file, text, length);
    }

private:
    HFILE file;
};

// Keeps the caller's last Windows error across the log's own calls.
class LastErrorKeeper {
public:
    LastErrorKeeper() : error(GetLastError()) {}
    ~LastErrorKeeper() { SetLastError(error); }
    LastErrorKeeper(const LastErrorKeeper&) = delete;
    LastErrorKeeper& operator=(const LastErrorKeeper&) = delete;

private:
    DWORD error;
};

bool EndsWithLineEnd(const char* format)
{
    size_t length = std::strlen(format);
    return length >= 2 && std::strcmp(format + length - 2, "\r\n") == 0;
}

}  // namespace

BOOL IsExtLogEnabled()
{
    return OpenProductKey(kDebugKey).QueryDword(kDebugSwitchValue, 0) != 0;
}

namespace {

// The switch's key path is built on the heap: without memory, no line.
bool LogSwitchedOn() noexcept
{
    try {
        return IsExtLogEnabled() != FALSE;
    } catch (...) {
        return false;
    }
}

}  // namespace

void ExtDebugLog(const char* format, ...)
{
    LastErrorKeeper keeper;
    if (format == NULL || !LogSwitchedOn())
        return;
    char line[kLineSize];
    va_list args;
    va_start(args, format);
    int wanted = FormatTextV(line, sizeof line, format, args);
    va_end(args);
    if (wanted < 0)
        return;
    if (wanted >= kLineSize && EndsWithLineEnd(format)) {
        // The line end of a cut line follows its last whole character.
        const size_t end = FitCharacters(line, kLineSize - 3, AnsiLeadByte);
        std::memcpy(line + end, "\r\n", 3);
    }
    LogFile log;
    log.Append(line, static_cast<UINT>(std::strlen(line)));
}
