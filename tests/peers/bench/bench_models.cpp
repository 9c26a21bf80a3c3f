// Prepares a Wine prefix for timing the maintenance run: MODELS printer
// models, each a driver with PRINTERS printers and a model key naming the
// do-nothing language monitor, as an install run of each would leave them.
// Usage: bench_models.exe MODELS PRINTERS
#include "spooler.h"

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

bool WriteModelKey(const std::string& driver)
{
    HKEY key;
    const std::string path = "Software\\NORVA\\VTR3\\Driver\\" + driver;
    if (RegCreateKeyA(HKEY_LOCAL_MACHINE, path.c_str(), &key) != ERROR_SUCCESS)
        return false;
    RegSetValueExA(key, "LanguageMon", 0, REG_SZ, reinterpret_cast<const BYTE*>("NORVA LM"), 9);
    RegSetValueExA(key, "LanguageMonDll", 0, REG_SZ,
                   reinterpret_cast<const BYTE*>("TESTLMON.DLL"), 13);
    RegCloseKey(key);
    return true;
}

}  // namespace

int main(int argc, char** argv)
{
    const int models = argc > 1 ? std::atoi(argv[1]) : 20;
    const int printers = argc > 2 ? std::atoi(argv[2]) : 5;

    char system[MAX_PATH];
    GetSystemDirectoryA(system, MAX_PATH);
    if (!CopyFileA("TESTLMON.DLL", (std::string(system) + "\\TESTLMON.DLL").c_str(), FALSE)) {
        std::fprintf(stderr, "bench_models: TESTLMON.DLL not copied (%lu)\n", GetLastError());
        return 1;
    }
    HKEY common;
    if (RegCreateKeyA(HKEY_LOCAL_MACHINE, "Software\\NORVA\\VTR3\\VTRCommon", &common) ==
        ERROR_SUCCESS)
        RegCloseKey(common);

    SpoolerFixture spooler;
    for (int m = 0; m < models; ++m) {
        const std::string driver = "NORVA Bench " + std::to_string(m);
        if (!spooler.InstallDriver(driver) || !WriteModelKey(driver)) {
            std::fprintf(stderr, "bench_models: driver %s (%lu)\n", driver.c_str(),
                         spooler.lastError);
            return 1;
        }
        for (int p = 0; p < printers; ++p) {
            const std::string printer = driver + " #" + std::to_string(p);
            if (!spooler.InstallPrinter(printer, driver)) {
                std::fprintf(stderr, "bench_models: printer %s (%lu)\n", printer.c_str(),
                             spooler.lastError);
                return 1;
            }
        }
    }
    spooler.Keep();
    return 0;
}
