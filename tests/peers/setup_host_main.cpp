// A setup program's stand-in: starts MONCHK04 (or another program) with the
// given arguments and /W32:<its own window>, waits for the completion message
// 0x7FF1 and prints what arrived.
//   setup_host [--timeout SECONDS] [--program PATH] [--no-window] [ARGUMENT...]
// Exit status: 0 got the message, 1 no message, 2 timed out, 3 not started.
//   setup_host --instance-free
// asks, as a following MONCHK04 would, whether its single-instance mutex can
// be taken now: prints "instance: free" (status 0) or "instance: held" (1).
#include "setup_host.h"

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

// An argument holding blanks is passed on quoted; of a switch with a value
// ("/R:NORVA LP-1", as a shell leaves /R:"NORVA LP-1") only the value is, as
// MONCHK04 reads quotes only where a value starts.
std::string Quoted(const std::string& arg)
{
    if (arg.find(' ') == std::string::npos || arg.find('"') != std::string::npos)
        return arg;
    const size_t colon = arg.find(':');
    if (arg[0] == '/' && colon != std::string::npos && colon < 4)
        return arg.substr(0, colon + 1) + "\"" + arg.substr(colon + 1) + "\"";
    return "\"" + arg + "\"";
}

// MONCHK04's own test: the named mutex, taken without waiting.
int InstanceFree()
{
    HANDLE mutex = CreateMutexA(NULL, FALSE, "NORVA Vantor3 Environment Check");
    const bool free = mutex != NULL && WaitForSingleObject(mutex, 0) == WAIT_OBJECT_0;
    if (free)
        ReleaseMutex(mutex);
    if (mutex != NULL)
        CloseHandle(mutex);
    std::printf("instance: %s\n", free ? "free" : "held");
    return free ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc == 2 && std::string(argv[1]) == "--instance-free")
        return InstanceFree();
    DWORD timeoutSeconds = 30;
    std::string program = BesideThisProgram("MONCHK04.exe");
    bool withWindow = true;
    std::string arguments;

    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        if (arg == "--timeout" && i + 1 < argc) {
            timeoutSeconds = static_cast<DWORD>(std::strtoul(argv[++i], nullptr, 10));
        } else if (arg == "--program" && i + 1 < argc) {
            program = argv[++i];
        } else if (arg == "--no-window") {
            withWindow = false;
        } else {
            arguments += (arguments.empty() ? "" : " ") + Quoted(arg);
        }
    }

    HostResult result = RunAsSetupHost(program, arguments, timeoutSeconds * 1000, withWindow);
    if (!result.started) {
        std::printf("could not start %s\n", program.c_str());
        return 3;
    }
    if (result.messages > 0)
        std::printf("completion message: wParam=%lu lParam=%ld (%d received)\n",
                    static_cast<unsigned long>(result.wParam),
                    static_cast<long>(result.lParam), result.messages);
    else
        std::printf("no completion message\n");
    if (result.timedOut) {
        std::printf("timed out after %lu s\n", static_cast<unsigned long>(timeoutSeconds));
        return 2;
    }
    std::printf("exit code: %lu\n", static_cast<unsigned long>(result.exitCode));
    return result.messages > 0 ? 0 : 1;
}
