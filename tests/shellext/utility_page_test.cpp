#include "utility_page.h"

#include "fake_data_object.h"
#include "launcher.h"
#include "server.h"
#include "shell_ext.h"
#include "shellext_env.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

const std::string kEnglishLibrary = std::string(kInstallDir) + "\\NVUTYENU.DLL";
const std::string kProgramDir = std::string(kInstallDir) + "\\bin";
const std::string kMonrun = kProgramDir + "\\fake_monrun.exe";
const std::string kMoncfg = kProgramDir + "\\fake_moncfg.exe";
constexpr int kApplyButton = 0x3021;

BOOL CALLBACK CollectPage(HPROPSHEETPAGE page, LPARAM lParam)
{
    reinterpret_cast<std::vector<HPROPSHEETPAGE>*>(lParam)->push_back(page);
    return TRUE;
}

BOOL CALLBACK RefusePage(HPROPSHEETPAGE, LPARAM lParam)
{
    ++*reinterpret_cast<int*>(lParam);
    return FALSE;
}

bool LibraryLoaded()
{
    return GetModuleHandleA(kEnglishLibrary.c_str()) != NULL;
}

bool Contains(const std::string& text, const std::string& part)
{
    return text.find(part) != std::string::npos;
}

class UtilityPage : public ::testing::Test {
protected:
    void SetUp() override
    {
        EnsureTestPrinters();
        ResetProductKeys();
        WriteModelKeys();
        MakeDirectories(kProgramDir);
        ASSERT_TRUE(CopyBuiltFile("shellext_testres.dll", kEnglishLibrary));
        ASSERT_TRUE(CopyBuiltFile("fake_monrun.exe", kMonrun));
        ASSERT_TRUE(CopyBuiltFile("fake_moncfg.exe", kMoncfg));
        DeleteFileA((kMonrun + ".txt").c_str());
        DeleteFileA((kMoncfg + ".txt").c_str());
        const std::string driver = DriverKey(kProductDriver);
        SetHklmString(driver, "InstallPath", kInstallDir);
        SetHklmString(driver, "ModelID", "TX1");
        SetHklmString(driver, "MONRUN", kMonrun);
        SetHklmString(driver, "MONCFG", kMoncfg);
        SetHklmString("software\\NORVA\\VTR3\\Profile", "TX1", ProfileFixture("model.ini"));
        SetLogSwitch(true);
        liveBefore = g_cRefThisDll;
        extension = new CShellExt();
        extension->AddRef();
        DeleteLog();
    }
    void TearDown() override
    {
        if (sheet != NULL)
            DestroyWindow(sheet);
        if (extension != NULL)
            extension->Release();
        EXPECT_EQ(liveBefore, g_cRefThisDll) << "every object and page was released";
        DeleteHklmTree("software\\NORVA");
        DeleteLog();
    }

    // Hands the extension a data object for `printer`, as the shell does; the
    // data objects outlive the extension.
    HRESULT InitializeFor(const std::string& printer)
    {
        dataObjects.emplace_back(new FakeDataObject(printer));
        return extension->Initialize(NULL, dataObjects.back().get(), NULL);
    }

    // Adds the page of `printer` to a modeless sheet; the page window is
    // created at once, as the sheet's first page.
    HWND OpenSheet(const std::string& printer)
    {
        InitializeFor(printer);
        std::vector<HPROPSHEETPAGE> pages;
        EXPECT_EQ(S_OK, extension->AddPages(CollectPage, reinterpret_cast<LPARAM>(&pages)));
        if (pages.size() != 1)
            return NULL;
        PROPSHEETHEADERA header;
        ZeroMemory(&header, sizeof header);
        header.dwSize = PROPSHEETHEADERA_V1_SIZE;
        header.dwFlags = PSH_MODELESS;
        header.pszCaption = "Printer properties";
        header.nPages = 1;
        header.phpage = pages.data();
        sheet = reinterpret_cast<HWND>(PropertySheetA(&header));
        if (sheet == NULL)
            return NULL;
        return reinterpret_cast<HWND>(SendMessageA(sheet, PSM_GETCURRENTPAGEHWND, 0, 0));
    }

