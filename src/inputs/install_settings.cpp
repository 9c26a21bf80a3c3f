// The settings an install run reads before it changes anything: names from
// the setup INI, the user's language section, the HTML help directory and
// the printer-driver directory.
#include "main_frame.h"

#include "registry.h"
#include "setup_ini.h"
#include "setup_values.h"

#include <memory>

namespace {

const char kInstallSection[] = "Install";
const char kLanguageSection[] = "Language";
const char kHtmlSubdir[] = "\\NORVA\\HTML";
const char kCurrentVersionKey[] = "Software\\Microsoft\\Windows\\CurrentVersion";
const WORD kEnglish = 0x09;

std::string ProgramDirectory()
{
    char path[MAX_PATH];
    DWORD length = GetModuleFileNameA(NULL, path, MAX_PATH);
    std::string program(path, length < MAX_PATH ? length : 0);
    size_t slash = program.find_last_of("\\/");
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

WORD CMainFrame::ParseHexWord(const char* text)
{
    return ParseHexWordText(text);
}

std::string CMainFrame::GetCommonFilesDir()
{
    Registry key(HKEY_LOCAL_MACHINE, kCurrentVersionKey, NULL, FALSE, Registry::kRead);
    if (!key.isOpen) {
        SetResult(3, 54);
        return std::string();
    }
    std::string dir = key.QueryString("CommonFilesDir", "", Registry::kDefaultBufferSize);
    if (dir.empty())
        SetResult(3, 55);
    return dir;
}

std::string CMainFrame::ResolveDirectoryKeyword(const std::string& expression)
{
    KeywordValues values;
    values.driverDir = driverDir;
    values.htmlDir = htmlDir;
    values.systemDir = SystemDirectory();
    return ResolveKeywords(expression, values);
}

BOOL CMainFrame::LoadInstallSettings()
{
    iniPath = cmdLine.installArg;
    if (iniPath.find('\\') == std::string::npos)
        iniPath = ProgramDirectory() + iniPath;

    CSetupIni ini;
    if (!ini.Open(iniPath, kInstallSection)) {
        SetResult(6, 1);
        return FALSE;
    }

    const char* monitorKey = osKind == 1 ? "LANGUAGEMON1" : osKind == 2 ? "LANGUAGEMON2"
                                                                        : "LANGUAGEMON3";
    if (!ini.FindKey(monitorKey)) {
        SetResult(16, 2);
        return FALSE;
    }
    langMonitorDll = CSetupIni::Unquote(ini.fields[0]);
    langMonitorName = CSetupIni::Unquote(ini.fields[1]);

    if (!ini.FindKey("DRVNAME")) {
        SetResult(6, 3);
        return FALSE;
    }
    driverName = CSetupIni::Unquote(ini.fields[0]);

    if (ini.FindKey("SHORTCUT"))
        shortcutName = CSetupIni::Unquote(ini.fields[0]);
    if (ini.FindKey("SDKFILENAME")) {
        sdkInstaller = CSetupIni::Unquote(ini.fields[0]);
        sdkIniFile = CSetupIni::Unquote(ini.fields[1]);
    }
    htmlDir = GetCommonFilesDir() + kHtmlSubdir;
    ReadCopyExec(ini);
    return TRUE;
}

// COPYEXEC: the destination directory expression (raw, quotes and all) and
// the program's file name.
void CMainFrame::ReadCopyExec(CSetupIni& ini)
{
    if (!ini.FindKey("COPYEXEC"))
        return;
    std::string directory = ini.fields[0];
    std::string file = CSetupIni::Unquote(ini.fields[1]);
    copyExecDir = ResolveDirectoryKeyword(directory);
    copyExecFile = file;
}

BOOL CMainFrame::SelectLanguage()
{
    const LANGID user = GetUserDefaultLangID();
    const WORD userPrimary = user & 0x3FF;
    const WORD userSub = user >> 10;

    CSetupIni ini;
    if (!ini.Open(iniPath, kLanguageSection)) {
        SetResult(6, 10);
        return FALSE;
    }

    // An exact match wins; else the first entry of the user's primary
    // language; else the first English entry.
    std::string chosen;
    int rank = 0;
    std::string key;
    while (ini.NextEntry(key)) {
        const WORD primary = ParseHexWord(ini.fields[0].c_str());
        const WORD sub = ParseHexWord(ini.fields[1].c_str());
        if (primary == userPrimary && sub == userSub) {
            chosen = key;
            break;
        }
        if (primary == userPrimary && rank < 2) {
            chosen = key;
            rank = 2;
        } else if (primary == kEnglish && rank < 1) {
            chosen = key;
            rank = 1;
        }
    }
    if (chosen.empty()) {
        SetResult(6, 11);
        return FALSE;
    }

    ini.Close();
    if (!ini.Open(iniPath, chosen)) {
        SetResult(6, 12);
        return FALSE;
    }
    if (ini.FindKey("SHORTCUT"))
        shortcutName = CSetupIni::Unquote(ini.fields[0]);
    if (shortcutName.empty()) {
        SetResult(6, 13);
        return FALSE;
    }
    htmlDir = GetCommonFilesDir() + kHtmlSubdir;
    ReadCopyExec(ini);
    return TRUE;
}

BOOL CMainFrame::GetDriverDirectory()
{
    if (cmdLine.tFlag) {
        DWORD needed = 0;
        GetPrinterDriverDirectoryA(NULL, NULL, 1, NULL, 0, &needed);
        SpoolerBuffer buffer(new BYTE[needed + 1]());
        if (!GetPrinterDriverDirectoryA(NULL, NULL, 1, buffer.get(), needed, &needed)) {
            LastError = GetLastError();
            SetResult(7, 1);
            return FALSE;
        }
        driverDir = reinterpret_cast<const char*>(buffer.get());
        if (osKind == 2)
            driverDir += "\\2";
        else if (osKind == 3)
            driverDir += "\\3";
        return TRUE;
    }

    DWORD needed = 0;
    DWORD count = 0;
    EnumPrinterDriversA(NULL, NULL, 2, NULL, 0, &needed, &count);
    if (needed == 0) {
        LastError = GetLastError();
        SetResult(7, 2);
        return FALSE;
    }
    SpoolerBuffer buffer(new BYTE[needed]());
    if (!EnumPrinterDriversA(NULL, NULL, 2, buffer.get(), needed, &needed, &count)) {
        LastError = GetLastError();
        SetResult(7, 2);
        return FALSE;
    }

    const DRIVER_INFO_2A* drivers = reinterpret_cast<const DRIVER_INFO_2A*>(buffer.get());
    const DRIVER_INFO_2A* found = nullptr;
    for (DWORD i = 0; i < count && found == nullptr; ++i) {
        if (drivers[i].pName != NULL && driverName == drivers[i].pName)
            found = &drivers[i];
    }
    if (found == nullptr) {
        LastError = GetLastError();
        SetResult(5, 1);
        return FALSE;
    }

    const std::string driverPath = found->pDriverPath != NULL ? found->pDriverPath : "";
    size_t slash = driverPath.find_last_of('\\');
    if (slash == std::string::npos) {
        LastError = 0;
        SetResult(7, 6);
        return FALSE;
    }
    driverDir = driverPath.substr(0, slash);
    driverVersion = found->cVersion;
    return TRUE;
}
