// Links that older setups left in the Startup folder under fixed names.
#include "uninstall_run.h"

#include "delete_file.h"
#include "file.h"
#include "startup_links.h"

namespace {

const char kOldLinkPattern[] = "MONLNK??.LNK";

}  // namespace

BOOL UninstallRun::DeleteShortcutLinks()
{
    StartupLinks links(environment, result);
    std::string folder;
    CFileFind find;
    if (!links.BeginListing(find, folder, {pair::kOldLinkFolderNotFound,
                                           pair::kOldLinkFolderNotEntered,
                                           pair::kOldLinkFolderNotListed}))
        return FALSE;
    for (BOOL more = TRUE; more;) {
        more = find.FindNextFile();
        if (find.IsDots())
            continue;
        const std::string name = find.GetFileName();
        if (StartupLinks::MatchesPattern(name, kOldLinkPattern))
            DeleteFileEvenIfReadOnly(name);
    }
    return TRUE;
}
