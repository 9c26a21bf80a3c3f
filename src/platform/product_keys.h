// The product's registry keys, shared by MONCHK04 and MONEXT01. All lie
// under HKEY_LOCAL_MACHINE, in the product's registry view.
#pragma once

#include "registry.h"

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
