#include "uninstall_test_support.h"

#include "registry.h"
#include "setup_host.h"

#include <winspool.h>

#include <fstream>

namespace {

const char kModelsKey[] = "Software\\NORVA\\VTR3\\Driver\\";
const char kStopFakeServicesEvent[] = "MonsetupStopFakeServices";

std::string Base(const std::string& program)
{
    return program.substr(0, program.find_last_of('.'));
}

std::string FileName(const std::string& program)
{
    return program.substr(program.find_last_of('\\') + 1);
}

}  // namespace

std::string ModelPath(const std::string& driver)
{
    return kModelsKey + driver;
}

void SetModel(const std::string& driver, const Values& values)
{
    Registry model(HKEY_LOCAL_MACHINE, ModelPath(driver), NULL, TRUE, 0);
    for (const auto& value : values)
        model.SetString(value.first, value.second);
}

namespace {

// NULL gives the key no access list at all: everyone may do everything.
void SetAccessList(HKEY root, const std::string& path, PACL acl)
{
    HKEY key = NULL;
    if (RegOpenKeyExA(root, path.c_str(), 0, WRITE_DAC, &key) != ERROR_SUCCESS)
        return;
    SECURITY_DESCRIPTOR descriptor;
    InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION);
    SetSecurityDescriptorDacl(&descriptor, TRUE, acl, FALSE);
    RegSetKeySecurity(key, DACL_SECURITY_INFORMATION, &descriptor);
    RegCloseKey(key);
}

}  // namespace

LockedKey::LockedKey(HKEY root, const std::string& path) : root(root), path(path)
{
    Registry(root, path, NULL, TRUE, 0);
    ACL empty;
    InitializeAcl(&empty, sizeof empty, ACL_REVISION);
    SetAccessList(root, path, &empty);
}

LockedKey::~LockedKey()
{
    SetAccessList(root, path, NULL);
}

namespace {

std::string CreatedWithInner(HKEY root, const std::string& path)
{
    Registry(root, path + "\\locked\\inner", NULL, TRUE, 0);
    return path + "\\locked";
}

}  // namespace

UndeletableKey::UndeletableKey(HKEY root, const std::string& path)
    : lock(root, CreatedWithInner(root, path))
{
}

REGSAM OtherView()
{
#ifdef _WIN64
    return KEY_WOW64_32KEY;
#else
    typedef BOOL(WINAPI * IsWow64ProcessFunction)(HANDLE, PBOOL);
    auto isWow64Process = reinterpret_cast<IsWow64ProcessFunction>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleA("kernel32.dll"), "IsWow64Process")));
    BOOL wow64 = FALSE;
    return isWow64Process != NULL && isWow64Process(GetCurrentProcess(), &wow64) && wow64
               ? KEY_WOW64_64KEY
               : 0;
#endif
}

bool CopyPeer(const std::string& peer, const std::string& destination)
{
    SetFileAttributesA(destination.c_str(), FILE_ATTRIBUTE_NORMAL);
    return CopyFileA(BesideThisProgram(peer).c_str(), destination.c_str(), FALSE) != FALSE;
}

std::vector<std::string> PeerRecord(const std::string& program, size_t atLeast, DWORD ms)
{
    const DWORD start = GetTickCount();
    for (;;) {
        std::vector<std::string> lines;
        std::ifstream log(Base(program) + ".log");
        for (std::string line; std::getline(log, line);)
            lines.push_back(line);
        if (lines.size() >= atLeast || GetTickCount() - start > ms)
            return lines;
        Sleep(100);
    }
}

void ForgetPeerRecord(const std::string& program)
{
    DeleteFileA((Base(program) + ".log").c_str());
}

bool ServiceWindowThere(const std::string& program)
{
    return FindWindowA(FileName(program).c_str(), NULL) != NULL;
}

bool StartXimpService(const std::string& program)
{
    std::string commandLine = "\"" + program + "\"";
    STARTUPINFOA startup;
    ZeroMemory(&startup, sizeof startup);
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process;
    if (!CreateProcessA(NULL, &commandLine[0], NULL, NULL, FALSE, 0, NULL, NULL, &startup,
                        &process))
        return false;
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    for (int i = 0; i < 100; ++i) {
        if (ServiceWindowThere(program))
            return true;
        Sleep(100);
    }
    return false;
}

void StopFakeServices()
{
    HANDLE stop = CreateEventA(NULL, TRUE, FALSE, kStopFakeServicesEvent);
    SetEvent(stop);
    Sleep(500);
    // Services started later must not find it set.
    ResetEvent(stop);
    CloseHandle(stop);
}

bool DeletePrinterNamed(const std::string& name)
{
    PRINTER_DEFAULTSA defaults = {NULL, NULL, PRINTER_ALL_ACCESS};
    HANDLE printer = NULL;
    std::string text = name;
    if (!OpenPrinterA(&text[0], &printer, &defaults))
        return false;
    BOOL deleted = DeletePrinter(printer);
    ClosePrinter(printer);
    return deleted != FALSE;
}
