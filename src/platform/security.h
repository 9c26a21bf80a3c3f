// Well-known SIDs and discretionary ACLs of access-allowed entries, for the
// keys and directories the product creates.
#pragma once

#include "handles.h"

#include <windows.h>

#include <cstddef>

// S-1-1-0, S-1-5-18 and S-1-5-32-544 into `sid`.
BOOL AllocateEveryoneSid(AllocatedSid& sid);
BOOL AllocateLocalSystemSid(AllocatedSid& sid);
BOOL AllocateAdministratorsSid(AllocatedSid& sid);

// A copy of the SID of the user the process runs as.
BOOL QueryProcessUserSid(HeapBuffer& sid);

// The token's information of `infoClass` into `buffer`, sized by a first call.
bool QueryTokenInformation(HANDLE token, TOKEN_INFORMATION_CLASS infoClass, HeapBuffer& buffer);

// One entry of a DACL: who is allowed what.
struct AllowedAccess {
    PSID sid;
    DWORD mask;
};

// How far BuildDacl got.
enum class DaclResult {
    kBuilt,
    kNoMemory,          // the ACL could not be allocated
    kInitializeFailed,  // InitializeAcl
    kEntryFailed,       // AddAccessAllowedAce, for the entry in *failedEntry
};

// Builds, on the process heap, an ACL (ACL_REVISION) of exactly `entries`
// in their order, as access-allowed entries without inheritance flags. Its
// size is computed from the entries: the ACL header and, per entry, an
// ACCESS_ALLOWED_ACE whose first SID word is the start of the entry's SID.
DaclResult BuildDacl(const AllowedAccess* entries, size_t count, HeapBuffer& acl,
                     size_t* failedEntry);
