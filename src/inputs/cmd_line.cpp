#include "cmd_line.h"

#include "file_io.h"

#include <set>

namespace {

char At(std::string_view text, size_t i)
{
    return i < text.size() ? text[i] : '\0';
}

bool IsLetter(char c, char upper)
{
    return c == upper || c == static_cast<char>(upper - 'A' + 'a');
}

bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

// Skips blanks (the space character only). Returns false when nothing but
// blanks is left.
bool SkipBlanks(std::string_view text, size_t& pos)
{
    while (pos < text.size() && text[pos] == ' ')
        ++pos;
    return pos < text.size();
}

std::string_view UpToNul(std::string_view text)
{
    size_t nul = text.find('\0');
    return nul == std::string_view::npos ? text : text.substr(0, nul);
}

// Whether `c` ends a token (a quote ends a quoted one). None of these is
// ever the second byte of a double-byte character, so a lead byte before one
// stands alone.
bool EndsToken(char c, bool quoted)
{
    return c == '\0' || c == '\r' || c == '\n' || (!quoted && (c == ' ' || c == '/'));
}

}  // namespace

size_t CCmdLine::ReadToken(std::string_view text, size_t start, std::string& target,
                           LeadByteTest leadByte)
{
    target.clear();
    bool quoted = false;
    size_t consumed = 0;
    while (consumed < kMaxTokenLength) {
        const size_t at = start + consumed;
        const char c = At(text, at);
        if (c == '"') {
            ++consumed;
            if (quoted)
                break;
            quoted = true;
            continue;
        }
        if (EndsToken(c, quoted))
            break;
        // The limit falls between characters.
        const char next = At(text, at + 1);
        const size_t length =
            leadByte(static_cast<unsigned char>(c)) && next != '"' && !EndsToken(next, quoted) ? 2 : 1;
        if (consumed + length > kMaxTokenLength)
            break;
        target.append(text.substr(at, length));
        consumed += length;
    }
    return consumed;
}

size_t CCmdLine::ReadCounted(std::string_view text, size_t start, uint32_t count,
                             std::string& target)
{
    target.clear();
    size_t consumed = 0;
    while (count > 0) {
        char c = At(text, start + consumed);
        if (c == '\0')
            break;
        ++consumed;
        if (c == '"')
            continue;
        target += c;
        --count;
    }
    return consumed;
}

size_t CCmdLine::ReadNumber(std::string_view text, size_t start, uint32_t& target)
{
    target = 0;
    size_t digits = 0;
    while (digits < kMaxNumberDigits) {
        char c = At(text, start + digits);
        if (!IsDigit(c))
            break;
        target = target * 10u + static_cast<uint32_t>(c - '0');
        ++digits;
    }
    return digits;
}

bool CCmdLine::ReadUninstallValue(std::string_view text, size_t& pos, std::string& target)
{
    if (!SkipBlanks(text, pos))
        return false;
    if (!IsDigit(text[pos])) {
        pos += ReadToken(text, pos, target, leadByte);
        return true;
    }
    uint32_t count = 0;
    size_t afterNumber = pos + ReadNumber(text, pos, count);
    if (!SkipBlanks(text, afterNumber))
        return false;
    pos = afterNumber + ReadCounted(text, afterNumber, count, target);
    return true;
}

int CCmdLine::ParseText(std::string_view rawText)
{
    const std::string_view text = UpToNul(rawText);
    size_t pos = 0;
    for (;;) {
        size_t b = text.find('/', pos);
        if (b == std::string_view::npos)
            return 1;
        const char c1 = At(text, b + 1);
        const char c2 = At(text, b + 2);
        const char c3 = At(text, b + 3);

        if (IsLetter(c1, 'F') || IsLetter(c1, 'I')) {
            if (c2 != ':') {
                pos = b + 2;
                continue;
            }
            size_t value = b + 3;
            if (!SkipBlanks(text, value))
                return 1;
            if (IsLetter(c1, 'F')) {
                pos = value + ReadToken(text, value, paramFile, leadByte);
            } else {
                pos = value + ReadToken(text, value, installArg, leadByte);
                install = true;
            }
        } else if (IsLetter(c1, 'N')) {
            if (IsLetter(c2, 'P'))
                npFlag = true;
            pos = IsLetter(c2, 'P') ? b + 3 : b + 2;
        } else if (IsLetter(c1, 'R')) {
            if (c2 == '2' && c3 == ':') {
                pos = b + 4;
                if (!ReadUninstallValue(text, pos, uninstallArg2))
                    return 1;
                uninstallMode = 2;
            } else if (c2 == ':') {
                pos = b + 3;
                if (!ReadUninstallValue(text, pos, uninstallArg))
                    return 1;
                uninstallMode = 1;
            } else {
                pos = c2 == '2' ? b + 3 : b + 2;
            }
        } else if (IsLetter(c1, 'T')) {
            tFlag = true;
            pos = b + 2;
        } else if (IsLetter(c1, 'W')) {
            if (text.substr(b + 2, 3) != "32:") {
                pos = b + 2;
                continue;
            }
            size_t value = b + 5;
            if (!SkipBlanks(text, value))
                return 1;
            pos = value + ReadNumber(text, value, callerWindow);
        } else {
            pos = b + 1;
        }
    }
}

int CCmdLine::Parse(const std::string& commandLine)
{
    paramFile.clear();
    int result = ParseText(commandLine);

    // Each file is deleted once read, so files naming each other normally end
    // the chain by failing to open. A file that cannot be deleted would be read
    // again and again, so a name already read also ends it.
    std::set<std::string> filesRead;
    while (result == 1 && !paramFile.empty()) {
        if (!filesRead.insert(paramFile).second)
            break;
        std::string contents;
        if (!fileio::ReadWholeFile(paramFile, contents))
            break;
        fileio::RemoveFileQuietly(paramFile);
        paramFile.clear();
        result = ParseText(contents);
    }
    return result;
}
