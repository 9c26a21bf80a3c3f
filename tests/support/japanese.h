// Japanese names for the tests that run in a Japanese configuration (Wine
// started with LANG=ja_JP.UTF-8, so the ANSI code page is 932). The names are
// written in UTF-8 in the sources and handed to the system in its code page.
#pragma once

#include <windows.h>

#include <string>

inline bool JapaneseSystem()
{
    return GetACP() == 932;
}

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
