#include "key_repair.h"

#include "debug_log.h"
#include "product_keys.h"
#include "trusted_names.h"

#include <vector>

namespace {

// The levels of `path` from `base` down ("a\b" and "a\b\c" for the base
// "a\b" and the path "a\b\c\"), when `path` lies within `base`.
std::vector<std::string> LevelsBelow(const std::string& base, std::string path)
{
    std::vector<std::string> levels;
    if (!IsWithin(path, base))
        return levels;
    if (LastBackslash(path) == path.size() - 1)
        path.erase(path.size() - 1);
    size_t end = base.size();
    levels.push_back(path.substr(0, end));
    while (end < path.size()) {
        const size_t slash = FindChar(path, '\\', end + 1, AnsiLeadByte);
        end = slash == std::string::npos ? path.size() : slash;
        levels.push_back(path.substr(0, end));
    }
    return levels;
}

}  // namespace

bool KeyRepair::Ready()
{
    if (!built) {
        built = true;
        const bool nt = environment.osKind == 2 || environment.osKind == 3;
        if (nt && !environment.isAdmin)
            DebugLog("    Not an administrator: keys and folders keep their owners and lists\n");
        usable = nt && environment.isAdmin &&
                 protectedKeys.Build(AccessKind::kProtected, ObjectKind::kKey) &&
                 sharedKeys.Build(AccessKind::kShared, ObjectKind::kKey) &&
                 folders.Build(AccessKind::kProtected, ObjectKind::kFolder);
    }
    return usable;
}

// A key that does not exist (yet) is no failure: what the run makes gets
// its list when it is created.
void KeyRepair::Repair(HKEY root, const std::string& path, const OwnedSecurity& security)
{
    if (!::RepairKey(root, path, security) && GetLastError() != ERROR_FILE_NOT_FOUND)
        DebugLog("    Owner and list not set: %s (%lu)\n", path.c_str(),
                 static_cast<unsigned long>(GetLastError()));
}

void KeyRepair::RepairKey(HKEY root, const std::string& path)
{
    if (!Ready())
        return;
    Repair(root, path, IsUserWritableKey(root, path) ? sharedKeys : protectedKeys);
}

void KeyRepair::RepairKeyPath(HKEY root, const std::string& path)
{
    if (root != HKEY_LOCAL_MACHINE || !Ready())
        return;
    for (const std::string& level : LevelsBelow(kNorvaKey, path))
        RepairKey(root, level);
}

void KeyRepair::RepairFolderPath(const std::string& base, const std::string& path)
{
    if (!Ready())
        return;
    for (const std::string& level : LevelsBelow(base, path)) {
        if (!RepairFolder(level, folders))
            DebugLog("    Owner and list not set: %s (%lu)\n", level.c_str(),
                     static_cast<unsigned long>(GetLastError()));
    }
}
