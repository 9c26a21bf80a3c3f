// The rules for names that a registry value hands to privileged code: a
// file that must lie in a fixed folder, a folder whose files are deleted, a
// class whose registration is deleted. A value that breaks its rule is not
// used at all. Names are ANSI text of the system's code page and are walked
// a character at a time: a trail byte of a double-byte character may equal
// '\', '/', ':' or '.'.
#pragma once

#include <string>

#include "ansi_text.h"

// A file name without any folder: not empty, no '\', '/' or ':', no "..".
bool IsBareFileName(const std::string& name);

// `path` is `folder` itself or lies below it, compared without letter case,
// and names no ".." (nor, as Windows 95 reads it, "...") on the way. A
// trailing backslash of either is ignored.
bool IsFolderWithin(const std::string& path, const std::string& folder);

// `path` is `base` itself or lies below it (whole components, compared
// without letter case). A trailing backslash of either is ignored.
bool IsWithin(const std::string& path, const std::string& base);

// TRUE when the last component of `path` has a '.'.
bool HasExtension(const char* path);