    void CloseSheet()
    {
        DestroyWindow(sheet);
        sheet = NULL;
    }

    static bool Enabled(HWND page, int id) { return IsWindowEnabled(GetDlgItem(page, id)) != FALSE; }
    static bool Checked(HWND page) { return IsDlgButtonChecked(page, IDC_CHECK_MONITORING) == BST_CHECKED; }

    std::vector<std::unique_ptr<FakeDataObject>> dataObjects;
    LONG liveBefore = 0;
    CShellExt* extension = NULL;
    HWND sheet = NULL;
};

}  // namespace

TEST_F(UtilityPage, InitializeTakesThePrinterNameFromTheDataObject)
{
    FakeDataObject data(kOddPrinter);
    EXPECT_EQ(S_OK, extension->Initialize(NULL, &data, NULL));
    EXPECT_STREQ(kOddPrinter, extension->printerName);
    EXPECT_EQ(2, data.references());
    EXPECT_EQ("> CShellExt::Initialize()\r\n"
              "    PrinterName=LP \"%s%n%x\" 100%\r\n"
              "    SUCCESS\r\n",
              ReadLog());

    // A second call lets go of the first data object.
    FakeDataObject second(kProductPrinter);
    EXPECT_EQ(S_OK, extension->Initialize(NULL, &second, NULL));
    EXPECT_EQ(1, data.references());
    EXPECT_EQ(2, second.references());
    EXPECT_STREQ(kProductPrinter, extension->printerName);
    extension->Release();
    extension = NULL;
    EXPECT_EQ(1, second.references());
}

TEST_F(UtilityPage, AFailingDataObjectIsHeldAndReleasedOnce)
{
    FakeDataObject data(kProductPrinter);
    data.FailAfter(0, DV_E_FORMATETC);
    EXPECT_EQ(E_FAIL, extension->Initialize(NULL, &data, NULL));
    EXPECT_STREQ("", extension->printerName);
    EXPECT_EQ("> CShellExt::Initialize()\r\n"
              "    GetData Error (80040064)\r\n",
              ReadLog());
    extension->Release();
    extension = NULL;
    EXPECT_EQ(1, data.references());
}

TEST_F(UtilityPage, NamesThatDoNotFitOrMalformedListsGiveNoName)
{
    FakeDataObject huge(std::string(1000, 'H'));
    EXPECT_EQ(E_FAIL, extension->Initialize(NULL, &huge, NULL));
    EXPECT_STREQ("", extension->printerName);

    FakeDataObject broken(kProductPrinter);
    broken.BreakOffset();
    EXPECT_EQ(E_FAIL, extension->Initialize(NULL, &broken, NULL));
    EXPECT_STREQ("", extension->printerName);
    EXPECT_EQ(1, huge.references());

    FakeDataObject longest(std::string(259, 'L'));
    EXPECT_EQ(S_OK, extension->Initialize(NULL, &longest, NULL));
    EXPECT_EQ(std::string(259, 'L'), extension->printerName);

    EXPECT_EQ(S_OK, extension->Initialize(NULL, NULL, NULL));
    EXPECT_STREQ("", extension->printerName);
    std::vector<HPROPSHEETPAGE> pages;
    EXPECT_EQ(E_FAIL, extension->AddPages(CollectPage, reinterpret_cast<LPARAM>(&pages)));
    EXPECT_TRUE(pages.empty());
}

TEST_F(UtilityPage, OnlyProductPrintersGetThePage)
{
    const char* others[] = {kOtherTypePrinter, kNoTypePrinter, kForeignPrinter};
    for (const char* printer : others) {
        InitializeFor(printer);
        DeleteLog();
        std::vector<HPROPSHEETPAGE> pages;
        EXPECT_EQ(E_FAIL, extension->AddPages(CollectPage, reinterpret_cast<LPARAM>(&pages)))
            << printer;
        EXPECT_TRUE(pages.empty());
        EXPECT_TRUE(Contains(ReadLog(), "    Faild(NoXIMP)\r\n")) << ReadLog();
    }
    EXPECT_EQ(1, extension->refCount);
    EXPECT_EQ(E_FAIL, extension->ReplacePage(0, CollectPage, 0));
}

