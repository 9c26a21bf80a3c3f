// MONEXT01.dll as the shell meets it: loaded by path or through COM after
// regsvr32, reached only through its exports and interfaces.
#include "shellext_env.h"

#include <objbase.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <string>

namespace {

// {A03C8CDD-E1BA-42D6-96A1-C98DBF4F32B2}
const CLSID kExtensionClsid = {
    0xA03C8CDD, 0xE1BA, 0x42D6, {0x96, 0xA1, 0xC9, 0x8D, 0xBF, 0x4F, 0x32, 0xB2}};
constexpr char kClsidText[] = "{A03C8CDD-E1BA-42D6-96A1-C98DBF4F32B2}";
const CLSID kForeignClsid = {
    0x12345678, 0x1234, 0x1234, {0x12, 0x34, 0x12, 0x34, 0x12, 0x34, 0x12, 0x34}};

using GetClassObjectFn = HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**);
using CanUnloadNowFn = HRESULT(STDAPICALLTYPE*)();

// GetProcAddress's result, as the function type it really has.
template <typename Function>
Function Export(HMODULE module, const char* name)
{
    return reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

std::string DllPath()
{
    return ExeDirectory() + "\\MONEXT01.dll";
}

class ComServer : public ::testing::Test {
protected:
    void SetUp() override
    {
        ResetProductKeys();
        SetLogSwitch(true);
        module = LoadLibraryA(DllPath().c_str());
        ASSERT_NE(nullptr, module);
        DeleteLog();
        getClassObject = Export<GetClassObjectFn>(module, "DllGetClassObject");
        canUnloadNow = Export<CanUnloadNowFn>(module, "DllCanUnloadNow");
        ASSERT_NE(nullptr, getClassObject);
        ASSERT_NE(nullptr, canUnloadNow);
    }
    void TearDown() override
    {
        if (module != NULL)
            FreeLibrary(module);
        DeleteHklmTree("software\\NORVA");
        DeleteLog();
    }

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

TEST_F(ComServer, ExportsAreUndecorated)
{
    const char* names[] = {"DllGetClassObject", "DllCanUnloadNow", "DllRegisterServer",
                           "DllUnregisterServer"};
    for (const char* name : names)
        EXPECT_NE(nullptr, GetProcAddress(module, name)) << name;
    EXPECT_EQ(nullptr, GetProcAddress(module, "DllGetClassObject@12"));
    EXPECT_EQ(nullptr, GetProcAddress(module, "_DllGetClassObject@12"));
}

TEST_F(ComServer, OnlyItsOwnClassIsServed)
{
    void* object = reinterpret_cast<void*>(1);
    EXPECT_EQ(CLASS_E_CLASSNOTAVAILABLE,
              getClassObject(kForeignClsid, IID_IClassFactory, &object));
    EXPECT_EQ(nullptr, object);
    EXPECT_EQ("In DllGetClassObject\r\n", ReadLog());

    // A factory asked for an interface it lacks is not left behind.
    object = reinterpret_cast<void*>(1);
    EXPECT_EQ(E_NOINTERFACE, getClassObject(kExtensionClsid, IID_IShellExtInit, &object));
    EXPECT_EQ(nullptr, object);
    EXPECT_EQ(S_OK, canUnloadNow());

    IUnknown* unknown = NULL;
    EXPECT_EQ(S_OK, getClassObject(kExtensionClsid, IID_IUnknown,
                                   reinterpret_cast<void**>(&unknown)));
    ASSERT_NE(nullptr, unknown);
    EXPECT_EQ(0u, unknown->Release());
}

TEST_F(ComServer, TheFactoryRefusesAggregation)
{
    IClassFactory* factory = Factory();
    ASSERT_NE(nullptr, factory);
    void* object = reinterpret_cast<void*>(1);
    EXPECT_EQ(CLASS_E_NOAGGREGATION,
              factory->CreateInstance(reinterpret_cast<IUnknown*>(factory), IID_IUnknown, &object));
    EXPECT_EQ(nullptr, object);
    object = reinterpret_cast<void*>(1);
    EXPECT_EQ(E_NOINTERFACE, factory->CreateInstance(NULL, IID_IClassFactory, &object));
    EXPECT_EQ(nullptr, object);
    EXPECT_EQ(S_OK, factory->LockServer(TRUE));
    EXPECT_EQ(S_OK, factory->LockServer(FALSE));
    EXPECT_EQ(0u, factory->Release());
    EXPECT_EQ(S_OK, canUnloadNow());
}

TEST_F(ComServer, UnimplementedInterfacesAreLoggedAndRefused)
{
    IClassFactory* factory = Factory();
    IShellExtInit* init = NULL;
    ASSERT_EQ(S_OK, factory->CreateInstance(NULL, IID_IShellExtInit,
                                            reinterpret_cast<void**>(&init)));
    factory->Release();

    struct Refused {
        const IID* iid;
        const char* line;
    } refused[] = {
        {&IID_IContextMenu, "CShellExt::QueryInterface()==>IID_IContextMenu\r\n"},
        {&IID_IExtractIconA, "CShellExt::QueryInterface()==>IID_IExtractIcon\r\n"},
        {&IID_IPersistFile, "CShellExt::QueryInterface()==>IPersistFile\r\n"},
        {&IID_IDataObject, ""},
    };
    for (const Refused& query : refused) {
        DeleteLog();
        void* answer = reinterpret_cast<void*>(1);
        EXPECT_EQ(E_NOINTERFACE, init->QueryInterface(*query.iid, &answer));
        EXPECT_EQ(nullptr, answer);
        EXPECT_EQ(std::string(query.line) + "CShellExt::QueryInterface()==>Unknown Interface!\r\n",
                  ReadLog());
    }
    EXPECT_EQ(0u, init->Release());
}

TEST_F(ComServer, OneObjectAnswersForAllThreeInterfaces)
{
    IClassFactory* factory = Factory();
    IUnknown* unknown = NULL;
    ASSERT_EQ(S_OK, factory->CreateInstance(NULL, IID_IUnknown,
                                            reinterpret_cast<void**>(&unknown)));
    factory->Release();

    DeleteLog();
    IShellExtInit* init = NULL;
    ASSERT_EQ(S_OK, unknown->QueryInterface(IID_IShellExtInit, reinterpret_cast<void**>(&init)));
    EXPECT_EQ(static_cast<void*>(unknown), static_cast<void*>(init));
    EXPECT_EQ("CShellExt::QueryInterface()==>IID_IShellExtInit\r\n"
              "CShellExt::AddRef()\r\n",
              ReadLog());

    IShellPropSheetExt* sheet = NULL;
    ICopyHookA* hook = NULL;
    ASSERT_EQ(S_OK, init->QueryInterface(IID_IShellPropSheetExt,
                                         reinterpret_cast<void**>(&sheet)));
    ASSERT_EQ(S_OK, sheet->QueryInterface(IID_ICopyHookA, reinterpret_cast<void**>(&hook)));
    EXPECT_NE(static_cast<void*>(sheet), static_cast<void*>(init));
    EXPECT_NE(static_cast<void*>(hook), static_cast<void*>(sheet));

    // The secondary interfaces count on the one object and lead back to it.
    IUnknown* again = NULL;
    ASSERT_EQ(S_OK, hook->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&again)));
    EXPECT_EQ(static_cast<void*>(unknown), static_cast<void*>(again));
    EXPECT_EQ(6u, hook->AddRef());
    EXPECT_EQ(5u, sheet->Release());
    EXPECT_EQ(4u, again->Release());
    EXPECT_EQ(3u, hook->Release());
    EXPECT_EQ(2u, sheet->Release());
    EXPECT_EQ(1u, init->Release());
    EXPECT_EQ(S_FALSE, canUnloadNow());
    EXPECT_EQ(0u, unknown->Release());
    EXPECT_EQ(S_OK, canUnloadNow());
}

