// The product's registry keys, shared by MONCHK04 and MONEXT01. All lie
// under HKEY_LOCAL_MACHINE, in the product's registry view.
#pragma once

#include "registry.h"
#include "trusted_names.h"

#include <windows.h>

#include <string>

// The registry view of the product's keys. The product's setup program and
// MONCHK04 are 32-bit programs, so the keys are in the 32-bit view; a 64-bit
// build (a 64-bit Explorer loads only a 64-bit extension) must ask for it.
// The 32-bit build asks for no view: Windows 95/98, NT 4.0 and 2000 know none.
#ifdef _WIN64
constexpr REGSAM kProductView = KEY_WOW64_32KEY;
#else
constexpr REGSAM kProductView = 0;
#endif

// The product's help folder, below the system's common files folder.
constexpr char kHtmlSubdir[] = "\\NORVA\\HTML";

// The maker's key, and the product's own tree below it.
constexpr char kNorvaKey[] = "software\\NORVA";
constexpr char kProductKey[] = "software\\NORVA\\VTR3";
constexpr char kVtrCommonKey[] = "software\\NORVA\\VTR3\\VTRCommon";
constexpr char kSdkResultKey[] = "software\\NORVA\\VTR3\\SDKResult";
constexpr char kDebugKey[] = "software\\NORVA\\VTR3\\Debug";
constexpr char kProfileKey[] = "software\\NORVA\\VTR3\\Profile";
constexpr char kVtrDataKey[] = "software\\NORVA\\VTR3\\VTRData";
constexpr char kTxaTargetKey[] = "software\\NORVA\\VTR3\\VTRData\\TXATarget";
constexpr char kTxbTargetKey[] = "software\\NORVA\\VTR3\\VTRData\\TXBTarget";
// The printer models: one subkey per model, named after its printer driver.
constexpr char kModelsKey[] = "software\\NORVA\\VTR3\\Driver";
constexpr char kModelKeyPrefix[] = "software\\NORVA\\VTR3\\Driver\\";

// The class id of MONEXT01, as the shell's registration names it.
constexpr char kShellExtClassId[] = "{A03C8CDD-E1BA-42D6-96A1-C98DBF4F32B2}";

// A product key opened with `access` (KEY_READ unless said), never created.
inline Registry OpenProductKey(const std::string& path, REGSAM access = Registry::kRead)
{
    return Registry::OpenWithAccess(HKEY_LOCAL_MACHINE, path, access | kProductView);
}

// A product key created, or opened when it exists, with full access;
// `security` (may be NULL) is given only to a new key.
inline Registry CreateProductKey(const std::string& path, LPSECURITY_ATTRIBUTES security)
{
    return Registry::CreateWithSecurity(HKEY_LOCAL_MACHINE, path, security,
                                        Registry::kAllAccess | kProductView);
}

// Keys that programs run by plain users write: "VTRCommon" and "SDKResult"
// (every run's report, the logon run's "RST_FREPLACE"), the target keys and
// their entries (MONEXT01 in every user's Explorer), and any key of the
// user's own. Every other key names what privileged code trusts, or lies on
// the way to such keys.
inline bool IsUserWritableKey(HKEY root, const std::string& path)
{
    if (root == HKEY_CURRENT_USER)
        return true;
    if (root != HKEY_LOCAL_MACHINE)
        return false;
    return IsWithin(path, kTxaTargetKey) || IsWithin(path, kTxbTargetKey) ||
           lstrcmpiA(path.c_str(), kVtrDataKey) == 0 ||
           lstrcmpiA(path.c_str(), kVtrCommonKey) == 0 ||
           lstrcmpiA(path.c_str(), kSdkResultKey) == 0;
}

// The security attributes to create `path` with: `shared` for a key that
// plain users write, else `protectedKind`. Before a shared key of the
// machine is created, its missing parents are created with `protectedKind`,
// since RegCreateKeyEx would give every key it creates on the way the
// shared rights too. The user's own keys are all shared.
inline LPSECURITY_ATTRIBUTES PrepareKey(HKEY root, const std::string& path,
                                        LPSECURITY_ATTRIBUTES protectedKind,
                                        LPSECURITY_ATTRIBUTES shared)
{
    if (!IsUserWritableKey(root, path))
        return protectedKind;
    if (root == HKEY_CURRENT_USER)
        return shared;
    const size_t cut = LastBackslash(path);
    if (shared != NULL && cut != std::string::npos) {
        const std::string parent = path.substr(0, cut);
        if (!Registry(root, parent, NULL, FALSE, Registry::kRead).isOpen)
            Registry(root, parent, protectedKind, TRUE, Registry::kAllAccess);
    }
    return shared;
}