TEST_F(UtilityPage, NoPageWithoutTheNameFormatOrTheResourceLibrary)
{
    FakeDataObject data(kProductPrinter);
    data.FailAfter(1, E_UNEXPECTED);
    ASSERT_EQ(S_OK, extension->Initialize(NULL, &data, NULL));
    DeleteLog();
    std::vector<HPROPSHEETPAGE> pages;
    EXPECT_EQ(S_OK, extension->AddPages(CollectPage, reinterpret_cast<LPARAM>(&pages)));
    EXPECT_EQ("> CShellExt::AddPages()\r\n"
              "    PrinterName=LP-1\r\n"
              "    FAILED(8000ffff)\r\n",
              ReadLog());
    InitializeFor(kProductPrinter);

    SetHklmString(DriverKey(kProductDriver), "ModelID", "");
    DeleteLog();
    EXPECT_EQ(S_OK, extension->AddPages(CollectPage, reinterpret_cast<LPARAM>(&pages)));
    EXPECT_TRUE(Contains(ReadLog(), "    SUCCEEDED\r\n    Resource name error()\r\n"))
        << ReadLog();

    SetHklmString(DriverKey(kProductDriver), "ModelID", "TX1");
    WriteTextFile(kEnglishLibrary, "not a library");
    DeleteLog();
    EXPECT_EQ(S_OK, extension->AddPages(CollectPage, reinterpret_cast<LPARAM>(&pages)));
    EXPECT_TRUE(Contains(ReadLog(), "    ResourceName=" + kEnglishLibrary +
                                        "\r\n    Resource load error(" + kEnglishLibrary +
                                        ")\r\n"))
        << ReadLog();
    EXPECT_TRUE(pages.empty());
    EXPECT_EQ(1, extension->refCount);
    EXPECT_EQ(nullptr, extension->resourceLibrary);
}

TEST_F(UtilityPage, ThePageShowsTheFlagAndEnablesItsControls)
{
    HWND page = OpenSheet(kProductPrinter);
    ASSERT_NE(nullptr, page);
    std::string log = ReadLog();
    EXPECT_TRUE(Contains(log, "    ResourceName=" + kEnglishLibrary + "\r\n")) << log;
    EXPECT_TRUE(Contains(log, "    Add PropertyPage Success\r\n")) << log;
    EXPECT_TRUE(Contains(log, "> NvUtyPageCallback()\r\n   PSPCB_CREATE:\r\n")) << log;
    EXPECT_TRUE(Contains(log, "> NvUtyPageDlgProc()\r\n   WM_INITDIALOG:\r\n")) << log;

    EXPECT_TRUE(LibraryLoaded());
    EXPECT_EQ(2, extension->refCount) << "the page holds the object";
    for (int id = IDC_CHECK_MONITORING; id <= IDC_BUTTON_MONITOR_SETTING; ++id)
        EXPECT_TRUE(Enabled(page, id)) << "control " << id;
    EXPECT_TRUE(Checked(page)) << "a printer without entry is watched";
    EXPECT_NE(0, SendDlgItemMessageA(page, IDC_BUTTON_VTR, BM_GETIMAGE, IMAGE_BITMAP, 0));
    EXPECT_EQ(kMonrun, monrunPath);
    EXPECT_EQ(kMoncfg, moncfgPath);

    // The sheet's copy of the page description names the module count as
    // the page's parent reference.
    const PROPSHEETPAGEA* description =
        reinterpret_cast<const PROPSHEETPAGEA*>(GetWindowLongPtrA(page, DWLP_USER));
    ASSERT_NE(nullptr, description);
    EXPECT_EQ(static_cast<DWORD>(PSP_USECALLBACK | PSP_USEREFPARENT),
              description->dwFlags & (PSP_USECALLBACK | PSP_USEREFPARENT));
    EXPECT_EQ(reinterpret_cast<UINT*>(&g_cRefThisDll), description->pcRefParent);
    EXPECT_EQ(reinterpret_cast<LPARAM>(extension), description->lParam);

    DeleteLog();
    CloseSheet();
    log = ReadLog();
    EXPECT_TRUE(Contains(log, "> NvUtyPageDlgProc()\r\n   WM_DESTROY:\r\n")) << log;
    EXPECT_TRUE(Contains(log, "> NvUtyPageCallback()\r\n   PSPCB_RELEASE:\r\n")) << log;
    EXPECT_FALSE(LibraryLoaded());
    EXPECT_EQ(1, extension->refCount);
    EXPECT_EQ(nullptr, extension->resourceLibrary);
}

