#include "shellext_env.h"

#include "japanese.h"

#include "registry_helpers.h"
#include "setup_host.h"
#include "spooler.h"

#include <commctrl.h>

#include <cstdio>
#include <fstream>
#include <sstream>

const TestModel kProductModel = {kProductDriver, "C:\\NORVA\\TX1", "TX1"};
const TestModel kOtherModel = {kOtherModelDriver, "C:\\NORVA\\TX4", "TX4"};

namespace {

void CopyBuiltFile(const char* builtName, const std::string& target)
{
    CopyFileA(BesideThisProgram(builtName).c_str(), target.c_str(), FALSE);
}

}  // namespace

void ResetProductKeys()
{
    static SpoolerFixture spooler;
    static bool added = false;
    if (!added) {
        const char* printers[][2] = {
            {kProductPrinter, kProductDriver},       {kSecondProductPrinter, kProductDriver},
            {kOddPrinter, kProductDriver},           {kOtherModelPrinter, kOtherModelDriver},
            {kOtherTypePrinter, "NORVA TX-2"},       {kNoTypePrinter, "NORVA TX-3"},
            {kForeignPrinter, "Other Driver"}};
        for (const char* driver :
             {kProductDriver, kOtherModelDriver, "NORVA TX-2", "NORVA TX-3", "Other Driver"})
            spooler.InstallDriver(driver);
        for (const auto& printer : printers)
            spooler.InstallPrinter(printer[0], printer[1]);
        spooler.Keep();
        added = true;
    }
    // Nothing of the product in the program's own view either: the
    // extension must find what it finds in the product's view.
    DeleteTree(HKEY_LOCAL_MACHINE, kNorvaKey, 0);
    DeleteProductTree(kNorvaKey);
    SetProductDword(DriverKey(kProductDriver), "XIMPType", 1);
    SetProductDword(DriverKey(kOtherModelDriver), "XIMPType", 1);
    SetProductDword(DriverKey("NORVA TX-2"), "XIMPType", 2);
    CreateKey(HKEY_LOCAL_MACHINE, DriverKey("NORVA TX-3"), kProductView);  // no XIMPType
    SetLogSwitch(1);
    DeleteLog();
}

std::string AddProductPrinter(const char* utf8)
{
    static SpoolerFixture spooler;
    const std::string name = Ansi(utf8);
    if (PrinterAttributes(name) || spooler.InstallPrinter(name, kProductDriver))
        spooler.Keep();
    return PrinterAttributes(name) ? name : std::string();
}

void InstallModel(const TestModel& model)
{
    CreateDirectoryA("C:\\NORVA", NULL);
    CreateDirectoryA(model.installDir.c_str(), NULL);
    CreateDirectoryA((model.installDir + "\\bin").c_str(), NULL);
    CopyBuiltFile("shellext_testres.dll", model.Library());
    CopyBuiltFile("fake_monrun.exe", model.Monrun());
    CopyBuiltFile("fake_moncfg.exe", model.Moncfg());
    DeleteFileA((model.Monrun() + ".txt").c_str());
    DeleteFileA((model.Moncfg() + ".txt").c_str());
    const std::string driver = DriverKey(model.driver);
    SetProductString(driver, "InstallPath", model.installDir);
    SetProductString(driver, "ModelID", model.modelId);
    SetProductString(driver, "MONRUN", model.Monrun());
    SetProductString(driver, "MONCFG", model.Moncfg());
    SetProductString(kProfileKey, model.modelId.c_str(), ProfileFixture("model.ini"));
}

std::string ProfileFixture(const std::string& name)
{
    std::string path = "Z:" SHELLEXT_PROFILE_DIR "/" + name;
    for (char& c : path)
        c = c == '/' ? '\\' : c;
    return path;
}

bool ProductKeyExists(const std::string& path)
{
    return KeyExists(HKEY_LOCAL_MACHINE, path, kProductView);
}

void SetProductString(const std::string& path, const char* name, const std::string& value)
{
    SetString(HKEY_LOCAL_MACHINE, path, name, value, kProductView);
}

