// What a removed model leaves in files and in the product's keys: its HTML
// help files and folder, the Startup shortcut's owner, its profile value and
// driver key, and, once no model is left, the product's registry trees.
#include "uninstall_run.h"

#include "debug_log.h"
#include "delete_file.h"
#include "file.h"
#include "install_run.h"
#include "product_keys.h"
#include "registry.h"
#include "trusted_names.h"
#include "uninstall_keys.h"

namespace {

// The HTML folder's files that belong to a model's help, in the order they go.
const char* const kHtmlPatterns[] = {"mon*.exe", "*.htm", "*.html", "*.gif", "*.jpg"};

enum class PatternOutcome { kDone, kNoFolder, kFilesLeft };

// Deletes the files (not folders) of `folder` that match `pattern`, read-only
// ones included. A file that cannot be deleted stays, and so does every
// match of a search that failed for another reason than finding none.
PatternOutcome DeleteMatchingFiles(const std::string& folder, const char* pattern)
{
    CFileFind find;
    if (!find.FindFile(InFolder(folder, pattern))) {
        const DWORD error = GetLastError();
        if (error == ERROR_PATH_NOT_FOUND)
            return PatternOutcome::kNoFolder;
        if (error == ERROR_FILE_NOT_FOUND || error == ERROR_NO_MORE_FILES)
            return PatternOutcome::kDone;
        DebugLog("    HTML files not searched(%lu)\n", error);
        return PatternOutcome::kFilesLeft;
    }
    PatternOutcome outcome = PatternOutcome::kDone;
    for (BOOL more = TRUE; more;) {
        more = find.FindNextFile();
        if (find.IsDots() || find.IsDirectory())
            continue;
        if (!DeleteFileEvenIfReadOnly(InFolder(folder, find.GetFileName()))) {
            DebugLog("    HTML file not removed(%lu)\n", GetLastError());
            outcome = PatternOutcome::kFilesLeft;
        }
    }
    return outcome;
}

// True when `folder` holds nothing but "." and "..".
bool FolderIsEmpty(const std::string& folder)
{
    CFileFind find;
    for (BOOL more = find.FindFile(InFolder(folder, "*")); more;) {
        more = find.FindNextFile();
        if (!find.IsDots())
            return false;
    }
    return GetLastError() == ERROR_NO_MORE_FILES || GetLastError() == ERROR_FILE_NOT_FOUND;
}

// Removes `folder` unless it still holds other files; false when it stays
// empty, which a later run can mend.
bool RemoveFolderUnlessHoldingOthers(const std::string& folder)
{
    if (RemoveDirectoryA(folder.c_str()))
        return true;
    const DWORD error = GetLastError();
    if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND)
        return true;
    if (!FolderIsEmpty(folder))
        return true;
    DebugLog("    HTML folder not removed(%lu)\n", error);
    return false;
}

// The profile value of the model that `driverName` names; false when it is
// there but could not be read or deleted (a model or value that is not
// there has none to delete).
bool DeleteProfileValue(const std::string& driverName)
{
    std::string modelId;
    {
        const Registry model(HKEY_LOCAL_MACHINE, ModelKeyPath(driverName), NULL, FALSE,
                             Registry::kRead);
        if (!model.isOpen)
            return model.IsMissing() != FALSE;
        if (!model.QueryStringIfThere("ModelID", modelId))
            return false;
    }
    if (modelId.empty())
        return true;
    return Registry(HKEY_LOCAL_MACHINE, kProfileKey, NULL, FALSE, Registry::kAllAccess)
               .DeleteValueIfThere(modelId) != FALSE;
}

}  // namespace

// FALSE when a part of the model's help stays that a later run can remove.
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
        if (!model.QueryStringIfThere("HTMLInstallPath", folder)) {
            DebugLog("    HTML folder not read(%lu)\n", GetLastError());
            return FALSE;
        }
    }
    if (folder.empty())
        return TRUE;
    // Only the product's own help folder loses files; a folder outside it
    // is never the model's to remove, now or later.
    const std::string commonFiles = InstallRun(run).GetCommonFilesDir();
    if (commonFiles.empty())
        return FALSE;  // not known now: a later run can tell
    if (!IsFolderWithin(folder, commonFiles + kHtmlSubdir)) {
        DebugLog("    HTML folder refused(%s)\n", folder.c_str());
        result.Record(pair::kHtmlFolderRefused);
        return TRUE;
    }
    bool whole = true;
    for (const char* pattern : kHtmlPatterns) {
        const PatternOutcome outcome = DeleteMatchingFiles(folder, pattern);
        if (outcome == PatternOutcome::kNoFolder)
            return TRUE;
        whole = whole && outcome == PatternOutcome::kDone;
    }
    // Folders that still hold other files stay.
    whole = whole && RemoveFolderUnlessHoldingOthers(folder);
    whole = whole && RemoveFolderUnlessHoldingOthers(commonFiles + kHtmlSubdir);
    return whole ? TRUE : FALSE;
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
    // The record stays while its profile value does: the record's ModelID
    // is all that names the value.
    if (!DeleteProfileValue(settings.driverName))
        return KeepModelRecord();
    Registry models(HKEY_LOCAL_MACHINE, kModelsKey, NULL, FALSE, Registry::kAllAccess);
    // No Driver key: no model is left (an earlier run removed the last).
    if (!models.isOpen)
        return models.IsMissing();
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
