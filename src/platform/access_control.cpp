#include "access_control.h"

#include "handles.h"

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

void* HeapAllocate(SIZE_T size)
{
    return HeapAlloc(GetProcessHeap(), 0, size);
}

void HeapRelease(void* block)
{
    if (block != NULL)
        HeapFree(GetProcessHeap(), 0, block);
}

bool IsWindowsNT()
{
    OSVERSIONINFOA info;
    ZeroMemory(&info, sizeof info);
    info.dwOSVersionInfoSize = sizeof info;
    return GetVersionExA(&info) && info.dwPlatformId == VER_PLATFORM_WIN32_NT;
}

// A SID from AllocateAndInitializeSid, released with FreeSid.
struct AllocatedSid {
    PSID sid = NULL;
    ~AllocatedSid() { if (sid != NULL) FreeSid(sid); }
};

// Copies a SID to a new block on the process heap.
PSID CopyToHeap(PSID sid)
{
    DWORD length = GetLengthSid(sid);
    PSID copy = HeapAllocate(length);
    if (copy == NULL)
        return NULL;
    if (!CopySid(length, copy, sid)) {
        HeapRelease(copy);
        return NULL;
    }
    return copy;
}

// Fills `buffer` with the token information of `infoClass`, sized by a
// first call.
bool QueryTokenInformation(HANDLE token, TOKEN_INFORMATION_CLASS infoClass, HeapBuffer& buffer)
{
    DWORD needed = 0;
    if (GetTokenInformation(token, infoClass, NULL, 0, &needed) ||
        GetLastError() != ERROR_INSUFFICIENT_BUFFER)
        return false;
    if (!buffer.Allocate(needed))
        return false;
    return GetTokenInformation(token, infoClass, buffer.get(), needed, &needed) != FALSE;
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

    // ACL header plus two access-allowed entries without their SIDs.
    const DWORD aclSize = GetLengthSid(everyoneSid) + GetLengthSid(userSid) + 24;
    dacl = static_cast<PACL>(HeapAllocate(aclSize));
    if (dacl == NULL)
        return kNoSidOrAcl;
    if (!InitializeAcl(dacl, aclSize, ACL_REVISION))
        return kInitializeAcl;
    if (!AddAccessAllowedAce(dacl, ACL_REVISION, GENERIC_ALL, userSid))
        return kUserAce;
    if (!AddAccessAllowedAce(dacl, ACL_REVISION, GENERIC_ALL, everyoneSid))
        return kEveryoneAce;
    if (!InitializeSecurityDescriptor(&securityDescriptor, SECURITY_DESCRIPTOR_REVISION))
        return kInitializeDescriptor;
    if (!SetSecurityDescriptorDacl(&securityDescriptor, TRUE, dacl, FALSE))
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
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, token.receive()))
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
    SID_IDENTIFIER_AUTHORITY world = SECURITY_WORLD_SID_AUTHORITY;
    AllocatedSid everyone;
    if (!AllocateAndInitializeSid(&world, 1, SECURITY_WORLD_RID, 0, 0, 0, 0, 0, 0, 0,
                                  &everyone.sid))
        return FALSE;

    PSID copy = CopyToHeap(everyone.sid);
    if (copy == NULL)
        return FALSE;
    *out = copy;
    return TRUE;
}

BOOL IsAdministrator()
{
    UniqueHandle token;
    if (!OpenThreadToken(GetCurrentThread(), TOKEN_QUERY, FALSE, token.receive())) {
        if (GetLastError() != ERROR_NO_TOKEN)
            return FALSE;
        if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, token.receive()))
            return FALSE;
    }

    HeapBuffer buffer;
    if (!QueryTokenInformation(token.get(), TokenGroups, buffer))
        return FALSE;

    SID_IDENTIFIER_AUTHORITY ntAuthority = SECURITY_NT_AUTHORITY;
    AllocatedSid administrators;
    if (!AllocateAndInitializeSid(&ntAuthority, 2, SECURITY_BUILTIN_DOMAIN_RID,
                                  DOMAIN_ALIAS_RID_ADMINS, 0, 0, 0, 0, 0, 0,
                                  &administrators.sid))
        return FALSE;

    // Deny-only and disabled groups count too: only membership is asked.
    const TOKEN_GROUPS* groups = static_cast<const TOKEN_GROUPS*>(buffer.get());
    for (DWORD i = 0; i < groups->GroupCount; ++i) {
        if (EqualSid(groups->Groups[i].Sid, administrators.sid))
            return TRUE;
    }
    return FALSE;
}
