#include "access_control.h"

#include "handles.h"
#include "nt_security.h"
#include "security.h"
#include "windows_version.h"

namespace {

enum BuildFailure {
    kBuildOk = 0,
    kNoSidOrAcl = 1,
    kInitializeAcl = 2,
    kUserAce = 3,
    kEveryoneAce = 4,
    kInitializeDescriptor = 5,
    kSetDacl = 6,
};

void HeapRelease(void* block)
{
    if (block != NULL)
        HeapFree(GetProcessHeap(), 0, block);
}

// Copies a SID to a new block on the process heap.
PSID CopyToHeap(PSID sid)
{
    DWORD length = ntsecurity::GetLengthSid(sid);
    HeapBuffer copy;
    if (!copy.Allocate(length) || !ntsecurity::CopySid(length, copy.get(), sid))
        return NULL;
    return copy.release();
}

// Fills `buffer` with the token information of `infoClass`, sized by a
// first call.
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

}  // namespace

CAccessControl::~CAccessControl()
{
    FreeAll();
}

void CAccessControl::FreeAll()
{
    HeapRelease(dacl);
    HeapRelease(userSid);
    HeapRelease(everyoneSid);
    dacl = NULL;
    userSid = NULL;
    everyoneSid = NULL;
}

int CAccessControl::Build(LPSECURITY_ATTRIBUTES* out)
{
    *out = NULL;
    if (!IsWindowsNT())
        return kBuildOk;

    FreeAll();
    if (!GetUserSid(&userSid) || !GetEveryoneSid(&everyoneSid))
        return kNoSidOrAcl;

    const AllowedAccess entries[] = {{userSid, GENERIC_ALL}, {everyoneSid, GENERIC_ALL}};
    HeapBuffer acl;
    size_t failedEntry = 0;
    const DaclResult built = BuildDacl(entries, 2, acl, &failedEntry);
    // Kept even when incomplete: the object frees it with the SIDs.
    dacl = static_cast<PACL>(acl.release());
    switch (built) {
    case DaclResult::kNoMemory:
        return kNoSidOrAcl;
    case DaclResult::kInitializeFailed:
        return kInitializeAcl;
    case DaclResult::kEntryFailed:
        return failedEntry == 0 ? kUserAce : kEveryoneAce;
    case DaclResult::kBuilt:
        break;
    }
    if (!ntsecurity::InitializeSecurityDescriptor(&securityDescriptor,
                                                  SECURITY_DESCRIPTOR_REVISION))
        return kInitializeDescriptor;
    if (!ntsecurity::SetSecurityDescriptorDacl(&securityDescriptor, TRUE, dacl, FALSE))
        return kSetDacl;

    attributes.nLength = sizeof attributes;
    attributes.lpSecurityDescriptor = &securityDescriptor;
    attributes.bInheritHandle = FALSE;
    *out = &attributes;
    return kBuildOk;
}

BOOL CAccessControl::GetUserSid(PSID* out)
{
    UniqueHandle token;
    if (!ntsecurity::OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, token.receive()))
        return FALSE;

    HeapBuffer buffer;
    if (!QueryTokenInformation(token.get(), TokenUser, buffer))
        return FALSE;

    PSID copy = CopyToHeap(static_cast<TOKEN_USER*>(buffer.get())->User.Sid);
    if (copy == NULL)
        return FALSE;
    if (!buffer.Free()) {
        HeapRelease(copy);
        return FALSE;
    }
    *out = copy;
    return TRUE;
}

BOOL CAccessControl::GetEveryoneSid(PSID* out)
{
    AllocatedSid everyone;
    if (!AllocateEveryoneSid(everyone))
        return FALSE;

    PSID copy = CopyToHeap(everyone.get());
    if (copy == NULL)
        return FALSE;
    *out = copy;
    return TRUE;
}

BOOL IsAdministrator()
{
    UniqueHandle token;
    if (!ntsecurity::OpenThreadToken(GetCurrentThread(), TOKEN_QUERY, FALSE, token.receive())) {
        if (GetLastError() != ERROR_NO_TOKEN)
            return FALSE;
        if (!ntsecurity::OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, token.receive()))
            return FALSE;
    }

    HeapBuffer buffer;
    if (!QueryTokenInformation(token.get(), TokenGroups, buffer))
        return FALSE;

    AllocatedSid administrators;
    if (!AllocateAdministratorsSid(administrators))
        return FALSE;

    // Deny-only and disabled groups count too: only membership is asked.
    const TOKEN_GROUPS* groups = static_cast<const TOKEN_GROUPS*>(buffer.get());
    for (DWORD i = 0; i < groups->GroupCount; ++i) {
        if (ntsecurity::EqualSid(groups->Groups[i].Sid, administrators.get()))
            return TRUE;
    }
    return FALSE;
}
