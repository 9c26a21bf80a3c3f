// How the install steps read values of the setup INI: hexadecimal language
// ids, leading decimal numbers, and path expressions built from keywords.
// Portable: no Win32 needed.
#pragma once

#include <cstdint>
#include <string>

// Hex digits of `text` in turn, every other character skipped; only the last
// four digits count. NULL gives 0.
uint16_t ParseHexWordText(const char* text);

// The value of the leading decimal digits (32 bits, wrapping); 0 when the
// text does not start with a digit.
uint32_t LeadingDigits(const std::string& text);

// As LeadingDigits, after an optional "+" or "-" sign ("-5" gives 0xFFFFFFFB).
uint32_t LeadingSignedNumber(const std::string& text);

// The values the keywords of a path expression stand for.
struct KeywordValues {
    std::string driverDir;  // DRIVERDIR
    std::string htmlDir;    // HTMLDIR
    std::string systemDir;  // SYSTEMDIR
};

// Evaluates a path expression: items separated by blanks or "+", each a
// quoted literal (appended without its quotes) or a keyword DRIVERDIR,
// HTMLDIR or SYSTEMDIR (exact case). The rest of a word that is not a
// keyword, or that follows a keyword without a separator, is dropped.
std::string ResolveKeywords(const std::string& expression, const KeywordValues& values);
