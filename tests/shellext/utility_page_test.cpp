#include "utility_page.h"

#include "import_patch.h"
#include "launcher.h"
#include "printer_data_object.h"
#include "server.h"
#include "setup_host.h"
#include "shell_ext.h"
#include "japanese.h"
#include "shellext_env.h"
#include "test_windows.h"

#include <shlobj.h>

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <optional>

namespace {

BOOL CALLBACK CollectPage(HPROPSHEETPAGE page, LPARAM pages)
{
    reinterpret_cast<std::vector<HPROPSHEETPAGE>*>(pages)->push_back(page);
    return TRUE;
}

BOOL CALLBACK RefusePage(HPROPSHEETPAGE, LPARAM offered)
{
    ++*reinterpret_cast<int*>(offered);
    return FALSE;
}

HPROPSHEETPAGE WINAPI NoPage(LPCPROPSHEETPAGEA)
{
    return NULL;
}

// A comctl32 whose DestroyPropertySheetPage does not call the page back.
BOOL WINAPI DestroyWithoutNotification(HPROPSHEETPAGE)
{
    return TRUE;
}

// While it lives, this program's calls of comctl32's `name` go to `standIn`.
class Comctl32StandIn {
public:
    Comctl32StandIn(const char* name, void* standIn)
        : real(reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("comctl32.dll"), name))),
          standIn(standIn)
    {
        EXPECT_TRUE(PatchImports(real, standIn)) << name;
    }
    ~Comctl32StandIn() { PatchImports(standIn, real); }
    Comctl32StandIn(const Comctl32StandIn&) = delete;
    Comctl32StandIn& operator=(const Comctl32StandIn&) = delete;

private:
    void* real;
    void* standIn;
};

// The references on `object`, counted by taking and dropping one.
ULONG References(CShellExt* object)
{
    object->AddRef();
    return object->Release();
}

// Loaded as data, the library is no module of the process but a view of
// its file: some mapped region starts with the file's first bytes.
bool LibraryLoaded(const std::string& library = kEnglishLibrary)
{
    const std::string bytes = ReadFileBytes(library).substr(0, 1024);
    if (bytes.empty())
        return false;
    MEMORY_BASIC_INFORMATION info;
    for (const char* address = NULL;
         VirtualQuery(address, &info, sizeof info) == sizeof info && info.RegionSize != 0;
         address = static_cast<const char*>(info.BaseAddress) + info.RegionSize) {
        if (info.State == MEM_COMMIT && info.Type == MEM_MAPPED &&
            info.BaseAddress == info.AllocationBase && info.RegionSize >= bytes.size() &&
            (info.Protect & (PAGE_READONLY | PAGE_READWRITE | PAGE_WRITECOPY)) != 0 &&
            std::memcmp(info.BaseAddress, bytes.data(), bytes.size()) == 0)
            return true;
    }
    return false;
}

bool Contains(const std::string& text, const std::string& part)
{
    return text.find(part) != std::string::npos;
}

std::string WindowsErrorText(DWORD error)
{
    char text[512] = "";
    FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, NULL, error, 0,
                   text, sizeof text, NULL);
    return text;
}

class UtilityPage : public ::testing::Test {
protected:
    void SetUp() override
    {
        ResetProductKeys();
        InstallProductModel();
        liveBefore = g_cRefThisDll;
        extension = NewExtension();
        DeleteLog();
    }
    void TearDown() override
    {
        CloseSheet();
        for (CShellExt* other : others)
            other->Release();
        if (extension != NULL)
            extension->Release();
        EXPECT_EQ(liveBefore, g_cRefThisDll) << "every object and page was released";
    }

    CShellExt* NewExtension()
    {
        CShellExt* object = new CShellExt();
        object->AddRef();
        return object;
    }

    // The shell's data object for `printer`: UTF-16 on Windows NT, ANSI on
    // 95/98 unless said. Data objects outlive the extensions, as the shell's
    // do.
    PrinterDataObject& DataFor(const std::string& printer, bool wide = IsWindowsNT() != FALSE)
    {
        dataObjects.emplace_back(new PrinterDataObject(printer, wide));
        return *dataObjects.back();
    }

    HRESULT InitializeFor(const std::string& printer, CShellExt* object = NULL)
    {
        return (object != NULL ? object : extension)->Initialize(NULL, &DataFor(printer), NULL);
    }

