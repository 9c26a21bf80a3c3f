#include "security.h"

#include "nt_security.h"

namespace {

BOOL AllocateSid(SID_IDENTIFIER_AUTHORITY authority, BYTE count, DWORD first, DWORD second,
                 AllocatedSid& sid)
{
    return ntsecurity::AllocateAndInitializeSid(&authority, count, first, second, 0, 0, 0, 0, 0,
                                                0, sid.receive());
}

// An access-allowed entry's size: SidStart, the first word of the SID, is
// part of the structure.
DWORD AllowedEntrySize(PSID sid)
{
    return static_cast<DWORD>(sizeof(ACCESS_ALLOWED_ACE) - sizeof(DWORD)) +
           ntsecurity::GetLengthSid(sid);
}

}  // namespace

BOOL AllocateEveryoneSid(AllocatedSid& sid)
{
    return AllocateSid(SECURITY_WORLD_SID_AUTHORITY, 1, SECURITY_WORLD_RID, 0, sid);
}

BOOL AllocateLocalSystemSid(AllocatedSid& sid)
{
    return AllocateSid(SECURITY_NT_AUTHORITY, 1, SECURITY_LOCAL_SYSTEM_RID, 0, sid);
}

BOOL AllocateAdministratorsSid(AllocatedSid& sid)
{
    return AllocateSid(SECURITY_NT_AUTHORITY, 2, SECURITY_BUILTIN_DOMAIN_RID,
                       DOMAIN_ALIAS_RID_ADMINS, sid);
}

bool QueryTokenInformation(HANDLE token, TOKEN_INFORMATION_CLASS infoClass, HeapBuffer& buffer)
{
    DWORD needed = 0;
    if (ntsecurity::GetTokenInformation(token, infoClass, NULL, 0, &needed) ||
        GetLastError() != ERROR_INSUFFICIENT_BUFFER)
        return false;
    if (!buffer.Allocate(needed))
        return false;
    return ntsecurity::GetTokenInformation(token, infoClass, buffer.get(), needed, &needed) !=
           FALSE;
}

BOOL QueryProcessUserSid(HeapBuffer& sid)
{
    UniqueHandle token;
    HeapBuffer user;
    if (!ntsecurity::OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, token.receive()) ||
        !QueryTokenInformation(token.get(), TokenUser, user))
        return FALSE;
    PSID userSid = static_cast<TOKEN_USER*>(user.get())->User.Sid;
    const DWORD length = ntsecurity::GetLengthSid(userSid);
    return sid.Allocate(length) && ntsecurity::CopySid(length, sid.get(), userSid);
}

DaclResult BuildDacl(const AllowedAccess* entries, size_t count, HeapBuffer& acl,
                     size_t* failedEntry)
{
    DWORD size = sizeof(ACL);
    for (size_t i = 0; i < count; ++i)
        size += AllowedEntrySize(entries[i].sid);
    if (!acl.Allocate(size))
        return DaclResult::kNoMemory;
    PACL list = static_cast<PACL>(acl.get());
    if (!ntsecurity::InitializeAcl(list, size, ACL_REVISION))
        return DaclResult::kInitializeFailed;
    for (size_t i = 0; i < count; ++i) {
        if (!ntsecurity::AddAccessAllowedAce(list, ACL_REVISION, entries[i].mask,
                                             entries[i].sid)) {
            if (failedEntry != NULL)
                *failedEntry = i;
            return DaclResult::kEntryFailed;
        }
    }
    return DaclResult::kBuilt;
}
