// A top-level frame window bound to a C++ object. The window procedure sends
// every message to the overridable WindowProc, whose default dispatches
// WM_CLOSE to OnClose and WM_TIMER to OnTimer and answers the end-of-session
// messages for the application. Destroying the application's main window
// ends the message loop.
#pragma once

#include <windows.h>

class CFrameWnd {
public:
    CFrameWnd() = default;
    virtual ~CFrameWnd();
    CFrameWnd(const CFrameWnd&) = delete;
    CFrameWnd& operator=(const CFrameWnd&) = delete;

    // Registers a window class unless one of that name is registered already.
    // The class's window procedure is the framework's.
    static BOOL RegisterClassOnce(UINT style, HICON icon, HCURSOR cursor, HBRUSH background,
                                  const char* className);

    BOOL Create(const char* className, const char* title, DWORD style, const RECT& rect,
                HWND parent = NULL);
    BOOL DestroyWindow();

    virtual LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam);
    virtual void OnClose();
    virtual void OnTimer(UINT_PTR id);

    LRESULT Default(UINT message, WPARAM wParam, LPARAM lParam);

    HWND hwnd = NULL;
    // Set for frames made with new: the object deletes itself once its
    // window is gone, as the application's main frame does.
    bool autoDelete = false;

protected:
    // Called after the window is destroyed; may delete the object.
    virtual void PostNcDestroy();

private:
    static LRESULT CALLBACK StaticWindowProc(HWND hwnd, UINT message, WPARAM wParam,
                                             LPARAM lParam);
    LRESULT Dispatch(UINT message, WPARAM wParam, LPARAM lParam);
};
