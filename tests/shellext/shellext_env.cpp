#include "shellext_env.h"

#include <shlwapi.h>
#include <winspool.h>

#include <cstdio>

namespace {

constexpr char kNorvaKey[] = "software\\NORVA";
constexpr char kProductKeyPath[] = "software\\NORVA\\VTR3";
constexpr char kDebugKeyPath[] = "software\\NORVA\\VTR3\\Debug";
constexpr char kLogPath[] = "C:\\MONEXT01.LOG";

class Key {
public:
    Key(const std::string& subKey, bool create)
    {
        if (create)
            RegCreateKeyExA(HKEY_LOCAL_MACHINE, subKey.c_str(), 0, NULL, 0, KEY_ALL_ACCESS, NULL,
                            &key, NULL);
        else if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, subKey.c_str(), 0, KEY_ALL_ACCESS, &key) !=
                 ERROR_SUCCESS)
            key = NULL;
    }
    ~Key()
    {
        if (key != NULL)
            RegCloseKey(key);
    }
    HKEY key = NULL;
};

bool AddDriver(const char* driver)
{
    char directory[MAX_PATH];
    DWORD needed = 0;
    if (!GetPrinterDriverDirectoryA(NULL, NULL, 1, reinterpret_cast<BYTE*>(directory),
                                    sizeof directory, &needed))
        return false;
    const char* files[] = {"tdrv.drv", "tdata.dat", "tcfg.dll"};
    for (const char* file : files)
        WriteTextFile(std::string(directory) + "\\" + file, "");
    DRIVER_INFO_3A info;
    ZeroMemory(&info, sizeof info);
    info.cVersion = 3;
    info.pName = const_cast<char*>(driver);
    info.pDriverPath = const_cast<char*>(files[0]);
    info.pDataFile = const_cast<char*>(files[1]);
    info.pConfigFile = const_cast<char*>(files[2]);
    return AddPrinterDriverA(NULL, 3, reinterpret_cast<BYTE*>(&info)) != FALSE;
}

bool AddTestPrinter(const char* printer, const char* driver)
{
    PRINTER_INFO_2A info;
    ZeroMemory(&info, sizeof info);
    info.pPrinterName = const_cast<char*>(printer);
    info.pPortName = const_cast<char*>("LPT1:");
    info.pDriverName = const_cast<char*>(driver);
    info.pPrintProcessor = const_cast<char*>("WinPrint");
    info.pDatatype = const_cast<char*>("RAW");
    HANDLE handle = AddPrinterA(NULL, 2, reinterpret_cast<BYTE*>(&info));
    if (handle == NULL)
        return false;
    ClosePrinter(handle);
    return true;
}

struct TestPrinter {
    const char* printer;
    const char* driver;
};

const TestPrinter kPrinters[] = {
    {kProductPrinter, kProductDriver},   {kSecondProductPrinter, kProductDriver},
    {kOddPrinter, kProductDriver},       {kOtherTypePrinter, "NORVA TX-2"},
    {kNoTypePrinter, "NORVA TX-3"},      {kForeignPrinter, "Other Driver"},
};

}  // namespace

std::string ExeDirectory()
{
    char path[MAX_PATH];
    DWORD length = GetModuleFileNameA(NULL, path, sizeof path);
    std::string full(path, length);
    return full.substr(0, full.find_last_of('\\'));
}

std::string ProfileFixture(const std::string& name)
{
    std::string path = "Z:" SHELLEXT_PROFILE_DIR "/" + name;
    for (char& c : path)
        if (c == '/')
            c = '\\';
    return path;
}

void DeleteHklmTree(const std::string& subKey)
{
    SHDeleteKeyA(HKEY_LOCAL_MACHINE, subKey.c_str());
}

bool HklmKeyExists(const std::string& subKey)
{
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, subKey.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    RegCloseKey(key);
    return true;
}

void CreateHklmKey(const std::string& subKey)
{
    Key key(subKey, true);
}

void SetHklmString(const std::string& subKey, const char* name, const std::string& value)
{
    Key key(subKey, true);
    RegSetValueExA(key.key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                   static_cast<DWORD>(value.size() + 1));
}

void SetHklmDword(const std::string& subKey, const char* name, DWORD value)
{
    Key key(subKey, true);
    RegSetValueExA(key.key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value),
                   sizeof value);
}

bool ReadHklmString(const std::string& subKey, const char* name, std::string* value)
{
    Key key(subKey, false);
    char buffer[2048];
    DWORD size = sizeof buffer;
    DWORD type = 0;
    if (key.key == NULL || RegQueryValueExA(key.key, name, NULL, &type,
                                            reinterpret_cast<BYTE*>(buffer), &size) !=
                               ERROR_SUCCESS || type != REG_SZ)
        return false;
    value->assign(buffer, size > 0 && buffer[size - 1] == '\0' ? size - 1 : size);
    return true;
}

