// MONEXT01.dll as the shell meets it: loaded by path or through COM after
// regsvr32, reached only through its exports and interfaces.
#include "registry_helpers.h"
#include "setup_host.h"
#include "shellext_env.h"

#include <objbase.h>
#include <shlobj.h>
#include <shlwapi.h>

#include <gtest/gtest.h>

namespace {

// {A03C8CDD-E1BA-42D6-96A1-C98DBF4F32B2}
const CLSID kExtensionClsid = {
    0xA03C8CDD, 0xE1BA, 0x42D6, {0x96, 0xA1, 0xC9, 0x8D, 0xBF, 0x4F, 0x32, 0xB2}};
constexpr char kClsidText[] = "{A03C8CDD-E1BA-42D6-96A1-C98DBF4F32B2}";
const std::string kDll = BesideThisProgram("MONEXT01.dll");

using GetClassObjectFn = HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**);
using CanUnloadNowFn = HRESULT(STDAPICALLTYPE*)();

class ComServer : public ::testing::Test {
protected:
    void SetUp() override
    {
        ResetProductKeys();
        module = LoadLibraryA(kDll.c_str());
        ASSERT_NE(nullptr, module);
        EXPECT_EQ("In DLLMain, DLL_PROCESS_ATTACH\r\n", ReadLog());
        DeleteLog();
        getClassObject = reinterpret_cast<GetClassObjectFn>(
            reinterpret_cast<void*>(GetProcAddress(module, "DllGetClassObject")));
        canUnloadNow = reinterpret_cast<CanUnloadNowFn>(
            reinterpret_cast<void*>(GetProcAddress(module, "DllCanUnloadNow")));
        ASSERT_NE(nullptr, getClassObject);
        ASSERT_NE(nullptr, canUnloadNow);
    }
    void TearDown() override { FreeLibrary(module); }

    IClassFactory* Factory()
    {
        IClassFactory* factory = NULL;
        EXPECT_EQ(S_OK, getClassObject(kExtensionClsid, IID_IClassFactory,
                                       reinterpret_cast<void**>(&factory)));
        return factory;
    }

    HMODULE module = NULL;
    GetClassObjectFn getClassObject = NULL;
    CanUnloadNowFn canUnloadNow = NULL;
};

}  // namespace

TEST_F(ComServer, ServesOnlyItsOwnClassThroughUndecoratedExports)
{
    for (const char* name :
         {"DllGetClassObject", "DllCanUnloadNow", "DllRegisterServer", "DllUnregisterServer"})
        EXPECT_NE(nullptr, GetProcAddress(module, name)) << name;
    EXPECT_EQ(nullptr, GetProcAddress(module, "DllGetClassObject@12"));

    const CLSID foreign = {0x12345678, 0x1234, 0x1234, {1, 2, 3, 4, 5, 6, 7, 8}};
    void* object = reinterpret_cast<void*>(1);
    EXPECT_EQ(CLASS_E_CLASSNOTAVAILABLE, getClassObject(foreign, IID_IClassFactory, &object));
    EXPECT_EQ(nullptr, object);
    EXPECT_EQ("In DllGetClassObject\r\n", ReadLog());
    EXPECT_EQ(E_NOINTERFACE, getClassObject(kExtensionClsid, IID_IShellExtInit, &object));
    EXPECT_EQ(nullptr, object) << "a refused factory is not left behind";

    IClassFactory* factory = Factory();
    ASSERT_NE(nullptr, factory);
    object = reinterpret_cast<void*>(1);
    EXPECT_EQ(CLASS_E_NOAGGREGATION, factory->CreateInstance(factory, IID_IUnknown, &object));
    EXPECT_EQ(nullptr, object);
    EXPECT_EQ(0u, factory->Release());
    EXPECT_EQ(S_OK, canUnloadNow());
}

