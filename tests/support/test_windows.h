// What the Windows under test is: the version Wine was told to present
// (MONSETUP_WINVER, set by the test runner) and what GetVersionExA says.
#pragma once

#include "windows_version.h"  // IsWindowsNT

#include <windows.h>

#include <string>

std::string PresentedWindows();   // "win98", "nt40", "win2k" or "default"
OSVERSIONINFOA WindowsVersion();
