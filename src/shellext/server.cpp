// The COM server's exports and module state.
#include "server.h"

#include "class_factory.h"
#include "ext_log.h"
#include "product_values.h"
#include "registry.h"
#include "text_format.h"

#include <olectl.h>

#include <cstdio>

const CLSID CLSID_PrinterShellExt = {
    0xA03C8CDD, 0xE1BA, 0x42D6, {0x96, 0xA1, 0xC9, 0x8D, 0xBF, 0x4F, 0x32, 0xB2}};

LONG g_cRefThisDll = 0;
UINT g_cRefPages = 0;
LONG g_cServerLocks = 0;
HINSTANCE g_hInstance = NULL;

namespace {

constexpr char kServerName[] = "MONEXT01 Printers Folder Extension";
constexpr char kClsidRoot[] = "CLSID";
constexpr char kPropertySheetHandlers[] = "Printers\\shellex\\PropertySheetHandlers";
constexpr char kCopyHookHandlers[] = "Printers\\shellex\\CopyHookHandlers";
constexpr char kApprovedKey[] =
    "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Shell Extensions\\Approved";

// "<parent>\<clsid>" into `path` (kNameSize bytes).
void ClassKeyPath(const char* parent, char* path)
{
    FormatText(path, kNameSize, "%s\\%s", parent, kShellExtClassId);
}

BOOL WriteKeyDefault(HKEY root, const char* subKey, const char* value)
{
    return Registry::CreateWithSecurity(root, subKey, NULL).SetString("", value);
}

BOOL RegisterClass(const char* modulePath)
{
    char classKey[kNameSize];
    ClassKeyPath(kClsidRoot, classKey);
    char serverKey[kNameSize];
    FormatText(serverKey, sizeof serverKey, "%s\\InprocServer32", classKey);
    if (!WriteKeyDefault(HKEY_CLASSES_ROOT, classKey, kServerName))
        return FALSE;
    Registry server = Registry::CreateWithSecurity(HKEY_CLASSES_ROOT, serverKey, NULL);
    return server.SetString("", modulePath) && server.SetString("ThreadingModel", "Apartment");
}

BOOL RegisterHandlers()
{
    char propertySheet[kNameSize];
    char copyHook[kNameSize];
    ClassKeyPath(kPropertySheetHandlers, propertySheet);
    ClassKeyPath(kCopyHookHandlers, copyHook);
    return WriteKeyDefault(HKEY_CLASSES_ROOT, propertySheet, kShellExtClassId) &&
           WriteKeyDefault(HKEY_CLASSES_ROOT, copyHook, kShellExtClassId) &&
           Registry::CreateWithSecurity(HKEY_LOCAL_MACHINE, kApprovedKey, NULL)
               .SetString(kShellExtClassId, kServerName);
}

// Deletes "<parent>\<clsid>" with everything below it.
void DeleteClassKey(const char* parent)
{
    Registry::OpenForWriting(HKEY_CLASSES_ROOT, parent).DeleteKey(kShellExtClassId);
}

}  // namespace

BOOL ServerInUse()
{
    // The pages' count is written by comctl32 on another thread: read it once.
    const UINT pages = *static_cast<volatile UINT*>(&g_cRefPages);
    return g_cRefThisDll != 0 || pages != 0 || g_cServerLocks != 0;
}

void ServerAddRef()
{
    LONG count = InterlockedIncrement(&g_cRefThisDll);
    ExtDebugLog("  (g_cRefThisDll -> %d)\r\n", static_cast<int>(count));
}

void ServerRelease()
{
    LONG count = InterlockedDecrement(&g_cRefThisDll);
    ExtDebugLog("  (g_cRefThisDll -> %d)\r\n", static_cast<int>(count));
}

STDAPI DllGetClassObject(REFCLSID rclsid, REFIID riid, LPVOID* ppv)
{
    return Guarded<HRESULT>(E_UNEXPECTED, [&]() -> HRESULT {
        ExtDebugLog("In DllGetClassObject\r\n");
        if (ppv == NULL)
            return E_POINTER;
        *ppv = NULL;
        if (!IsEqualCLSID(rclsid, CLSID_PrinterShellExt))
            return CLASS_E_CLASSNOTAVAILABLE;
        return CreateForInterface<CShellExtClassFactory>(riid, ppv);
    });
}

STDAPI DllCanUnloadNow()
{
    ExtDebugLog("In DLLCanUnloadNow\r\n");
    ExtDebugLog("  (g_cRefThisDll -> %d)\r\n", static_cast<int>(g_cRefThisDll));
    return ServerInUse() ? S_FALSE : S_OK;
}

STDAPI DllRegisterServer()
{
    return Guarded<HRESULT>(E_UNEXPECTED, []() -> HRESULT {
        ExtDebugLog("In DllRegisterServer\r\n");
        char modulePath[kNameSize];
        DWORD length = GetModuleFileNameA(g_hInstance, modulePath, sizeof modulePath);
        if (length == 0 || length >= sizeof modulePath)
            return SELFREG_E_CLASS;
        if (!RegisterClass(modulePath) || !RegisterHandlers())
            return SELFREG_E_CLASS;
        return S_OK;
    });
}

STDAPI DllUnregisterServer()
{
    return Guarded<HRESULT>(E_UNEXPECTED, []() -> HRESULT {
        ExtDebugLog("In DllUnregisterServer\r\n");
        DeleteClassKey(kClsidRoot);
        DeleteClassKey(kPropertySheetHandlers);
        DeleteClassKey(kCopyHookHandlers);
        Registry::OpenForWriting(HKEY_LOCAL_MACHINE, kApprovedKey).DeleteValue(kShellExtClassId);
        return S_OK;
    });
}
