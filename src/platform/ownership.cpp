#include "ownership.h"

#include "nt_security.h"
#include "security.h"
#include "windows_version.h"

namespace {

// The rights of each kind, in a key's or a folder's own rights.
struct KindRights {
    DWORD full;
    DWORD everyoneReads;
    DWORD everyoneWrites;
};
constexpr KindRights kKeyRights = {KEY_ALL_ACCESS, KEY_READ, KEY_READ | KEY_WRITE | DELETE};
constexpr KindRights kFolderRights = {FILE_ALL_ACCESS, FILE_GENERIC_READ | FILE_GENERIC_EXECUTE,
                                      FILE_GENERIC_READ | FILE_GENERIC_EXECUTE |
                                          FILE_GENERIC_WRITE | DELETE};

// Lets the process take the ownership of what its list refuses it; only an
// administrator's token holds the privilege.
BOOL EnableTakeOwnership()
{
    UniqueHandle token;
    TOKEN_PRIVILEGES privileges;
    privileges.PrivilegeCount = 1;
    privileges.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
    if (!ntsecurity::OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES,
                                      token.receive()) ||
        !ntsecurity::LookupPrivilegeValueA(NULL, "SeTakeOwnershipPrivilege",
                                           &privileges.Privileges[0].Luid) ||
        !ntsecurity::AdjustTokenPrivileges(token.get(), FALSE, &privileges, 0, NULL, NULL))
        return FALSE;
    // Success with ERROR_NOT_ALL_ASSIGNED: the token lacks it.
    return GetLastError() == ERROR_SUCCESS;
}

// A key opened for one security call (Registry stands on this file).
class SecurityKey {
public:
    SecurityKey(HKEY root, const std::string& path, REGSAM access)
        : rc(RegOpenKeyExA(root, path.c_str(), 0, access, &key))
    {
    }
    ~SecurityKey()
    {
        if (rc == ERROR_SUCCESS)
            RegCloseKey(key);
    }
    SecurityKey(const SecurityKey&) = delete;
    SecurityKey& operator=(const SecurityKey&) = delete;

    HKEY key = NULL;
    LONG rc;
};

LONG SetKeySecurity(HKEY root, const std::string& path, REGSAM access,
                    SECURITY_INFORMATION what, PSECURITY_DESCRIPTOR descriptor)
{
    SecurityKey opened(root, path, access);
    if (opened.rc != ERROR_SUCCESS)
        return opened.rc;
    return ntsecurity::RegSetKeySecurity(opened.key, what, descriptor);
}

BOOL Succeeded(LONG rc)
{
    SetLastError(static_cast<DWORD>(rc));
    return rc == ERROR_SUCCESS;
}

// The owner of a descriptor is Administrators or SYSTEM.
BOOL OwnerIsAdministrators(PSECURITY_DESCRIPTOR descriptor)
{
    PSID owner = NULL;
    BOOL defaulted = FALSE;
    AllocatedSid administrators;
    AllocatedSid system;
    if (!ntsecurity::GetSecurityDescriptorOwner(descriptor, &owner, &defaulted) || owner == NULL ||
        !AllocateAdministratorsSid(administrators) || !AllocateLocalSystemSid(system))
        return FALSE;
    return ntsecurity::EqualSid(owner, administrators.get()) ||
           ntsecurity::EqualSid(owner, system.get());
}

}  // namespace

BOOL OwnedSecurity::Build(AccessKind kind, ObjectKind object)
{
    built = false;
    if (!IsWindowsNT())
        return FALSE;
    if (!AllocateAdministratorsSid(administrators) || !AllocateLocalSystemSid(system) ||
        !AllocateEveryoneSid(everyone))
        return FALSE;
    const KindRights& rights = object == ObjectKind::kKey ? kKeyRights : kFolderRights;
    const AllowedAccess entries[] = {
        {administrators.get(), rights.full},
        {system.get(), rights.full},
        {everyone.get(), kind == AccessKind::kShared ? rights.everyoneWrites : rights.everyoneReads}};
    if (BuildDacl(entries, 3, acl, NULL) != DaclResult::kBuilt ||
        !ntsecurity::InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION) ||
        !ntsecurity::SetSecurityDescriptorOwner(&descriptor, administrators.get(), FALSE) ||
        !ntsecurity::SetSecurityDescriptorDacl(&descriptor, TRUE, static_cast<PACL>(acl.get()),
                                               FALSE))
        return FALSE;
    built = true;
    return TRUE;
}

BOOL RepairKey(HKEY root, const std::string& path, const OwnedSecurity& security)
{
    PSECURITY_DESCRIPTOR descriptor = security.get();
    if (descriptor == NULL) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    LONG rc = SetKeySecurity(root, path, WRITE_OWNER | WRITE_DAC,
                             OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION, descriptor);
    if (rc != ERROR_ACCESS_DENIED)
        return Succeeded(rc);
    // The owner first, which the privilege allows; as an owner, Administrators
    // may then set the list.
    if (!EnableTakeOwnership())
        return Succeeded(ERROR_ACCESS_DENIED);
    rc = SetKeySecurity(root, path, WRITE_OWNER, OWNER_SECURITY_INFORMATION, descriptor);
    if (rc == ERROR_SUCCESS)
        rc = SetKeySecurity(root, path, WRITE_DAC, DACL_SECURITY_INFORMATION, descriptor);
    return Succeeded(rc);
}

BOOL RepairFolder(const std::string& path, const OwnedSecurity& security)
{
    PSECURITY_DESCRIPTOR descriptor = security.get();
    if (descriptor == NULL) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    if (ntsecurity::SetFileSecurityA(path.c_str(),
                                     OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION,
                                     descriptor))
        return TRUE;
    if (GetLastError() != ERROR_ACCESS_DENIED || !EnableTakeOwnership()) {
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    return ntsecurity::SetFileSecurityA(path.c_str(), OWNER_SECURITY_INFORMATION, descriptor) &&
           ntsecurity::SetFileSecurityA(path.c_str(), DACL_SECURITY_INFORMATION, descriptor);
}

BOOL OwnedByAdministrators(HKEY root, const std::string& path)
{
    SecurityKey opened(root, path, READ_CONTROL);
    if (opened.rc != ERROR_SUCCESS)
        return FALSE;
    DWORD size = 0;
    LONG rc = ntsecurity::RegGetKeySecurity(opened.key, OWNER_SECURITY_INFORMATION, NULL, &size);
    HeapBuffer descriptor;
    if (rc != ERROR_INSUFFICIENT_BUFFER || !descriptor.Allocate(size))
        return FALSE;
    rc = ntsecurity::RegGetKeySecurity(opened.key, OWNER_SECURITY_INFORMATION, descriptor.get(),
                                       &size);
    return rc == ERROR_SUCCESS && OwnerIsAdministrators(descriptor.get());
}
