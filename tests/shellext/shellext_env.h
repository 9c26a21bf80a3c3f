// The world the extension's tests run in: the product's registry keys (in
// the product's registry view), test printers in Wine's spooler, the models'
// files on drive C: and the debug log. Every test program runs in a fresh
// Wine prefix.
#pragma once

#include "product_keys.h"

#include <windows.h>
#include <prsht.h>

#include <string>
#include <vector>

// Test printers: XIMPType 1 (the product), 2, none, and no driver key.
constexpr char kProductPrinter[] = "LP-1";
constexpr char kProductDriver[] = "NORVA TX-1";
constexpr char kSecondProductPrinter[] = "LP-1b";
constexpr char kOddPrinter[] = "LP \"%s%n%x\" 100%";  // also XIMPType 1
constexpr char kOtherModelPrinter[] = "LP-4";       // XIMPType 1, another model
constexpr char kOtherModelDriver[] = "NORVA TX-4";
constexpr char kOtherTypePrinter[] = "LP-2";
constexpr char kNoTypePrinter[] = "LP-3";
constexpr char kForeignPrinter[] = "Other Printer";

constexpr char kTargets[] = "software\\NORVA\\VTR3\\VTRData\\TXATarget";

// A printer of the product's model named `utf8` in the system's code page
// (added once per process); "" when the spooler refused it.
std::string AddProductPrinter(const char* utf8);

// A printer model's files: installation folder, page library, programs.
struct TestModel {
    std::string driver;
    std::string installDir;
    std::string modelId;
    std::string Library() const { return installDir + "\\NVUTYENU.DLL"; }
    std::string Monrun() const { return installDir + "\\bin\\fake_monrun.exe"; }
    std::string Moncfg() const { return installDir + "\\bin\\fake_moncfg.exe"; }
};
extern const TestModel kProductModel;  // of kProductPrinter
extern const TestModel kOtherModel;    // of kOtherModelPrinter

constexpr char kInstallDir[] = "C:\\NORVA\\TX1";
const std::string kEnglishLibrary = std::string(kInstallDir) + "\\NVUTYENU.DLL";
const std::string kMonrun = std::string(kInstallDir) + "\\bin\\fake_monrun.exe";
const std::string kMoncfg = std::string(kInstallDir) + "\\bin\\fake_moncfg.exe";

// Adds the test printers once per process, makes software\NORVA\VTR3 anew
// with the models' XIMPType values, switches the log on and empties it.
void ResetProductKeys();
// A model completely: InstallPath, ModelID and profile (model.ini), the
// English resource library, fake MONRUN and MONCFG (no records yet).
void InstallModel(const TestModel& model);
inline void InstallProductModel() { InstallModel(kProductModel); }
inline std::string DriverKey(const std::string& driver)
{
    return kModelKeyPrefix + driver;
}
std::string ProfileFixture(const std::string& name);

// The product's keys, read and written in the product's registry view.
bool ProductKeyExists(const std::string& path);
void SetProductString(const std::string& path, const char* name, const std::string& value);
void SetProductDword(const std::string& path, const char* name, DWORD value);
std::string ProductString(const std::string& path, const char* name);  // "" when missing
void DeleteProductTree(const std::string& path);

// Target entries as "P0000000000000000=<Name>,<Monitoring>" (-1: none).
std::vector<std::string> Entries();
std::string EntryPath(unsigned index);
void AddTargetEntry(unsigned index, const std::string& printer, DWORD monitoring);

std::string ReadFileBytes(const std::string& path);  // "" when there is no file
inline bool FileExists(const std::string& path)
{
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

inline void SetLogSwitch(DWORD value)
{
    SetProductDword(kDebugKey, "Monext01", value);
}
inline void DeleteLog() { DeleteFileA("C:\\MONEXT01.LOG"); }
inline std::string ReadLog() { return ReadFileBytes("C:\\MONEXT01.LOG"); }
std::string WriteTempFile(const std::string& name, const std::string& text);  // under C:\NORVA
// Waits until a fake program's record "<program>.txt" exists and returns it.
std::string WaitForRecord(const std::string& program);

// A modeless sheet with `page` as its only page; the page's window through
// *pageWindow.
HWND ShowSheet(HPROPSHEETPAGE page, HWND* pageWindow);

// Closes the message box the page shows on this thread, from another
// thread, and keeps its caption and text.
class MessageBoxWatcher {
public:
    MessageBoxWatcher();
    ~MessageBoxWatcher();
    MessageBoxWatcher(const MessageBoxWatcher&) = delete;
    MessageBoxWatcher& operator=(const MessageBoxWatcher&) = delete;

    std::string caption;
    std::string text;
    int shown = 0;

private:
    static DWORD WINAPI Watch(LPVOID self);
    void Run();

    volatile bool stop = false;
    HANDLE thread;
};