bool ReadHklmDword(const std::string& subKey, const char* name, DWORD* value)
{
    Key key(subKey, false);
    DWORD size = sizeof *value;
    DWORD type = 0;
    return key.key != NULL &&
           RegQueryValueExA(key.key, name, NULL, &type, reinterpret_cast<BYTE*>(value), &size) ==
               ERROR_SUCCESS &&
           type == REG_DWORD;
}

void ResetProductKeys()
{
    DeleteHklmTree(kNorvaKey);
    CreateHklmKey(kProductKeyPath);
}

std::vector<TargetEntry> TargetEntries()
{
    std::vector<TargetEntry> entries;
    Key targets(kTargetKeyPath, false);
    if (targets.key == NULL)
        return entries;
    char name[MAX_PATH];
    for (DWORD index = 0;; ++index) {
        DWORD size = sizeof name;
        if (RegEnumKeyExA(targets.key, index, name, &size, NULL, NULL, NULL, NULL) !=
            ERROR_SUCCESS)
            break;
        TargetEntry entry;
        entry.key = name;
        std::string path = std::string(kTargetKeyPath) + "\\" + name;
        ReadHklmString(path, "Name", &entry.name);
        entry.monitoring = 0xDEADu;
        ReadHklmDword(path, "Monitoring", &entry.monitoring);
        entries.push_back(entry);
    }
    return entries;
}

std::string EntryPath(unsigned index)
{
    char path[128];
    std::snprintf(path, sizeof path, "%s\\P%016u", kTargetKeyPath, index);
    return path;
}

void AddTargetEntry(unsigned index, const std::string& printer, DWORD monitoring)
{
    SetHklmString(EntryPath(index), "Name", printer);
    SetHklmDword(EntryPath(index), "Monitoring", monitoring);
}

std::string DriverKey(const char* driver)
{
    return std::string("software\\NORVA\\VTR3\\Driver\\") + driver;
}

void EnsureTestPrinters()
{
    static bool added = false;
    if (added)
        return;
    const char* drivers[] = {kProductDriver, "NORVA TX-2", "NORVA TX-3", "Other Driver"};
    for (const char* driver : drivers)
        AddDriver(driver);
    for (const TestPrinter& printer : kPrinters)
        AddTestPrinter(printer.printer, printer.driver);
    added = true;
}

void WriteModelKeys()
{
    SetHklmDword(DriverKey(kProductDriver), "XIMPType", 1);
    SetHklmDword(DriverKey("NORVA TX-2"), "XIMPType", 2);
    CreateHklmKey(DriverKey("NORVA TX-3"));
}

void SetLogSwitch(bool on)
{
    SetHklmDword(kDebugKeyPath, "Monext01", on ? 1 : 0);
}

void RemoveLogSwitch()
{
    DeleteHklmTree(kDebugKeyPath);
}

void DeleteLog()
{
    DeleteFileA(kLogPath);
}

bool LogExists()
{
    return FileExists(kLogPath);
}

std::string ReadLog()
{
    return ReadBinaryFile(kLogPath);
}

bool FileExists(const std::string& path)
{
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

void WriteTextFile(const std::string& path, const std::string& text)
{
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == NULL)
        return;
    std::fwrite(text.data(), 1, text.size(), file);
    std::fclose(file);
}

std::string ReadBinaryFile(const std::string& path)
{
    std::string bytes;
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == NULL)
        return bytes;
    char chunk[1024];
    size_t read;
    while ((read = std::fread(chunk, 1, sizeof chunk, file)) > 0)
        bytes.append(chunk, read);
    std::fclose(file);
    return bytes;
}

void MakeDirectories(const std::string& path)
{
    for (size_t at = path.find('\\', 3); at != std::string::npos; at = path.find('\\', at + 1))
        CreateDirectoryA(path.substr(0, at).c_str(), NULL);
    CreateDirectoryA(path.c_str(), NULL);
}

bool CopyBuiltFile(const std::string& builtName, const std::string& target)
{
    return CopyFileA((ExeDirectory() + "\\" + builtName).c_str(), target.c_str(), FALSE) != FALSE;
}

bool WaitForFile(const std::string& path, DWORD milliseconds)
{
    for (DWORD waited = 0; waited < milliseconds; waited += 50) {
        if (FileExists(path))
            return true;
        Sleep(50);
    }
    return FileExists(path);
}
