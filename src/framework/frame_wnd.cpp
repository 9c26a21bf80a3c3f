#include "frame_wnd.h"

#include "app.h"

namespace {

bool IsMainWindow(const CFrameWnd* frame)
{
    CWinApp* app = CWinApp::Current();
    return app != nullptr && app->mainWnd == frame;
}

}  // namespace

CFrameWnd::~CFrameWnd()
{
    if (hwnd != NULL) {
        SetWindowLongPtrA(hwnd, GWLP_USERDATA, 0);
        ::DestroyWindow(hwnd);
    }
}

BOOL CFrameWnd::RegisterClassOnce(UINT style, HICON icon, HCURSOR cursor, HBRUSH background,
                                  const char* className)
{
    WNDCLASSA wc;
    if (GetClassInfoA(CWinApp::ModuleInstance(), className, &wc))
        return TRUE;
    ZeroMemory(&wc, sizeof wc);
    wc.style = style;
    wc.lpfnWndProc = StaticWindowProc;
    wc.hInstance = CWinApp::ModuleInstance();
    wc.hIcon = icon;
    wc.hCursor = cursor;
    wc.hbrBackground = background;
    wc.lpszClassName = className;
    return RegisterClassA(&wc) != 0;
}

BOOL CFrameWnd::Create(const char* className, const char* title, DWORD style, const RECT& rect,
                       HWND parent)
{
    HWND created = CreateWindowExA(0, className, title, style, rect.left, rect.top,
                                   rect.right - rect.left, rect.bottom - rect.top, parent, NULL,
                                   CWinApp::ModuleInstance(), this);
    return created != NULL;
}

BOOL CFrameWnd::DestroyWindow()
{
    return hwnd != NULL && ::DestroyWindow(hwnd);
}

LRESULT CFrameWnd::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_CLOSE:
        OnClose();
        return 0;
    case WM_TIMER:
        OnTimer(wParam);
        return 0;
    case WM_QUERYENDSESSION:
        if (IsMainWindow(this))
            return CWinApp::Current()->SaveAllModified();
        return TRUE;
    case WM_ENDSESSION:
        if (wParam && IsMainWindow(this))
            CWinApp::Current()->ExitInstance();
        return 0;
    default:
        return Default(message, wParam, lParam);
    }
}

void CFrameWnd::OnClose()
{
    DestroyWindow();
}

void CFrameWnd::OnTimer(UINT_PTR id)
{
    Default(WM_TIMER, id, 0);
}

LRESULT CFrameWnd::Default(UINT message, WPARAM wParam, LPARAM lParam)
{
    return DefWindowProcA(hwnd, message, wParam, lParam);
}

void CFrameWnd::PostNcDestroy()
{
    if (IsMainWindow(this)) {
        CWinApp::Current()->mainWnd = nullptr;
        PostQuitMessage(0);
    }
    if (autoDelete)
        delete this;
}

// Runs one message through the object. The object may be deleted by the time
// WindowProc returns (its window destroyed), so nothing here touches it after.
LRESULT CFrameWnd::Dispatch(UINT message, WPARAM wParam, LPARAM lParam)
{
    try {
        return WindowProc(message, wParam, lParam);
    } catch (...) {
        // Nothing thrown may unwind into the system's message dispatch.
        return 0;
    }
}

LRESULT CALLBACK CFrameWnd::StaticWindowProc(HWND hwnd, UINT message, WPARAM wParam,
                                             LPARAM lParam)
{
    if (message == WM_NCCREATE) {
        auto* create = reinterpret_cast<CREATESTRUCTA*>(lParam);
        auto* frame = static_cast<CFrameWnd*>(create->lpCreateParams);
        if (frame != nullptr) {
            frame->hwnd = hwnd;
            SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(frame));
        }
    }

    // Messages before WM_NCCREATE (WM_GETMINMAXINFO) find no object yet.
    auto* frame = reinterpret_cast<CFrameWnd*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    if (frame == nullptr)
        return DefWindowProcA(hwnd, message, wParam, lParam);

    if (message == WM_NCDESTROY) {
        LRESULT result = DefWindowProcA(hwnd, message, wParam, lParam);
        SetWindowLongPtrA(hwnd, GWLP_USERDATA, 0);
        frame->hwnd = NULL;
        frame->PostNcDestroy();
        return result;
    }
    return frame->Dispatch(message, wParam, lParam);
}
