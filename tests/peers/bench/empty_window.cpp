// The baselines of the maintenance-run timing: a program that creates one
// hidden window, destroys it and ends through its message loop. The DLLs
// named on its command line are loaded first (under Wine the spooler's DLL
// walks every printer when it is loaded).
#include <windows.h>

#include <cstring>

namespace {

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_DESTROY) {
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int)
{
    for (char* name = std::strtok(commandLine, " "); name != NULL; name = std::strtok(NULL, " "))
        LoadLibraryA(name);
    WNDCLASSA wc = {};
    wc.lpfnWndProc = WindowProc;
    wc.hInstance = instance;
    wc.lpszClassName = "EmptyWindowClass";
    RegisterClassA(&wc);
    HWND window = CreateWindowExA(0, "EmptyWindowClass", "Empty", WS_OVERLAPPEDWINDOW, 0, 0, 100,
                                  100, NULL, NULL, instance, NULL);
    DestroyWindow(window);
    MSG msg;
    while (GetMessageA(&msg, NULL, 0, 0) > 0)
        DispatchMessageA(&msg);
    return 0;
}
