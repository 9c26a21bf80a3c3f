#include "access_control.h"

#include "registry.h"
#include "registry_helpers.h"
#include "test_windows.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace {

void FreeSidCopy(PSID sid)
{
    HeapFree(GetProcessHeap(), 0, sid);
}

// Checks that the DACL holds exactly the two entries: the running user, then
// Everyone, both allowed GENERIC_ALL.
void ExpectUserAndEveryoneFullAccess(const std::vector<DaclEntry>& dacl, const char* where)
{
    ASSERT_EQ(2u, dacl.size()) << where;
    PSID user = NULL;
    PSID everyone = NULL;
    ASSERT_TRUE(CAccessControl::GetUserSid(&user));
    ASSERT_TRUE(CAccessControl::GetEveryoneSid(&everyone));
    PSID expected[2] = {user, everyone};
    for (size_t i = 0; i < 2; ++i) {
        EXPECT_EQ(ACCESS_ALLOWED_ACE_TYPE, dacl[i].type) << where << " entry " << i;
        EXPECT_EQ(static_cast<DWORD>(GENERIC_ALL), dacl[i].mask) << where << " entry " << i;
        EXPECT_TRUE(dacl[i].Names(expected[i])) << where << " entry " << i;
    }
    FreeSidCopy(user);
    FreeSidCopy(everyone);
}

}  // namespace

TEST(AccessControl, NothingIsBuiltOnWindows9x)
{
    if (IsWindowsNT())
        GTEST_SKIP() << "Windows 9x only";
    CAccessControl control;
    LPSECURITY_ATTRIBUTES attributes = reinterpret_cast<LPSECURITY_ATTRIBUTES>(1);
    EXPECT_EQ(0, control.Build(&attributes));
    EXPECT_EQ(nullptr, attributes);
}

TEST(AccessControl, OnNTTheDaclGrantsTheUserAndEveryoneFullAccessAndTheRegistryKeepsIt)
{
    if (!IsWindowsNT())
        GTEST_SKIP() << "Windows NT only";
    CAccessControl control;
    LPSECURITY_ATTRIBUTES attributes = NULL;
    ASSERT_EQ(0, control.Build(&attributes));
    // Building again replaces the earlier blocks without leaking them.
    ASSERT_EQ(0, control.Build(&attributes));
    ASSERT_NE(nullptr, attributes);
    EXPECT_EQ(sizeof(SECURITY_ATTRIBUTES), attributes->nLength);  // 12 on 32-bit Windows
    EXPECT_FALSE(attributes->bInheritHandle);
    ASSERT_EQ(&control.securityDescriptor, attributes->lpSecurityDescriptor);
    ASSERT_TRUE(IsValidSecurityDescriptor(attributes->lpSecurityDescriptor));

    BOOL present = FALSE;
    BOOL defaulted = TRUE;
    PACL acl = NULL;
    ASSERT_TRUE(GetSecurityDescriptorDacl(attributes->lpSecurityDescriptor, &present, &acl,
                                          &defaulted));
    EXPECT_TRUE(present);
    EXPECT_FALSE(defaulted);
    ExpectUserAndEveryoneFullAccess(DaclEntries(acl), "built");

    // Wine's RegCreateKeyExA ignores security attributes, so the descriptor
    // is applied explicitly here to read the stored form back.
    Registry key(HKEY_CURRENT_USER, "Software\\MonsetupAclTest", attributes, TRUE, 0);
    ASSERT_TRUE(key.isOpen);
    ASSERT_TRUE(key.SetSecurity(DACL_SECURITY_INFORMATION, attributes->lpSecurityDescriptor));
    ExpectUserAndEveryoneFullAccess(KeyDacl(HKEY_CURRENT_USER, "Software\\MonsetupAclTest"),
                                    "stored");
}

TEST(AccessControl, EveryoneIsTheWorldSid)
{
    if (!IsWindowsNT())
        GTEST_SKIP() << "95/98 have no security functions";
    PSID everyone = NULL;
    ASSERT_TRUE(CAccessControl::GetEveryoneSid(&everyone));
    SID_IDENTIFIER_AUTHORITY* authority = GetSidIdentifierAuthority(everyone);
    const BYTE world[6] = {0, 0, 0, 0, 0, 1};
    EXPECT_EQ(0, memcmp(authority->Value, world, 6));
    EXPECT_EQ(1, *GetSidSubAuthorityCount(everyone));
    EXPECT_EQ(0u, *GetSidSubAuthority(everyone, 0));
    FreeSidCopy(everyone);
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
