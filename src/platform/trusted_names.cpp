#include "trusted_names.h"

#include <windows.h>

namespace {

bool IsSeparator(char c)
{
    return c == '\\' || c == '/';
}

// A component made of dots only, two or more: a step up (Windows 95 also
// reads "..." as two steps).
bool IsStepUp(const char* begin, const char* end)
{
    if (end - begin < 2)
        return false;
    for (const char* p = begin; p != end; ++p) {
        if (*p != '.')
            return false;
    }
    return true;
}

// Calls `visit(begin, end)` for each component of `path` (split at '\' and
// '/', whole characters only); stops early when it returns false.
template <class Visit>
bool EachComponent(const char* path, Visit visit)
{
    const char* begin = path;
    const char* p = path;
    while (*p != '\0') {
        if (IsSeparator(*p)) {
            if (!visit(begin, p))
                return false;
            begin = CharNextA(p);
        }
        p = CharNextA(p);
    }
    return visit(begin, p);
}

// The byte length of `path` without one trailing backslash.
size_t WithoutTrailingSeparator(const std::string& path)
{
    size_t length = path.size();
    const char* last = NULL;
    for (const char* p = path.c_str(); *p != '\0'; p = CharNextA(p))
        last = p;
    if (last != NULL && IsSeparator(*last) && length > 1)
        --length;
    return length;
}

}  // namespace

bool IsBareFileName(const std::string& name)
{
    if (name.empty())
        return false;
    for (const char* p = name.c_str(); *p != '\0'; p = CharNextA(p)) {
        if (IsSeparator(*p) || *p == ':')
            return false;
        if (p[0] == '.' && p[1] == '.')
            return false;
    }
    return true;
}

bool IsFolderWithin(const std::string& path, const std::string& folder)
{
    const bool stepsUp = !EachComponent(path.c_str(), [](const char* begin, const char* end) {
        return !IsStepUp(begin, end);
    });
    return !stepsUp && IsWithin(path, folder);
}

bool IsWithin(const std::string& path, const std::string& folder)
{
    if (folder.empty())
        return false;
    const size_t base = WithoutTrailingSeparator(folder);
    const size_t length = WithoutTrailingSeparator(path);
    if (length < base || FitCharacters(path, base, AnsiLeadByte) != base)
        return false;
    if (lstrcmpiA(path.substr(0, base).c_str(), folder.substr(0, base).c_str()) != 0)
        return false;
    return length == base || path[base] == '\\';
}

bool HasExtension(const char* path)
{
    bool dot = false;
    for (const char* p = path; *p != '\0'; p = CharNextA(p)) {
        if (IsSeparator(*p) || *p == ':')
            dot = false;
        else if (*p == '.')
            dot = true;
    }
    return dot;
}
