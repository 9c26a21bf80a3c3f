#include "key_owners.h"

#include "import_patch.h"
#include "nt_security.h"
#include "security.h"

#include <gtest/gtest.h>
#include <sddl.h>

#include <algorithm>
#include <cctype>

namespace {

std::string Lower(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

// The full name of an open key, "\registry\machine\software\...", in lower case.
std::string KeyName(HKEY key)
{
    if (key == HKEY_LOCAL_MACHINE)
        return "\\registry\\machine";
    using Query = LONG(WINAPI*)(HANDLE, int, PVOID, ULONG, PULONG);
    static const Query query = reinterpret_cast<Query>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("ntdll.dll"), "NtQueryKey")));
    ULONG buffer[512];
    ULONG length = 0;
    if (query == NULL || query(key, 3 /* KeyNameInformation */, buffer, sizeof buffer, &length) != 0)
        return std::string();
    const WCHAR* name = reinterpret_cast<const WCHAR*>(buffer + 1);
    std::string text;
    for (ULONG i = 0; i < buffer[0] / sizeof(WCHAR); ++i)
        text += static_cast<char>(name[i] < 128 ? name[i] : '?');
    return Lower(text);
}

std::string Joined(HKEY parent, const char* subkey)
{
    std::string name = KeyName(parent);
    if (subkey != NULL && subkey[0] != '\0')
        name += "\\" + Lower(subkey);
    return name;
}

bool TakeOwnershipEnabled()
{
    HANDLE token = NULL;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token))
        return false;
    BYTE buffer[1024];
    DWORD size = 0;
    LUID wanted;
    const bool known = LookupPrivilegeValueA(NULL, "SeTakeOwnershipPrivilege", &wanted) &&
                       GetTokenInformation(token, TokenPrivileges, buffer, sizeof buffer, &size);
    CloseHandle(token);
    if (!known)
        return false;
    const TOKEN_PRIVILEGES* privileges = reinterpret_cast<const TOKEN_PRIVILEGES*>(buffer);
    for (DWORD i = 0; i < privileges->PrivilegeCount; ++i) {
        const LUID_AND_ATTRIBUTES& entry = privileges->Privileges[i];
        if (entry.Luid.LowPart == wanted.LowPart && entry.Luid.HighPart == wanted.HighPart)
            return (entry.Attributes & SE_PRIVILEGE_ENABLED) != 0;
    }
    return false;
}

struct LockedState {
    std::string name;
    bool ownerTaken = false;
    bool listReset = false;
};
LockedState* locked = nullptr;

// The system's functions, called past the redirection.
template <typename Function>
Function* Advapi(const char* name)
{
    return reinterpret_cast<Function*>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("advapi32.dll"), name)));
}
decltype(&RegOpenKeyExA) const realOpen = Advapi<decltype(RegOpenKeyExA)>("RegOpenKeyExA");
decltype(&RegDeleteKeyA) const realDelete = Advapi<decltype(RegDeleteKeyA)>("RegDeleteKeyA");
decltype(&RegSetKeySecurity) const realSetSecurity =
    Advapi<decltype(RegSetKeySecurity)>("RegSetKeySecurity");

LONG WINAPI OpenRedirected(HKEY parent, LPCSTR subkey, DWORD options, REGSAM access, PHKEY result)
{
    if (locked != nullptr && !locked->listReset && Joined(parent, subkey) == locked->name) {
        const REGSAM wanted = access & ~(KEY_WOW64_32KEY | KEY_WOW64_64KEY);
        const bool allowed =
            locked->ownerTaken ? (wanted & ~(READ_CONTROL | WRITE_DAC | WRITE_OWNER)) == 0
                               : wanted == WRITE_OWNER && TakeOwnershipEnabled();
        if (!allowed)
            return ERROR_ACCESS_DENIED;
        access = READ_CONTROL;
    }
    return realOpen(parent, subkey, options, access, result);
}

LONG WINAPI DeleteRedirected(HKEY parent, LPCSTR subkey)
{
    if (locked != nullptr && !locked->listReset && Joined(parent, subkey) == locked->name)
        return ERROR_ACCESS_DENIED;
    return realDelete(parent, subkey);
}

LONG WINAPI SetSecurityRedirected(HKEY key, SECURITY_INFORMATION what,
                                  PSECURITY_DESCRIPTOR descriptor)
{
    if (locked == nullptr || locked->listReset || KeyName(key) != locked->name)
        return realSetSecurity(key, what, descriptor);
    if (what & OWNER_SECURITY_INFORMATION) {
        PSID owner = NULL;
        BOOL defaulted = FALSE;
        HeapBuffer administrators = SidOf(Who::kAdministrators);
        locked->ownerTaken = GetSecurityDescriptorOwner(descriptor, &owner, &defaulted) &&
                             owner != NULL && EqualSid(owner, administrators.get());
    }
    if ((what & DACL_SECURITY_INFORMATION) && locked->ownerTaken)
        locked->listReset = true;
    return ERROR_SUCCESS;
}

}  // namespace

