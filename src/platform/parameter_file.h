// A parameter file handed to a program the product starts: the SDK's
// installer (MONCHK04) and MONRUN and MONCFG (MONEXT01) read their
// arguments from one.
//
// On Windows NT it lies in a folder below TEMP that only Administrators,
// SYSTEM and the running user may write, "VTR3 Parameters" (or "VTR3
// Parameters 2", 3, ... where that name is taken by a folder that is not
// provably ours: owned by someone else, or writable by anyone else). NT 4.0
// shares one TEMP among all users: in TEMP itself another user could rewrite
// the file, or delete it and put another in its place, and so choose what
// the started program does. The file is created new with that list too, and
// the folder stays held (nobody may delete or rename it, so no other folder
// can take its place) as long as the object lives.
//
// On Windows 95/98, and where TEMP's file system keeps no access lists (FAT,
// on which any user may change any file), the file is made in TEMP itself
// by GetTempFileNameA.
#pragma once

#include "handles.h"

#include <windows.h>

#include <string>

class ParameterFile {
public:
    ParameterFile() = default;
    ParameterFile(const ParameterFile&) = delete;
    ParameterFile& operator=(const ParameterFile&) = delete;
    ParameterFile(ParameterFile&&) = default;
    ParameterFile& operator=(ParameterFile&&) = default;

    // Makes a new, empty file named `prefix` (three letters) and four
    // hexadecimal digits, ".TMP". FALSE when none could be made.
    BOOL Create(const char* prefix);

    // Writes exactly `text` into the file and closes it. FALSE when it could
    // not be written.
    BOOL Write(const std::string& text);

    // The file's full path; empty before Create.
    const std::string& Path() const { return path; }

    // The name of the private folder below TEMP, tried n-th (from 1).
    static std::string FolderName(const std::string& tempDir, int n);

private:
    BOOL CreateInPrivateFolder(const std::string& tempDir, const char* prefix);
    BOOL CreateInTemp(const std::string& tempDir, const char* prefix);

    std::string path;
    UniqueHandle folder;  // shares no deletion: the folder cannot be renamed
    UniqueHandle file;    // until Write
};

// TRUE when `path` is a folder that is provably the running user's: owned by
// that user, Administrators or SYSTEM, and writable by nobody else (every
// entry of its list that allows a change is one of theirs).
BOOL IsPrivateFolder(const std::string& path);
