#include "text_format.h"

#include "ansi_text.h"

#include <cstring>

namespace {

// wvsprintfA writes at most 1024 bytes, the NUL included.
const size_t kBufferSize = 1024;

}  // namespace

int FormatTextV(char* buffer, size_t size, const char* format, va_list args)
{
    char text[kBufferSize + 1] = "";
    wvsprintfA(text, format, args);
    text[kBufferSize] = '\0';
    // The text kept, whatever the count says: at the limit some systems count
    // the character that was not written.
    const int length = static_cast<int>(std::strlen(text));
    if (size == 0)
        return length;
    // A cut text ends between two characters.
    const size_t copied = FitCharacters(std::string_view(text, static_cast<size_t>(length)),
                                        size - 1, AnsiLeadByte);
    std::memcpy(buffer, text, copied);
    buffer[copied] = '\0';
    return length;
}

int FormatText(char* buffer, size_t size, const char* format, ...)
{
    va_list args;
    va_start(args, format);
    int length = FormatTextV(buffer, size, format, args);
    va_end(args);
    return length;
}
