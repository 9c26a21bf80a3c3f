#include "access_control.h"

#include "registry.h"
#include "security.h"
#include "registry_helpers.h"
#include "test_windows.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace {

// Checks that the DACL holds exactly Administrators and SYSTEM with full
// access, then Everyone with `everyoneMask`; none of them but the first two
// may change the DACL or the owner.
void ExpectPrivilegedFullEveryone(const std::vector<DaclEntry>& dacl, DWORD everyoneMask,
                                  const char* where)
{
    ASSERT_EQ(3u, dacl.size()) << where;
    AllocatedSid administrators;
    AllocatedSid system;
    AllocatedSid everyone;
    ASSERT_TRUE(AllocateAdministratorsSid(administrators));
    ASSERT_TRUE(AllocateLocalSystemSid(system));
    ASSERT_TRUE(AllocateEveryoneSid(everyone));
    const PSID sids[3] = {administrators.get(), system.get(), everyone.get()};
    const DWORD masks[3] = {GENERIC_ALL, GENERIC_ALL, everyoneMask};
    for (size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(ACCESS_ALLOWED_ACE_TYPE, dacl[i].type) << where << " entry " << i;
        EXPECT_EQ(masks[i], dacl[i].mask) << where << " entry " << i;
        EXPECT_TRUE(dacl[i].Names(sids[i])) << where << " entry " << i;
    }
    EXPECT_EQ(0u, dacl[2].mask & (WRITE_DAC | WRITE_OWNER | GENERIC_ALL)) << where;
}

PACL DaclOf(LPSECURITY_ATTRIBUTES attributes)
{
    BOOL present = FALSE;
    BOOL defaulted = TRUE;
    PACL acl = NULL;
    EXPECT_TRUE(IsValidSecurityDescriptor(attributes->lpSecurityDescriptor));
    EXPECT_TRUE(GetSecurityDescriptorDacl(attributes->lpSecurityDescriptor, &present, &acl,
                                          &defaulted));
    EXPECT_TRUE(present);
    EXPECT_FALSE(defaulted);
    return acl;
}

}  // namespace

TEST(AccessControl, NothingIsBuiltOnWindows9x)
{
    if (IsWindowsNT())
        GTEST_SKIP() << "Windows 9x only";
    CAccessControl control;
    LPSECURITY_ATTRIBUTES attributes = reinterpret_cast<LPSECURITY_ATTRIBUTES>(1);
    LPSECURITY_ATTRIBUTES shared = reinterpret_cast<LPSECURITY_ATTRIBUTES>(1);
    EXPECT_EQ(0, control.Build(&attributes, &shared));
    EXPECT_EQ(nullptr, attributes);
    EXPECT_EQ(nullptr, shared);
}

TEST(AccessControl, OnNTEveryoneReadsProtectedKeysAndWritesSharedOnesAndTheRegistryKeepsIt)
{
    if (!IsWindowsNT())
        GTEST_SKIP() << "Windows NT only";
    CAccessControl control;
    LPSECURITY_ATTRIBUTES attributes = NULL;
    LPSECURITY_ATTRIBUTES shared = NULL;
    ASSERT_EQ(0, control.Build(&attributes, &shared));
    // Building again replaces the earlier blocks without leaking them.
    ASSERT_EQ(0, control.Build(&attributes, &shared));
    ASSERT_NE(nullptr, attributes);
    ASSERT_NE(nullptr, shared);
    ASSERT_NE(attributes->lpSecurityDescriptor, shared->lpSecurityDescriptor);
    for (LPSECURITY_ATTRIBUTES kind : {attributes, shared}) {
        EXPECT_EQ(sizeof(SECURITY_ATTRIBUTES), kind->nLength);  // 12 on 32-bit Windows
        EXPECT_FALSE(kind->bInheritHandle);
    }
    ExpectPrivilegedFullEveryone(DaclEntries(DaclOf(attributes)),
                                 GENERIC_READ | GENERIC_EXECUTE, "protected");
    ExpectPrivilegedFullEveryone(DaclEntries(DaclOf(shared)),
                                 GENERIC_READ | GENERIC_EXECUTE | GENERIC_WRITE | DELETE,
                                 "shared");

    // Wine's RegCreateKeyExA ignores security attributes, so the descriptor
    // is applied explicitly here to read the stored form back.
    Registry key(HKEY_CURRENT_USER, "Software\\MonsetupAclTest", attributes, TRUE, 0);
    ASSERT_TRUE(key.isOpen);
    ASSERT_TRUE(key.SetSecurity(DACL_SECURITY_INFORMATION, attributes->lpSecurityDescriptor));
    ExpectPrivilegedFullEveryone(KeyDacl(HKEY_CURRENT_USER, "Software\\MonsetupAclTest"),
                                 GENERIC_READ | GENERIC_EXECUTE, "stored");
}

TEST(AccessControl, EveryoneIsTheWorldSid)
{
    if (!IsWindowsNT())
        GTEST_SKIP() << "95/98 have no security functions";
    AllocatedSid everyone;
    ASSERT_TRUE(AllocateEveryoneSid(everyone));
    SID_IDENTIFIER_AUTHORITY* authority = GetSidIdentifierAuthority(everyone.get());
    const BYTE world[6] = {0, 0, 0, 0, 0, 1};
    EXPECT_EQ(0, memcmp(authority->Value, world, 6));
    EXPECT_EQ(1, *GetSidSubAuthorityCount(everyone.get()));
    EXPECT_EQ(0u, *GetSidSubAuthority(everyone.get(), 0));
}

TEST(AccessControl, WineRunsProgramsAsAnAdministrator)
{
    if (!IsWindowsNT())
        GTEST_SKIP() << "asked only on Windows NT";
    EXPECT_TRUE(IsAdministrator());

    // An impersonating thread is judged by its own token.
    ASSERT_TRUE(ImpersonateSelf(SecurityImpersonation));
    EXPECT_TRUE(IsAdministrator());
    RevertToSelf();
}
