// The settings an install run reads before it changes anything: names from
// the setup INI, the user's language section, the HTML help directory and
// the printer-driver directory.
#include "install_run.h"

#include "language_choice.h"
#include "product_keys.h"
#include "registry.h"
#include "setup_ini.h"
#include "setup_values.h"

#include <memory>
#include <vector>

namespace {

const char kInstallSection[] = "Install";
const char kLanguageSection[] = "Language";
const char kCurrentVersionKey[] = "Software\\Microsoft\\Windows\\CurrentVersion";

std::string ProgramDirectory()
{
    char path[MAX_PATH];
    DWORD length = GetModuleFileNameA(NULL, path, MAX_PATH);
    std::string program(path, length < MAX_PATH ? length : 0);
    size_t slash = FindLastChar(program, "\\/", AnsiLeadByte);
    return slash == std::string::npos ? std::string() : program.substr(0, slash + 1);
}

std::string SystemDirectory()
{
    char path[MAX_PATH];
    UINT length = GetSystemDirectoryA(path, MAX_PATH);
    return std::string(path, length < MAX_PATH ? length : 0);
}

// A spooler buffer sized by the caller's first call.
using SpoolerBuffer = std::unique_ptr<BYTE[]>;

}  // namespace

WORD InstallRun::ParseHexWord(const char* text)
{
    return ParseHexWordText(text);
}

std::string InstallRun::GetCommonFilesDir()
{
    Registry key(HKEY_LOCAL_MACHINE, kCurrentVersionKey, NULL, FALSE, Registry::kRead);
    if (!key.isOpen) {
        result.Record(pair::kCurrentVersionKeyNotOpened);
        return std::string();
    }
    std::string dir = key.QueryString("CommonFilesDir", "", Registry::kDefaultBufferSize);
    if (dir.empty())
        result.Record(pair::kCommonFilesDirMissing);
    return dir;
}

std::string InstallRun::ResolveDirectoryKeyword(const std::string& expression)
{
    KeywordValues values;
    values.driverDir = settings.driverDir;
    values.htmlDir = settings.htmlDir;
    values.systemDir = SystemDirectory();
    return ResolveKeywords(expression, values);
}

BOOL InstallRun::LoadInstallSettings()
{
    settings.iniPath = cmdLine.installArg;
    if (FindChar(settings.iniPath, '\\', 0, AnsiLeadByte) == std::string::npos)
        settings.iniPath = ProgramDirectory() + settings.iniPath;

    CSetupIni ini(AnsiLeadByte);
    if (!ini.Open(settings.iniPath, kInstallSection)) {
        result.Record(pair::kIniInstallSectionMissing);
        return FALSE;
    }

    const int osKind = environment.osKind;
    const char* monitorKey = osKind == 1 ? "LANGUAGEMON1" : osKind == 2 ? "LANGUAGEMON2"
                                                                        : "LANGUAGEMON3";
    if (!ini.FindKey(monitorKey)) {
        result.Record(pair::kNoMonitorForThisWindows);
        return FALSE;
    }
    settings.langMonitorDll = CSetupIni::Unquote(ini.fields[0]);
    settings.langMonitorName = CSetupIni::Unquote(ini.fields[1]);

    if (!ini.FindKey("DRVNAME")) {
        result.Record(pair::kIniDriverNameMissing);
        return FALSE;
    }
    settings.driverName = CSetupIni::Unquote(ini.fields[0]);

    if (ini.FindKey("SHORTCUT"))
        settings.shortcutName = CSetupIni::Unquote(ini.fields[0]);
    if (ini.FindKey("SDKFILENAME")) {
        settings.sdkInstaller = CSetupIni::Unquote(ini.fields[0]);
        settings.sdkIniFile = CSetupIni::Unquote(ini.fields[1]);
    }
    settings.htmlDir = GetCommonFilesDir() + kHtmlSubdir;
    ReadCopyExec(ini);
    return TRUE;
}

