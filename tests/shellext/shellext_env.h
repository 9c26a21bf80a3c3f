// The world the extension's tests run in: the product's registry keys, test
// printers in Wine's spooler, the debug log, the model's files on drive C:.
// Every test program runs in a fresh Wine prefix, so tests only need to
// reset what earlier tests of the same program left behind.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

// Paths of the test setup.
std::string ExeDirectory();                      // where the built programs are
std::string ProfileFixture(const std::string& name);  // a profile INI in the sources
constexpr char kInstallDir[] = "C:\\NORVA\\TX1";

// Registry under HKEY_LOCAL_MACHINE.
void DeleteHklmTree(const std::string& subKey);
bool HklmKeyExists(const std::string& subKey);
void CreateHklmKey(const std::string& subKey);
void SetHklmString(const std::string& subKey, const char* name, const std::string& value);
void SetHklmDword(const std::string& subKey, const char* name, DWORD value);
bool ReadHklmString(const std::string& subKey, const char* name, std::string* value);
bool ReadHklmDword(const std::string& subKey, const char* name, DWORD* value);

// The product's keys: removes software\NORVA and makes software\NORVA\VTR3.
void ResetProductKeys();

constexpr char kTargetKeyPath[] = "software\\NORVA\\VTR3\\VTRData\\TXATarget";

struct TargetEntry {
    std::string key;  // "P0000000000000000"
    std::string name;
    DWORD monitoring;
};
std::vector<TargetEntry> TargetEntries();
// Writes entry P<index> directly, as MONCHK04 or an earlier session would have.
void AddTargetEntry(unsigned index, const std::string& printer, DWORD monitoring);
std::string EntryPath(unsigned index);

// Test printers and their models.
constexpr char kProductPrinter[] = "LP-1";        // XIMPType 1
constexpr char kProductDriver[] = "NORVA TX-1";
constexpr char kSecondProductPrinter[] = "LP-1b";  // same model as LP-1
constexpr char kOtherTypePrinter[] = "LP-2";       // XIMPType 2
constexpr char kNoTypePrinter[] = "LP-3";          // driver key without XIMPType
constexpr char kForeignPrinter[] = "Other Printer";  // no driver key at all
constexpr char kOddPrinter[] = "LP \"%s%n%x\" 100%";  // quotes and percent signs, XIMPType 1

// Adds the test printers and drivers to the spooler once per process.
void EnsureTestPrinters();
// Writes the driver keys of the test models (the XIMPType values only).
void WriteModelKeys();
std::string DriverKey(const char* driver);

// The debug log.
void SetLogSwitch(bool on);
void RemoveLogSwitch();
void DeleteLog();
bool LogExists();
std::string ReadLog();

// Files.
bool FileExists(const std::string& path);
void WriteTextFile(const std::string& path, const std::string& text);
std::string ReadBinaryFile(const std::string& path);
void MakeDirectories(const std::string& path);
bool CopyBuiltFile(const std::string& builtName, const std::string& target);

// Waits until `path` exists (the fake programs write their record and end).
bool WaitForFile(const std::string& path, DWORD milliseconds = 20000);
