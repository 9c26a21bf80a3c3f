// Prepares a Wine prefix for timing an uninstall's target cleanup: COUNT
// target entries of printers that no longer exist, under HKEY_LOCAL_MACHINE
// TXATarget and HKEY_CURRENT_USER TXBTarget, each printer with its start-up
// value under the user's Run key, after the entries already there.
// Usage: bench_targets.exe COUNT
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

const char kTargets[] = "Software\\NORVA\\VTR3\\VTRData\\TXATarget";
const char kTxbTargets[] = "Software\\NORVA\\VTR3\\VTRData\\TXBTarget";
const char kRun[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\run";

bool SetText(HKEY root, const std::string& path, const std::string& name, const std::string& text)
{
    HKEY key;
    if (RegCreateKeyA(root, path.c_str(), &key) != ERROR_SUCCESS)
        return false;
    const LONG rc = RegSetValueExA(key, name.c_str(), 0, REG_SZ,
                                   reinterpret_cast<const BYTE*>(text.c_str()),
                                   static_cast<DWORD>(text.size() + 1));
    RegCloseKey(key);
    return rc == ERROR_SUCCESS;
}

}  // namespace

int main(int argc, char** argv)
{
    const int count = argc > 1 ? std::atoi(argv[1]) : 1000;
    for (int i = 0; i < count; ++i) {
        char entry[24];
        std::snprintf(entry, sizeof entry, "\\P%016d", 100 + i);
        const std::string printer = "Gone " + std::to_string(i);
        if (!SetText(HKEY_LOCAL_MACHINE, kTargets + std::string(entry), "Name", printer) ||
            !SetText(HKEY_CURRENT_USER, kTxbTargets + std::string(entry), "Name", printer) ||
            !SetText(HKEY_CURRENT_USER, kRun, printer, "monrun.exe")) {
            std::fprintf(stderr, "bench_targets: entry %d not written\n", i);
            return 1;
        }
    }
    return 0;
}
