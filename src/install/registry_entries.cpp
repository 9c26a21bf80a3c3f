// The registry keys and values the setup INI lists (REGPATH / REGENTER), and
// the model's record of its language monitor.
#include "main_frame.h"

#include "registry.h"
#include "setup_ini.h"
#include "setup_values.h"

#include <cstdio>

namespace {

const int kSlotCount = 16;
const char kModelKeyPrefix[] = "Software\\NORVA\\VTR3\\Driver\\";

// The slot number whose name "REG<n>" is exactly `name`, or -1.
int SlotNumber(const std::string& name)
{
    for (int n = 0; n < kSlotCount; ++n) {
        char slot[8];
        std::snprintf(slot, sizeof slot, "%s%d", "REG", n);
        if (name == slot)
            return n;
    }
    return -1;
}

bool StartsWithDigit(const std::string& text)
{
    return !text.empty() && text[0] >= '0' && text[0] <= '9';
}

}  // namespace

HKEY CMainFrame::ParseRootKey(std::string& path)
{
    struct Root {
        const char* prefix;
        HKEY key;
    };
    const Root roots[] = {
        {"HKEY_CLASSES_ROOT\\", HKEY_CLASSES_ROOT},
        {"HKEY_CURRENT_USER\\", HKEY_CURRENT_USER},
        {"HKEY_LOCAL_MACHINE\\", HKEY_LOCAL_MACHINE},
    };
    for (const Root& root : roots) {
        const std::string prefix = root.prefix;
        if (path.compare(0, prefix.size(), prefix) == 0) {
            path.erase(0, prefix.size());
            return root.key;
        }
    }
    path.clear();
    return NULL;
}

BOOL CMainFrame::WriteRegistryEntries()
{
    if (iniPath.empty()) {
        SetResult(8, 2);
        return FALSE;
    }
    if (driverDir.empty()) {
        SetResult(7, 60);
        return FALSE;
    }

    CSetupIni ini;
    if (!ini.Open(iniPath, "Install")) {
        SetResult(6, 6);
        return FALSE;
    }

    std::string slotPaths[kSlotCount];
    HKEY rootKeys[kSlotCount] = {};
    Registry slotKeys[kSlotCount];

    std::string key;
    while (ini.NextEntry(key)) {
        const bool isPath = key == "REGPATH";
        if (!isPath && key != "REGENTER")
            continue;
        const int n = SlotNumber(ini.fields[0]);
        if (n < 0)
            continue;

        if (isPath) {
            if (rootKeys[n] != NULL)
                continue;  // the first definition of a slot wins
            slotPaths[n] = CSetupIni::Unquote(ini.fields[1]);
            rootKeys[n] = ParseRootKey(slotPaths[n]);
            if (rootKeys[n] == NULL) {
                SetResult(6, 7);
                return FALSE;
            }
            if (!slotKeys[n].Create(rootKeys[n], slotPaths[n], NULL, securityAttributes,
                                    Registry::kAllAccess) &&
                !slotKeys[n].isOpen) {
                SetResult(3, 30);
                return FALSE;
            }
            continue;
        }

        // "Default" (bare, exact case) names the key's unnamed value.
        const std::string name =
            ini.fields[1] == "Default" ? std::string() : CSetupIni::Unquote(ini.fields[1]);
        const std::string& data = ini.fields[2];
        const BOOL written = StartsWithDigit(data)
                                 ? slotKeys[n].SetDword(name, LeadingDigits(data))
                                 : slotKeys[n].SetString(name, ResolveDirectoryKeyword(data));
        if (!written) {
            SetResult(3, 31);
            return FALSE;
        }
    }

    Registry model;
    if (!model.Create(HKEY_LOCAL_MACHINE, kModelKeyPrefix + driverName, NULL, securityAttributes,
                      Registry::kAllAccess) &&
        !model.isOpen) {
        SetResult(3, 32);
        return FALSE;
    }
    if (!model.SetString("LanguageMon", langMonitorName)) {
        SetResult(3, 33);
        return FALSE;
    }
    if (!model.SetString("LanguageMonDll", langMonitorDll)) {
        SetResult(3, 34);
        return FALSE;
    }
    return TRUE;
}
