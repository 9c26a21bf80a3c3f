// Names and paths in the system's ANSI code page, walked a character at a
// time (see char_text.h), and compared ignoring the letter case of ASCII
// letters only: comparisons of file and program names that must not depend
// on the user's locale.
#pragma once

#include <windows.h>

#include <string>

#include "char_text.h"

inline bool AnsiLeadByte(unsigned char c)
{
    return IsDBCSLeadByte(c) != FALSE;
}

// Position of the last backslash that stands as a character, or npos.
inline size_t LastBackslash(const std::string& path)
{
    return FindLastChar(path, "\\", AnsiLeadByte);
}

inline bool EndsWithBackslash(const std::string& path)
{
    return EndsWithChar(path, '\\', AnsiLeadByte);
}

// `name` in `folder`, with one backslash between them also when the folder
// is a drive root ("C:\\").
inline std::string InFolder(const std::string& folder, const std::string& name)
{
    if (EndsWithBackslash(folder))
        return folder + name;
    return folder + "\\" + name;
}

inline bool EqualIgnoringAsciiCase(const std::string& a, const std::string& b)
{
    return EqualIgnoringAsciiCase(a, b, AnsiLeadByte);
}
