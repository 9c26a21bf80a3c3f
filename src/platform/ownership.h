// Owners on Windows NT. An administrator's run gives the product's keys and
// folders the owner Administrators and the access list of their kind,
// whether or not they existed before: an earlier version let Everyone
// change lists and owners, and a key a plain user made first is that user's.
// Before a run as administrator starts a program that a key names, it asks
// who owns the key. None of this does anything on Windows 95/98.
#pragma once

#include "handles.h"

#include <windows.h>

#include <string>

// Who may write besides Administrators and SYSTEM (who have full access):
// protected, Everyone only reads; shared, Everyone also writes and deletes.
enum class AccessKind { kProtected, kShared };
enum class ObjectKind { kKey, kFolder };

// A descriptor with the owner Administrators and the list of one kind, in
// the object's own rights (a list set on an existing object is not mapped
// from generic rights).
class OwnedSecurity {
public:
    OwnedSecurity() = default;
    OwnedSecurity(const OwnedSecurity&) = delete;
    OwnedSecurity& operator=(const OwnedSecurity&) = delete;

    // FALSE on Windows 95/98 or when a SID, the list or the descriptor
    // cannot be made.
    BOOL Build(AccessKind kind, ObjectKind object);
    PSECURITY_DESCRIPTOR get() const { return built ? &descriptor : NULL; }

private:
    AllocatedSid administrators;
    AllocatedSid system;
    AllocatedSid everyone;
    HeapBuffer acl;
    mutable SECURITY_DESCRIPTOR descriptor;
    bool built = false;
};

// Gives the key `path` below `root` the owner and list of `security`. Where
// the key's list shuts administrators out, the run takes its ownership
// first (SeTakeOwnershipPrivilege), as only an administrator can. FALSE,
// with the Windows error, when neither worked.
BOOL RepairKey(HKEY root, const std::string& path, const OwnedSecurity& security);

// The same for a folder.
BOOL RepairFolder(const std::string& path, const OwnedSecurity& security);

// TRUE when the key is owned by Administrators or SYSTEM, which only an
// administrator or the system can have made it; FALSE when another owns it
// or its owner cannot be read.
BOOL OwnedByAdministrators(HKEY root, const std::string& path);
