#include "utility_page.h"

#include "bounded_copy.h"
#include "ext_log.h"
#include "launcher.h"
#include "resource_library.h"
#include "server.h"
#include "target_registry.h"
#include "text_format.h"

#include <cstdio>
#include <memory>
#include <new>

namespace {

const int kPageControls[] = {IDC_CHECK_MONITORING, IDC_UTILITY_CONTROL_2, IDC_UTILITY_CONTROL_3,
                             IDC_BUTTON_VTR, IDC_BUTTON_MONITOR_SETTING};

// The page's own state, from AddPages until the sheet releases the page: its
// printer and model, the model's programs (each sheet runs on a thread of its
// own and keeps its own), the resource library and the owner's reference.
class UtilityPage {
public:
    UtilityPage(const char* printer, const PrinterModel& printerModel) : model(printerModel)
    {
        CopyIfFits(printerName, sizeof printerName, printer);
    }
    ~UtilityPage()
    {
        if (library != NULL)
            FreeLibrary(library);
        if (owner != nullptr)
            owner->ReleasePageReference();
        if (freed != nullptr)
            *freed = true;
    }
    UtilityPage(const UtilityPage&) = delete;
    UtilityPage& operator=(const UtilityPage&) = delete;

    BOOL LoadResources(const char* path)
    {
        // Only its resources are used: none of its code may run in Explorer.
        library = LoadLibraryExA(path, NULL, LOAD_LIBRARY_AS_DATAFILE);
        return library != NULL;
    }
    void Hold(PageOwner& pageOwner)
    {
        pageOwner.AddPageReference();
        owner = &pageOwner;
    }
    // While set, `*flag` is made true when the page is freed.
    void ReportFreeing(bool* flag) { freed = flag; }

    PROPSHEETPAGEA Description()
    {
        PROPSHEETPAGEA page;
        ZeroMemory(&page, sizeof page);
        page.dwSize = PROPSHEETPAGEA_V1_SIZE;
        page.dwFlags = PSP_USECALLBACK | PSP_USEREFPARENT;
        page.hInstance = library;
        page.pszTemplate = MAKEINTRESOURCEA(kUtilityPageTemplate);
        page.pfnDlgProc = NvUtyPageDlgProc;
        page.lParam = reinterpret_cast<LPARAM>(this);
        page.pfnCallback = NvUtyPageCallback;
        page.pcRefParent = &g_cRefPages;
        return page;
    }

