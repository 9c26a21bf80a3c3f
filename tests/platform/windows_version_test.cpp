#include "test_windows.h"

#include <gtest/gtest.h>

// What GetVersionExA reports for each Windows that Wine presents.
TEST(WindowsVersion, WineReportsThePresentedWindows)
{
    OSVERSIONINFOA v = WindowsVersion();
    const std::string presented = PresentedWindows();
    if (presented == "win98") {
        EXPECT_EQ(1u, v.dwPlatformId);
        EXPECT_EQ(4u, v.dwMajorVersion);
        EXPECT_EQ(10u, v.dwMinorVersion);
    } else if (presented == "nt40") {
        EXPECT_EQ(2u, v.dwPlatformId);
        EXPECT_EQ(4u, v.dwMajorVersion);
        EXPECT_EQ(0u, v.dwMinorVersion);
    } else if (presented == "win2k") {
        EXPECT_EQ(2u, v.dwPlatformId);
        EXPECT_EQ(5u, v.dwMajorVersion);
        EXPECT_EQ(0u, v.dwMinorVersion);
    } else {
        // Wine's own default is Windows 7: none of the systems served.
        EXPECT_EQ(2u, v.dwPlatformId);
        EXPECT_EQ(6u, v.dwMajorVersion);
        EXPECT_EQ(1u, v.dwMinorVersion);
    }
    EXPECT_EQ(presented != "win98", IsWindowsNT() != FALSE);
}