TEST_F(UtilityPage, UncheckingAndApplyingSwitchesMonitoringOff)
{
    HWND page = OpenSheet(kProductPrinter);
    ASSERT_NE(nullptr, page);
    HWND apply = GetDlgItem(sheet, kApplyButton);
    EXPECT_FALSE(IsWindowEnabled(apply));
    SendDlgItemMessageA(page, IDC_CHECK_MONITORING, BM_CLICK, 0, 0);
    EXPECT_FALSE(Checked(page));
    EXPECT_TRUE(IsWindowEnabled(apply)) << "the page told the sheet it changed";
    EXPECT_TRUE(TargetEntries().empty()) << "nothing is written before Apply";

    SendMessageA(sheet, PSM_APPLY, 0, 0);
    std::vector<TargetEntry> entries = TargetEntries();
    ASSERT_EQ(1u, entries.size());
    EXPECT_EQ(kProductPrinter, entries[0].name);
    EXPECT_EQ(0u, entries[0].monitoring);

    SendDlgItemMessageA(page, IDC_CHECK_MONITORING, BM_CLICK, 0, 0);
    SendMessageA(sheet, PSM_APPLY, 0, 0);
    entries = TargetEntries();
    ASSERT_EQ(1u, entries.size());
    EXPECT_EQ(1u, entries[0].monitoring);
}

TEST_F(UtilityPage, AnEntryThatIsOffShowsTheBoxUnchecked)
{
    AddTargetEntry(4, kProductPrinter, 0);
    HWND page = OpenSheet(kProductPrinter);
    ASSERT_NE(nullptr, page);
    EXPECT_FALSE(Checked(page));
}

TEST_F(UtilityPage, ControlsAreDisabledWhenAProgramIsMissing)
{
    SetHklmString(DriverKey(kProductDriver), "MONCFG", kProgramDir + "\\missing.exe");
    HWND page = OpenSheet(kProductPrinter);
    ASSERT_NE(nullptr, page);
    for (int id = IDC_CHECK_MONITORING; id <= IDC_BUTTON_MONITOR_SETTING; ++id)
        EXPECT_FALSE(Enabled(page, id)) << "control " << id;
}

TEST_F(UtilityPage, TheButtonsStartTheProgramsForThePrinter)
{
    HWND page = OpenSheet(kProductPrinter);
    ASSERT_NE(nullptr, page);
    DeleteLog();
    SendDlgItemMessageA(page, IDC_BUTTON_VTR, BM_CLICK, 0, 0);
    ASSERT_TRUE(WaitForFile(kMonrun + ".txt"));
    std::string record = ReadBinaryFile(kMonrun + ".txt");
    EXPECT_EQ(0u, record.find(kMonrun + " /F")) << record;
    EXPECT_TRUE(Contains(record, "\n/P4 \"LP-1\"\r\n")) << record;
    EXPECT_EQ(0u, ReadLog().find("   IDC_BUTTON_VTR:\r\n     ExecuteVtrModule()\r\n"))
        << ReadLog();

    SendDlgItemMessageA(page, IDC_BUTTON_MONITOR_SETTING, BM_CLICK, 0, 0);
    ASSERT_TRUE(WaitForFile(kMoncfg + ".txt"));
    record = ReadBinaryFile(kMoncfg + ".txt");
    EXPECT_EQ(0u, record.find(kMoncfg + " /F")) << record;
    EXPECT_TRUE(Contains(record, "\n/P4 \"LP-1\"\r\n")) << record;
    EXPECT_TRUE(Contains(ReadLog(), "   IDC_BUTTON_MONITOR_SETTING:\r\n")) << ReadLog();
}

