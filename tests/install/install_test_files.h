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
    std::string CurrentDirectory() const;  // of the last run
    bool RanAlready() const;
    void Forget();

private:
    std::string base;
};