TEST_F(ComServer, TheDllStaysWhileAFactoryOrAnObjectLives)
{
    EXPECT_EQ(S_OK, canUnloadNow());
    DeleteLog();
    IClassFactory* factory = Factory();
    ASSERT_NE(nullptr, factory);
    EXPECT_EQ(S_FALSE, canUnloadNow());
    IShellExtInit* init = NULL;
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
}

TEST(ComServerModule, AttachAndDetachAreLogged)
{
    ResetProductKeys();
    SetLogSwitch(true);
    DeleteLog();
    HMODULE module = LoadLibraryA(DllPath().c_str());
    ASSERT_NE(nullptr, module);
    EXPECT_EQ("In DLLMain, DLL_PROCESS_ATTACH\r\n", ReadLog());
    FreeLibrary(module);
    EXPECT_EQ("In DLLMain, DLL_PROCESS_ATTACH\r\nIn DLLMain, DLL_PROCESS_DETACH\r\n", ReadLog());

    // Switched off, the DLL writes nothing at all.
    SetLogSwitch(false);
    DeleteLog();
    module = LoadLibraryA(DllPath().c_str());
    ASSERT_NE(nullptr, module);
    FreeLibrary(module);
    EXPECT_FALSE(LogExists());
    DeleteHklmTree("software\\NORVA");
}

