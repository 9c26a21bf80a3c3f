// A modal dialog built on a dialog template of the program's resources.
// Without a parent it is owned by the application's main window. Its modal
// loop ends when WM_QUIT arrives, and WM_QUIT is passed on to the caller's
// message loop.
#pragma once

#include <windows.h>

class CDialog {
public:
    explicit CDialog(UINT templateId, HWND parent = NULL)
        : templateId(templateId), parent(parent) {}
    virtual ~CDialog() = default;
    CDialog(const CDialog&) = delete;
    CDialog& operator=(const CDialog&) = delete;

    // Runs the dialog; returns the EndDialog result, or -1 when the dialog
    // could not be created.
    INT_PTR DoModal();
    void EndDialog(INT_PTR result);

    // FALSE when the handler set the focus itself.
    virtual BOOL OnInitDialog() { return TRUE; }
    virtual void OnTimer(UINT_PTR /*id*/) {}

    HWND hwnd = NULL;

protected:
    UINT templateId;
    HWND parent;

private:
    static INT_PTR CALLBACK StaticDialogProc(HWND hwnd, UINT message, WPARAM wParam,
                                             LPARAM lParam);
};