    HINSTANCE Library() const { return library; }
    const char* PrinterName() const { return printerName; }
    // TRUE when both of the model's programs exist.
    BOOL FindModules() { return LocateModules(model, modules); }
    const ModulePaths& Modules() const { return modules; }

private:
    char printerName[kNameSize] = "";
    PrinterModel model;
    ModulePaths modules;
    HINSTANCE library = NULL;
    PageOwner* owner = nullptr;
    bool* freed = nullptr;
};

// The page behind a page window, through the page description kept at
// WM_INITDIALOG; NULL before that.
UtilityPage* PageOf(HWND hwnd)
{
    const PROPSHEETPAGEA* page =
        reinterpret_cast<const PROPSHEETPAGEA*>(GetWindowLongPtrA(hwnd, DWLP_USER));
    return page != NULL ? reinterpret_cast<UtilityPage*>(page->lParam) : NULL;
}

void SetVtrButtonBitmap(HWND hwnd, HINSTANCE library)
{
    if (library == NULL)
        return;
    HBITMAP bitmap = LoadBitmapA(library, MAKEINTRESOURCEA(kVtrButtonBitmap));
    if (bitmap == NULL)
        return;
    SendDlgItemMessageA(hwnd, IDC_BUTTON_VTR, BM_SETIMAGE, IMAGE_BITMAP,
                        reinterpret_cast<LPARAM>(bitmap));
}

void EnableControls(HWND hwnd, BOOL enable)
{
    for (int id : kPageControls) {
        HWND control = GetDlgItem(hwnd, id);
        if (control != NULL)
            EnableWindow(control, enable);
    }
}

BOOL OnInitDialog(HWND hwnd, LPARAM lParam)
{
    ExtDebugLog("> NvUtyPageDlgProc()\r\n");
    ExtDebugLog("   WM_INITDIALOG:\r\n");
    SetWindowLongPtrA(hwnd, DWLP_USER, lParam);
    UtilityPage* page = PageOf(hwnd);
    if (page == NULL)
        return TRUE;
    SetVtrButtonBitmap(hwnd, page->Library());
    EnableControls(hwnd, page->FindModules());
    CheckDlgButton(hwnd, IDC_CHECK_MONITORING,
                   ReadMonitoring(page->PrinterName()) ? BST_CHECKED : BST_UNCHECKED);
    return TRUE;
}

BOOL OnCommand(HWND hwnd, WPARAM wParam)
{
    const UtilityPage* page = PageOf(hwnd);
    if (page == NULL)
        return TRUE;
    switch (LOWORD(wParam)) {
    case IDC_CHECK_MONITORING:
        SendMessageA(GetParent(hwnd), PSM_CHANGED, reinterpret_cast<WPARAM>(hwnd), 0);
        break;
    case IDC_BUTTON_VTR:
        ExtDebugLog("   IDC_BUTTON_VTR:\r\n");
        ExecuteVtrModule(page->PrinterName(), page->Modules().monrun);
        break;
    case IDC_BUTTON_MONITOR_SETTING:
        ExtDebugLog("   IDC_BUTTON_MONITOR_SETTING:\r\n");
        ExecuteVtrModule(page->PrinterName(), page->Modules().moncfg);
        break;
    default:
        break;
    }
    return TRUE;
}

// Tells the user that the flag was not stored, in Windows' words for why.
void ReportApplyFailure(HWND hwnd, const char* printerName, DWORD error)
{
    char text[512];
    if (FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, NULL, error,
                       0, text, sizeof text, NULL) == 0)
        FormatText(text, sizeof text, "Error %lu", static_cast<unsigned long>(error));
    MessageBoxA(hwnd, text, printerName, MB_OK | MB_ICONSTOP);
}

// Stores the box's state. When that fails the user is told and the sheet
// stays open on this page, rather than accepting what was not stored.
BOOL OnApply(HWND hwnd, const UtilityPage& page)
{
    const BOOL on = IsDlgButtonChecked(hwnd, IDC_CHECK_MONITORING) == BST_CHECKED;
    DWORD error = ERROR_NOT_ENOUGH_MEMORY;  // unless the store answers
    try {
        if (WriteMonitoring(page.PrinterName(), on))
            return TRUE;
        error = GetLastError();
    } catch (...) {
    }
    if (error == ERROR_SUCCESS)
        error = ERROR_GEN_FAILURE;
    ReportApplyFailure(hwnd, page.PrinterName(), error);
    SetWindowLongPtrA(hwnd, DWLP_MSGRESULT, PSNRET_INVALID_NOCHANGEPAGE);
    return TRUE;
}

// Every notification is answered with 0 (PSNRET_NOERROR; FALSE to the
// sheet's questions) unless an apply fails: the answer stays in the window
// until it is set again.
BOOL OnNotify(HWND hwnd, LPARAM lParam)
{
    SetWindowLongPtrA(hwnd, DWLP_MSGRESULT, PSNRET_NOERROR);
    const NMHDR* header = reinterpret_cast<const NMHDR*>(lParam);
    const UtilityPage* page = PageOf(hwnd);
    if (header == NULL || page == NULL)
        return TRUE;
    if (header->code == static_cast<UINT>(PSN_APPLY))
        return OnApply(hwnd, *page);
    return TRUE;
}

BOOL OnDestroy(HWND hwnd)
{
    ExtDebugLog("> NvUtyPageDlgProc()\r\n");
    ExtDebugLog("   WM_DESTROY:\r\n");
    HGDIOBJ bitmap = reinterpret_cast<HGDIOBJ>(
        SendDlgItemMessageA(hwnd, IDC_BUTTON_VTR, BM_GETIMAGE, IMAGE_BITMAP, 0));
    if (bitmap != NULL)
        DeleteObject(bitmap);
    return TRUE;
}