HeapBuffer SidOf(Who who)
{
    const char* text = who == Who::kAdministrators ? "S-1-5-32-544"
                       : who == Who::kSystem       ? "S-1-5-18"
                       : who == Who::kEveryone     ? "S-1-1-0"
                                                   : "S-1-5-21-1-2-3-1001";
    PSID sid = NULL;
    HeapBuffer copy;
    if (ConvertStringSidToSidA(text, &sid)) {
        const DWORD length = GetLengthSid(sid);
        if (copy.Allocate(length))
            CopySid(length, copy.get(), sid);
        LocalFree(sid);
    }
    return copy;
}

std::string KeyOwner(HKEY root, const std::string& path)
{
    HKEY key = NULL;
    if (RegOpenKeyExA(root, path.c_str(), 0, READ_CONTROL, &key) != ERROR_SUCCESS)
        return std::string();
    BYTE buffer[512];
    DWORD size = sizeof buffer;
    PSID owner = NULL;
    BOOL defaulted = FALSE;
    char* text = NULL;
    std::string result;
    if (RegGetKeySecurity(key, OWNER_SECURITY_INFORMATION, buffer, &size) == ERROR_SUCCESS &&
        GetSecurityDescriptorOwner(buffer, &owner, &defaulted) && owner != NULL &&
        ConvertSidToStringSidA(owner, &text)) {
        result = text;
        LocalFree(text);
    }
    RegCloseKey(key);
    return result;
}

void SetKeySecurity(HKEY root, const std::string& path, Who owner, Who who, DWORD mask)
{
    HeapBuffer ownerSid = SidOf(owner);
    HeapBuffer entrySid = SidOf(who);
    alignas(DWORD) BYTE acl[128];
    SECURITY_DESCRIPTOR descriptor;
    ASSERT_TRUE(InitializeAcl(reinterpret_cast<PACL>(acl), sizeof acl, ACL_REVISION) &&
                AddAccessAllowedAce(reinterpret_cast<PACL>(acl), ACL_REVISION, mask,
                                    entrySid.get()) &&
                InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION) &&
                SetSecurityDescriptorOwner(&descriptor, ownerSid.get(), FALSE) &&
                SetSecurityDescriptorDacl(&descriptor, TRUE, reinterpret_cast<PACL>(acl), FALSE));
    HKEY key = NULL;
    ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExA(root, path.c_str(), 0, WRITE_OWNER | WRITE_DAC, &key))
        << path;
    EXPECT_EQ(ERROR_SUCCESS, RegSetKeySecurity(key, OWNER_SECURITY_INFORMATION |
                                                        DACL_SECURITY_INFORMATION,
                                               &descriptor))
        << path;
    RegCloseKey(key);
}

void MakeEarlierVersionKey(HKEY root, const std::string& path)
{
    HKEY key = NULL;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(root, path.c_str(), 0, NULL, 0, KEY_ALL_ACCESS,
                                             NULL, &key, NULL))
        << path;
    RegCloseKey(key);
    SetKeySecurity(root, path, Who::kOtherUser, Who::kEveryone, KEY_ALL_ACCESS);
}

ShutOutKey::ShutOutKey(const std::string& machinePath)
{
    static LockedState state;
    state = LockedState{"\\registry\\machine\\" + Lower(machinePath)};
    locked = &state;
    EXPECT_TRUE(PatchImports(reinterpret_cast<void*>(realOpen),
                             reinterpret_cast<void*>(&OpenRedirected)));
    EXPECT_TRUE(PatchImports(reinterpret_cast<void*>(realDelete),
                             reinterpret_cast<void*>(&DeleteRedirected)));
    ntsecurity::Replace("RegSetKeySecurity", reinterpret_cast<FARPROC>(reinterpret_cast<void*>(&SetSecurityRedirected)));
}

ShutOutKey::~ShutOutKey()
{
    ntsecurity::Replace("RegSetKeySecurity", NULL);
    PatchImports(reinterpret_cast<void*>(&DeleteRedirected), reinterpret_cast<void*>(realDelete));
    PatchImports(reinterpret_cast<void*>(&OpenRedirected), reinterpret_cast<void*>(realOpen));
    locked = nullptr;
}

bool ShutOutKey::OwnerTaken() const
{
    return locked != nullptr && locked->ownerTaken;
}

bool ShutOutKey::ListReset() const
{
    return locked != nullptr && locked->listReset;
}
