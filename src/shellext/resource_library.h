// Chooses the resource library of the utility page: the model's profile INI
// file lists one section per language in [Language]; the chosen section's
// "SHELLRES" names the library, relative to the model's "InstallPath".
#pragma once

#include "printer_model.h"

#include <windows.h>

constexpr int kResourceNotFound = -1;
constexpr int kResourceNoLibrary = -2;
constexpr int kLanguageOutOfMemory = -3;
constexpr int kBufferTooSmall = -4;
// "SHELLRES" names more than a file in the installation folder.
constexpr int kResourceNameRefused = -5;

// The library for the user's language, falling back to the English (United
// States) section when that library does not exist. 0, kResourceNotFound,
// kResourceNoLibrary, kBufferTooSmall or kResourceNameRefused (with the
// refused name in `path`).
int ResolveResourceLibrary(const PrinterModel& model, char* path, unsigned pathSize);

// The same for a given language instead of the user's.
int ResolveResourceLibraryFor(const PrinterModel& model, LANGID langId, char* path,
                              unsigned pathSize);

// The name of the [Language] entry that best fits `langId`: the exact
// language, else the first of the same primary language, else the first
// English one, else the first entry. 0, -1 (no [Language] section),
// kLanguageOutOfMemory or kBufferTooSmall (the size needed, with the
// terminating zero, is returned in *sectionSize).
int GetLanguageSection(char* section, unsigned* sectionSize, const char* profileFile,
                       LANGID langId);
