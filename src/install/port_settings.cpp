// The parallel-port settings of the product's driver: every "LPT_" value of
// the driver's key is replaced by those the setup INI lists.
#include "install_run.h"

#include "registry.h"
#include "setup_ini.h"
#include "setup_values.h"
#include "spooler_keys.h"

namespace {

struct PortSettingRule {
    const char* name;
    WORD type;          // REG_DWORD or REG_SZ
    WORD suffixMatch;   // the name plus exactly two more characters
};

// The known settings, in the order a key meets them; ends with an empty row.
const PortSettingRule kPortSettingRules[] = {
    {"LPT_Channel", REG_DWORD, 1},
    {"LPT_ChnlMode", REG_DWORD, 1},
    {"LPT_WriteTotalTimeOut", REG_DWORD, 0},
    {"LPT_ReadTotalTimeOut", REG_DWORD, 0},
    {"LPT_ReadIntervalTimeOut", REG_DWORD, 0},
    {"LPT_SetTimeOutFlag", REG_DWORD, 0},
    {"LPT_StatusLength", REG_DWORD, 0},
    {"LPT_PrtMDLName", REG_SZ, 0},
    {"LPT_VECP", REG_DWORD, 0},
    {"LPT_StopCBTDummyRead", REG_DWORD, 0},
    {"LPT_StopCBTDummyReadUSB", REG_DWORD, 0},
    {"LPT_ReadTotalTimeOutUSB", REG_DWORD, 0},
    {"LPT_CancelWaitTime", REG_DWORD, 0},
    {nullptr, 0, 0},
};

const char kNtOverrideKey[] = "LPT_ReadTotalTimeOut_NT40";
const char kReadTotalTimeOut[] = "LPT_ReadTotalTimeOut";

const PortSettingRule* FindRule(const std::string& key)
{
    for (const PortSettingRule* rule = kPortSettingRules; rule->name != nullptr; ++rule) {
        const std::string name = rule->name;
        if (rule->suffixMatch ? key.size() == name.size() + 2 && key.compare(0, name.size(), name) == 0
                              : key == name)
            return rule;
    }
    return nullptr;
}

bool SelectsSystem(const std::string& selector, int osKind)
{
    if (selector == "ALL")
        return true;
    if (selector == "WIN9X")
        return osKind == 1;
    if (selector == "WINNT40")
        return osKind == 2;
    if (selector == "WIN2000")
        return osKind == 3;
    if (selector == "WINNT")
        return osKind == 2 || osKind == 3;
    return false;
}

// Deletes every value whose name starts with "LPT_"; false when one cannot
// be deleted.
bool RemoveOldSettings(Registry& key)
{
    DWORD index = 0;
    for (std::string name = key.EnumValue(index); !name.empty(); name = key.EnumValue(index)) {
        if (name.compare(0, 4, "LPT_") != 0) {
            ++index;
            continue;
        }
        if (!key.DeleteValue(name))
            return false;
        index = 0;
    }
    return true;
}

}  // namespace

std::string InstallRun::GetDriverKeyPath()
{
    return DriversKeyPath(environment.osKind == 1, settings.driverVersion);
}

BOOL InstallRun::WritePortSettings()
{
    const std::string path = GetDriverKeyPath() + "\\" + settings.driverName;
    Registry key(HKEY_LOCAL_MACHINE, path, cmdLine.tFlag ? environment.securityAttributes : NULL,
                 cmdLine.tFlag, Registry::kAllAccess);
    if (!key.isOpen) {
        result.Record(pair::kPortKeyNotOpened);
        return FALSE;
    }
    if (!RemoveOldSettings(key)) {
        result.Record(pair::kPortValueNotDeleted);
        return FALSE;
    }

    CSetupIni ini(AnsiLeadByte);
    if (!ini.Open(settings.iniPath, "Install")) {
        result.Record(pair::kIniPortSettingsNotRead);
        return FALSE;
    }

    // On NT "LPT_ReadTotalTimeOut_NT40" stands for "LPT_ReadTotalTimeOut" and
    // wins over it from where it appears; other systems pass it over.
    const bool nt = environment.osKind == 2 || environment.osKind == 3;
    bool ntOverrideSeen = false;
    BOOL allWritten = TRUE;
    std::string name;
    while (ini.NextEntry(name)) {
        if (name == kNtOverrideKey) {
            if (!nt)
                continue;
            ntOverrideSeen = true;
            name = kReadTotalTimeOut;
        } else if (name == kReadTotalTimeOut && nt && ntOverrideSeen) {
            continue;
        }
        const BOOL written =
            name == "SETLPT" ? WriteSelectedSetting(key, ini) : WriteTableSetting(key, name, ini);
        if (!written)
            allWritten = FALSE;
    }
    return allWritten;
}

// SETLPT=<systems>,"<name>",<REG_DWORD|REG_SZ>,<data>: written when the
// selector names this system.
BOOL InstallRun::WriteSelectedSetting(Registry& key, const CSetupIni& ini)
{
    if (!SelectsSystem(ini.fields[0], environment.osKind))
        return TRUE;
    const std::string valueName = CSetupIni::Unquote(ini.fields[1]);
    const std::string& type = ini.fields[2];
    if (type == "REG_DWORD") {
        if (key.SetDword(valueName, LeadingSignedNumber(ini.fields[3])))
            return TRUE;
        result.Record(pair::kSetLptDwordNotWritten);
        return FALSE;
    }
    if (type == "REG_SZ") {
        if (key.SetString(valueName, CSetupIni::Unquote(ini.fields[3])))
            return TRUE;
        result.Record(pair::kSetLptTextNotWritten);
        return FALSE;
    }
    result.Record(pair::kIniBadSetLptType);
    return FALSE;
}

// A setting of the known table, written with the table's type; other keys of
// the section are passed over.
BOOL InstallRun::WriteTableSetting(Registry& key, const std::string& name, const CSetupIni& ini)
{
    const PortSettingRule* rule = FindRule(name);
    if (rule == nullptr)
        return TRUE;
    if (rule->type == REG_DWORD) {
        if (key.SetDword(name, LeadingSignedNumber(ini.fields[0])))
            return TRUE;
        result.Record(pair::kPortDwordNotWritten);
        return FALSE;
    }
    if (key.SetString(name, CSetupIni::Unquote(ini.fields[0])))
        return TRUE;
    result.Record(pair::kPortTextNotWritten);
    return FALSE;
}
