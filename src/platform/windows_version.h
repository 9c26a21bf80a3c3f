// Which family of Windows the program runs on.
#pragma once

#include <windows.h>

// TRUE on Windows NT 4.0, 2000 and later (VER_PLATFORM_WIN32_NT), FALSE on
// Windows 95/98.
BOOL IsWindowsNT();
