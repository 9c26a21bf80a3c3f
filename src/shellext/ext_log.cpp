#include "ext_log.h"

#include "product_keys.h"
#include "win32_owners.h"

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

bool EndsWithLineEnd(const char* format)
{
    size_t length = std::strlen(format);
    return length >= 2 && std::strcmp(format + length - 2, "\r\n") == 0;
}

}  // namespace

BOOL IsExtLogEnabled()
{
    RegKey debug;
    if (!debug.Open(HKEY_LOCAL_MACHINE, kDebugKey, KEY_READ))
        return FALSE;
    DWORD value = 0;
    DWORD size = sizeof value;
    if (RegQueryValueExA(debug.get(), kDebugSwitchValue, NULL, NULL,
                         reinterpret_cast<BYTE*>(&value), &size) != ERROR_SUCCESS)
        return FALSE;
    return value != 0;
}

void ExtDebugLog(const char* format, ...)
{
    if (format == NULL || !IsExtLogEnabled())
        return;
    char line[kLineSize];
    va_list args;
    va_start(args, format);
    int wanted = std::vsnprintf(line, sizeof line, format, args);
    va_end(args);
    if (wanted < 0)
        return;
    if (wanted >= kLineSize && EndsWithLineEnd(format)) {
        line[kLineSize - 3] = '\r';
        line[kLineSize - 2] = '\n';
    }
    LogFile log;
    log.Append(line, static_cast<UINT>(std::strlen(line)));
}
