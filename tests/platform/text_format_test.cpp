#include "text_format.h"

#include <gtest/gtest.h>

#include <string>

TEST(FormatText, CutsToTheBufferAndAlwaysTerminates)
{
    char buffer[8];
    EXPECT_EQ(10, FormatText(buffer, sizeof buffer, "%s-%d", "abc", 123456));
    EXPECT_EQ(std::string("abc-123"), buffer) << "seven characters and the NUL";

    EXPECT_EQ(4, FormatText(buffer, sizeof buffer, "P%03lu", 7ul));
    EXPECT_EQ(std::string("P007"), buffer);
    EXPECT_EQ(17, FormatText(nullptr, 0, "P%016lu", 1ul)) << "nothing written, length told";
}

TEST(FormatText, TheConversionsTheProductUses)
{
    char buffer[64];
    FormatText(buffer, sizeof buffer, "P%016lu", 42ul);
    EXPECT_EQ(std::string("P0000000000000042"), buffer);
    FormatText(buffer, sizeof buffer, "FAILED(%lx) %x %X %ld", 0x8007000eUL, 255u, 255u, -5L);
    EXPECT_EQ(std::string("FAILED(8007000e) ff FF -5"), buffer);
    FormatText(buffer, sizeof buffer, "%s\\%s", "CLSID", "{x}");
    EXPECT_EQ(std::string("CLSID\\{x}"), buffer);
}

// Windows writes at most 1024 bytes, the NUL included: a longer text is cut
// there, and the length says what was kept.
TEST(FormatText, LongTextsStopAtTheSystemsLimit)
{
    const std::string name(1500, 'n');
    char buffer[2000];
    const int length = FormatText(buffer, sizeof buffer, "%s", name.c_str());
    EXPECT_EQ(1023, length);
    EXPECT_EQ(std::string(1023, 'n'), buffer);
}
