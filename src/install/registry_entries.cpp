// The registry keys and values the setup INI lists (REGPATH / REGENTER), and
// the model's record of its language monitor.
#include "install_run.h"

#include "product_keys.h"
#include "registry.h"
#include "setup_ini.h"
#include "setup_values.h"
#include "text_format.h"


namespace {


// The slot number whose name "REG<n>" is exactly `name`, or -1.
int SlotNumber(const std::string& name)
{
    for (int n = 0; n < InstallRun::kSlotCount; ++n) {
        char slot[8];
        FormatText(slot, sizeof slot, "REG%d", n);
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

HKEY InstallRun::ParseRootKey(std::string& path)
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

BOOL InstallRun::WriteRegistryEntries()
{
    if (settings.iniPath.empty()) {
        result.Record(pair::kNoIniPath);
        return FALSE;
    }
    if (settings.driverDir.empty()) {
        result.Record(pair::kEntriesWithoutDriverDir);
        return FALSE;
    }

    CSetupIni ini(AnsiLeadByte);
    if (!ini.Open(settings.iniPath, "Install")) {
        result.Record(pair::kIniEntriesNotRead);
        return FALSE;
    }

    // REGPATH opens a slot's key; REGENTER writes a value into an open slot.
    RegistrySlots slots;
    std::string key;
    while (ini.NextEntry(key)) {
        const bool isPath = key == "REGPATH";
        if (!isPath && key != "REGENTER")
            continue;
        const int n = SlotNumber(ini.fields[0]);
        if (n < 0)
            continue;
        if (isPath ? !OpenSlotKey(slots, n, ini.fields[1]) : !WriteSlotValue(slots, n, ini))
            return FALSE;
    }
    return WriteModelRecord();
}

BOOL InstallRun::OpenSlotKey(RegistrySlots& slots, int n, const std::string& pathField)
{
    if (slots.roots[n] != NULL)
        return TRUE;  // the first definition of a slot wins
    std::string path = CSetupIni::Unquote(pathField);
    slots.roots[n] = ParseRootKey(path);
    if (slots.roots[n] == NULL) {
        result.Record(pair::kIniBadRootKey);
        return FALSE;
    }
    LPSECURITY_ATTRIBUTES security =
        PrepareKey(slots.roots[n], path, environment.securityAttributes,
                   environment.sharedSecurityAttributes);
    // Given its owner and list first: a key whose list shut administrators
    // out could not be opened for writing otherwise.
    repair.RepairKeyPath(slots.roots[n], path);
    if (!slots.keys[n].Create(slots.roots[n], path, NULL, security, Registry::kAllAccess) &&
        !slots.keys[n].isOpen) {
        result.Record(pair::kEntryKeyNotOpened);
        return FALSE;
    }
    repair.RepairKeyPath(slots.roots[n], path);
    return TRUE;
}

BOOL InstallRun::WriteSlotValue(RegistrySlots& slots, int n, const CSetupIni& ini)
{
    // "Default" (bare, exact case) names the key's unnamed value.
    const std::string name =
        ini.fields[1] == "Default" ? std::string() : CSetupIni::Unquote(ini.fields[1]);
    const std::string& data = ini.fields[2];
    const BOOL written = StartsWithDigit(data)
                             ? slots.keys[n].SetDword(name, LeadingDigits(data))
                             : slots.keys[n].SetString(name, ResolveDirectoryKeyword(data));
    if (!written) {
        result.Record(pair::kEntryValueNotWritten);
        return FALSE;
    }
    return TRUE;
}

// The model's record of its language monitor.
BOOL InstallRun::WriteModelRecord()
{
    const std::string path = kModelKeyPrefix + settings.driverName;
    repair.RepairKeyPath(HKEY_LOCAL_MACHINE, path);
    Registry model;
    if (!model.Create(HKEY_LOCAL_MACHINE, path, NULL, environment.securityAttributes,
                      Registry::kAllAccess) &&
        !model.isOpen) {
        result.Record(pair::kModelRecordNotOpened);
        return FALSE;
    }
    repair.RepairKeyPath(HKEY_LOCAL_MACHINE, path);
    if (!model.SetString("LanguageMon", settings.langMonitorName)) {
        result.Record(pair::kLanguageMonNotWritten);
        return FALSE;
    }
    if (!model.SetString("LanguageMonDll", settings.langMonitorDll)) {
        result.Record(pair::kLanguageMonDllNotWritten);
        return FALSE;
    }
    return TRUE;
}