    HRESULT AddPages(std::vector<HPROPSHEETPAGE>* pages, CShellExt* object = NULL)
    {
        return (object != NULL ? object : extension)
            ->AddPages(CollectPage, reinterpret_cast<LPARAM>(pages));
    }

    // The printer name the extension holds, as AddPages logs it first.
    std::string HeldName()
    {
        DeleteLog();
        std::vector<HPROPSHEETPAGE> pages;
        AddPages(&pages);
        for (HPROPSHEETPAGE page : pages)
            DestroyPropertySheetPage(page);
        const std::string log = ReadLog();
        const std::string head = "> CShellExt::AddPages()\r\n    PrinterName=";
        if (log.compare(0, head.size(), head) != 0)
            return "(not logged: " + log + ")";
        return log.substr(head.size(), log.find("\r\n", head.size()) - head.size());
    }

    // The page of `printer` in a modeless sheet, created at once as its only
    // page. Without `object`, the fixture's extension and sheet.
    HWND OpenSheet(const std::string& printer, CShellExt* object = NULL, HWND* sheetOut = NULL)
    {
        InitializeFor(printer, object);
        std::vector<HPROPSHEETPAGE> pages;
        EXPECT_EQ(S_OK, AddPages(&pages, object));
        if (pages.size() != 1)
            return NULL;
        HWND page = NULL;
        HWND created = ShowSheet(pages[0], &page);
        (sheetOut != NULL ? *sheetOut : sheet) = created;
        return page;
    }

    void CloseSheet()
    {
        if (sheet != NULL)
            DestroyWindow(sheet);
        sheet = NULL;
    }

    static bool Checked(HWND page)
    {
        return IsDlgButtonChecked(page, IDC_CHECK_MONITORING) == BST_CHECKED;
    }
    static void ExpectControlsEnabled(HWND page, bool enabled)
    {
        for (int id = IDC_CHECK_MONITORING; id <= IDC_BUTTON_MONITOR_SETTING; ++id)
            EXPECT_EQ(enabled, IsWindowEnabled(GetDlgItem(page, id)) != FALSE) << "control " << id;
    }
    // Presses a button and returns the record of the program it started.
    static std::string Press(HWND page, int button, const std::string& program)
    {
        DeleteFileA((program + ".txt").c_str());  // no record of an earlier start
        SendDlgItemMessageA(page, button, BM_CLICK, 0, 0);
        return WaitForRecord(program);
    }

    std::vector<std::unique_ptr<PrinterDataObject>> dataObjects;
    std::vector<CShellExt*> others;
    LONG liveBefore = 0;
    CShellExt* extension = NULL;
    HWND sheet = NULL;
};

}  // namespace

TEST_F(UtilityPage, InitializeTakesTheNameAndHoldsOneDataObjectAtATime)
{
    PrinterDataObject& data = DataFor(kOddPrinter);
    EXPECT_EQ(S_OK, extension->Initialize(NULL, &data, NULL));
    EXPECT_EQ(2, data.references);
    EXPECT_EQ("> CShellExt::Initialize()\r\n"
              "    PrinterName=LP \"%s%n%x\" 100%\r\n"
              "    SUCCESS\r\n",
              ReadLog());
    EXPECT_EQ(kOddPrinter, HeldName());

    // The list's header says how the name is written, whatever the Windows.
    for (bool wide : {true, false}) {
        EXPECT_EQ(S_OK, extension->Initialize(NULL, &DataFor(kProductPrinter, wide), NULL)) << wide;
        EXPECT_EQ(kProductPrinter, HeldName()) << wide;
    }

    // Names that do not fit, malformed lists and failures give no name.
    PrinterDataObject& huge = DataFor(std::string(1000, 'H'));
    PrinterDataObject& broken = DataFor(kProductPrinter);
    broken.brokenOffset = true;
    PrinterDataObject& failing = DataFor(kProductPrinter);
    failing.failure = DV_E_FORMATETC;
    std::string initialized;
    for (PrinterDataObject* object : {&huge, &broken, &failing}) {
        DeleteLog();
        EXPECT_EQ(E_FAIL, extension->Initialize(NULL, object, NULL));
        initialized = ReadLog();
        EXPECT_EQ("", HeldName());
    }
    EXPECT_EQ("> CShellExt::Initialize()\r\n    GetData Error (80040064)\r\n", initialized);
    EXPECT_EQ(S_OK, extension->Initialize(NULL, NULL, NULL));
    for (PrinterDataObject* object : {&data, &huge, &broken, &failing})
        EXPECT_EQ(1, object->references) << "each released once";

    // Without a product printer's name there is no page.
    std::vector<HPROPSHEETPAGE> pages;
    for (const char* printer : {"", kOtherTypePrinter, kNoTypePrinter, kForeignPrinter}) {
        InitializeFor(printer);
        DeleteLog();
        EXPECT_EQ(E_FAIL, AddPages(&pages)) << printer;
        EXPECT_TRUE(Contains(ReadLog(), "    Faild(NoXIMP)\r\n")) << ReadLog();
    }
    EXPECT_EQ(E_FAIL, extension->ReplacePage(0, CollectPage, 0));
}

