#include "nt_security.h"

#include "windows_version.h"

namespace ntsecurity {

namespace {

// The functions a test put in place; few, so a short list.
struct Replacement {
    const char* name;
    FARPROC function;
};
Replacement replacements[16];

FARPROC Replaced(const char* name)
{
    for (const Replacement& replacement : replacements) {
        if (replacement.name != NULL && lstrcmpA(replacement.name, name) == 0)
            return replacement.function;
    }
    return NULL;
}

// The ADVAPI32 function `name`, typed as the SDK declares it (decltype of the
// declaration does not refer to the import, so the linker does not take it);
// NULL, with ERROR_CALL_NOT_IMPLEMENTED, on 95/98 or where it is missing.
// ADVAPI32 is loaded: the binaries import its registry functions.
template <typename Function>
Function* Find(const char* name)
{
    FARPROC found = NULL;
    if (IsWindowsNT()) {
        found = Replaced(name);
        HMODULE advapi = found == NULL ? GetModuleHandleA("advapi32.dll") : NULL;
        if (advapi != NULL)
            found = GetProcAddress(advapi, name);
    }
    if (found == NULL)
        SetLastError(ERROR_CALL_NOT_IMPLEMENTED);
    return reinterpret_cast<Function*>(reinterpret_cast<void*>(found));
}

}  // namespace

void Replace(const char* name, FARPROC function)
{
    Replacement* free = NULL;
    for (Replacement& replacement : replacements) {
        if (replacement.name != NULL && lstrcmpA(replacement.name, name) == 0) {
            replacement.function = function;
            if (function == NULL)
                replacement.name = NULL;
            return;
        }
        if (replacement.name == NULL && free == NULL)
            free = &replacement;
    }
    if (function != NULL && free != NULL)
        *free = {name, function};
}

BOOL AllocateAndInitializeSid(PSID_IDENTIFIER_AUTHORITY authority, BYTE count, DWORD sub0,
                              DWORD sub1, DWORD sub2, DWORD sub3, DWORD sub4, DWORD sub5,
                              DWORD sub6, DWORD sub7, PSID* sid)
{
    auto function = Find<decltype(::AllocateAndInitializeSid)>("AllocateAndInitializeSid");
    return function != NULL &&
           function(authority, count, sub0, sub1, sub2, sub3, sub4, sub5, sub6, sub7, sid);
}

// Like FreeSid: NULL once freed, else the SID.
PVOID FreeSid(PSID sid)
{
    auto function = Find<decltype(::FreeSid)>("FreeSid");
    return function != NULL ? function(sid) : sid;
}

DWORD GetLengthSid(PSID sid)
{
    auto function = Find<decltype(::GetLengthSid)>("GetLengthSid");
    return function != NULL ? function(sid) : 0;
}

BOOL CopySid(DWORD length, PSID destination, PSID source)
{
    auto function = Find<decltype(::CopySid)>("CopySid");
    return function != NULL && function(length, destination, source);
}

BOOL EqualSid(PSID first, PSID second)
{
    auto function = Find<decltype(::EqualSid)>("EqualSid");
    return function != NULL && function(first, second);
}

BOOL InitializeAcl(PACL acl, DWORD length, DWORD revision)
{
    auto function = Find<decltype(::InitializeAcl)>("InitializeAcl");
    return function != NULL && function(acl, length, revision);
}

BOOL AddAccessAllowedAce(PACL acl, DWORD revision, DWORD mask, PSID sid)
{
    auto function = Find<decltype(::AddAccessAllowedAce)>("AddAccessAllowedAce");
    return function != NULL && function(acl, revision, mask, sid);
}

BOOL InitializeSecurityDescriptor(PSECURITY_DESCRIPTOR descriptor, DWORD revision)
{
    auto function =
        Find<decltype(::InitializeSecurityDescriptor)>("InitializeSecurityDescriptor");
    return function != NULL && function(descriptor, revision);
}

BOOL SetSecurityDescriptorDacl(PSECURITY_DESCRIPTOR descriptor, BOOL present, PACL acl,
                               BOOL defaulted)
{
    auto function = Find<decltype(::SetSecurityDescriptorDacl)>("SetSecurityDescriptorDacl");
    return function != NULL && function(descriptor, present, acl, defaulted);
}

BOOL OpenProcessToken(HANDLE process, DWORD access, PHANDLE token)
{
    auto function = Find<decltype(::OpenProcessToken)>("OpenProcessToken");
    return function != NULL && function(process, access, token);
}

BOOL OpenThreadToken(HANDLE thread, DWORD access, BOOL openAsSelf, PHANDLE token)
{
    auto function = Find<decltype(::OpenThreadToken)>("OpenThreadToken");
    return function != NULL && function(thread, access, openAsSelf, token);
}

BOOL GetTokenInformation(HANDLE token, TOKEN_INFORMATION_CLASS infoClass, LPVOID information,
                         DWORD length, PDWORD returned)
{
    auto function = Find<decltype(::GetTokenInformation)>("GetTokenInformation");
    return function != NULL && function(token, infoClass, information, length, returned);
}

BOOL SetSecurityDescriptorOwner(PSECURITY_DESCRIPTOR descriptor, PSID owner, BOOL defaulted)
{
    auto function = Find<decltype(::SetSecurityDescriptorOwner)>("SetSecurityDescriptorOwner");
    return function != NULL && function(descriptor, owner, defaulted);
}

BOOL GetSecurityDescriptorOwner(PSECURITY_DESCRIPTOR descriptor, PSID* owner, LPBOOL defaulted)
{
    auto function = Find<decltype(::GetSecurityDescriptorOwner)>("GetSecurityDescriptorOwner");
    return function != NULL && function(descriptor, owner, defaulted);
}

BOOL GetSecurityDescriptorDacl(PSECURITY_DESCRIPTOR descriptor, LPBOOL present, PACL* acl,
                               LPBOOL defaulted)
{
    auto function = Find<decltype(::GetSecurityDescriptorDacl)>("GetSecurityDescriptorDacl");
    return function != NULL && function(descriptor, present, acl, defaulted);
}

BOOL GetAce(PACL acl, DWORD index, LPVOID* ace)
{
    auto function = Find<decltype(::GetAce)>("GetAce");
    return function != NULL && function(acl, index, ace);
}

BOOL GetFileSecurityA(LPCSTR file, SECURITY_INFORMATION what, PSECURITY_DESCRIPTOR descriptor,
                      DWORD length, LPDWORD needed)
{
    auto function = Find<decltype(::GetFileSecurityA)>("GetFileSecurityA");
    return function != NULL && function(file, what, descriptor, length, needed);
}

BOOL SetFileSecurityA(LPCSTR file, SECURITY_INFORMATION what, PSECURITY_DESCRIPTOR descriptor)
{
    auto function = Find<decltype(::SetFileSecurityA)>("SetFileSecurityA");
    return function != NULL && function(file, what, descriptor);
}

BOOL LookupPrivilegeValueA(LPCSTR system, LPCSTR name, PLUID luid)
{
    auto function = Find<decltype(::LookupPrivilegeValueA)>("LookupPrivilegeValueA");
    return function != NULL && function(system, name, luid);
}

BOOL AdjustTokenPrivileges(HANDLE token, BOOL disableAll, PTOKEN_PRIVILEGES state, DWORD length,
                           PTOKEN_PRIVILEGES previous, PDWORD returned)
{
    auto function = Find<decltype(::AdjustTokenPrivileges)>("AdjustTokenPrivileges");
    return function != NULL && function(token, disableAll, state, length, previous, returned);
}

LONG RegSetKeySecurity(HKEY key, SECURITY_INFORMATION what, PSECURITY_DESCRIPTOR descriptor)
{
    auto function = Find<decltype(::RegSetKeySecurity)>("RegSetKeySecurity");
    return function != NULL ? function(key, what, descriptor) : ERROR_CALL_NOT_IMPLEMENTED;
}

LONG RegGetKeySecurity(HKEY key, SECURITY_INFORMATION what, PSECURITY_DESCRIPTOR descriptor,
                       LPDWORD length)
{
    auto function = Find<decltype(::RegGetKeySecurity)>("RegGetKeySecurity");
    return function != NULL ? function(key, what, descriptor, length)
                            : ERROR_CALL_NOT_IMPLEMENTED;
}

}  // namespace ntsecurity