TEST_F(ComServer, OneObjectAnswersForItsThreeInterfacesAndLogsTheOthers)
{
    IClassFactory* factory = Factory();
    IUnknown* unknown = NULL;
    ASSERT_EQ(S_OK, factory->CreateInstance(NULL, IID_IUnknown, reinterpret_cast<void**>(&unknown)));
    factory->Release();
    const struct {
        const IID* iid;
        const char* line;
    } refused[] = {
        {&IID_IContextMenu, "CShellExt::QueryInterface()==>IID_IContextMenu\r\n"},
        {&IID_IExtractIconA, "CShellExt::QueryInterface()==>IID_IExtractIcon\r\n"},
        {&IID_IPersistFile, "CShellExt::QueryInterface()==>IPersistFile\r\n"},
    };
    for (const auto& query : refused) {
        DeleteLog();
        void* answer = reinterpret_cast<void*>(1);
        EXPECT_EQ(E_NOINTERFACE, unknown->QueryInterface(*query.iid, &answer));
        EXPECT_EQ(nullptr, answer);
        EXPECT_EQ(std::string(query.line) + "CShellExt::QueryInterface()==>Unknown Interface!\r\n",
                  ReadLog());
    }

    // Every interface leads back to the one object and counts on it.
    IShellExtInit* init = NULL;
    ICopyHookA* hook = NULL;
    IShellPropSheetExt* sheet = NULL;
    IUnknown* again = NULL;
    ASSERT_EQ(S_OK, unknown->QueryInterface(IID_IShellExtInit, reinterpret_cast<void**>(&init)));
    EXPECT_EQ(static_cast<void*>(unknown), static_cast<void*>(init));
    ASSERT_EQ(S_OK, init->QueryInterface(IID_ICopyHookA, reinterpret_cast<void**>(&hook)));
    ASSERT_EQ(S_OK, hook->QueryInterface(IID_IShellPropSheetExt, reinterpret_cast<void**>(&sheet)));
    ASSERT_EQ(S_OK, sheet->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&again)));
    EXPECT_EQ(static_cast<void*>(unknown), static_cast<void*>(again));
    again->Release();
    sheet->Release();
    hook->Release();
    init->Release();
    EXPECT_EQ(0u, unknown->Release()) << "all counted on the one object";
}

TEST_F(ComServer, TheDllStaysWhileAFactoryOrAnObjectLives)
{
    IClassFactory* factory = Factory();
    IShellExtInit* init = NULL;
    ASSERT_NE(nullptr, factory);
    EXPECT_EQ(S_FALSE, canUnloadNow());
    ASSERT_EQ(S_OK, factory->CreateInstance(NULL, IID_IShellExtInit,
                                            reinterpret_cast<void**>(&init)));
    EXPECT_EQ(0u, factory->Release());
    EXPECT_EQ(S_FALSE, canUnloadNow());
    EXPECT_EQ(0u, init->Release());
    EXPECT_EQ(S_OK, canUnloadNow());
    EXPECT_EQ("In DllGetClassObject\r\n"
              "CShellExtClassFactory::CShellExtClassFactory()\r\n"
              "  (g_cRefThisDll -> 1)\r\n"
              "CShellExtClassFactory::QueryInterface()\r\n"
              "In DLLCanUnloadNow\r\n"
              "  (g_cRefThisDll -> 1)\r\n"
              "CShellExtClassFactory::CreateInstance()\r\n"
              "CShellExt::CShellExt()\r\n"
              "  (g_cRefThisDll -> 2)\r\n"
              "CShellExt::QueryInterface()==>IID_IShellExtInit\r\n"
              "CShellExt::AddRef()\r\n"
              "CShellExtClassFactory::~CShellExtClassFactory()\r\n"
              "  (g_cRefThisDll -> 1)\r\n"
              "In DLLCanUnloadNow\r\n"
              "  (g_cRefThisDll -> 1)\r\n"
              "CShellExt::Release()\r\n"
              "CShellExt::~CShellExt()\r\n"
              "  (g_cRefThisDll -> 0)\r\n"
              "In DLLCanUnloadNow\r\n"
              "  (g_cRefThisDll -> 0)\r\n",
              ReadLog());

    DeleteLog();
    FreeLibrary(module);
    module = LoadLibraryA(kDll.c_str());
    EXPECT_EQ("In DLLMain, DLL_PROCESS_DETACH\r\nIn DLLMain, DLL_PROCESS_ATTACH\r\n", ReadLog());

    // A process that ends with the DLL loaded: nothing is logged under the
    // loader lock of its exit.
    DeleteLog();
    ASSERT_EQ(0u, RunAsSetupHost(BesideThisProgram("dll_host.exe"), "\"" + kDll + "\"", 60000,
                                 false)
                      .exitCode);
    EXPECT_EQ("In DLLMain, DLL_PROCESS_ATTACH\r\n", ReadLog());
}

