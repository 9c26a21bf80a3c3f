#include "utility_page.h"

#include "launcher.h"
#include "printer_data_object.h"
#include "server.h"
#include "shell_ext.h"
#include "shellext_env.h"
#include "test_windows.h"

#include <shlobj.h>

#include <gtest/gtest.h>

#include <memory>

namespace {

// The shell's data object for `printer`: the name in UTF-16 on Windows NT,
// in ANSI on 95/98.
class FakeDataObject : public PrinterDataObject {
public:
    explicit FakeDataObject(const std::string& printer) : PrinterDataObject(printer, IsWindowsNT()) {}
};

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
        ResetProductKeys();
        InstallProductModel();
        liveBefore = g_cRefThisDll;
        extension = new CShellExt();
        extension->AddRef();
        DeleteLog();
    }
    void TearDown() override
    {
        CloseSheet();
        if (extension != NULL)
            extension->Release();
        EXPECT_EQ(liveBefore, g_cRefThisDll) << "every object and page was released";
    }

    // Data objects outlive the extension, as the shell's do.
    HRESULT InitializeFor(const std::string& printer)
    {
        dataObjects.emplace_back(new FakeDataObject(printer));
        return extension->Initialize(NULL, dataObjects.back().get(), NULL);
    }

    HRESULT AddPages(std::vector<HPROPSHEETPAGE>* pages)
    {
        return extension->AddPages(CollectPage, reinterpret_cast<LPARAM>(pages));
    }

    // The page of `printer` in a modeless sheet, created at once as its only page.
    HWND OpenSheet(const std::string& printer)
    {
        InitializeFor(printer);
        std::vector<HPROPSHEETPAGE> pages;
        EXPECT_EQ(S_OK, AddPages(&pages));
        if (pages.size() != 1)
            return NULL;
        PROPSHEETHEADERA header = {};
        header.dwSize = PROPSHEETHEADERA_V1_SIZE;
        header.dwFlags = PSH_MODELESS;
        header.pszCaption = "Printer properties";
        header.nPages = 1;
        header.phpage = pages.data();
        sheet = reinterpret_cast<HWND>(PropertySheetA(&header));
        return reinterpret_cast<HWND>(SendMessageA(sheet, PSM_GETCURRENTPAGEHWND, 0, 0));
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

    std::vector<std::unique_ptr<FakeDataObject>> dataObjects;
    LONG liveBefore = 0;
    CShellExt* extension = NULL;
    HWND sheet = NULL;
};

}  // namespace

TEST_F(UtilityPage, InitializeTakesTheNameAndHoldsOneDataObjectAtATime)
{
    FakeDataObject data(kOddPrinter);
    EXPECT_EQ(S_OK, extension->Initialize(NULL, &data, NULL));
    EXPECT_STREQ(kOddPrinter, extension->printerName);
    EXPECT_EQ(2, data.references);
    EXPECT_EQ("> CShellExt::Initialize()\r\n"
              "    PrinterName=LP \"%s%n%x\" 100%\r\n"
              "    SUCCESS\r\n",
              ReadLog());

    // Names that do not fit, malformed lists and failures give no name.
    FakeDataObject huge(std::string(1000, 'H'));
    FakeDataObject broken(kProductPrinter);
    broken.brokenOffset = true;
    FakeDataObject failing(kProductPrinter);
    failing.failure = DV_E_FORMATETC;
    for (FakeDataObject* object : {&huge, &broken, &failing}) {
        DeleteLog();
        EXPECT_EQ(E_FAIL, extension->Initialize(NULL, object, NULL));
        EXPECT_STREQ("", extension->printerName);
    }
    EXPECT_EQ("> CShellExt::Initialize()\r\n    GetData Error (80040064)\r\n", ReadLog());
    EXPECT_EQ(S_OK, extension->Initialize(NULL, NULL, NULL));
    for (FakeDataObject* object : {&data, &huge, &broken, &failing})
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
    EXPECT_EQ(2, extension->refCount) << "the page holds the object";

    // Wine does not count pcRefParent: the page must name the module count.
    const PROPSHEETPAGEA* description =
        reinterpret_cast<const PROPSHEETPAGEA*>(GetWindowLongPtrA(page, DWLP_USER));
    ASSERT_NE(nullptr, description);
    EXPECT_EQ(static_cast<DWORD>(PSP_USECALLBACK | PSP_USEREFPARENT),
              description->dwFlags & (PSP_USECALLBACK | PSP_USEREFPARENT));
    EXPECT_EQ(reinterpret_cast<UINT*>(&g_cRefThisDll), description->pcRefParent);

    // The shell lets go first; the sheet's release ends the object.
    extension->Release();
    extension = NULL;
    EXPECT_EQ(liveBefore + 1, g_cRefThisDll);
    EXPECT_EQ(S_FALSE, DllCanUnloadNow());
    DeleteLog();
    CloseSheet();
    EXPECT_TRUE(Contains(ReadLog(), "> NvUtyPageDlgProc()\r\n   WM_DESTROY:\r\n")) << ReadLog();
    EXPECT_TRUE(Contains(ReadLog(), "> NvUtyPageCallback()\r\n   PSPCB_RELEASE:\r\n"));
    EXPECT_EQ(liveBefore, g_cRefThisDll);
    EXPECT_EQ(liveBefore == 0 ? S_OK : S_FALSE, DllCanUnloadNow());
    EXPECT_FALSE(LibraryLoaded());
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
    SendMessageA(sheet, PSM_APPLY, 0, 0);
    EXPECT_EQ(std::vector<std::string>{"P0000000000000000=LP-1,0"}, Entries());
    SendDlgItemMessageA(page, IDC_CHECK_MONITORING, BM_CLICK, 0, 0);
    SendMessageA(sheet, PSM_APPLY, 0, 0);
    EXPECT_EQ(std::vector<std::string>{"P0000000000000000=LP-1,1"}, Entries());
    CloseSheet();

    AddTargetEntry(0, kProductPrinter, 0);
    SetHklmString(DriverKey(kProductDriver), "MONCFG", kMoncfg + ".missing");
    page = OpenSheet(kProductPrinter);
    ASSERT_NE(nullptr, page);
    EXPECT_FALSE(Checked(page));
    ExpectControlsEnabled(page, false);
}