INT_PTR HandlePageMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg) {
    case WM_INITDIALOG:
        return OnInitDialog(hwnd, lParam);
    case WM_COMMAND:
        return OnCommand(hwnd, wParam);
    case WM_NOTIFY:
        return OnNotify(hwnd, lParam);
    case WM_DRAWITEM:
        return TRUE;
    case WM_DESTROY:
        return OnDestroy(hwnd);
    default:
        return FALSE;
    }
}

// The model's resource library into `path` (kNameSize bytes); FALSE, with
// its log line, when it cannot be named.
BOOL NameResourceLibrary(const PrinterModel& model, char* path)
{
    const int resolved = ResolveResourceLibrary(model, path, kNameSize);
    if (resolved == kResourceNameRefused) {
        ExtDebugLog("    Resource name refused(%s)\r\n", path);
        return FALSE;
    }
    if (resolved != 0) {
        ExtDebugLog("    Resource name error(%s)\r\n", path);
        return FALSE;
    }
    ExtDebugLog("    ResourceName=%s\r\n", path);
    return TRUE;
}

// From here on the page's release notification frees the page; it may come
// while the shell takes the page, or as a refused page is destroyed.
void HandOver(UtilityPage* page, HPROPSHEETPAGE handle, LPFNADDPROPSHEETPAGE lpfnAddPage,
              LPARAM lParam)
{
    bool freed = false;
    page->ReportFreeing(&freed);
    if (lpfnAddPage != NULL && lpfnAddPage(handle, lParam)) {
        if (!freed)
            page->ReportFreeing(nullptr);
        ExtDebugLog("    Add PropertyPage Success\r\n");
        return;
    }
    DestroyPropertySheetPage(handle);
    // Without the notification the page is freed here, once all the same.
    if (!freed)
        delete page;
}

}  // namespace

HRESULT AddUtilityPage(PageOwner& owner, const char* printerName, const PrinterModel& model,
                       LPFNADDPROPSHEETPAGE lpfnAddPage, LPARAM lParam)
{
    char path[kNameSize];
    if (!NameResourceLibrary(model, path))
        return S_OK;
    // Without memory for its state there is no page, as when the sheet
    // cannot create one.
    std::unique_ptr<UtilityPage> page(new (std::nothrow) UtilityPage(printerName, model));
    if (page == nullptr)
        return S_OK;
    if (!page->LoadResources(path)) {
        ExtDebugLog("    Resource load error(%s)\r\n", path);
        return S_OK;
    }
    page->Hold(owner);
    const PROPSHEETPAGEA description = page->Description();
    HPROPSHEETPAGE handle = CreatePropertySheetPageA(&description);
    if (handle == NULL)
        return S_OK;
    HandOver(page.release(), handle, lpfnAddPage, lParam);
    return S_OK;
}

UINT CALLBACK NvUtyPageCallback(HWND, UINT uMsg, LPPROPSHEETPAGEA ppsp)
{
    return Guarded<UINT>(1, [&]() -> UINT {
        if (uMsg == PSPCB_CREATE) {
            ExtDebugLog("> NvUtyPageCallback()\r\n");
            ExtDebugLog("   PSPCB_CREATE:\r\n");
        } else if (uMsg == PSPCB_RELEASE) {
            ExtDebugLog("> NvUtyPageCallback()\r\n");
            ExtDebugLog("   PSPCB_RELEASE:\r\n");
            UtilityPage* page = ppsp != NULL ? reinterpret_cast<UtilityPage*>(ppsp->lParam) : NULL;
            delete page;
        }
        return 1;
    });
}

INT_PTR CALLBACK NvUtyPageDlgProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    return Guarded<INT_PTR>(FALSE, [&]() -> INT_PTR {
        return HandlePageMessage(hwnd, msg, wParam, lParam);
    });
}
