#include "dialog.h"

#include "app.h"
#include "frame_wnd.h"

INT_PTR CDialog::DoModal()
{
    CWinApp* app = CWinApp::Current();
    HWND owner = parent;
    if (owner == NULL && app != nullptr && app->mainWnd != nullptr)
        owner = app->mainWnd->hwnd;
    // The system's modal loop ends on WM_QUIT and posts it again.
    INT_PTR result = DialogBoxParamA(CWinApp::ModuleInstance(), MAKEINTRESOURCEA(templateId),
                                     owner, StaticDialogProc, reinterpret_cast<LPARAM>(this));
    hwnd = NULL;
    return result;
}

void CDialog::EndDialog(INT_PTR result)
{
    if (hwnd != NULL)
        ::EndDialog(hwnd, result);
}

INT_PTR CALLBACK CDialog::StaticDialogProc(HWND hwnd, UINT message, WPARAM wParam,
                                           LPARAM lParam)
{
    if (message == WM_INITDIALOG) {
        auto* dialog = reinterpret_cast<CDialog*>(lParam);
        dialog->hwnd = hwnd;
        SetWindowLongPtrA(hwnd, DWLP_USER, lParam);
    }
    // Messages before WM_INITDIALOG (WM_SETFONT) find no object yet.
    auto* dialog = reinterpret_cast<CDialog*>(GetWindowLongPtrA(hwnd, DWLP_USER));
    if (dialog == nullptr)
        return FALSE;

    try {
        switch (message) {
        case WM_INITDIALOG:
            return dialog->OnInitDialog();
        case WM_TIMER:
            dialog->OnTimer(wParam);
            return TRUE;
        default:
            return FALSE;
        }
    } catch (...) {
        return FALSE;
    }
}
