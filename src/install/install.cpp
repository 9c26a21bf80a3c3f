// The install run: its steps in order.
#include "install_run.h"

#include "debug_log.h"
#include "handles.h"
#include "product_keys.h"
#include "program_start.h"

namespace {

std::string CurrentDirectory()
{
    char path[MAX_PATH];
    DWORD length = GetCurrentDirectoryA(MAX_PATH, path);
    return std::string(path, length < MAX_PATH ? length : 0);
}

bool HasDriveRoot(const std::string& path)
{
    return path.size() >= 3 && path[1] == ':' && path[2] == '\\';
}

}  // namespace

BOOL InstallRun::Install()
{
    if (!LoadInstallSettings())
        return FALSE;
    if (!SelectLanguage())
        return FALSE;
    if (!GetDriverDirectory())
        return FALSE;
    PrepareProductKeys();
    if (!settings.langMonitorDll.empty() && environment.isAdmin && !InstallLanguageMonitors())
        return FALSE;
    if (!WriteRegistryEntries())
        return FALSE;
    if (environment.isAdmin) {
        if (!WritePortSettings())
            return FALSE;
        CreateShortcuts();  // a missing shortcut does not stop the install
    }
    if (!settings.copyExecFile.empty() &&
        CreateDirectoryPath(settings.copyExecDir, environment.securityAttributes)) {
        // Below the product's own folder, the folder of the program that the
        // run starts is the product's, whoever made it first.
        repair.RepairFolderPath(ProgramFolder(settings.htmlDir), settings.copyExecDir);
        CopyAndRunProgram();
    }
    return InstallZQAPI();
}

// The product's tree as it stands gets its owner and lists (an earlier
// version's keys, or keys another user made first), before the run writes
// into it; and the target keys get made, which plain users' Explorers write
// but may not create below the product's key.
void InstallRun::PrepareProductKeys()
{
    for (const char* path : {kNorvaKey, kProductKey, kModelsKey, kProfileKey, kVtrCommonKey,
                             kSdkResultKey})
        repair.RepairKey(HKEY_LOCAL_MACHINE, path);
    if (!environment.isAdmin)
        return;
    for (const char* path : {kVtrDataKey, kTxaTargetKey, kTxbTargetKey}) {
        Registry::CreateWithSecurity(HKEY_LOCAL_MACHINE, path,
                                     PrepareKey(HKEY_LOCAL_MACHINE, path,
                                                environment.securityAttributes,
                                                environment.sharedSecurityAttributes));
        repair.RepairKey(HKEY_LOCAL_MACHINE, path);
    }
}

// Copies the COPYEXEC program from the driver directory and starts it there,
// without waiting for it. Failures are recorded and the install goes on.
void InstallRun::CopyAndRunProgram()
{
    const std::string source = settings.driverDir + "\\" + settings.copyExecFile;
    const std::string destination = settings.copyExecDir + "\\" + settings.copyExecFile;

    // An existing read-only copy must not stop the overwrite.
    SetFileAttributesA(destination.c_str(), FILE_ATTRIBUTE_NORMAL);
    if (!CopyFileA(source.c_str(), destination.c_str(), FALSE)) {
        result.Record(pair::kCopyExecNotCopied);
        return;
    }
    // Nobody may change or replace the copy until it runs (a folder that
    // existed before may let others write); its running image is then
    // locked by Windows itself.
    UniqueHandle hold(CreateFileA(destination.c_str(), GENERIC_READ, FILE_SHARE_READ, NULL,
                                  OPEN_EXISTING, 0, NULL));
    if (!SetCurrentDirectoryA(settings.copyExecDir.c_str())) {
        // 7/111 also stands for the driver directory: the log tells them apart.
        DebugLog("    COPYEXEC directory not entered\n");
        result.Record(pair::kCopyExecDirNotEntered);
        return;
    }
    if (!StartProgram(destination, destination, SW_HIDE, IdleWait::kLikeWinExec,
                      StartIn::kProgramFolder))
        result.Record(pair::kCopyExecNotStarted);
}

BOOL InstallRun::CreateDirectoryPath(const std::string& path, LPSECURITY_ATTRIBUTES security)
{
    const std::string saved = CurrentDirectory();

    std::string partial;
    std::string rest;
    if (HasDriveRoot(path)) {
        partial = path.substr(0, 3);
        if (!SetCurrentDirectoryA(partial.c_str()))
            return FALSE;
        rest = path.substr(3);
    } else {
        partial = saved + "\\";
        rest = path;
    }

    // Each level is entered when it exists and created when it does not.
    while (!rest.empty()) {
        size_t slash = FindChar(rest, '\\', 0, AnsiLeadByte);
        size_t length = slash == std::string::npos ? rest.size() : slash + 1;
        partial += rest.substr(0, length);
        rest.erase(0, length);
        if (!SetCurrentDirectoryA(partial.c_str()) &&
            !CreateDirectoryA(partial.c_str(), security)) {
            SetCurrentDirectoryA(saved.c_str());
            return FALSE;
        }
    }
    SetCurrentDirectoryA(saved.c_str());
    return TRUE;
}
