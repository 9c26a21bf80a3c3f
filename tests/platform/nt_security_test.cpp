#include "nt_security.h"

#include "registry.h"
#include "test_windows.h"

#include <gtest/gtest.h>

#include <functional>

// Every looked-up function, in the order a DACL for a key is built and
// applied: called on NT; on 95/98 not looked up, failing as their stubs do.
TEST(NtSecurity, CalledOnNTAndNeverLookedUpOn9x)
{
    SID_IDENTIFIER_AUTHORITY world = SECURITY_WORLD_SID_AUTHORITY;
    PSID sid = NULL;
    BYTE copy[64];
    BYTE unused[16] = {};
    alignas(DWORD) BYTE acl[64];
    SECURITY_DESCRIPTOR descriptor;
    HANDLE token = NULL;
    DWORD needed = 0;
    Registry key(HKEY_CURRENT_USER, "Software\\MonsetupNtSecurityTest", NULL, TRUE, 0);
    ASSERT_TRUE(key.isOpen);

    const struct {
        const char* function;
        std::function<bool()> succeeds;
    } steps[] = {
        {"AllocateAndInitializeSid",
         [&] {
             return ntsecurity::AllocateAndInitializeSid(&world, 1, SECURITY_WORLD_RID, 0, 0, 0,
                                                         0, 0, 0, 0, &sid) != FALSE;
         }},
        {"GetLengthSid", [&] { return ntsecurity::GetLengthSid(sid) == 12; }},
        {"CopySid", [&] { return ntsecurity::CopySid(sizeof copy, copy, sid) != FALSE; }},
        {"EqualSid", [&] { return ntsecurity::EqualSid(copy, sid) != FALSE; }},
        {"FreeSid", [&] { return ntsecurity::FreeSid(sid != NULL ? sid : unused) == NULL; }},
        {"InitializeAcl",
         [&] { return ntsecurity::InitializeAcl(reinterpret_cast<PACL>(acl), sizeof acl,
                                                ACL_REVISION) != FALSE; }},
        {"AddAccessAllowedAce",
         [&] { return ntsecurity::AddAccessAllowedAce(reinterpret_cast<PACL>(acl),
                                                      ACL_REVISION, KEY_ALL_ACCESS,
                                                      copy) != FALSE; }},
        {"InitializeSecurityDescriptor",
         [&] { return ntsecurity::InitializeSecurityDescriptor(
                          &descriptor, SECURITY_DESCRIPTOR_REVISION) != FALSE; }},
        {"SetSecurityDescriptorDacl",
         [&] { return ntsecurity::SetSecurityDescriptorDacl(
                          &descriptor, TRUE, reinterpret_cast<PACL>(acl), FALSE) != FALSE; }},
        {"RegSetKeySecurity",
         [&] { return ntsecurity::RegSetKeySecurity(key.hKey, DACL_SECURITY_INFORMATION,
                                                    &descriptor) == ERROR_SUCCESS; }},
        {"OpenThreadToken",  // a thread that impersonates nobody has none
         [&] { return !ntsecurity::OpenThreadToken(GetCurrentThread(), TOKEN_QUERY, FALSE,
                                                   &token) && GetLastError() == ERROR_NO_TOKEN; }},
        {"OpenProcessToken",
         [&] { return ntsecurity::OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY,
                                                   &token) != FALSE; }},
        {"GetTokenInformation",  // asked for the size first
         [&] { return !ntsecurity::GetTokenInformation(token, TokenUser, NULL, 0, &needed) &&
                      GetLastError() == ERROR_INSUFFICIENT_BUFFER && needed > 0; }},
    };
    for (const auto& step : steps) {
        SetLastError(0);
        const bool succeeded = step.succeeds();
        if (IsWindowsNT()) {
            EXPECT_TRUE(succeeded) << step.function << ", last error " << GetLastError();
            continue;
        }
        EXPECT_FALSE(succeeded) << step.function;
        EXPECT_EQ(static_cast<DWORD>(ERROR_CALL_NOT_IMPLEMENTED), GetLastError())
            << step.function;
    }
    if (token != NULL)
        CloseHandle(token);
    RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\MonsetupNtSecurityTest");
}
