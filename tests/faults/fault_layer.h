// The fault layer (monfault.dll, test builds only): wraps every import of a
// module that the product's binaries import, counts the calls that can fail
// and makes one of them fail with its documented failure value and a
// plausible last error.
//
// Whole-process runs (MONCHK04_F.exe, MONCHK04 with this layer linked in) are
// driven by the environment:
//   MONSETUP_FAULT=count               count only
//   MONSETUP_FAULT=K[:FUNCTION[:ERR]]  the K-th call (of FUNCTION only, when
//                                      named) fails; ERR replaces its error
//   MONSETUP_FAULT_LOG=PATH            appended: "fault K FUNCTION at ADDRESS"
//                                      and "stack WORD..." (words on the
//                                      stack that point into the program's
//                                      code) when the fault is injected, and
//                                      at the end
//                                      "calls N", then "call FUNCTION N" for
//                                      each function called and "unwrapped
//                                      DLL FUNCTION" for imports left alone
#pragma once

#include <windows.h>

#ifdef MONFAULT_BUILD
#define MONFAULT_API extern "C" __declspec(dllexport)
#else
#define MONFAULT_API extern "C" __declspec(dllimport)
#endif

// Wraps the imports of `module`; returns how many slots were wrapped.
MONFAULT_API int WINAPI FaultLayerPatch(HMODULE module);
// Starts counting afresh; call `k` (of `function` only, unless NULL) fails
// with `error` (0: the function's own plausible error). k = 0 only counts.
MONFAULT_API void WINAPI FaultLayerArm(long k, const char* function, DWORD error);
// Calls that could fail since the last FaultLayerArm.
MONFAULT_API long WINAPI FaultLayerCalls();
// Handles, keys, pages and bitmaps made through the wrapped imports and not
// yet released through them.
MONFAULT_API long WINAPI FaultLayerHeld();
// The function that was made to fail since the last FaultLayerArm, or NULL.
MONFAULT_API const char* WINAPI FaultLayerInjected();
// Called from MONCHK04_F.exe's start-up: reads MONSETUP_FAULT and, when set,
// wraps the program's imports.
MONFAULT_API BOOL WINAPI FaultLayerStartFromEnvironment();
