// MONEXT01.dll with each of its calls failing in turn, in process: every
// entry point answers one of its documented values, throws nothing across
// COM, and leaves no object, page, handle, key or bitmap behind (counted
// through the fault layer). On the page, Apply either stores the box's
// state or tells the person why not; the buttons' starts are not awaited.
//   MONSETUP_FAULT_SAMPLE=S   only S values of k, evenly spread (default all;
//                             at most 10 where MONSETUP_EMULATED is set)
#include "fault_layer.h"
#include "printer_data_object.h"
#include "setup_host.h"
#include "shellext_env.h"
#include "test_windows.h"
#include "utility_page.h"

#include <commctrl.h>
#include <objbase.h>
#include <olectl.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <set>
#include <string>
#include <vector>

namespace {

const CLSID kExtensionClsid = {
    0xA03C8CDD, 0xE1BA, 0x42D6, {0x96, 0xA1, 0xC9, 0x8D, 0xBF, 0x4F, 0x32, 0xB2}};

HMODULE module = NULL;

template <typename F>
F Export(const char* name)
{
    return reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

template <typename I>
I* Create(REFIID iid)
{
    IClassFactory* factory = NULL;
    using GetClassObjectFn = HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**);
    if (Export<GetClassObjectFn>("DllGetClassObject")(kExtensionClsid, IID_IClassFactory,
                                                      reinterpret_cast<void**>(&factory)) != S_OK)
        return NULL;
    I* object = NULL;
    factory->CreateInstance(NULL, iid, reinterpret_cast<void**>(&object));
    factory->Release();
    return object;
}

long Entry(const char* name)
{
    return Export<HRESULT(STDAPICALLTYPE*)()>(name)();
}

long CopyHook(UINT func, const char* source, const char* destination)
{
    ICopyHookA* hook = Create<ICopyHookA>(IID_ICopyHookA);
    if (hook == NULL)
        return IDYES;  // the shell goes on without a hook it cannot make
    const UINT answer = hook->CopyCallback(NULL, func, 0, source, 0, destination, 0);
    hook->Release();
    return static_cast<long>(answer);
}

BOOL CALLBACK DestroyPage(HPROPSHEETPAGE page, LPARAM)
{
    DestroyPropertySheetPage(page);
    return TRUE;
}

long AddPages()
{
    IShellExtInit* init = Create<IShellExtInit>(IID_IShellExtInit);
    if (init == NULL)
        return S_OK;
    PrinterDataObject data(kProductPrinter, IsWindowsNT() != FALSE);
    IShellPropSheetExt* sheet = NULL;
    long answer = init->Initialize(NULL, &data, NULL);
    if (answer == S_OK &&
        init->QueryInterface(IID_IShellPropSheetExt, reinterpret_cast<void**>(&sheet)) == S_OK) {
        answer = sheet->AddPages(DestroyPage, 0);
        sheet->Release();
    }
    init->Release();
    return answer;
}

BOOL CALLBACK CollectPage(HPROPSHEETPAGE page, LPARAM pages)
{
    reinterpret_cast<std::vector<HPROPSHEETPAGE>*>(pages)->push_back(page);
    return TRUE;
}

// The page in a modeless sheet, `act` done on it, the sheet closed. The
// answer is AddPages'; `acted` tells whether the page was there to act on.
bool acted = false;
long OnPage(const std::function<void(HWND sheet, HWND page)>& act)
{
    acted = false;
    IShellExtInit* init = Create<IShellExtInit>(IID_IShellExtInit);
    if (init == NULL)
        return S_OK;
    PrinterDataObject data(kProductPrinter, IsWindowsNT() != FALSE);
    IShellPropSheetExt* sheetExt = NULL;
    std::vector<HPROPSHEETPAGE> pages;
    long answer = init->Initialize(NULL, &data, NULL);
    if (answer == S_OK &&
        init->QueryInterface(IID_IShellPropSheetExt, reinterpret_cast<void**>(&sheetExt)) == S_OK) {
        answer = sheetExt->AddPages(CollectPage, reinterpret_cast<LPARAM>(&pages));
        sheetExt->Release();
    }
    init->Release();
    for (HPROPSHEETPAGE page : pages) {
        HWND pageWindow = NULL;
        HWND sheet = ShowSheet(page, &pageWindow);
        if (sheet == NULL) {
            DestroyPropertySheetPage(page);
            continue;
        }
        if (pageWindow != NULL) {
            act(sheet, pageWindow);
            acted = true;
        }
        DestroyWindow(sheet);
    }
    return answer;
}

// After Apply the state the box showed is stored, or a message box said
// why not. "" when so.
MessageBoxWatcher* watcher = nullptr;
bool boxOn = false;
std::string appliedOrTold(const char*)
{
    const std::string stored = std::string("P0000000000000000=LP-1,") + (boxOn ? "1" : "0");
    if (!acted || watcher->shown > 0 || Entries() == std::vector<std::string>{stored})
        return "";
    return "Apply neither stored the box's state nor said why";
}

void Press(HWND page, int button)
{
    SendDlgItemMessageA(page, button, BM_CLICK, 0, 0);
}

struct Scenario {
    const char* name;
    std::function<long()> run;
    std::set<long> documented;
    std::function<std::string(const char* call)> outcome = [](const char*) {
        return std::string();
    };
};

const Scenario kScenarios[] = {
    {"DllRegisterServer", [] { return Entry("DllRegisterServer"); },
     {S_OK, SELFREG_E_CLASS, E_UNEXPECTED}},
    {"DllUnregisterServer", [] { return Entry("DllUnregisterServer"); }, {S_OK, E_UNEXPECTED}},
    {"copy hook, delete", [] { return CopyHook(FO_DELETE, kProductPrinter, NULL); }, {IDYES}},
    {"copy hook, rename", [] { return CopyHook(FO_RENAME, "LP-1 new", kProductPrinter); },
     {IDYES}},
    {"AddPages", AddPages, {S_OK, E_FAIL, E_OUTOFMEMORY, E_UNEXPECTED}},
    {"page shown and closed", [] { return OnPage([](HWND, HWND) {}); },
     {S_OK, E_FAIL, E_OUTOFMEMORY, E_UNEXPECTED}},
    {"page, box cleared and applied",
     [] {
         return OnPage([](HWND sheet, HWND page) {
             SendDlgItemMessageA(page, IDC_CHECK_MONITORING, BM_CLICK, 0, 0);
             boxOn = IsDlgButtonChecked(page, IDC_CHECK_MONITORING) == BST_CHECKED;
             SendMessageA(sheet, PSM_APPLY, 0, 0);
         });
     },
     {S_OK, E_FAIL, E_OUTOFMEMORY, E_UNEXPECTED}, appliedOrTold},
    {"page, utility button",
     [] {
         return OnPage([](HWND, HWND page) { Press(page, IDC_BUTTON_VTR); });
     },
     {S_OK, E_FAIL, E_OUTOFMEMORY, E_UNEXPECTED}},
    {"page, settings button",
     [] {
         return OnPage([](HWND, HWND page) { Press(page, IDC_BUTTON_MONITOR_SETTING); });
     },
     {S_OK, E_FAIL, E_OUTOFMEMORY, E_UNEXPECTED}},
};

void Prepare()
{
    ResetProductKeys();
    InstallProductModel();
    AddTargetEntry(0, kProductPrinter, 1);
}

}  // namespace

