// Security attributes for the keys and directories the program creates, on
// Windows NT. Two kinds, by who must write there afterwards:
// - protected: keys whose values name programs, DLLs, folders or classes
//   that an administrator's run, the spooler or Explorer use (the product's
//   root keys, the model keys, the monitor's key, the spooler's driver key),
//   and the COPYEXEC folder: Everyone may only read;
// - shared: keys that programs run by plain users write ("SDKResult",
//   "VTRCommon", the target entries, the user's own keys): Everyone may
//   also write and delete.
// Administrators and SYSTEM have full access to both; nobody else may
// change a DACL or an owner. Nothing is built on Windows 9x.
#pragma once

#include "handles.h"

#include <windows.h>

// The rights of each kind; generic rights, mapped to a key's or a folder's
// own rights when the object is created.
constexpr DWORD kFullAccess = GENERIC_ALL;
constexpr DWORD kEveryoneReads = GENERIC_READ | GENERIC_EXECUTE;
constexpr DWORD kEveryoneWrites = GENERIC_READ | GENERIC_EXECUTE | GENERIC_WRITE | DELETE;
// The same for a key that exists, in a key's own rights.
constexpr DWORD kKeyFullAccess = KEY_ALL_ACCESS;
constexpr DWORD kKeyEveryoneWrites = KEY_READ | KEY_WRITE | DELETE;

class CAccessControl {
public:
    CAccessControl() = default;
    CAccessControl(const CAccessControl&) = delete;
    CAccessControl& operator=(const CAccessControl&) = delete;

    // Builds both kinds. Returns 0 on success (on Windows 9x with both left
    // NULL), or 1 to 6 for the step that failed: 1 a SID or an ACL could not
    // be had, 2 InitializeAcl, 3 the entry of Administrators or SYSTEM, 4 the
    // entry of Everyone, 5 InitializeSecurityDescriptor, 6
    // SetSecurityDescriptorDacl. The pointers point into this object and are
    // valid only as long as it lives.
    int Build(LPSECURITY_ATTRIBUTES* protectedOut, LPSECURITY_ATTRIBUTES* sharedOut);

private:
    // One kind: its list, and the descriptor and attributes that refer to it.
    struct Kind {
        HeapBuffer acl;
        SECURITY_DESCRIPTOR descriptor;
        SECURITY_ATTRIBUTES attributes;
    };
    int BuildKind(DWORD everyoneMask, Kind& kind);

    AllocatedSid everyone;
    AllocatedSid administrators;
    AllocatedSid system;
    Kind protectedKind;
    Kind sharedKind;
};

// TRUE when the caller's token (the thread's if it impersonates, else the
// process's) holds the built-in Administrators group, enabled or not.
BOOL IsAdministrator();
