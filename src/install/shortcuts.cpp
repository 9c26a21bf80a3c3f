// The Startup shortcut that runs the program at every logon.
#include "install_run.h"

#include "startup_links.h"

BOOL InstallRun::CreateShortcuts()
{
    char modulePath[MAX_PATH];
    DWORD length = GetModuleFileNameA(NULL, modulePath, MAX_PATH);
    std::string self(modulePath, length < MAX_PATH ? length : 0);
    size_t slash = LastBackslash(self);
    const std::string target =
        settings.driverDir + (slash == std::string::npos ? "\\" + self : self.substr(slash));

    StartupLinks links(environment, result);
    const std::string folder = links.StartupFolder();
    if (folder.empty()) {
        result.Record(pair::kStartupFolderNotFound);
        return FALSE;
    }
    const std::string linkPath = InFolder(folder, settings.shortcutName + ".lnk");

    if (!links.DeleteLinksTo(target))
        return FALSE;
    if (!links.CreateLink(target, linkPath, "")) {
        result.Record(pair::kShortcutNotWritten);
        return FALSE;
    }
    return TRUE;
}