TEST_F(UtilityPage, ThePageHoldsObjectAndLibraryUntilTheSheetReleasesIt)
{
    HWND page = OpenSheet(kProductPrinter);
    ASSERT_NE(nullptr, page);
    const std::string log = ReadLog();
    EXPECT_EQ("> CShellExt::AddPages()\r\n    PrinterName=LP-1\r\n    SUCCEEDED\r\n"
              "    ResourceName=" + kEnglishLibrary + "\r\nCShellExt::AddRef()\r\n"
              "    Add PropertyPage Success\r\n"
              "> NvUtyPageCallback()\r\n   PSPCB_CREATE:\r\n"
              "> NvUtyPageDlgProc()\r\n   WM_INITDIALOG:\r\n",
              log.substr(log.find("> CShellExt::AddPages()")));
    EXPECT_TRUE(LibraryLoaded());
    EXPECT_EQ(2u, References(extension)) << "the page holds the object";
    const HGDIOBJ bitmap = reinterpret_cast<HGDIOBJ>(
        SendDlgItemMessageA(page, IDC_BUTTON_VTR, BM_GETIMAGE, IMAGE_BITMAP, 0));
    EXPECT_EQ(static_cast<DWORD>(OBJ_BITMAP), GetObjectType(bitmap));

    // comctl32 counts the page through pcRefParent (Wine does not): a count
    // of its own, which only comctl32 writes.
    const PROPSHEETPAGEA* description =
        reinterpret_cast<const PROPSHEETPAGEA*>(GetWindowLongPtrA(page, DWLP_USER));
    ASSERT_NE(nullptr, description);
    EXPECT_EQ(static_cast<DWORD>(PSP_USECALLBACK | PSP_USEREFPARENT),
              description->dwFlags & (PSP_USECALLBACK | PSP_USEREFPARENT));
    EXPECT_EQ(&g_cRefPages, description->pcRefParent);

    // The shell lets go first; the sheet's release ends the object.
    extension->Release();
    extension = NULL;
    EXPECT_EQ(liveBefore + 1, g_cRefThisDll);
    EXPECT_EQ(S_FALSE, DllCanUnloadNow());
    DeleteLog();
    CloseSheet();
    EXPECT_TRUE(Contains(ReadLog(), "> NvUtyPageDlgProc()\r\n   WM_DESTROY:\r\n")) << ReadLog();
    EXPECT_TRUE(Contains(ReadLog(), "> NvUtyPageCallback()\r\n   PSPCB_RELEASE:\r\n"));
    EXPECT_EQ(0u, GetObjectType(bitmap)) << "the button's bitmap went with the page";
    EXPECT_EQ(liveBefore, g_cRefThisDll);
    EXPECT_FALSE(LibraryLoaded());
    if (liveBefore == 0) {
        EXPECT_EQ(S_OK, DllCanUnloadNow());
        ++g_cRefPages;  // as comctl32 counts a page that lives on
        EXPECT_EQ(S_FALSE, DllCanUnloadNow());
        --g_cRefPages;
    }
}