namespace {

DWORD RunRegsvr32(const std::string& switches)
{
    std::string commandLine = "regsvr32.exe " + switches + " \"" + DllPath() + "\"";
    STARTUPINFOA startup;
    ZeroMemory(&startup, sizeof startup);
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process;
    if (!CreateProcessA(NULL, &commandLine[0], NULL, NULL, FALSE, 0, NULL, NULL, &startup,
                        &process))
        return 0xFFFFFFFFu;
    WaitForSingleObject(process.hProcess, 60000);
    DWORD exitCode = 0xFFFFFFFEu;
    GetExitCodeProcess(process.hProcess, &exitCode);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return exitCode;
}

bool ClassesKeyExists(const std::string& subKey)
{
    HKEY key;
    if (RegOpenKeyExA(HKEY_CLASSES_ROOT, subKey.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    RegCloseKey(key);
    return true;
}

std::string ClassesString(const std::string& subKey, const char* name)
{
    HKEY key;
    if (RegOpenKeyExA(HKEY_CLASSES_ROOT, subKey.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return "<no key>";
    char value[MAX_PATH] = "";
    DWORD size = sizeof value;
    LONG status = RegQueryValueExA(key, name, NULL, NULL, reinterpret_cast<BYTE*>(value), &size);
    RegCloseKey(key);
    return status == ERROR_SUCCESS ? value : "<no value>";
}

bool ApprovedValueExists()
{
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE,
                      "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Shell Extensions\\Approved",
                      0, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    LONG status = RegQueryValueExA(key, kClsidText, NULL, NULL, NULL, NULL);
    RegCloseKey(key);
    return status == ERROR_SUCCESS;
}

const std::string kClassKey = std::string("CLSID\\") + kClsidText;
const std::string kSheetHandler =
    std::string("Printers\\shellex\\PropertySheetHandlers\\") + kClsidText;
const std::string kHookHandler = std::string("Printers\\shellex\\CopyHookHandlers\\") + kClsidText;

}  // namespace

TEST(ComRegistration, Regsvr32RegistersWhatUninstallRemovesAndCoCreateInstanceWorks)
{
    EnsureTestPrinters();
    ResetProductKeys();
    WriteModelKeys();
    // A neighbour's handler must survive our unregistration.
    HKEY neighbour;
    ASSERT_EQ(ERROR_SUCCESS,
              RegCreateKeyExA(HKEY_CLASSES_ROOT, "Printers\\shellex\\CopyHookHandlers\\Neighbour",
                              0, NULL, 0, KEY_ALL_ACCESS, NULL, &neighbour, NULL));
    RegCloseKey(neighbour);

    ASSERT_EQ(0u, RunRegsvr32("/s"));
    EXPECT_EQ(0, lstrcmpiA(DllPath().c_str(),
                           ClassesString(kClassKey + "\\InprocServer32", "").c_str()))
        << ClassesString(kClassKey + "\\InprocServer32", "");
    EXPECT_EQ("Apartment", ClassesString(kClassKey + "\\InprocServer32", "ThreadingModel"));
    EXPECT_TRUE(ClassesKeyExists(kSheetHandler));
    EXPECT_TRUE(ClassesKeyExists(kHookHandler));
    EXPECT_EQ(kClsidText, ClassesString(kHookHandler, ""));
    EXPECT_TRUE(ApprovedValueExists());

    ASSERT_TRUE(SUCCEEDED(CoInitialize(NULL)));
    ICopyHookA* hook = NULL;
    ASSERT_EQ(S_OK, CoCreateInstance(kExtensionClsid, NULL, CLSCTX_INPROC_SERVER, IID_ICopyHookA,
                                     reinterpret_cast<void**>(&hook)));
    AddTargetEntry(0, kProductPrinter, 1);
    AddTargetEntry(1, kSecondProductPrinter, 1);
    EXPECT_EQ(static_cast<UINT>(IDYES),
              hook->CopyCallback(NULL, 0x13, 0, kProductPrinter, 0, NULL, 0));
    ASSERT_EQ(1u, TargetEntries().size());
    EXPECT_EQ(kSecondProductPrinter, TargetEntries()[0].name);
    IShellExtInit* init = NULL;
    EXPECT_EQ(S_OK, hook->QueryInterface(IID_IShellExtInit, reinterpret_cast<void**>(&init)));
    init->Release();
    hook->Release();
    CoUninitialize();

    ASSERT_EQ(0u, RunRegsvr32("/u /s"));
    EXPECT_FALSE(ClassesKeyExists(kClassKey));
    EXPECT_FALSE(ClassesKeyExists(kSheetHandler));
    EXPECT_FALSE(ClassesKeyExists(kHookHandler));
    EXPECT_FALSE(ApprovedValueExists());
    EXPECT_TRUE(ClassesKeyExists("Printers\\shellex\\CopyHookHandlers\\Neighbour"));
    DeleteHklmTree("software\\NORVA");
}