TEST(Monext01Faults, EveryCallFailingInTurnLeavesADocumentedAnswerAndNothingBehind)
{
    ASSERT_EQ(S_OK, CoInitialize(NULL));
    module = LoadLibraryA(BesideThisProgram("MONEXT01.dll").c_str());
    ASSERT_NE(nullptr, module);
    ASSERT_GT(FaultLayerPatch(module), 20);
    const char* sampleText = std::getenv("MONSETUP_FAULT_SAMPLE");
    long sample = sampleText != nullptr ? std::atol(sampleText) : 0;
    // The emulated i386 system (scripts/vm-i386.sh) is some eight times slower.
    if (std::getenv("MONSETUP_EMULATED") != nullptr && (sample == 0 || sample > 10))
        sample = 10;
    auto canUnload = Export<HRESULT(STDAPICALLTYPE*)()>("DllCanUnloadNow");
    MessageBoxWatcher boxes;
    watcher = &boxes;
    for (const Scenario& scenario : kScenarios) {
        Prepare();
        FaultLayerArm(0, NULL, 0);
        scenario.run();
        const long calls = FaultLayerCalls();
        EXPECT_GT(calls, 0) << scenario.name;
        int faults = 0;
        for (long k = 1; k <= calls; ++k) {
            if (sample > 1 && sample < calls && (k - 1) % ((calls + sample - 1) / sample) != 0)
                continue;
            Prepare();
            boxes.shown = 0;
            const long held = FaultLayerHeld();
            FaultLayerArm(k, NULL, 0);
            long answer = 0;
            try {
                answer = scenario.run();
            } catch (...) {
                ADD_FAILURE() << scenario.name << ": call " << k << " threw across COM";
            }
            const char* call = FaultLayerInjected();
            FaultLayerArm(0, NULL, 0);
            if (call == nullptr)
                continue;
            ++faults;
            const std::string where = std::string(scenario.name) + ", call " +
                                      std::to_string(k) + " (" + call + ") failing";
            EXPECT_EQ(1u, scenario.documented.count(answer)) << where << ": answer " << answer;
            EXPECT_EQ(S_OK, canUnload()) << where << ": an object or page is left";
            EXPECT_EQ(held, FaultLayerHeld()) << where << ": a handle, key, page or bitmap is left";
            EXPECT_EQ("", scenario.outcome(call)) << where;
        }
        std::printf("%s: %ld calls, %d faults injected\n", scenario.name, calls, faults);
    }
    CoUninitialize();
}
