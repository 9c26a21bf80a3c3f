#include "class_factory.h"

#include "ext_log.h"
#include "server.h"
#include "shell_ext.h"


CShellExtClassFactory::CShellExtClassFactory()
{
    ExtDebugLog("CShellExtClassFactory::CShellExtClassFactory()\r\n");
    ServerAddRef();
}

CShellExtClassFactory::~CShellExtClassFactory()
{
    ExtDebugLog("CShellExtClassFactory::~CShellExtClassFactory()\r\n");
    ServerRelease();
}

STDMETHODIMP CShellExtClassFactory::QueryInterface(REFIID riid, void** ppv)
{
    return Guarded<HRESULT>(E_UNEXPECTED, [&]() -> HRESULT {
        ExtDebugLog("CShellExtClassFactory::QueryInterface()\r\n");
        if (ppv == NULL)
            return E_POINTER;
        *ppv = NULL;
        if (!IsEqualIID(riid, IID_IUnknown) && !IsEqualIID(riid, IID_IClassFactory))
            return E_NOINTERFACE;
        *ppv = static_cast<IClassFactory*>(this);
        AddRef();
        return S_OK;
    });
}

STDMETHODIMP_(ULONG) CShellExtClassFactory::AddRef()
{
    return InterlockedIncrement(&refCount);
}

STDMETHODIMP_(ULONG) CShellExtClassFactory::Release()
{
    return ReleaseReference(this, refCount);
}

STDMETHODIMP CShellExtClassFactory::CreateInstance(IUnknown* pUnkOuter, REFIID riid, void** ppv)
{
    return Guarded<HRESULT>(E_UNEXPECTED, [&]() -> HRESULT {
        ExtDebugLog("CShellExtClassFactory::CreateInstance()\r\n");
        if (ppv == NULL)
            return E_POINTER;
        *ppv = NULL;
        if (pUnkOuter != NULL)
            return CLASS_E_NOAGGREGATION;
        return CreateForInterface<CShellExt>(riid, ppv);
    });
}

// A lock keeps the DLL loaded without any object, as COM requires; an unlock
// without a lock is ignored.
STDMETHODIMP CShellExtClassFactory::LockServer(BOOL fLock)
{
    if (fLock)
        InterlockedIncrement(&g_cServerLocks);
    else if (InterlockedDecrement(&g_cServerLocks) < 0)
        InterlockedIncrement(&g_cServerLocks);
    return S_OK;
}
