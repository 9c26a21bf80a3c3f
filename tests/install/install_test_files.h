// Small helpers of the install tests: a setup INI in the temp directory,
// registry values with their types, files and the Windows under test.
#pragma once

#include <windows.h>

#include <string>

// A setup INI file written for one test and removed after it.
class TempIni {
public:
    explicit TempIni(const std::string& text, const std::string& name = "monsetup test.ini");
    ~TempIni();
    TempIni(const TempIni&) = delete;
    TempIni& operator=(const TempIni&) = delete;

    std::string path;
};

// A registry value as stored: its type and data; type REG_NONE when missing.
struct StoredValue {
    DWORD type = REG_NONE;
    std::string data;
    DWORD Dword() const;
    std::string Text() const;  // the data up to its NUL
};
StoredValue ReadValue(HKEY root, const std::string& path, const char* name);

// The Windows kind MONCHK04 sees here: 1 for 98, 2 for NT 4.0, 3 for 2000.
int OsKindOfThisWindows();
std::string SystemDirectory();
void WriteText(const std::string& path, const std::string& text);

class CMainFrame;
// The frame's result pair as "ErrorCode1/ErrorCode2".
std::string Pair(const CMainFrame& frame);

// The fake SDK installer copied under one name into one directory: what it
// was given.
class FakeInstaller {
public:
    FakeInstaller(const std::string& directory, const std::string& baseName);

    // The command line of the last run, waiting for it with a bound.
    std::string CommandLine() const;
    std::string Parameters() const;
    bool RanAlready() const;
    void Forget();

private:
    std::string base;
};
