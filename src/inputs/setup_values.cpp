#include "setup_values.h"

namespace {

int HexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

bool IsSeparator(char c)
{
    return c == ' ' || c == '+';
}

uint32_t DigitsFrom(const std::string& text, size_t pos)
{
    uint32_t value = 0;
    for (; pos < text.size() && text[pos] >= '0' && text[pos] <= '9'; ++pos)
        value = value * 10u + static_cast<uint32_t>(text[pos] - '0');
    return value;
}

}  // namespace

uint16_t ParseHexWordText(const char* text)
{
    if (text == nullptr)
        return 0;
    uint16_t value = 0;
    for (; *text != '\0'; ++text) {
        int digit = HexDigit(*text);
        if (digit >= 0)
            value = static_cast<uint16_t>((value << 4) | digit);
    }
    return value;
}

uint32_t LeadingDigits(const std::string& text)
{
    return DigitsFrom(text, 0);
}

uint32_t LeadingSignedNumber(const std::string& text)
{
    if (!text.empty() && (text[0] == '-' || text[0] == '+')) {
        uint32_t magnitude = DigitsFrom(text, 1);
        return text[0] == '-' ? 0u - magnitude : magnitude;
    }
    return DigitsFrom(text, 0);
}

std::string ResolveKeywords(const std::string& expression, const KeywordValues& values)
{
    struct Keyword {
        const char* name;
        const std::string* value;
    };
    const Keyword keywords[] = {
        {"DRIVERDIR", &values.driverDir},
        {"HTMLDIR", &values.htmlDir},
        {"SYSTEMDIR", &values.systemDir},
    };

    std::string result;
    bool quoted = false;
    size_t i = 0;
    while (i < expression.size()) {
        const char c = expression[i];
        if (quoted) {
            if (c == '"')
                quoted = false;
            else
                result += c;
            ++i;
            continue;
        }
        if (IsSeparator(c)) {
            ++i;
            continue;
        }
        if (c == '"') {
            quoted = true;
            ++i;
            continue;
        }
        for (const Keyword& keyword : keywords) {
            const std::string name = keyword.name;
            if (expression.compare(i, name.size(), name) == 0) {
                result += *keyword.value;
                i += name.size();
                break;
            }
        }
        while (i < expression.size() && !IsSeparator(expression[i]))
            ++i;
    }
    return result;
}
