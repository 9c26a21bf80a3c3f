// The owners and access lists of what an install run writes, on Windows NT
// as administrator. A machine may hold an earlier version of the product,
// whose keys let Everyone change their lists and owners, or keys that a
// plain user made first (NT 4.0 lets Everyone make keys below
// HKEY_LOCAL_MACHINE\Software): each key the run creates or opens for
// writing in the product's own tree ("Software\NORVA"), and the monitor's
// key, gets the owner Administrators and the list of its kind, whether or
// not it existed before; so do the levels of the COPYEXEC folder below the
// product's own folder. Elsewhere only what the run creates gets a list.
// Where the run may not change security (not an administrator, or a list
// that refuses even that) it logs and goes on: the caller's result pairs
// stay as they were.
#pragma once

#include "ownership.h"
#include "run_state.h"

#include <windows.h>

#include <string>

class KeyRepair {
public:
    explicit KeyRepair(const RunEnvironment& environment) : environment(environment) {}
    KeyRepair(const KeyRepair&) = delete;
    KeyRepair& operator=(const KeyRepair&) = delete;

    // The key `path` below `root`, and each level of it below
    // "Software\NORVA" when it lies there. Keys that plain users write
    // (IsUserWritableKey) get the shared list, the others the protected one.
    void RepairKeyPath(HKEY root, const std::string& path);

    // The key alone (the monitor's key, whose parents are the spooler's).
    void RepairKey(HKEY root, const std::string& path);

    // Each level of `path` from `base` down, when `path` lies below `base`.
    void RepairFolderPath(const std::string& base, const std::string& path);

private:
    bool Ready();
    void Repair(HKEY root, const std::string& path, const OwnedSecurity& security);

    const RunEnvironment& environment;
    bool built = false;
    bool usable = false;
    OwnedSecurity protectedKeys;
    OwnedSecurity sharedKeys;
    OwnedSecurity folders;
};
