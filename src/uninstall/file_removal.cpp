// What a removed model leaves in files and in the product's keys: its HTML
// help files and folder, the Startup shortcut's owner, its profile value and
// driver key, and, once no model is left, the product's registry trees.
#include "uninstall_run.h"

#include "debug_log.h"
#include "delete_file.h"
#include "file.h"
#include "install_run.h"
#include "registry.h"
#include "trusted_names.h"
#include "uninstall_keys.h"

namespace {

// The HTML folder's files that belong to a model's help, in the order they go.
const char* const kHtmlPatterns[] = {"mon*.exe", "*.htm", "*.html", "*.gif", "*.jpg"};
const char kHtmlSubdir[] = "\\NORVA\\HTML";

// `name` in `folder`, with one backslash between them also when the folder
// is a drive root ("C:\").
std::string InFolder(const std::string& folder, const std::string& name)
{
    if (EndsWithBackslash(folder))
        return folder + name;
    return folder + "\\" + name;
}

enum class PatternOutcome { kDone, kNoFolder };

// Deletes the files (not folders) of `folder` that match `pattern`, read-only
// ones included. A file that cannot be deleted stays.
PatternOutcome DeleteMatchingFiles(const std::string& folder, const char* pattern)
{
    CFileFind find;
    if (!find.FindFile(InFolder(folder, pattern)))
        return GetLastError() == ERROR_PATH_NOT_FOUND ? PatternOutcome::kNoFolder
                                                      : PatternOutcome::kDone;
    for (BOOL more = TRUE; more;) {
        more = find.FindNextFile();
        if (find.IsDots() || find.IsDirectory())
            continue;
        DeleteFileEvenIfReadOnly(InFolder(folder, find.GetFileName()));
    }
    return PatternOutcome::kDone;
}

}  // namespace

BOOL UninstallRun::DeleteHtmlFiles()
{
    std::string folder;
    {
        Registry model(HKEY_LOCAL_MACHINE, ModelKeyPath(settings.driverName), NULL, FALSE,
                       Registry::kRead);
        if (!model.isOpen) {
            result.Record(pair::kHtmlModelKeyNotOpened);
            return FALSE;
        }
        folder = model.QueryString("HTMLInstallPath", "");
    }
    if (folder.empty())
        return TRUE;
    // Only the product's own help folder loses files.
    const std::string commonFiles = InstallRun(run).GetCommonFilesDir();
    if (commonFiles.empty() || !IsFolderWithin(folder, commonFiles + kHtmlSubdir)) {
        DebugLog("    HTML folder refused(%s)\n", folder.c_str());
        result.Record(pair::kHtmlFolderRefused);
        return FALSE;
    }
    for (const char* pattern : kHtmlPatterns) {
        if (DeleteMatchingFiles(folder, pattern) == PatternOutcome::kNoFolder)
            return TRUE;
    }
    // Folders that still hold other files stay.
    RemoveDirectoryA(folder.c_str());
    RemoveDirectoryA((commonFiles + kHtmlSubdir).c_str());
    return TRUE;
}

BOOL UninstallRun::DeleteShortcutExe()
{
    const std::string path = OwnProgramPath();
    const std::string program = path.substr(LastBackslash(path) + 1);
    const Registry models(HKEY_LOCAL_MACHINE, kModelsKey, NULL, FALSE, Registry::kRead);
    // Models that could not all be read may name it: the links stay.
    const ModelWalk walk = VisitModels(models, "", [&](const std::string&, const Registry& model) {
        return EqualIgnoringAsciiCase(model.QueryString("SHORTCUTEXE_R", ""), program);
    });
    return walk == ModelWalk::kEnded ? TRUE : FALSE;
}

BOOL UninstallRun::DeleteProfile()
{
    const std::string modelId =
        Registry(HKEY_LOCAL_MACHINE, ModelKeyPath(settings.driverName), NULL, FALSE,
                 Registry::kRead)
            .QueryString("ModelID", "");
    if (!modelId.empty()) {
        Registry profiles(HKEY_LOCAL_MACHINE, kProfileKey, NULL, FALSE, Registry::kAllAccess);
        profiles.DeleteValue(modelId);
    }
    Registry models(HKEY_LOCAL_MACHINE, kModelsKey, NULL, FALSE, Registry::kAllAccess);
    // No Driver key: no model is left (an earlier run removed the last).
    if (!models.isOpen)
        return models.openError == ERROR_FILE_NOT_FOUND ? TRUE : FALSE;
    // An empty name would stand for the Driver key itself: every model.
    if (!settings.driverName.empty())
        models.DeleteKey(settings.driverName, Reclaim(HKEY_LOCAL_MACHINE));
    // No model left only when the walk reached the end: models that cannot
    // be read would take the other models' keys along with the product's.
    const ModelWalk walk =
        VisitModels(models, "", [](const std::string&, const Registry&) { return true; });
    if (walk == ModelWalk::kUnreadable)
        DebugLog("    Driver key read error\n");
    return walk == ModelWalk::kEnded ? TRUE : FALSE;
}

void UninstallRun::DeleteProductKey()
{
    for (HKEY root : {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER}) {
        Registry norva = OpenForRemoval(root, kNorvaKey);
        norva.DeleteKey(kProductSubkey, Reclaim(root));
    }
}
