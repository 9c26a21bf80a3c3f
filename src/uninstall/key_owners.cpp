// Who owns what the uninstall reads and removes, on Windows NT as
// administrator. Keys below HKEY_LOCAL_MACHINE\Software may have been made
// by anyone (NT 4.0 lets Everyone make them): the owner tells whether an
// administrator or the system made a key. An entry that a plain user made
// is that user's, who may shut administrators out of it; the uninstall then
// takes it back before removing it.
#include "uninstall_run.h"

#include "ownership.h"
#include "registry.h"

bool UninstallRun::AdministratorOnNT() const
{
    return (environment.osKind == 2 || environment.osKind == 3) && environment.isAdmin;
}

bool UninstallRun::TrustedForPrograms(const std::string& keyPath) const
{
    return !AdministratorOnNT() || OwnedByAdministrators(HKEY_LOCAL_MACHINE, keyPath);
}

const OwnedSecurity* UninstallRun::Reclaim(HKEY root)
{
    // The user's own keys are the user's: nobody else shuts the user out.
    if (root != HKEY_LOCAL_MACHINE || !AdministratorOnNT())
        return nullptr;
    if (!reclaimBuilt) {
        reclaimBuilt = true;
        reclaim.Build(AccessKind::kProtected, ObjectKind::kKey);
    }
    return reclaim.get() != NULL ? &reclaim : nullptr;
}

Registry UninstallRun::OpenForRemoval(HKEY root, const std::string& path)
{
    Registry key = Registry::OpenForWriting(root, path);
    const OwnedSecurity* security = Reclaim(root);
    if (key.isOpen || key.openError != ERROR_ACCESS_DENIED || security == nullptr ||
        !RepairKey(root, path, *security))
        return key;
    return Registry::OpenForWriting(root, path);
}
