#include "setup_values.h"

#include <gtest/gtest.h>

TEST(SetupValues, HexWordsKeepTheLastFourDigits)
{
    EXPECT_EQ(0x0411, ParseHexWordText("0x0411"));
    EXPECT_EQ(0x11, ParseHexWordText("11"));
    EXPECT_EQ(0xABCD, ParseHexWordText("12abcd"));
    EXPECT_EQ(0x0A1, ParseHexWordText(" a-1 "));
    EXPECT_EQ(0, ParseHexWordText(""));
    EXPECT_EQ(0, ParseHexWordText(nullptr));
}

TEST(SetupValues, LeadingNumbers)
{
    EXPECT_EQ(12u, LeadingDigits("12abc"));
    EXPECT_EQ(0u, LeadingDigits("0x10"));
    EXPECT_EQ(0u, LeadingDigits("-1"));
    EXPECT_EQ(0u, LeadingDigits("\"1\""));
    EXPECT_EQ(1410065408u, LeadingDigits("10000000000"));  // wraps at 32 bits
    EXPECT_EQ(0xFFFFFFFBu, LeadingSignedNumber("-5"));
    EXPECT_EQ(7u, LeadingSignedNumber("+7x"));
    EXPECT_EQ(0u, LeadingSignedNumber("\"1\""));
    EXPECT_EQ(0u, LeadingSignedNumber("-"));
}

TEST(SetupValues, KeywordsQuotedLiteralsAndSeparators)
{
    KeywordValues values{"C:\\drv", "C:\\Common\\NORVA\\HTML", "C:\\WINDOWS\\SYSTEM"};
    EXPECT_EQ("C:\\WINDOWS\\SYSTEM\\sub", ResolveKeywords("SYSTEMDIR+\"\\sub\"", values));
    EXPECT_EQ("C:\\Common\\NORVA\\HTML\\x y", ResolveKeywords("HTMLDIR \"\\x y\"", values));
    EXPECT_EQ("C:\\drv", ResolveKeywords("DRIVERDIR", values));
    EXPECT_EQ("a+b c", ResolveKeywords("\"a+b c\"", values));
    // Unquoted words that are not keywords are dropped, and so is anything
    // glued to a keyword without a separator.
    EXPECT_EQ("", ResolveKeywords("-1", values));
    EXPECT_EQ("C:\\drv", ResolveKeywords("DRIVERDIR\"\\glued\"", values));
    EXPECT_EQ("C:\\drv", ResolveKeywords("driverdir+DRIVERDIRX", values));
    EXPECT_EQ("open", ResolveKeywords("\"open", values));
    EXPECT_EQ("", ResolveKeywords("", values));
}

TEST(SetupValues, EmptyKeywordValuesStayEmpty)
{
    // Settings read before the driver directory is known see it empty.
    KeywordValues values;
    values.htmlDir = "H";
    EXPECT_EQ("\\bin", ResolveKeywords("DRIVERDIR+\"\\bin\"", values));
    EXPECT_EQ("H\\bin", ResolveKeywords("HTMLDIR+\"\\bin\"", values));
}
