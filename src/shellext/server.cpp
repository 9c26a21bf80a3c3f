// The COM server's exports and module state.
#include "server.h"

#include "class_factory.h"
#include "ext_log.h"
#include "product_keys.h"
#include "reg_values.h"
#include "win32_owners.h"

#include <olectl.h>

#include <cstdio>
#include <new>

const CLSID CLSID_PrinterShellExt = {
    0xA03C8CDD, 0xE1BA, 0x42D6, {0x96, 0xA1, 0xC9, 0x8D, 0xBF, 0x4F, 0x32, 0xB2}};

LONG g_cRefThisDll = 0;
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
    std::snprintf(path, kNameSize, "%s\\%s", parent, kClsidText);
}

BOOL WriteKeyDefault(HKEY root, const char* subKey, const char* value)
{
    RegKey key;
    return key.Create(root, subKey) && WriteRegString(key.get(), "", value);
}

BOOL RegisterClass(const char* modulePath)
{
    char classKey[kNameSize];
    ClassKeyPath(kClsidRoot, classKey);
    char serverKey[kNameSize];
    std::snprintf(serverKey, sizeof serverKey, "%s\\InprocServer32", classKey);
    RegKey server;
    return WriteKeyDefault(HKEY_CLASSES_ROOT, classKey, kServerName) &&
           server.Create(HKEY_CLASSES_ROOT, serverKey) &&
           WriteRegString(server.get(), "", modulePath) &&
           WriteRegString(server.get(), "ThreadingModel", "Apartment");
}

BOOL RegisterHandlers()
{
    char propertySheet[kNameSize];
    char copyHook[kNameSize];
    ClassKeyPath(kPropertySheetHandlers, propertySheet);
    ClassKeyPath(kCopyHookHandlers, copyHook);
    RegKey approved;
    return WriteKeyDefault(HKEY_CLASSES_ROOT, propertySheet, kClsidText) &&
           WriteKeyDefault(HKEY_CLASSES_ROOT, copyHook, kClsidText) &&
           approved.Create(HKEY_LOCAL_MACHINE, kApprovedKey) &&
           WriteRegString(approved.get(), kClsidText, kServerName);
}

// Deletes `subKey` with everything below it (RegDeleteKeyA leaves keys with
// subkeys in place on Windows NT).
void DeleteKeyTree(HKEY root, const char* subKey)
{
    RegKey key;
    if (!key.Open(root, subKey, KEY_ALL_ACCESS))
        return;
    char child[kNameSize];
    DWORD childSize = sizeof child;
    while (RegEnumKeyExA(key.get(), 0, child, &childSize, NULL, NULL, NULL, NULL) ==
           ERROR_SUCCESS) {
        char childPath[2 * kNameSize];
        int length = std::snprintf(childPath, sizeof childPath, "%s\\%s", subKey, child);
        if (length < 0 || length >= static_cast<int>(sizeof childPath))
            break;
        DeleteKeyTree(root, childPath);
        RegKey remaining;
        if (remaining.Open(root, childPath, KEY_READ))
            break;  // cannot be deleted: give up rather than loop
        childSize = sizeof child;
    }
    key.Close();
    RegDeleteKeyA(root, subKey);
}

}  // namespace

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
        CShellExtClassFactory* factory = new (std::nothrow) CShellExtClassFactory();
        if (factory == NULL)
            return E_OUTOFMEMORY;
        HRESULT result = factory->QueryInterface(riid, ppv);
        // Nobody holds a refused factory: it must not outlive the call.
        if (FAILED(result))
            delete factory;
        return result;
    });
}

STDAPI DllCanUnloadNow()
{
    ExtDebugLog("In DLLCanUnloadNow\r\n");
    LONG count = g_cRefThisDll;
    ExtDebugLog("  (g_cRefThisDll -> %d)\r\n", static_cast<int>(count));
    return count == 0 ? S_OK : S_FALSE;
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
        char path[kNameSize];
        ClassKeyPath(kClsidRoot, path);
        DeleteKeyTree(HKEY_CLASSES_ROOT, path);
        ClassKeyPath(kPropertySheetHandlers, path);
        DeleteKeyTree(HKEY_CLASSES_ROOT, path);
        ClassKeyPath(kCopyHookHandlers, path);
        DeleteKeyTree(HKEY_CLASSES_ROOT, path);
        RegKey approved;
        if (approved.Open(HKEY_LOCAL_MACHINE, kApprovedKey, KEY_ALL_ACCESS))
            RegDeleteValueA(approved.get(), kClsidText);
        return S_OK;
    });
}
