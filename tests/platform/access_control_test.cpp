#include "access_control.h"

#include "registry.h"
#include "test_windows.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace {

// The DACL of a registry key, read back through its security descriptor.
class KeyDacl {
public:
    explicit KeyDacl(HKEY key)
    {
        DWORD size = 0;
        RegGetKeySecurity(key, DACL_SECURITY_INFORMATION, NULL, &size);
        if (size == 0)
            return;
        descriptor.resize(size);
        if (RegGetKeySecurity(key, DACL_SECURITY_INFORMATION, descriptor.data(), &size) !=
            ERROR_SUCCESS)
            return;
        BOOL present = FALSE;
        BOOL defaulted = FALSE;
        GetSecurityDescriptorDacl(descriptor.data(), &present, &acl, &defaulted);
    }

    PACL acl = NULL;

private:
    std::vector<BYTE> descriptor;
};

void FreeSidCopy(PSID sid)
{
    HeapFree(GetProcessHeap(), 0, sid);
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

// Checks that `acl` holds exactly the two entries: the running user, then
// Everyone, both allowed GENERIC_ALL.
void ExpectUserAndEveryoneFullAccess(PACL acl)
{
    ASSERT_NE(nullptr, acl);
    ASSERT_EQ(2u, acl->AceCount);
    PSID user = NULL;
    PSID everyone = NULL;
    ASSERT_TRUE(CAccessControl::GetUserSid(&user));
    ASSERT_TRUE(CAccessControl::GetEveryoneSid(&everyone));
    PSID expected[2] = {user, everyone};
    for (DWORD i = 0; i < 2; ++i) {
        void* entry = NULL;
        ASSERT_TRUE(GetAce(acl, i, &entry));
        ACCESS_ALLOWED_ACE* ace = static_cast<ACCESS_ALLOWED_ACE*>(entry);
        EXPECT_EQ(ACCESS_ALLOWED_ACE_TYPE, ace->Header.AceType) << "entry " << i;
        EXPECT_EQ(static_cast<DWORD>(GENERIC_ALL), ace->Mask) << "entry " << i;
        EXPECT_TRUE(EqualSid(&ace->SidStart, expected[i])) << "entry " << i;
    }
    FreeSidCopy(user);
    FreeSidCopy(everyone);
}

TEST(AccessControl, OnNTTheDaclGrantsTheUserAndEveryoneFullAccess)
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
    ExpectUserAndEveryoneFullAccess(acl);
}

TEST(AccessControl, TheRegistryAcceptsTheDescriptorAsItIs)
{
    if (!IsWindowsNT())
        GTEST_SKIP() << "Windows NT only";
    CAccessControl control;
    LPSECURITY_ATTRIBUTES attributes = NULL;
    ASSERT_EQ(0, control.Build(&attributes));

    // Wine's RegCreateKeyExA ignores security attributes, so the descriptor
    // is applied explicitly here to read the stored form back.
    Registry key(HKEY_CURRENT_USER, "Software\\MonsetupAclTest", attributes, TRUE, 0);
    ASSERT_TRUE(key.isOpen);
    ASSERT_EQ(ERROR_SUCCESS, RegSetKeySecurity(key.hKey, DACL_SECURITY_INFORMATION,
                                               attributes->lpSecurityDescriptor));
    KeyDacl dacl(key.hKey);
    ExpectUserAndEveryoneFullAccess(dacl.acl);
}

TEST(AccessControl, EveryoneIsTheWorldSid)
{
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
