// Questions about files.
#pragma once

#include <windows.h>

// TRUE when FindFirstFileA finds `path` (a file or a folder).
BOOL FileExists(const char* path);
