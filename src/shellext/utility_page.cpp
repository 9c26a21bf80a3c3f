#include "utility_page.h"

#include "ext_log.h"
#include "launcher.h"
#include "server.h"
#include "shell_ext.h"
#include "target_registry.h"
#include "text_format.h"

#include <cstdio>

namespace {

const int kPageControls[] = {IDC_CHECK_MONITORING, IDC_UTILITY_CONTROL_2, IDC_UTILITY_CONTROL_3,
                             IDC_BUTTON_VTR, IDC_BUTTON_MONITOR_SETTING};

// The object behind a page window, through the page description kept at
// WM_INITDIALOG; NULL before that.
CShellExt* PageObject(HWND hwnd)
{
    const PROPSHEETPAGEA* page =
        reinterpret_cast<const PROPSHEETPAGEA*>(GetWindowLongPtrA(hwnd, DWLP_USER));
    return page != NULL ? reinterpret_cast<CShellExt*>(page->lParam) : NULL;
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
    CShellExt* object = PageObject(hwnd);
    if (object == NULL)
        return TRUE;
    SetVtrButtonBitmap(hwnd, object->resourceLibrary);
    EnableControls(hwnd, LocateModules(object->Model(), object->modules));
    CheckDlgButton(hwnd, IDC_CHECK_MONITORING,
                   ReadMonitoring(object->printerName) ? BST_CHECKED : BST_UNCHECKED);
    return TRUE;
}

BOOL OnCommand(HWND hwnd, WPARAM wParam)
{
    CShellExt* object = PageObject(hwnd);
    if (object == NULL)
        return TRUE;
    switch (LOWORD(wParam)) {
    case IDC_CHECK_MONITORING:
        SendMessageA(GetParent(hwnd), PSM_CHANGED, reinterpret_cast<WPARAM>(hwnd), 0);
        break;
    case IDC_BUTTON_VTR:
        ExtDebugLog("   IDC_BUTTON_VTR:\r\n");
        ExecuteVtrModule(object->printerName, object->modules.monrun);
        break;
    case IDC_BUTTON_MONITOR_SETTING:
        ExtDebugLog("   IDC_BUTTON_MONITOR_SETTING:\r\n");
        ExecuteVtrModule(object->printerName, object->modules.moncfg);
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
BOOL OnApply(HWND hwnd, CShellExt* object)
{
    const BOOL on = IsDlgButtonChecked(hwnd, IDC_CHECK_MONITORING) == BST_CHECKED;
    DWORD error = ERROR_NOT_ENOUGH_MEMORY;  // unless the store answers
    try {
        if (WriteMonitoring(object->printerName, on))
            return TRUE;
        error = GetLastError();
    } catch (...) {
    }
    if (error == ERROR_SUCCESS)
        error = ERROR_GEN_FAILURE;
    ReportApplyFailure(hwnd, object->printerName, error);
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
    CShellExt* object = PageObject(hwnd);
    if (header == NULL || object == NULL)
        return TRUE;
    if (header->code == static_cast<UINT>(PSN_APPLY))
        return OnApply(hwnd, object);
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

}  // namespace

void FillUtilityPage(CShellExt* object, PROPSHEETPAGEA* page)
{
    ZeroMemory(page, sizeof *page);
    page->dwSize = PROPSHEETPAGEA_V1_SIZE;
    page->dwFlags = PSP_USECALLBACK | PSP_USEREFPARENT;
    page->hInstance = object->resourceLibrary;
    page->pszTemplate = MAKEINTRESOURCEA(kUtilityPageTemplate);
    page->pfnDlgProc = NvUtyPageDlgProc;
    page->lParam = reinterpret_cast<LPARAM>(object);
    page->pfnCallback = NvUtyPageCallback;
    page->pcRefParent = &g_cRefPages;
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
            CShellExt* object = ppsp != NULL ? reinterpret_cast<CShellExt*>(ppsp->lParam) : NULL;
            if (object != NULL)
                object->ReleasePage();
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
