// The security functions of ADVAPI32, looked up when they are called instead
// of imported. Windows 95/98 have no security, and no export list shows that
// their ADVAPI32 exports these even as stubs: one missing import and Windows
// refuses to load the whole binary. On 95/98 each fails as a stub would, with
// ERROR_CALL_NOT_IMPLEMENTED, without being looked up; on NT it is the
// function of the same name.
#pragma once

#include <windows.h>

namespace ntsecurity {

BOOL AllocateAndInitializeSid(PSID_IDENTIFIER_AUTHORITY authority, BYTE count, DWORD sub0,
                              DWORD sub1, DWORD sub2, DWORD sub3, DWORD sub4, DWORD sub5,
                              DWORD sub6, DWORD sub7, PSID* sid);
PVOID FreeSid(PSID sid);
DWORD GetLengthSid(PSID sid);
BOOL CopySid(DWORD length, PSID destination, PSID source);
BOOL EqualSid(PSID first, PSID second);
BOOL InitializeAcl(PACL acl, DWORD length, DWORD revision);
BOOL AddAccessAllowedAce(PACL acl, DWORD revision, DWORD mask, PSID sid);
BOOL InitializeSecurityDescriptor(PSECURITY_DESCRIPTOR descriptor, DWORD revision);
BOOL SetSecurityDescriptorDacl(PSECURITY_DESCRIPTOR descriptor, BOOL present, PACL acl,
                               BOOL defaulted);
BOOL OpenProcessToken(HANDLE process, DWORD access, PHANDLE token);
BOOL OpenThreadToken(HANDLE thread, DWORD access, BOOL openAsSelf, PHANDLE token);
BOOL GetTokenInformation(HANDLE token, TOKEN_INFORMATION_CLASS infoClass, LPVOID information,
                         DWORD length, PDWORD returned);
BOOL SetSecurityDescriptorOwner(PSECURITY_DESCRIPTOR descriptor, PSID owner, BOOL defaulted);
BOOL GetSecurityDescriptorOwner(PSECURITY_DESCRIPTOR descriptor, PSID* owner, LPBOOL defaulted);
BOOL GetSecurityDescriptorDacl(PSECURITY_DESCRIPTOR descriptor, LPBOOL present, PACL* acl,
                               LPBOOL defaulted);
BOOL GetAce(PACL acl, DWORD index, LPVOID* ace);
BOOL GetFileSecurityA(LPCSTR file, SECURITY_INFORMATION what, PSECURITY_DESCRIPTOR descriptor,
                      DWORD length, LPDWORD needed);
BOOL SetFileSecurityA(LPCSTR file, SECURITY_INFORMATION what, PSECURITY_DESCRIPTOR descriptor);
BOOL LookupPrivilegeValueA(LPCSTR system, LPCSTR name, PLUID luid);
BOOL AdjustTokenPrivileges(HANDLE token, BOOL disableAll, PTOKEN_PRIVILEGES state, DWORD length,
                           PTOKEN_PRIVILEGES previous, PDWORD returned);
// Both return ERROR_CALL_NOT_IMPLEMENTED on 95/98.
LONG RegSetKeySecurity(HKEY key, SECURITY_INFORMATION what, PSECURITY_DESCRIPTOR descriptor);
LONG RegGetKeySecurity(HKEY key, SECURITY_INFORMATION what, PSECURITY_DESCRIPTOR descriptor,
                       LPDWORD length);

// The seam of the tests: Wine keeps no key or file security, so a test puts
// functions of its own in place of these, by name (NULL puts the system's
// back). They are called as the system's would be, on NT only.
void Replace(const char* name, FARPROC function);

}  // namespace ntsecurity
