// Times MONEXT01 as the shell drives it, for the figures of the extension's
// registry work: the copy hook renaming a product printer whose target entry
// is the last of many, the least registry work such a search needs (open
// TXATarget once, then per entry one relative open, one read of "Name", one
// close), and AddPages creating the utility page. Prints medians in
// milliseconds. Runs in a throwaway Wine prefix: it installs a printer and
// writes the product's keys.
//   shellext_bench [entries [calls]]   defaults: 1000 entries, 41 calls
#include "printer_data_object.h"
#include "product_keys.h"
#include "registry_helpers.h"
#include "setup_host.h"
#include "spooler.h"

#include <windows.h>
#include <commctrl.h>
#include <objbase.h>
#include <prsht.h>
#include <shlobj.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

// {A03C8CDD-E1BA-42D6-96A1-C98DBF4F32B2}
const CLSID kExtensionClsid = {
    0xA03C8CDD, 0xE1BA, 0x42D6, {0x96, 0xA1, 0xC9, 0x8D, 0xBF, 0x4F, 0x32, 0xB2}};
constexpr UINT kRename = 0x14;  // PO_RENAME
constexpr char kPrinter[] = "LP-1";
constexpr char kDriver[] = "NORVA TX-1";
constexpr char kTargets[] = "software\\NORVA\\VTR3\\VTRData\\TXATarget";
constexpr char kInstallDir[] = "C:\\NORVA\\TX1";

void SetProductString(const std::string& path, const char* name, const std::string& value)
{
    SetString(HKEY_LOCAL_MACHINE, path, name, value, kProductView);
}

void SetProductDword(const std::string& path, const char* name, DWORD value)
{
    SetDword(HKEY_LOCAL_MACHINE, path, name, value, kProductView);
}

std::string EntryName(unsigned index)
{
    char name[32];
    std::snprintf(name, sizeof name, "P%016u", index);
    return name;
}

// A product model with its page library and profile, `entries` target
// entries with the printer's last, and the log switched off.
void PrepareProduct(unsigned entries)
{
    CreateDirectoryA("C:\\NORVA", NULL);
    CreateDirectoryA(kInstallDir, NULL);
    const std::string library = std::string(kInstallDir) + "\\NVUTYENU.DLL";
    const std::string profile = std::string(kInstallDir) + "\\model.ini";
    CopyFileA(BesideThisProgram("shellext_testres.dll").c_str(), library.c_str(), FALSE);
    WritePrivateProfileStringA("Language", "English", "9,1", profile.c_str());
    WritePrivateProfileStringA("English", "SHELLRES", "NVUTYENU.DLL", profile.c_str());

    const std::string driverKey = std::string("software\\NORVA\\VTR3\\Driver\\") + kDriver;
    SetProductDword(driverKey, "XIMPType", 1);
    SetProductString(driverKey, "InstallPath", kInstallDir);
    SetProductString(driverKey, "ModelID", "TX1");
    SetProductString(kProfileKey, "TX1", profile);
    SetProductDword(kDebugKey, "Monext01", 0);
    for (unsigned i = 0; i < entries; ++i) {
        const std::string path = std::string(kTargets) + "\\" + EntryName(i);
        SetProductString(path, "Name",
                         i + 1 < entries ? "Bench printer " + std::to_string(i) : kPrinter);
        SetProductDword(path, "Monitoring", 1);
    }
}

class Stopwatch {
public:
    Stopwatch()
    {
        QueryPerformanceFrequency(&frequency);
        QueryPerformanceCounter(&start);
    }
    double Milliseconds() const
    {
        LARGE_INTEGER now;
        QueryPerformanceCounter(&now);
        return 1000.0 * static_cast<double>(now.QuadPart - start.QuadPart) /
               static_cast<double>(frequency.QuadPart);
    }

private:
    LARGE_INTEGER frequency;
    LARGE_INTEGER start;
};

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values.empty() ? 0.0 : values[values.size() / 2];
}

// The least registry work of a search through `entries` entries: TXATarget
// opened once in the product's view, each entry opened relative to it (it
// is in that view already, so no view flag is asked for), its "Name" read,
// the entry closed. The found flag keeps the reads from being optimised away.
double TimeFloor(unsigned entries, bool* found)
{
    Stopwatch watch;
    HKEY targets = NULL;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kTargets, 0, KEY_READ | kProductView, &targets) !=
        ERROR_SUCCESS)
        return -1.0;
    for (unsigned i = 0; i < entries; ++i) {
        HKEY entry = NULL;
        if (RegOpenKeyExA(targets, EntryName(i).c_str(), 0, KEY_READ, &entry) != ERROR_SUCCESS)
            continue;
        char name[260];
        DWORD size = sizeof name;
        if (RegQueryValueExA(entry, "Name", NULL, NULL, reinterpret_cast<BYTE*>(name), &size) ==
                ERROR_SUCCESS &&
            lstrcmpA(name, kPrinter) == 0)
            *found = true;
        RegCloseKey(entry);
    }
    RegCloseKey(targets);
    return watch.Milliseconds();
}

