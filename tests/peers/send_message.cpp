// Posts a message to a window found by class and title, the way the SDK
// installers answer MONCHK04.
//   send_message CLASS TITLE MESSAGE WPARAM LPARAM [WAIT_SECONDS [COUNT [INTERVAL_MS]]]
// An empty CLASS or TITLE ("") matches any. Numbers may be decimal or 0x hex.
// COUNT posts (default 1) INTERVAL_MS apart stand in for a timer's ticks;
// they end early once the window is gone.
// Exit status: 0 posted, 1 no such window within the wait, 2 bad arguments.
#include <windows.h>

#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv)
{
    if (argc < 6) {
        std::fprintf(stderr, "usage: send_message CLASS TITLE MESSAGE WPARAM LPARAM [WAIT]\n");
        return 2;
    }
    const char* className = argv[1][0] ? argv[1] : NULL;
    const char* title = argv[2][0] ? argv[2] : NULL;
    UINT message = static_cast<UINT>(std::strtoul(argv[3], nullptr, 0));
    WPARAM wParam = static_cast<WPARAM>(std::strtoul(argv[4], nullptr, 0));
    LPARAM lParam = static_cast<LPARAM>(std::strtoul(argv[5], nullptr, 0));
    DWORD waitMs = argc > 6 ? static_cast<DWORD>(std::strtoul(argv[6], nullptr, 10)) * 1000 : 0;

    const unsigned long count = argc > 7 ? std::strtoul(argv[7], nullptr, 10) : 1;
    const DWORD intervalMs = argc > 8 ? static_cast<DWORD>(std::strtoul(argv[8], nullptr, 10)) : 0;

    const DWORD start = GetTickCount();
    HWND window = NULL;
    while ((window = FindWindowA(className, title)) == NULL) {
        if (GetTickCount() - start >= waitMs)
            return 1;
        Sleep(50);
    }
    if (!PostMessageA(window, message, wParam, lParam))
        return 1;
    for (unsigned long posted = 1; posted < count; ++posted) {
        Sleep(intervalMs);
        if (!PostMessageA(window, message, wParam, lParam))
            break;
    }
    return 0;
}
