// Stands in for the XIMP class's service program. Started without " /R" it
// is the running service: it owns a window whose class is its own file name
// and runs until that window is closed (or the tests set the event
// kStopFakeServicesEvent, or a minute has passed). Started with " /R" it
// records the start in "<own base name>.log", waits the milliseconds that
// "<own base name>.delay" holds (0 without the file), closes the running
// copy's window and ends. Built with FAKE_SERVICE_STUCK the " /R" copy only
// records its start: the service never stops.
#include "peer_record.h"

#include <cstdlib>
#include <fstream>

namespace {

const UINT_PTR kLifeTimer = 1;

LRESULT CALLBACK ServiceProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_TIMER) {
        DestroyWindow(window);
        return 0;
    }
    if (message == WM_DESTROY) {
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

int RunService()
{
    const std::string className = PeerFileName();
    WNDCLASSA wc;
    ZeroMemory(&wc, sizeof wc);
    wc.lpfnWndProc = ServiceProc;
    wc.hInstance = GetModuleHandleA(NULL);
    wc.lpszClassName = className.c_str();
    if (!RegisterClassA(&wc))
        return 1;
    HWND window = CreateWindowExA(0, className.c_str(), "XIMP service", WS_OVERLAPPEDWINDOW, 0, 0,
                                  10, 10, NULL, NULL, wc.hInstance, NULL);
    if (window == NULL)
        return 1;
    SetTimer(window, kLifeTimer, kLongestLife, NULL);
    HANDLE stop = CreateEventA(NULL, TRUE, FALSE, kStopFakeServicesEvent);
    for (;;) {
        DWORD wait = MsgWaitForMultipleObjects(1, &stop, FALSE, INFINITE, QS_ALLINPUT);
        if (wait == WAIT_OBJECT_0)
            break;
        MSG msg;
        bool quit = false;
        while (PeekMessageA(&msg, NULL, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT)
                quit = true;
            DispatchMessageA(&msg);
        }
        if (quit)
            break;
    }
    CloseHandle(stop);
    return 0;
}

void StopService()
{
    ReadyForInput();
    RecordStart();
#ifndef FAKE_SERVICE_STUCK
    DWORD delay = 0;
    std::ifstream(PeerBase() + ".delay") >> delay;
    Sleep(delay);
    HWND service = FindWindowA(PeerFileName().c_str(), NULL);
    if (service != NULL)
        PostMessageA(service, WM_CLOSE, 0, 0);
#endif
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    if (!StartedToStop())
        return RunService();
    StopService();
    return 0;
}
