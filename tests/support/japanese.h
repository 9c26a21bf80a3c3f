// Japanese names for the tests that run in a Japanese configuration (Wine
// started with LANG=ja_JP.UTF-8, so the ANSI code page is 932). The names are
// written in UTF-8 in the sources and handed to the system in its code page.
#pragma once

#include <windows.h>

#include <cstdlib>
#include <string>

inline bool JapaneseSystem()
{
    return GetACP() == 932;
}

// The runs of the Japanese configuration set MONSETUP_JAPANESE=1: there a
// system that is not Japanese (the locale is missing) fails the test;
// elsewhere the test is skipped.
#define REQUIRE_JAPANESE_SYSTEM()                                                         \
    do {                                                                                  \
        if (JapaneseSystem())                                                             \
            break;                                                                        \
        if (std::getenv("MONSETUP_JAPANESE") != nullptr)                                  \
            FAIL() << "the ANSI code page is " << GetACP() << ", not 932: is the locale " \
                   << "ja_JP.UTF-8 there (scripts/bootstrap.sh)?";                        \
        GTEST_SKIP() << "needs the Japanese configuration (code page 932)";               \
    } while (false)

// `utf8` in the system's ANSI code page; "" when it cannot be converted.
inline std::string Ansi(const char* utf8)
{
    WCHAR wide[260];
    char text[520];
    if (MultiByteToWideChar(CP_UTF8, 0, utf8, -1, wide, 260) == 0 ||
        WideCharToMultiByte(CP_ACP, 0, wide, -1, text, sizeof text, NULL, NULL) == 0)
        return std::string();
    return text;
}