void SetProductDword(const std::string& path, const char* name, DWORD value)
{
    SetDword(HKEY_LOCAL_MACHINE, path, name, value, kProductView);
}

std::string ProductString(const std::string& path, const char* name)
{
    return ReadValue(HKEY_LOCAL_MACHINE, path, name, kProductView).Text();
}

void DeleteProductTree(const std::string& path)
{
    DeleteTree(HKEY_LOCAL_MACHINE, path, kProductView);
}

std::vector<std::string> Entries()
{
    std::vector<std::string> entries;
    for (const std::string& name : SubkeyNames(HKEY_LOCAL_MACHINE, kTargets, kProductView)) {
        const std::string path = std::string(kTargets) + "\\" + name;
        const StoredValue monitoring = ReadValue(HKEY_LOCAL_MACHINE, path, "Monitoring",
                                                 kProductView);
        const int flag = monitoring.type == REG_NONE ? -1 : static_cast<int>(monitoring.Dword());
        entries.push_back(name + "=" + ProductString(path, "Name") + "," + std::to_string(flag));
    }
    return entries;
}

std::string EntryPath(unsigned index)
{
    char path[128];
    std::snprintf(path, sizeof path, "%s\\P%016u", kTargets, index);
    return path;
}

void AddTargetEntry(unsigned index, const std::string& printer, DWORD monitoring)
{
    SetProductString(EntryPath(index), "Name", printer);
    SetProductDword(EntryPath(index), "Monitoring", monitoring);
}

std::string ReadFileBytes(const std::string& path)
{
    std::ostringstream bytes;
    bytes << std::ifstream(path, std::ios::binary).rdbuf();
    return bytes.str();
}

std::string WriteTempFile(const std::string& name, const std::string& text)
{
    CreateDirectoryA("C:\\NORVA", NULL);
    const std::string path = "C:\\NORVA\\" + name;
    std::ofstream(path, std::ios::binary) << text;
    return path;
}

std::string WaitForRecord(const std::string& program)
{
    // A record always holds at least the command line; an empty read means
    // the file is still being put in place.
    const std::string record = program + ".txt";
    std::string bytes;
    for (int waited = 0; waited < 20000; waited += 50) {
        bytes = ReadFileBytes(record);
        if (!bytes.empty())
            break;
        Sleep(50);
    }
    return bytes;
}

HWND ShowSheet(HPROPSHEETPAGE page, HWND* pageWindow)
{
    PROPSHEETHEADERA header = {};
    header.dwSize = PROPSHEETHEADERA_V1_SIZE;
    header.dwFlags = PSH_MODELESS;
    header.pszCaption = "Printer properties";
    header.nPages = 1;
    header.phpage = &page;
    HWND sheet = reinterpret_cast<HWND>(PropertySheetA(&header));
    *pageWindow = reinterpret_cast<HWND>(SendMessageA(sheet, PSM_GETCURRENTPAGEHWND, 0, 0));
    return sheet;
}

MessageBoxWatcher::MessageBoxWatcher() : thread(CreateThread(NULL, 0, Watch, this, 0, NULL)) {}

MessageBoxWatcher::~MessageBoxWatcher()
{
    stop = true;
    WaitForSingleObject(thread, INFINITE);
    CloseHandle(thread);
}

DWORD WINAPI MessageBoxWatcher::Watch(LPVOID self)
{
    static_cast<MessageBoxWatcher*>(self)->Run();
    return 0;
}

void MessageBoxWatcher::Run()
{
    while (!stop) {
        HWND box = FindWindowA("#32770", kProductPrinter);
        if (box != NULL && IsWindowVisible(box)) {
            char buffer[512] = "";
            GetWindowTextA(box, buffer, sizeof buffer);
            caption = buffer;
            GetDlgItemTextA(box, 0xFFFF, buffer, sizeof buffer);  // the box's text
            text = buffer;
            ++shown;
            SendMessageA(box, WM_COMMAND, IDOK, 0);
        }
        Sleep(20);
    }
}