TEST_F(UtilityPage, TheButtonsStartTheProgramsForThePrinter)
{
    HWND page = OpenSheet(kProductPrinter);
    ASSERT_NE(nullptr, page);
    const struct {
        int button;
        const std::string& program;
        const char* line;
    } buttons[] = {{IDC_BUTTON_VTR, kMonrun, "   IDC_BUTTON_VTR:\r\n"},
                   {IDC_BUTTON_MONITOR_SETTING, kMoncfg, "   IDC_BUTTON_MONITOR_SETTING:\r\n"}};
    for (const auto& button : buttons) {
        DeleteLog();
        DeleteFileA((button.program + ".txt").c_str());  // no record of an earlier start
        SendDlgItemMessageA(page, button.button, BM_CLICK, 0, 0);
        const std::string record = WaitForRecord(button.program);
        EXPECT_EQ(0u, record.find(button.program + " /F")) << record;
        EXPECT_TRUE(Contains(record, "\n/P4 \"LP-1\"\r\n")) << record;
        EXPECT_EQ(0u, ReadLog().find(std::string(button.line) + "     ExecuteVtrModule()\r\n"))
            << ReadLog();
    }
}

TEST_F(UtilityPage, ARefusedPageGivesBackItsReferenceAndLibraryOnce)
{
    InitializeFor(kProductPrinter);
    int offered = 0;
    EXPECT_EQ(S_OK, extension->AddPages(RefusePage, reinterpret_cast<LPARAM>(&offered)));
    EXPECT_EQ(1, offered);
    EXPECT_FALSE(LibraryLoaded());
    EXPECT_EQ(1, extension->refCount);
    PROPSHEETPAGEA description;
    FillUtilityPage(extension, &description);
    NvUtyPageCallback(NULL, PSPCB_RELEASE, &description);
    EXPECT_EQ(1, extension->refCount) << "a late release notification finds nothing to do";

    // One page per object: a second would share the first one's library.
    std::vector<HPROPSHEETPAGE> pages;
    EXPECT_EQ(S_OK, AddPages(&pages));
    EXPECT_EQ(S_OK, AddPages(&pages));
    ASSERT_EQ(1u, pages.size());
    EXPECT_EQ(2, extension->refCount);
    DestroyPropertySheetPage(pages[0]);
    NvUtyPageCallback(NULL, PSPCB_RELEASE, &description);
    NvUtyPageCallback(NULL, PSPCB_RELEASE, &description);
    EXPECT_EQ(1, extension->refCount);
    EXPECT_FALSE(LibraryLoaded());

    // Messages for a window without a page find nothing to do.
    HWND window = CreateWindowExA(0, "STATIC", "", 0, 0, 0, 10, 10, NULL, NULL, NULL, NULL);
    NMHDR applied = {window, 0, static_cast<UINT>(PSN_APPLY)};
    EXPECT_TRUE(NvUtyPageDlgProc(window, WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&applied)));
    EXPECT_TRUE(NvUtyPageDlgProc(window, WM_COMMAND, IDC_BUTTON_VTR, 0));
    EXPECT_EQ(1u, NvUtyPageCallback(NULL, PSPCB_RELEASE, NULL));
    DestroyWindow(window);
    EXPECT_TRUE(Entries().empty());
}
