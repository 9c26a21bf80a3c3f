// Helpers of the uninstall tests: installed models as their driver keys
// record them, keys that cannot be opened or deleted, the registry views,
// and the records of the peers the uninstall starts.
#pragma once

#include "registry_helpers.h"

#include <windows.h>

#include <string>
#include <utility>
#include <vector>

using Values = std::vector<std::pair<std::string, std::string>>;

// HKLM "Software\NORVA\VTR3\Driver\<driver>" with these string values.
void SetModel(const std::string& driver, const Values& values);
std::string ModelPath(const std::string& driver);


// Gives a key an empty access list while it lives: Windows NT (and Wine
// presenting it) then refuses to open it; Windows 95/98 has no key security.
// Its owner may still change the list, which the destructor does.
class LockedKey {
public:
    LockedKey(HKEY root, const std::string& path);
    ~LockedKey();
    LockedKey(const LockedKey&) = delete;
    LockedKey& operator=(const LockedKey&) = delete;

private:
    HKEY root;
    std::string path;
};

// Creates `path` with a locked subkey that has a subkey of its own, so that
// `path` cannot be deleted on NT (the locked level cannot be emptied).
class UndeletableKey {
public:
    UndeletableKey(HKEY root, const std::string& path);

private:
    LockedKey lock;
};

// The registry view beside this process's own on 64-bit Windows
// (KEY_WOW64_32KEY for a 64-bit process, KEY_WOW64_64KEY for a 32-bit one
// under WOW64); 0 where there is only one.
REGSAM OtherView();

// A peer program from beside the test copied to `destination`.
bool CopyPeer(const std::string& peer, const std::string& destination);
// The lines a peer at `program` recorded ("<base>.log"), waiting up to
// `ms` for at least `atLeast` of them.
std::vector<std::string> PeerRecord(const std::string& program, size_t atLeast = 0,
                                    DWORD ms = 10000);
void ForgetPeerRecord(const std::string& program);

// Starts the XIMP service fake at `program` and waits for its window.
bool StartXimpService(const std::string& program);
bool ServiceWindowThere(const std::string& program);
// Ends the fake services that keep running.
void StopFakeServices();

bool DeletePrinterNamed(const std::string& name);
