// Names, paths and INI text walked a character at a time.
//
// In a double-byte code page (932 on Japanese Windows, 936 on Chinese) a
// character is one byte or two, and the second byte of a pair can equal '\\',
// '[', ']', '|' or an ASCII letter. So a delimiter counts only where a
// character starts, a cut falls between characters, and letter case is folded
// for single-byte characters only. Which bytes lead a pair is the code page's
// business: the caller hands in its test (the running system's on Windows, a
// table below in the native tests and fuzzers). With a single-byte code page
// every function here works byte for byte.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

using LeadByteTest = bool (*)(unsigned char);

bool NoLeadBytes(unsigned char c);   // any single-byte code page
bool LeadByte932(unsigned char c);   // Japanese (Shift JIS)
bool LeadByte936(unsigned char c);   // Simplified Chinese (GBK)

// Length of the character starting at `pos`: two bytes for a lead byte with a
// byte after it other than NUL (as the system's CharNextA counts), else one.
size_t CharLength(std::string_view text, size_t pos, LeadByteTest lead);

// The first character at or after `from` that equals `c`, or npos.
size_t FindChar(std::string_view text, char c, size_t from, LeadByteTest lead);

// The last character that is one of `chars`, or npos.
size_t FindLastChar(std::string_view text, std::string_view chars, LeadByteTest lead);

// Whether the last character of `text` is `c`.
bool EndsWithChar(std::string_view text, char c, LeadByteTest lead);

// The longest length up to `limit` bytes that ends between two characters.
size_t FitCharacters(std::string_view text, size_t limit, LeadByteTest lead);

// Equal, with ASCII letters compared without regard to case where they stand
// as characters of their own; the bytes of a pair must match exactly.
bool EqualIgnoringAsciiCase(std::string_view a, std::string_view b, LeadByteTest lead);

// Whether `text` starts with `prefix` under the same rule.
bool StartsWithIgnoringAsciiCase(std::string_view text, std::string_view prefix,
                                 LeadByteTest lead);