TEST_F(UtilityPage, ARefusedPageGivesBackItsReferenceAndLibraryOnce)
{
    InitializeFor(kProductPrinter);
    int offered = 0;
    EXPECT_EQ(S_OK, extension->AddPages(RefusePage, reinterpret_cast<LPARAM>(&offered)));
    EXPECT_EQ(1, offered);
    EXPECT_FALSE(Contains(ReadLog(), "Add PropertyPage Success")) << ReadLog();
    EXPECT_FALSE(LibraryLoaded());
    EXPECT_EQ(nullptr, extension->resourceLibrary);
    EXPECT_EQ(1, extension->refCount);
    EXPECT_EQ(liveBefore + 1, g_cRefThisDll);

    // A later release notification for the same page finds nothing to do.
    PROPSHEETPAGEA description;
    FillUtilityPage(extension, &description);
    NvUtyPageCallback(NULL, PSPCB_RELEASE, &description);
    EXPECT_EQ(1, extension->refCount);

    // And the object can still offer a page that is accepted.
    std::vector<HPROPSHEETPAGE> pages;
    EXPECT_EQ(S_OK, extension->AddPages(CollectPage, reinterpret_cast<LPARAM>(&pages)));
    ASSERT_EQ(1u, pages.size());
    EXPECT_EQ(2, extension->refCount);
    // One page per object: a second one would share the first one's library.
    EXPECT_EQ(S_OK, extension->AddPages(CollectPage, reinterpret_cast<LPARAM>(&pages)));
    EXPECT_EQ(1u, pages.size());
    EXPECT_EQ(2, extension->refCount);
    DestroyPropertySheetPage(pages[0]);
    NvUtyPageCallback(NULL, PSPCB_RELEASE, &description);
    NvUtyPageCallback(NULL, PSPCB_RELEASE, &description);
    EXPECT_EQ(1, extension->refCount);
    EXPECT_FALSE(LibraryLoaded());
}

TEST_F(UtilityPage, ThePageOutlivesTheShellsReference)
{
    HWND page = OpenSheet(kProductPrinter);
    ASSERT_NE(nullptr, page);
    extension->Release();
    extension = NULL;
    EXPECT_EQ(liveBefore + 1, g_cRefThisDll) << "the page keeps the object";
    EXPECT_EQ(S_FALSE, DllCanUnloadNow());
    SendMessageA(sheet, PSM_APPLY, 0, 0);
    CloseSheet();
    EXPECT_EQ(liveBefore, g_cRefThisDll);
    EXPECT_EQ(liveBefore == 0 ? S_OK : S_FALSE, DllCanUnloadNow());
    EXPECT_FALSE(LibraryLoaded());
}

TEST_F(UtilityPage, ThePageProceduresSurviveMessagesWithoutAPage)
{
    HWND window = CreateWindowExA(0, "STATIC", "", 0, 0, 0, 10, 10, NULL, NULL, NULL, NULL);
    ASSERT_NE(nullptr, window);
    NMHDR apply = {window, 0, static_cast<UINT>(PSN_APPLY)};
    EXPECT_TRUE(NvUtyPageDlgProc(window, WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&apply)));
    EXPECT_TRUE(NvUtyPageDlgProc(window, WM_COMMAND, IDC_BUTTON_VTR, 0));
    EXPECT_TRUE(NvUtyPageDlgProc(window, WM_DRAWITEM, 0, 0));
    EXPECT_FALSE(NvUtyPageDlgProc(window, WM_TIMER, 0, 0));
    EXPECT_EQ(1u, NvUtyPageCallback(NULL, PSPCB_RELEASE, NULL));
    EXPECT_EQ(1u, NvUtyPageCallback(NULL, 0, NULL));
    DestroyWindow(window);
    EXPECT_TRUE(TargetEntries().empty());
}
