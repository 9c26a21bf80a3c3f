#include "char_text.h"

namespace {

char UpperAsciiLetter(char c)
{
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

// Whether `b` starts with the characters of `a`.
bool SameCharacters(std::string_view a, std::string_view b, LeadByteTest lead)
{
    if (b.size() < a.size())
        return false;
    for (size_t i = 0; i < a.size();) {
        const size_t length = CharLength(a, i, lead);
        if (length == 1) {
            if (UpperAsciiLetter(a[i]) != UpperAsciiLetter(b[i]))
                return false;
        } else if (a.compare(i, length, b.substr(i, length)) != 0) {
            return false;
        }
        i += length;
    }
    return true;
}

}  // namespace

bool NoLeadBytes(unsigned char)
{
    return false;
}

bool LeadByte932(unsigned char c)
{
    return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
}

bool LeadByte936(unsigned char c)
{
    return c >= 0x81 && c <= 0xFE;
}

size_t CharLength(std::string_view text, size_t pos, LeadByteTest lead)
{
    const bool pair = lead(static_cast<unsigned char>(text[pos])) && pos + 1 < text.size() &&
                      text[pos + 1] != '\0';
    return pair ? 2 : 1;
}

size_t FindChar(std::string_view text, char c, size_t from, LeadByteTest lead)
{
    for (size_t i = 0; i < text.size(); i += CharLength(text, i, lead)) {
        if (i >= from && text[i] == c)
            return i;
    }
    return std::string_view::npos;
}

size_t FindLastChar(std::string_view text, std::string_view chars, LeadByteTest lead)
{
    size_t found = std::string_view::npos;
    for (size_t i = 0; i < text.size(); i += CharLength(text, i, lead)) {
        if (chars.find(text[i]) != std::string_view::npos)
            found = i;
    }
    return found;
}

bool EndsWithChar(std::string_view text, char c, LeadByteTest lead)
{
    return !text.empty() && FindLastChar(text, std::string_view(&c, 1), lead) == text.size() - 1;
}

size_t FitCharacters(std::string_view text, size_t limit, LeadByteTest lead)
{
    size_t end = 0;
    while (end < text.size()) {
        const size_t next = end + CharLength(text, end, lead);
        if (next > limit)
            break;
        end = next;
    }
    return end;
}

bool EqualIgnoringAsciiCase(std::string_view a, std::string_view b, LeadByteTest lead)
{
    return a.size() == b.size() && SameCharacters(a, b, lead);
}

bool StartsWithIgnoringAsciiCase(std::string_view text, std::string_view prefix,
                                 LeadByteTest lead)
{
    return SameCharacters(prefix, text, lead);
}
