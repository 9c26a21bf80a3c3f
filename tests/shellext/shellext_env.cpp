#include "shellext_env.h"

#include "setup_host.h"
#include "spooler.h"

#include <shlwapi.h>

#include <cstdio>
#include <fstream>
#include <sstream>

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
            {kProductPrinter, kProductDriver}, {kSecondProductPrinter, kProductDriver},
            {kOddPrinter, kProductDriver},     {kOtherTypePrinter, "NORVA TX-2"},
            {kNoTypePrinter, "NORVA TX-3"},    {kForeignPrinter, "Other Driver"}};
        for (const char* driver : {kProductDriver, "NORVA TX-2", "NORVA TX-3", "Other Driver"})
            spooler.InstallDriver(driver);
        for (const auto& printer : printers)
            spooler.InstallPrinter(printer[0], printer[1]);
        spooler.Keep();
        added = true;
    }
    SHDeleteKeyA(HKEY_LOCAL_MACHINE, kNorvaKey);
    SetHklmDword(DriverKey(kProductDriver), "XIMPType", 1);
    SetHklmDword(DriverKey("NORVA TX-2"), "XIMPType", 2);
    HKEY noType;  // a driver key without XIMPType
    RegCreateKeyA(HKEY_LOCAL_MACHINE, DriverKey("NORVA TX-3").c_str(), &noType);
    RegCloseKey(noType);
    SetLogSwitch(1);
    DeleteLog();
}

void InstallProductModel()
{
    CreateDirectoryA("C:\\NORVA", NULL);
    CreateDirectoryA(kInstallDir, NULL);
    CreateDirectoryA((std::string(kInstallDir) + "\\bin").c_str(), NULL);
    CopyBuiltFile("shellext_testres.dll", kEnglishLibrary);
    CopyBuiltFile("fake_monrun.exe", kMonrun);
    CopyBuiltFile("fake_moncfg.exe", kMoncfg);
    DeleteFileA((kMonrun + ".txt").c_str());
    DeleteFileA((kMoncfg + ".txt").c_str());
    const std::string driver = DriverKey(kProductDriver);
    SetHklmString(driver, "InstallPath", kInstallDir);
    SetHklmString(driver, "ModelID", "TX1");
    SetHklmString(driver, "MONRUN", kMonrun);
    SetHklmString(driver, "MONCFG", kMoncfg);
    SetHklmString("software\\NORVA\\VTR3\\Profile", "TX1", ProfileFixture("model.ini"));
}

std::string ProfileFixture(const std::string& name)
{
    std::string path = "Z:" SHELLEXT_PROFILE_DIR "/" + name;
    for (char& c : path)
        c = c == '/' ? '\\' : c;
    return path;
}

bool HklmKeyExists(const std::string& subKey)
{
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, subKey.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    RegCloseKey(key);
    return true;
}

void SetHklmString(const std::string& subKey, const char* name, const std::string& value)
{
    SHSetValueA(HKEY_LOCAL_MACHINE, subKey.c_str(), name, REG_SZ, value.c_str(),
                static_cast<DWORD>(value.size() + 1));
}

void SetHklmDword(const std::string& subKey, const char* name, DWORD value)
{
    SHSetValueA(HKEY_LOCAL_MACHINE, subKey.c_str(), name, REG_DWORD, &value, sizeof value);
}

std::string HklmString(const std::string& subKey, const char* name)
{
    char buffer[2048] = "";
    DWORD size = sizeof buffer - 1;
    SHGetValueA(HKEY_LOCAL_MACHINE, subKey.c_str(), name, NULL, buffer, &size);
    return buffer;
}

std::vector<std::string> Entries()
{
    std::vector<std::string> entries;
    HKEY targets;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kTargets, 0, KEY_READ, &targets) != ERROR_SUCCESS)
        return entries;
    char name[MAX_PATH];
    DWORD size = sizeof name;
    for (DWORD i = 0; RegEnumKeyExA(targets, i, name, &size, 0, 0, 0, 0) == ERROR_SUCCESS; ++i) {
        const std::string path = std::string(kTargets) + "\\" + name;
        DWORD monitoring = 0xFFFFFFFF;
        DWORD valueSize = sizeof monitoring;
        SHGetValueA(HKEY_LOCAL_MACHINE, path.c_str(), "Monitoring", NULL, &monitoring, &valueSize);
        entries.push_back(std::string(name) + "=" + HklmString(path, "Name") + "," +
                          std::to_string(static_cast<int>(monitoring)));
        size = sizeof name;
    }
    RegCloseKey(targets);
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
    SetHklmString(EntryPath(index), "Name", printer);
    SetHklmDword(EntryPath(index), "Monitoring", monitoring);
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
