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
    kPrivilegedAce = 3,
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
    HeapRelease(sharedDacl);
    HeapRelease(everyoneSid);
    HeapRelease(administratorsSid);
    HeapRelease(systemSid);
    dacl = NULL;
    sharedDacl = NULL;
    everyoneSid = NULL;
    administratorsSid = NULL;
    systemSid = NULL;
}

int CAccessControl::Build(LPSECURITY_ATTRIBUTES* protectedOut, LPSECURITY_ATTRIBUTES* sharedOut)
{
    *protectedOut = NULL;
    *sharedOut = NULL;
    if (!IsWindowsNT())
        return kBuildOk;

    FreeAll();
    AllocatedSid administrators;
    AllocatedSid system;
    if (!GetEveryoneSid(&everyoneSid) || !AllocateAdministratorsSid(administrators) ||
        !AllocateLocalSystemSid(system))
        return kNoSidOrAcl;
    administratorsSid = CopyToHeap(administrators.get());
    systemSid = CopyToHeap(system.get());
    if (administratorsSid == NULL || systemSid == NULL)
        return kNoSidOrAcl;

    int failed = BuildKind(kEveryoneReads, dacl, securityDescriptor, attributes);
    if (failed == kBuildOk)
        failed = BuildKind(kEveryoneWrites, sharedDacl, sharedDescriptor, sharedAttributes);
    if (failed != kBuildOk)
        return failed;
    *protectedOut = &attributes;
    *sharedOut = &sharedAttributes;
    return kBuildOk;
}

int CAccessControl::BuildKind(DWORD everyoneMask, PACL& list, SECURITY_DESCRIPTOR& descriptor,
                              SECURITY_ATTRIBUTES& kind)
{
    const AllowedAccess entries[] = {{administratorsSid, kFullAccess},
                                     {systemSid, kFullAccess},
                                     {everyoneSid, everyoneMask}};
    HeapBuffer acl;
    size_t failedEntry = 0;
    const DaclResult built = BuildDacl(entries, 3, acl, &failedEntry);
    // Kept even when incomplete: the object frees it with the SIDs.
    list = static_cast<PACL>(acl.release());
    switch (built) {
    case DaclResult::kNoMemory:
        return kNoSidOrAcl;
    case DaclResult::kInitializeFailed:
        return kInitializeAcl;
    case DaclResult::kEntryFailed:
        return failedEntry < 2 ? kPrivilegedAce : kEveryoneAce;
    case DaclResult::kBuilt:
        break;
    }
    if (!ntsecurity::InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION))
        return kInitializeDescriptor;
    if (!ntsecurity::SetSecurityDescriptorDacl(&descriptor, TRUE, list, FALSE))
        return kSetDacl;

    kind.nLength = sizeof kind;
    kind.lpSecurityDescriptor = &descriptor;
    kind.bInheritHandle = FALSE;
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
