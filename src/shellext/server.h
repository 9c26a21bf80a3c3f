// The COM server's module state: its one class, the counts that keep the DLL
// loaded, and the module's instance handle.
#pragma once

#include "product_keys.h"

#include <windows.h>
#include <objbase.h>

#include <new>

// {A03C8CDD-E1BA-42D6-96A1-C98DBF4F32B2}: the extension's class, registered
// for the Printers folder as property sheet and copy hook handler.
extern const CLSID CLSID_PrinterShellExt;

// Live class factories and CShellExt objects; changed only with Interlocked
// calls.
extern LONG g_cRefThisDll;

// Live utility pages: the pages' pcRefParent, which comctl32 alone counts,
// on the sheet's thread and with plain increments. Kept apart from
// g_cRefThisDll so that the two writers can never lose each other's updates.
extern UINT g_cRefPages;

// Locks taken with IClassFactory::LockServer and not yet given back.
extern LONG g_cServerLocks;

// TRUE while an object, a page or a lock still needs the DLL.
BOOL ServerInUse();

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

// Drops one reference of `object`, which counts them in `count`; at none left
// the object is deleted. Returns the references left.
template <typename Object>
ULONG ReleaseReference(Object* object, LONG& count)
{
    LONG left = InterlockedDecrement(&count);
    if (left == 0)
        Guarded<int>(0, [object] {
            delete object;
            return 0;
        });
    return left;
}

// A new Object asked for `riid`: E_OUTOFMEMORY when it cannot be made, and
// an object whose interface is refused is deleted again, since nobody
// holds it.
template <typename Object>
HRESULT CreateForInterface(REFIID riid, void** ppv)
{
    Object* object = new (std::nothrow) Object();
    if (object == NULL)
        return E_OUTOFMEMORY;
    HRESULT result = object->QueryInterface(riid, ppv);
    if (FAILED(result))
        delete object;
    return result;
}
