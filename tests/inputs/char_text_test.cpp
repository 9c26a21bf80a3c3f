// The character-wise text helpers over code page 932, with every second byte
// that equals an ASCII character a name or an INI file gives meaning to.
#include "char_text.h"

#include <gtest/gtest.h>

namespace {

const size_t npos = std::string_view::npos;

// A katakana-row lead byte and one of the second bytes 0x40-0x7E: the ASCII
// delimiters '@' '[' '\' ']' '^' '_' '`' '{' '|' '}' '~' and the letters.
std::string Pair(int trail)
{
    return std::string("\x83") + static_cast<char>(trail);
}

std::string Trails()
{
    std::string all;
    for (int trail = 0x40; trail <= 0x7E; ++trail)
        all += static_cast<char>(trail);
    return all;
}

}  // namespace

TEST(CharText, SecondBytesAreNeverDelimitersIn932)
{
    const std::string trails = Trails();
    for (int trail = 0x40; trail <= 0x7E; ++trail) {
        SCOPED_TRACE(trail);
        const char c = static_cast<char>(trail);
        const std::string folder = "C:\\" + Pair(trail);  // e.g. "C:\ソ" with 0x5C
        EXPECT_EQ(npos, FindChar(Pair(trail), c, 0, LeadByte932));
        EXPECT_EQ(3u, FindChar(Pair(trail) + "-" + c, c, 0, LeadByte932));
        EXPECT_EQ(npos, FindLastChar(Pair(trail), trails, LeadByte932));
        EXPECT_EQ(2u, FindLastChar(folder, "\\", LeadByte932));
        EXPECT_EQ(5u, FindLastChar(folder + "\\", "\\", LeadByte932));
        EXPECT_FALSE(EndsWithChar(folder, c, LeadByte932));
        EXPECT_TRUE(EndsWithChar(folder + c, c, LeadByte932));
        EXPECT_EQ(3u, FitCharacters(folder, 4, LeadByte932));
        EXPECT_EQ(5u, FitCharacters(folder, 5, LeadByte932));
        // A single-byte code page reads the same bytes byte for byte.
        EXPECT_EQ(1u, FindChar(Pair(trail), c, 0, NoLeadBytes));
        EXPECT_TRUE(EndsWithChar(folder, c, NoLeadBytes));
        EXPECT_EQ(4u, FitCharacters(folder, 4, NoLeadBytes));
    }
}

TEST(CharText, LetterCaseIsFoldedForSingleByteCharactersOnly)
{
    for (int trail = 0x40; trail <= 0x7E; ++trail) {
        SCOPED_TRACE(trail);
        const bool letter = (trail >= 'A' && trail <= 'Z') || (trail >= 'a' && trail <= 'z');
        const int other = letter ? trail ^ 0x20 : trail;  // the other case of a letter
        const std::string name = "Ab" + Pair(trail);
        EXPECT_EQ(!letter, EqualIgnoringAsciiCase(name, "aB" + Pair(other), LeadByte932));
        EXPECT_TRUE(EqualIgnoringAsciiCase(name, "aB" + Pair(trail), LeadByte932));
        EXPECT_EQ(!letter, StartsWithIgnoringAsciiCase(name + "=x", "AB" + Pair(other), LeadByte932));
        EXPECT_TRUE(EqualIgnoringAsciiCase(name, "aB" + Pair(other), NoLeadBytes));
    }
    EXPECT_FALSE(StartsWithIgnoringAsciiCase("ab", "abc", LeadByte932));
    EXPECT_FALSE(EqualIgnoringAsciiCase("ab", "abc", LeadByte932));
}

TEST(CharText, LoneLeadBytesAndOtherCodePages)
{
    // A lead byte at the end or before a NUL stands alone, as CharNextA counts.
    EXPECT_EQ(1u, CharLength("a\x83", 1, LeadByte932));
    EXPECT_EQ(1u, CharLength(std::string_view("\x83\0\\", 3), 0, LeadByte932));
    EXPECT_EQ(2u, FindChar(std::string_view("\x83\0\\", 3), '\\', 0, LeadByte932));
    EXPECT_TRUE(EndsWithChar("\\", '\\', LeadByte932));
    EXPECT_FALSE(EndsWithChar("", '\\', LeadByte932));
    // 0xB1 is a half-width katakana of its own in 932 and leads a pair in 936.
    EXPECT_EQ(1u, FindLastChar("\xB1\\", "\\", LeadByte932));
    EXPECT_EQ(npos, FindLastChar("\xB1\\", "\\", LeadByte936));
    EXPECT_EQ(2u, FindChar("\x83\\\\", '\\', 1, LeadByte932));  // not inside a pair
    EXPECT_EQ(1u, FindChar("\x83\\\\", '\\', 1, NoLeadBytes));
}