double TimeRename(ICopyHookA* hook)
{
    Stopwatch watch;
    hook->CopyCallback(NULL, kRename, 0, kPrinter, 0, kPrinter, 0);
    return watch.Milliseconds();
}

BOOL CALLBACK CollectPage(HPROPSHEETPAGE page, LPARAM pages)
{
    reinterpret_cast<std::vector<HPROPSHEETPAGE>*>(pages)->push_back(page);
    return TRUE;
}

// AddPages of a fresh object, page creation included; the page then lives in
// a sheet that is destroyed, as the shell's would be.
double TimeAddPages(IClassFactory* factory, bool* added)
{
    IShellExtInit* init = NULL;
    if (FAILED(factory->CreateInstance(NULL, IID_IShellExtInit, reinterpret_cast<void**>(&init))))
        return -1.0;
    PrinterDataObject data(kPrinter, (GetVersion() & 0x80000000u) == 0);
    init->Initialize(NULL, &data, NULL);
    IShellPropSheetExt* sheetExt = NULL;
    init->QueryInterface(IID_IShellPropSheetExt, reinterpret_cast<void**>(&sheetExt));
    std::vector<HPROPSHEETPAGE> pages;
    Stopwatch watch;
    sheetExt->AddPages(CollectPage, reinterpret_cast<LPARAM>(&pages));
    const double elapsed = watch.Milliseconds();
    sheetExt->Release();
    init->Release();
    if (pages.size() == 1) {
        *added = true;
        PROPSHEETHEADERA header = {};
        header.dwSize = PROPSHEETHEADERA_V1_SIZE;
        header.dwFlags = PSH_MODELESS;
        header.pszCaption = "Printer properties";
        header.nPages = 1;
        header.phpage = pages.data();
        DestroyWindow(reinterpret_cast<HWND>(PropertySheetA(&header)));
    }
    return elapsed;
}

}  // namespace

int main(int argc, char** argv)
{
    const unsigned entries = argc > 1 ? static_cast<unsigned>(std::atoi(argv[1])) : 1000;
    const unsigned calls = argc > 2 ? static_cast<unsigned>(std::atoi(argv[2])) : 41;
    if (entries == 0 || calls == 0) {
        std::fprintf(stderr, "usage: shellext_bench [entries [calls]]\n");
        return 2;
    }
    InitCommonControls();
    SpoolerFixture spooler;
    if (!spooler.InstallDriver(kDriver) || !spooler.InstallPrinter(kPrinter, kDriver)) {
        std::fprintf(stderr, "shellext_bench: no test printer (error %lu)\n",
                     static_cast<unsigned long>(spooler.lastError));
        return 1;
    }
    PrepareProduct(entries);

    HMODULE dll = LoadLibraryA(BesideThisProgram("MONEXT01.dll").c_str());
    using GetClassObjectFn = HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**);
    auto getClassObject = reinterpret_cast<GetClassObjectFn>(
        reinterpret_cast<void*>(GetProcAddress(dll, "DllGetClassObject")));
    IClassFactory* factory = NULL;
    ICopyHookA* hook = NULL;
    if (getClassObject == NULL ||
        FAILED(getClassObject(kExtensionClsid, IID_IClassFactory,
                              reinterpret_cast<void**>(&factory))) ||
        FAILED(factory->CreateInstance(NULL, IID_ICopyHookA, reinterpret_cast<void**>(&hook)))) {
        std::fprintf(stderr, "shellext_bench: MONEXT01.dll does not serve its class\n");
        return 1;
    }

    std::vector<double> renames, floors, addPages;
    bool found = false;
    bool added = false;
    // One untimed round first: the spooler and the registry warm up.
    TimeRename(hook);
    TimeFloor(entries, &found);
    TimeAddPages(factory, &added);
    for (unsigned i = 0; i < calls; ++i) {
        renames.push_back(TimeRename(hook));
        floors.push_back(TimeFloor(entries, &found));
        addPages.push_back(TimeAddPages(factory, &added));
    }
    hook->Release();
    factory->Release();
    if (!found || !added) {
        std::fprintf(stderr, "shellext_bench: the printer's entry or page was not found\n");
        return 1;
    }

    const double rename = Median(renames);
    const double floor = Median(floors);
    std::printf("entries %u, medians of %u calls\n", entries, calls);
    std::printf("rename      %8.2f ms\n", rename);
    std::printf("floor       %8.2f ms\n", floor);
    std::printf("ratio       %8.2f\n", rename / floor);
    std::printf("AddPages    %8.2f ms (page created)\n", Median(addPages));
    return 0;
}