// COPYEXEC: the destination directory expression (raw, quotes and all) and
// the program's file name.
void InstallRun::ReadCopyExec(CSetupIni& ini)
{
    if (!ini.FindKey("COPYEXEC"))
        return;
    std::string directory = ini.fields[0];
    std::string file = CSetupIni::Unquote(ini.fields[1]);
    settings.copyExecDir = ResolveDirectoryKeyword(directory);
    settings.copyExecFile = file;
}

BOOL InstallRun::SelectLanguage()
{
    CSetupIni ini(AnsiLeadByte);
    if (!ini.Open(settings.iniPath, kLanguageSection)) {
        result.Record(pair::kIniLanguageSectionMissing);
        return FALSE;
    }

    std::vector<std::string> keys;
    std::vector<LanguageCandidate> candidates;
    std::string key;
    while (ini.NextEntry(key)) {
        candidates.push_back({keys.size(), ParseHexWord(ini.fields[0].c_str()),
                              ParseHexWord(ini.fields[1].c_str())});
        keys.push_back(key);
    }
    const LanguageChoice choice =
        ChooseLanguage(candidates.data(), candidates.size(), GetUserDefaultLangID());
    // A chosen entry without a name is no choice either.
    const std::string chosen = choice.match != LanguageMatch::kNone ? keys[choice.entry] : "";
    if (chosen.empty()) {
        result.Record(pair::kIniNoLanguageMatched);
        return FALSE;
    }

    ini.Close();
    if (!ini.Open(settings.iniPath, chosen)) {
        result.Record(pair::kIniChosenLanguageMissing);
        return FALSE;
    }
    if (ini.FindKey("SHORTCUT"))
        settings.shortcutName = CSetupIni::Unquote(ini.fields[0]);
    if (settings.shortcutName.empty()) {
        result.Record(pair::kIniShortcutNameMissing);
        return FALSE;
    }
    settings.htmlDir = GetCommonFilesDir() + kHtmlSubdir;
    ReadCopyExec(ini);
    return TRUE;
}

BOOL InstallRun::GetDriverDirectory()
{
    if (cmdLine.tFlag) {
        DWORD needed = 0;
        GetPrinterDriverDirectoryA(NULL, NULL, 1, NULL, 0, &needed);
        SpoolerBuffer buffer(new BYTE[needed + 1]());
        if (!GetPrinterDriverDirectoryA(NULL, NULL, 1, buffer.get(), needed, &needed)) {
            result.Record(pair::kDriverDirectoryNotRead, GetLastError());
            return FALSE;
        }
        settings.driverDir = reinterpret_cast<const char*>(buffer.get());
        if (environment.osKind == 2)
            settings.driverDir += "\\2";
        else if (environment.osKind == 3)
            settings.driverDir += "\\3";
        return TRUE;
    }

    DWORD needed = 0;
    DWORD count = 0;
    EnumPrinterDriversA(NULL, NULL, 2, NULL, 0, &needed, &count);
    if (needed == 0) {
        result.Record(pair::kDriversNotListed, GetLastError());
        return FALSE;
    }
    SpoolerBuffer buffer(new BYTE[needed]());
    if (!EnumPrinterDriversA(NULL, NULL, 2, buffer.get(), needed, &needed, &count)) {
        result.Record(pair::kDriversNotListed, GetLastError());
        return FALSE;
    }

    const DRIVER_INFO_2A* drivers = reinterpret_cast<const DRIVER_INFO_2A*>(buffer.get());
    const DRIVER_INFO_2A* found = nullptr;
    for (DWORD i = 0; i < count && found == nullptr; ++i) {
        if (drivers[i].pName != NULL && settings.driverName == drivers[i].pName)
            found = &drivers[i];
    }
    if (found == nullptr) {
        result.Record(pair::kDriverNotInstalled, GetLastError());
        return FALSE;
    }

    const std::string driverPath = found->pDriverPath != NULL ? found->pDriverPath : "";
    size_t slash = LastBackslash(driverPath);
    if (slash == std::string::npos) {
        result.Record(pair::kDriverPathWithoutDirectory);
        return FALSE;
    }
    settings.driverDir = driverPath.substr(0, slash);
    settings.driverVersion = found->cVersion;
    return TRUE;
}
