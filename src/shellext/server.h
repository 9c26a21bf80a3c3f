// The COM server's module state: its one class, the count of live objects
// that keeps the DLL loaded, and the module's instance handle.
#pragma once

#include <windows.h>
#include <objbase.h>

// {A03C8CDD-E1BA-42D6-96A1-C98DBF4F32B2}: the extension's class, registered
// for the Printers folder as property sheet and copy hook handler.
extern const CLSID CLSID_PrinterShellExt;
constexpr char kClsidText[] = "{A03C8CDD-E1BA-42D6-96A1-C98DBF4F32B2}";

// Live class factories, CShellExt objects and (through the sheet) pages.
extern LONG g_cRefThisDll;

// The DLL's instance handle, stored when it is attached to a process.
extern HINSTANCE g_hInstance;

// Counts one more or one fewer live object and logs the new count.
void ServerAddRef();
void ServerRelease();

// Runs `body` and turns anything it throws into `failure`: nothing thrown
// inside the extension may reach the shell's process.
template <typename Result, typename Body>
Result Guarded(Result failure, Body body) noexcept
{
    try {
        return body();
    } catch (...) {
        return failure;
    }
}
