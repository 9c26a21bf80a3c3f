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

}  // namespace

int CAccessControl::Build(LPSECURITY_ATTRIBUTES* protectedOut, LPSECURITY_ATTRIBUTES* sharedOut)
{
    *protectedOut = NULL;
    *sharedOut = NULL;
    if (!IsWindowsNT())
        return kBuildOk;

    if (!AllocateEveryoneSid(everyone) || !AllocateAdministratorsSid(administrators) ||
        !AllocateLocalSystemSid(system))
        return kNoSidOrAcl;
    int failed = BuildKind(kEveryoneReads, protectedKind);
    if (failed == kBuildOk)
        failed = BuildKind(kEveryoneWrites, sharedKind);
    if (failed != kBuildOk)
        return failed;
    *protectedOut = &protectedKind.attributes;
    *sharedOut = &sharedKind.attributes;
    return kBuildOk;
}

int CAccessControl::BuildKind(DWORD everyoneMask, Kind& kind)
{
    const AllowedAccess entries[] = {{administrators.get(), kFullAccess},
                                     {system.get(), kFullAccess},
                                     {everyone.get(), everyoneMask}};
    size_t failedEntry = 0;
    switch (BuildDacl(entries, 3, kind.acl, &failedEntry)) {
    case DaclResult::kNoMemory:
        return kNoSidOrAcl;
    case DaclResult::kInitializeFailed:
        return kInitializeAcl;
    case DaclResult::kEntryFailed:
        return failedEntry < 2 ? kPrivilegedAce : kEveryoneAce;
    case DaclResult::kBuilt:
        break;
    }
    if (!ntsecurity::InitializeSecurityDescriptor(&kind.descriptor, SECURITY_DESCRIPTOR_REVISION))
        return kInitializeDescriptor;
    if (!ntsecurity::SetSecurityDescriptorDacl(&kind.descriptor, TRUE,
                                               static_cast<PACL>(kind.acl.get()), FALSE))
        return kSetDacl;

    kind.attributes.nLength = sizeof kind.attributes;
    kind.attributes.lpSecurityDescriptor = &kind.descriptor;
    kind.attributes.bInheritHandle = FALSE;
    return kBuildOk;
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