// The library is mapped as data: its dialog and bitmap make the page, and
// none of its code runs in Explorer.
TEST_F(UtilityPage, TheResourceLibrarysCodeNeverRuns)
{
    ASSERT_TRUE(CopyFileA(BesideThisProgram("shellext_testres_code.dll").c_str(),
                          kEnglishLibrary.c_str(), FALSE));
    SetEnvironmentVariableA("MONSETUP_RESOURCE_CODE_RAN", NULL);
    HWND page = OpenSheet(kProductPrinter);
    ASSERT_NE(nullptr, page);
    const HGDIOBJ bitmap = reinterpret_cast<HGDIOBJ>(
        SendDlgItemMessageA(page, IDC_BUTTON_VTR, BM_GETIMAGE, IMAGE_BITMAP, 0));
    EXPECT_EQ(static_cast<DWORD>(OBJ_BITMAP), GetObjectType(bitmap));
    CloseSheet();
    char mark[8] = "";
    EXPECT_EQ(0u, GetEnvironmentVariableA("MONSETUP_RESOURCE_CODE_RAN", mark, sizeof mark));
}

// SHELLRES names a file in the installation folder: any other name is
// refused with one log line, and nothing is loaded.
TEST_F(UtilityPage, AResourceNameOutsideTheInstallationFolderIsRefused)
{
    for (const char* name : {"..\\TX4\\NVUTYENU.DLL", "C:\\NORVA\\TX1\\NVUTYENU.DLL",
                             "sub/NVUTYENU.DLL"}) {
        SCOPED_TRACE(name);
        SetProductString(kProfileKey, "TX1",
                         WriteTempFile("REFUSED.INI", std::string("[Language]\r\nEnglish=9,1\r\n"
                                                                  "[English]\r\nSHELLRES=") +
                                                          name + "\r\n"));
        DeleteLog();
        CShellExt* object = NewExtension();
        others.push_back(object);
        std::vector<HPROPSHEETPAGE> pages;
        InitializeFor(kProductPrinter, object);
        EXPECT_EQ(S_OK, AddPages(&pages, object));
        EXPECT_TRUE(pages.empty());
        EXPECT_EQ(1u, References(object));
        EXPECT_FALSE(LibraryLoaded());
        EXPECT_TRUE(Contains(ReadLog(), std::string("    Resource name refused(") + name + ")\r\n"))
            << ReadLog();
    }
}

TEST_F(UtilityPage, AddPagesThatStopsEarlyKeepsNoReferenceAndNoLibrary)
{
    const std::string notADll = WriteTempFile("NOTADLL.DLL", "text, not a library");
    const struct {
        const char* what;
        void (*prepare)(PrinterDataObject& data);
        std::string line;
        bool noPage = false;
    } stops[] = {
        {"the data object no longer delivers the name",
         [](PrinterDataObject& data) { data.failure = E_OUTOFMEMORY; },
         "    FAILED(8007000e)\r\n"},
        {"the model has no profile",
         [](PrinterDataObject&) { DeleteProductTree(kProfileKey); },
         "    Resource name error()\r\n"},
        {"the library is no library",
         [](PrinterDataObject&) {
             SetProductString(DriverKey(kProductDriver), "InstallPath", "C:\\NORVA");
             WritePrivateProfileStringA("English", "SHELLRES", "NOTADLL.DLL",
                                        "C:\\NORVA\\profile.ini");
             WritePrivateProfileStringA("Language", "English", "9,1", "C:\\NORVA\\profile.ini");
             SetProductString(kProfileKey, "TX1", "C:\\NORVA\\profile.ini");
         },
         "    Resource load error(C:\\NORVA\\NOTADLL.DLL)\r\n"},
        {"the page cannot be created",
         [](PrinterDataObject&) {}, "CShellExt::AddRef()\r\nCShellExt::Release()\r\n", true},
    };
    for (const auto& stop : stops) {
        SCOPED_TRACE(stop.what);
        ResetProductKeys();
        InstallProductModel();
        PrinterDataObject& data = DataFor(kProductPrinter);
        ASSERT_EQ(S_OK, extension->Initialize(NULL, &data, NULL));
        stop.prepare(data);
        std::optional<Comctl32StandIn> noPage;
        if (stop.noPage)
            noPage.emplace("CreatePropertySheetPageA", reinterpret_cast<void*>(&NoPage));
        DeleteLog();
        std::vector<HPROPSHEETPAGE> pages;
        EXPECT_EQ(S_OK, AddPages(&pages));
        EXPECT_TRUE(pages.empty());
        EXPECT_TRUE(Contains(ReadLog(), stop.line)) << ReadLog();
        EXPECT_FALSE(Contains(ReadLog(), "Add PropertyPage Success"));
        EXPECT_EQ(1u, References(extension));
        EXPECT_FALSE(LibraryLoaded());
        EXPECT_FALSE(LibraryLoaded(notADll));
    }
    // None of the stops left a page held: the object still adds its page.
    ResetProductKeys();
    InstallProductModel();
    EXPECT_NE(nullptr, OpenSheet(kProductPrinter));
}

