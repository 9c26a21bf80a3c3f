// Owners and lists of registry keys as the NT tests set them up. Wine keeps
// the owner and list that RegSetKeySecurity gives a key (for the session)
// and checks access by them, so most cases are real; it only lacks
// SeTakeOwnershipPrivilege, which ShutOutKey stands in for.
#pragma once

#include "handles.h"

#include <windows.h>

#include <string>

// The SIDs of the tests: another user of the machine, and the well-known ones.
enum class Who { kAdministrators, kSystem, kEveryone, kOtherUser };

// A SID of `who` (for kOtherUser one that no process of the test has).
HeapBuffer SidOf(Who who);
// The owner of a key: "S-1-5-32-544" and so on; "" when it cannot be read.
std::string KeyOwner(HKEY root, const std::string& path);
// Gives the key `owner` and a list with one entry: `who` allowed `mask`.
void SetKeySecurity(HKEY root, const std::string& path, Who owner, Who who, DWORD mask);
// What an earlier version left: an owner that is not an administrator and a
// list that lets Everyone do everything.
void MakeEarlierVersionKey(HKEY root, const std::string& path);

// One key whose owner, another user, shut administrators out of it: no open
// or deletion succeeds, as on NT, except the opening for WRITE_OWNER of a
// process that enabled SeTakeOwnershipPrivilege. Once the key's owner is
// set to Administrators they may open it to set its list, and once its list
// is set the key is an ordinary one again. The program's calls of
// RegOpenKeyExA and RegDeleteKeyA and the product's RegSetKeySecurity are
// redirected while the object lives; one at a time.
class ShutOutKey {
public:
    explicit ShutOutKey(const std::string& machinePath);
    ~ShutOutKey();
    ShutOutKey(const ShutOutKey&) = delete;
    ShutOutKey& operator=(const ShutOutKey&) = delete;

    bool OwnerTaken() const;
    bool ListReset() const;
};
