#include "setup_ini.h"

#include "file_io.h"

#include <cstring>

namespace {

bool IsWhiteSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

std::string Trim(const std::string& s)
{
    size_t first = 0;
    while (first < s.size() && IsWhiteSpace(s[first]))
        ++first;
    size_t last = s.size();
    while (last > first && IsWhiteSpace(s[last - 1]))
        --last;
    return s.substr(first, last - first);
}

// Compares the start of the NUL-terminated `line` with `target`, ignoring
// ASCII letter case. Stops at the NUL, so it never reads past the text.
bool StartsWithNoCase(const char* line, const std::string& target, LeadByteTest leadByte)
{
    size_t length = 0;
    while (length < target.size() && line[length] != '\0')
        ++length;
    return StartsWithIgnoringAsciiCase(std::string_view(line, length), target, leadByte);
}

}  // namespace

bool CSetupIni::Open(std::string fileName, std::string section)
{
    std::string bytes;
    if (!fileio::ReadWholeFile(fileName, bytes))
        return false;
    return OpenText(std::move(bytes), section);
}

bool CSetupIni::OpenText(std::string bytes, const std::string& section)
{
    text.reset(new char[bytes.size() + 1]);
    std::memcpy(text.get(), bytes.data(), bytes.size());
    text[bytes.size()] = '\0';
    cursor = text.get();
    sectionStart = nullptr;

    const std::string header = section.empty() ? "[" : "[" + section + "]";
    if (FindLine(header, LineMode::MarkSection))
        return true;
    Close();
    return false;
}

void CSetupIni::Close()
{
    text.reset();
    cursor = nullptr;
    sectionStart = nullptr;
}

bool CSetupIni::FindLine(const std::string& target, LineMode mode)
{
    for (;;) {
        char* lineEnd = std::strchr(cursor, '\n');
        if (lineEnd == nullptr)
            return false;  // a last line without LF is never found
        if (*cursor != ';' && StartsWithNoCase(cursor, target, leadByte)) {
            if (mode == LineMode::KeepPosition)
                return true;
            sectionStart = cursor = lineEnd + 1;
            const std::string_view body(sectionStart);
            const size_t nextSection = FindChar(body, '[', 0, leadByte);
            if (nextSection != std::string_view::npos)
                sectionStart[nextSection] = '\0';
            return true;
        }
        cursor = lineEnd + 1;
    }
}

void CSetupIni::ClearFields()
{
    for (std::string& field : fields)
        field.clear();
}

bool CSetupIni::FindKey(std::string key)
{
    ClearFields();
    if (!text)
        return false;

    cursor = sectionStart;
    if (!FindLine(key, LineMode::KeepPosition))
        return false;

    while (*cursor != '=') {
        if (*cursor == '\n')
            return false;
        ++cursor;
    }
    ++cursor;
    ParseFields();
    return true;
}

bool CSetupIni::NextEntry(std::string& key)
{
    ClearFields();
    if (!text)
        return false;

    while (*cursor != '\0') {
        char c = *cursor;
        if (c == '\r' || c == '\n' || c == ' ' || c == '\t') {
            ++cursor;
        } else if (c == ';') {
            char* lineEnd = std::strchr(cursor, '\n');
            cursor = lineEnd ? lineEnd + 1 : cursor + std::strlen(cursor);
        } else {
            break;
        }
    }

    key.clear();
    while (*cursor != '=') {
        if (*cursor == '\n' || *cursor == '\0')
            return false;
        key += *cursor++;
    }
    ++cursor;
    ParseFields();
    key = Trim(key);
    return true;
}

// Splits the value at the cursor into fields and leaves the cursor at the
// start of the next line. A field ends at a comma outside quotes, at a CR, at
// the end of the section text, or at a bare LF (a line end without CR, which
// some editors write). The quoted state runs on across fields.
void CSetupIni::ParseFields()
{
    bool quoted = false;
    int index = 0;
    for (;;) {
        std::string field;
        char end;
        for (;;) {
            end = *cursor;
            if (end == '\0' || end == '\r' || end == '\n' || (end == ',' && !quoted))
                break;
            if (end == '"')
                quoted = !quoted;
            field += end;
            ++cursor;
        }
        if (index < kFieldCount)
            fields[index] = Trim(field);
        ++index;

        if (end == '\0')
            return;
        ++cursor;
        if (end == '\n')
            return;
        if (*cursor == '\n') {
            ++cursor;
            return;
        }
        if (*cursor == '\0')
            return;
    }
}

std::string CSetupIni::Unquote(std::string value)
{
    size_t first = 0;
    while (first < value.size() && IsWhiteSpace(value[first]))
        ++first;
    if (first == value.size() || value[first] != '"')
        return value.substr(first);
    size_t close = value.find('"', first + 1);
    if (close == std::string::npos)
        return value.substr(first + 1);
    return value.substr(first + 1, close - first - 1);
}