TEST_F(UtilityPage, TheBoxShowsAndAppliesTheFlagWhenBothProgramsExist)
{
    HWND page = OpenSheet(kProductPrinter);
    ASSERT_NE(nullptr, page);
    ExpectControlsEnabled(page, true);
    EXPECT_TRUE(Checked(page)) << "a printer without entry is watched";
    EXPECT_NE(0, SendDlgItemMessageA(page, IDC_BUTTON_VTR, BM_GETIMAGE, IMAGE_BITMAP, 0));
    HWND apply = GetDlgItem(sheet, 0x3021);
    EXPECT_FALSE(IsWindowEnabled(apply));
    SendDlgItemMessageA(page, IDC_CHECK_MONITORING, BM_CLICK, 0, 0);
    EXPECT_TRUE(IsWindowEnabled(apply)) << "the page told the sheet it changed";
    EXPECT_TRUE(Entries().empty()) << "nothing is written before Apply";
    EXPECT_TRUE(SendMessageA(sheet, PSM_APPLY, 0, 0));
    EXPECT_EQ(std::vector<std::string>{"P0000000000000000=LP-1,0"}, Entries());
    SendDlgItemMessageA(page, IDC_CHECK_MONITORING, BM_CLICK, 0, 0);
    EXPECT_TRUE(SendMessageA(sheet, PSM_APPLY, 0, 0));
    EXPECT_EQ(std::vector<std::string>{"P0000000000000000=LP-1,1"}, Entries());
    CloseSheet();

    AddTargetEntry(0, kProductPrinter, 0);
    SetProductString(DriverKey(kProductDriver), "MONCFG", kMoncfg + ".missing");
    page = OpenSheet(kProductPrinter);
    ASSERT_NE(nullptr, page);
    EXPECT_FALSE(Checked(page));
    ExpectControlsEnabled(page, false);
}

TEST_F(UtilityPage, AnApplyThatCannotStoreTellsWhyAndKeepsThePageOpen)
{
    HWND page = OpenSheet(kProductPrinter);
    ASSERT_NE(nullptr, page);
    SendDlgItemMessageA(page, IDC_CHECK_MONITORING, BM_CLICK, 0, 0);
    DeleteProductTree(kProductKey);  // nowhere to store the flag
    {
        MessageBoxWatcher watcher;
        EXPECT_FALSE(SendMessageA(sheet, PSM_APPLY, 0, 0)) << "the sheet was told it failed";
        ASSERT_EQ(1, watcher.shown);
        EXPECT_EQ(kProductPrinter, watcher.caption);
        EXPECT_EQ(WindowsErrorText(ERROR_FILE_NOT_FOUND), watcher.text);
    }
    EXPECT_EQ(page, reinterpret_cast<HWND>(SendMessageA(sheet, PSM_GETCURRENTPAGEHWND, 0, 0)));
    EXPECT_FALSE(Checked(page)) << "the user's choice is still there to apply";

    ResetProductKeys();
    {
        MessageBoxWatcher watcher;
        EXPECT_TRUE(SendMessageA(sheet, PSM_APPLY, 0, 0));
        EXPECT_EQ(0, watcher.shown);
    }
    EXPECT_EQ(std::vector<std::string>{"P0000000000000000=LP-1,0"}, Entries());
}

// Each button starts its model's program for the printer, also while a
// sheet of another model is open: the sheet initialised first still starts
// its own model's programs.
TEST_F(UtilityPage, TwoOpenSheetsOfDifferentModelsStartEachTheirOwnPrograms)
{
    InstallModel(kOtherModel);
    HWND first = OpenSheet(kProductPrinter);
    CShellExt* second = NewExtension();
    others.push_back(second);
    HWND secondSheet = NULL;
    HWND secondPage = OpenSheet(kOtherModelPrinter, second, &secondSheet);
    ASSERT_NE(nullptr, first);
    ASSERT_NE(nullptr, secondPage);
    const struct {
        HWND page;
        int button;
        std::string program;
        const char* line;
    } presses[] = {
        {first, IDC_BUTTON_VTR, kProductModel.Monrun(), "   IDC_BUTTON_VTR:\r\n"},
        {secondPage, IDC_BUTTON_VTR, kOtherModel.Monrun(), "   IDC_BUTTON_VTR:\r\n"},
        {first, IDC_BUTTON_MONITOR_SETTING, kProductModel.Moncfg(),
         "   IDC_BUTTON_MONITOR_SETTING:\r\n"},
    };
    for (const auto& press : presses) {
        SCOPED_TRACE(press.program);
        DeleteLog();
        const std::string record = Press(press.page, press.button, press.program);
        EXPECT_EQ(0u, record.find(press.program + " /F")) << record;
        if (press.page == first) {
            EXPECT_TRUE(Contains(record, "\n/P4 \"LP-1\"\r\n")) << record;
        }
        EXPECT_EQ(0u, ReadLog().find(std::string(press.line) + "     ExecuteVtrModule()\r\n"))
            << ReadLog();
    }
    DestroyWindow(secondSheet);
}

