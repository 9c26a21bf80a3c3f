// Posts a message to a window found by class and title, the way the SDK
// installers answer MONCHK04.
//   send_message CLASS TITLE MESSAGE WPARAM LPARAM [WAIT_SECONDS]
// An empty CLASS or TITLE ("") matches any. Numbers may be decimal or 0x hex.
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

    const DWORD start = GetTickCount();
    for (;;) {
        HWND window = FindWindowA(className, title);
        if (window != NULL)
            return PostMessageA(window, message, wParam, lParam) ? 0 : 1;
        if (GetTickCount() - start >= waitMs)
            return 1;
        Sleep(50);
    }
}
