// Deletion of a file that may be read-only (service programs, old links).
#pragma once

#include <windows.h>

#include <string>

// Clears the file's read-only attribute (keeping the others) and deletes it.
// FALSE when the file is missing or any step fails.
BOOL DeleteFileEvenIfReadOnly(const std::string& path);