TEST_F(UtilityPage, ARefusedPageGivesBackItsReferenceAndLibraryOnce)
{
    // Whether destroying the refused page delivers its release notification
    // or not, the library and the reference go once.
    const struct {
        const char* what;
        bool notified;
    } refusals[] = {{"the release notification comes", true},
                    {"no release notification comes", false}};
    for (const auto& refusal : refusals) {
        SCOPED_TRACE(refusal.what);
        std::optional<Comctl32StandIn> silent;
        if (!refusal.notified)
            silent.emplace("DestroyPropertySheetPage",
                           reinterpret_cast<void*>(&DestroyWithoutNotification));
        InitializeFor(kProductPrinter);
        DeleteLog();
        int offered = 0;
        EXPECT_EQ(S_OK, extension->AddPages(RefusePage, reinterpret_cast<LPARAM>(&offered)));
        silent.reset();
        EXPECT_EQ(1, offered);
        EXPECT_EQ(refusal.notified, Contains(ReadLog(), "   PSPCB_RELEASE:\r\n")) << ReadLog();
        EXPECT_FALSE(LibraryLoaded());
        EXPECT_EQ(1u, References(extension));
    }

    // One page per object while its page lives.
    std::vector<HPROPSHEETPAGE> pages;
    EXPECT_EQ(S_OK, AddPages(&pages));
    EXPECT_EQ(S_OK, AddPages(&pages));
    ASSERT_EQ(1u, pages.size());
    EXPECT_EQ(2u, References(extension));
    DestroyPropertySheetPage(pages[0]);
    EXPECT_EQ(1u, References(extension));
    EXPECT_FALSE(LibraryLoaded());
    pages.clear();
    EXPECT_EQ(S_OK, AddPages(&pages));
    ASSERT_EQ(1u, pages.size()) << "a page again once the sheet let go of the first";
    DestroyPropertySheetPage(pages[0]);

    // Messages for a window without a page find nothing to do.
    HWND window = CreateWindowExA(0, "STATIC", "", 0, 0, 0, 10, 10, NULL, NULL, NULL, NULL);
    NMHDR applied = {window, 0, static_cast<UINT>(PSN_APPLY)};
    EXPECT_TRUE(NvUtyPageDlgProc(window, WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&applied)));
    EXPECT_TRUE(NvUtyPageDlgProc(window, WM_COMMAND, IDC_BUTTON_VTR, 0));
    EXPECT_EQ(1u, NvUtyPageCallback(NULL, PSPCB_RELEASE, NULL));
    DestroyWindow(window);
    EXPECT_TRUE(Entries().empty());
}

// A Japanese printer's page starts the programs with its name, in the code
// page's bytes and counted in bytes, in the parameter file.
TEST_F(UtilityPage, AJapanesePrinterNameReachesTheProgramsUnchanged)
{
    REQUIRE_JAPANESE_SYSTEM();
    const std::string printer = AddProductPrinter("ソフト評価 ポータブル");  // '\\' ']' '|' '['
    ASSERT_FALSE(printer.empty());
    HWND page = OpenSheet(printer);
    ASSERT_NE(nullptr, page);
    const std::string line = "\n/P" + std::to_string(printer.size()) + " \"" + printer + "\"\r\n";
    EXPECT_TRUE(Contains(Press(page, IDC_BUTTON_VTR, kMonrun), line));
    EXPECT_TRUE(Contains(Press(page, IDC_BUTTON_MONITOR_SETTING, kMoncfg), line));
}