TEST_F(ComServer, ALockKeepsTheDllWithoutAnyObject)
{
    IClassFactory* factory = Factory();
    ASSERT_NE(nullptr, factory);
    EXPECT_EQ(S_OK, factory->LockServer(TRUE));
    EXPECT_EQ(S_OK, factory->LockServer(TRUE));
    EXPECT_EQ(0u, factory->Release());
    EXPECT_EQ(S_FALSE, canUnloadNow()) << "two locks, no object";

    factory = Factory();
    EXPECT_EQ(S_OK, factory->LockServer(FALSE));
    EXPECT_EQ(0u, factory->Release());
    EXPECT_EQ(S_FALSE, canUnloadNow()) << "one lock left";
    factory = Factory();
    EXPECT_EQ(S_OK, factory->LockServer(FALSE));
    EXPECT_EQ(0u, factory->Release());
    EXPECT_EQ(S_OK, canUnloadNow());

    // An unlock without a lock is ignored: the next lock still holds.
    factory = Factory();
    EXPECT_EQ(S_OK, factory->LockServer(FALSE));
    EXPECT_EQ(S_OK, factory->LockServer(TRUE));
    EXPECT_EQ(0u, factory->Release());
    EXPECT_EQ(S_FALSE, canUnloadNow());
    factory = Factory();
    factory->LockServer(FALSE);
    factory->Release();
    EXPECT_EQ(S_OK, canUnloadNow());
}

namespace {

DWORD RunRegsvr32(const std::string& switches)
{
    return RunAsSetupHost("regsvr32.exe", switches + " \"" + kDll + "\"", 60000, false).exitCode;
}

// The key's default value, "<none>" without the key.
std::string Classes(const std::string& subKey, const char* value = "")
{
    char text[MAX_PATH] = "<none>";
    DWORD size = sizeof text;
    SHGetValueA(HKEY_CLASSES_ROOT, subKey.c_str(), value, NULL, text, &size);
    return text;
}

}  // namespace

TEST(ComRegistration, Regsvr32RegistersWhatUninstallRemovesAndCoCreateInstanceWorks)
{
    ResetProductKeys();
    const std::string classKey = std::string("CLSID\\") + kClsidText;
    const std::string handlers[] = {
        std::string("Printers\\shellex\\PropertySheetHandlers\\") + kClsidText,
        std::string("Printers\\shellex\\CopyHookHandlers\\") + kClsidText};
    const std::string approved =
        "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Shell Extensions\\Approved";
    const std::string neighbour = "Printers\\shellex\\CopyHookHandlers\\Neighbour";
    HKEY key;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyA(HKEY_CLASSES_ROOT, neighbour.c_str(), &key));
    RegSetValueA(key, NULL, REG_SZ, "kept", 4);
    RegCloseKey(key);

    ASSERT_EQ(0u, RunRegsvr32("/s"));
    EXPECT_EQ(0, lstrcmpiA(kDll.c_str(), Classes(classKey + "\\InprocServer32").c_str()))
        << Classes(classKey + "\\InprocServer32");
    EXPECT_EQ("Apartment", Classes(classKey + "\\InprocServer32", "ThreadingModel"));
    for (const std::string& handler : handlers)
        EXPECT_EQ(kClsidText, Classes(handler)) << handler;
    EXPECT_NE("", ReadValue(HKEY_LOCAL_MACHINE, approved, kClsidText).Text());

    // The shell's way in: a copy hook deleting a product printer's entry.
    ASSERT_TRUE(SUCCEEDED(CoInitialize(NULL)));
    ICopyHookA* hook = NULL;
    ASSERT_EQ(S_OK, CoCreateInstance(kExtensionClsid, NULL, CLSCTX_INPROC_SERVER, IID_ICopyHookA,
                                     reinterpret_cast<void**>(&hook)));
    AddTargetEntry(0, kProductPrinter, 1);
    AddTargetEntry(1, kSecondProductPrinter, 1);
    EXPECT_EQ(static_cast<UINT>(IDYES), hook->CopyCallback(NULL, 0x13, 0, kProductPrinter, 0, 0, 0));
    EXPECT_EQ(std::vector<std::string>{"P0000000000000001=LP-1b,1"}, Entries());
    hook->Release();
    CoUninitialize();

    ASSERT_EQ(0u, RunRegsvr32("/u /s"));
    EXPECT_EQ("<none>", Classes(classKey));
    for (const std::string& handler : handlers)
        EXPECT_EQ("<none>", Classes(handler)) << handler;
    EXPECT_FALSE(ValueExists(HKEY_LOCAL_MACHINE, approved, kClsidText));
    EXPECT_EQ("kept", Classes(neighbour));
}
