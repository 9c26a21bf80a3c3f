#include "program_start.h"

#include "handles.h"
#include "trusted_names.h"

#include <vector>

namespace {

const DWORD kIdleTimeout = 30 * 1000;  // WinExec's own limit

}  // namespace

std::string ProgramFileName(const std::string& program)
{
    std::string file = program;
    // '"' is below every trail byte of a double-byte character: the ends
    // can be looked at directly.
    if (file.size() >= 2 && file.front() == '"' && file.back() == '"')
        file = file.substr(1, file.size() - 2);
    if (!HasExtension(file.c_str()))
        file += ".exe";
    return file;
}

BOOL StartProgram(const std::string& program, const std::string& commandLine, int show,
                  IdleWait wait)
{
    const std::string file = ProgramFileName(program);
    // CreateProcessA may write into the command line.
    std::vector<char> line(commandLine.begin(), commandLine.end());
    line.push_back('\0');

    STARTUPINFOA startup;
    ZeroMemory(&startup, sizeof startup);
    startup.cb = sizeof startup;
    if (show != kDefaultShow) {
        startup.dwFlags = STARTF_USESHOWWINDOW;
        startup.wShowWindow = static_cast<WORD>(show);
    }
    PROCESS_INFORMATION process;
    ZeroMemory(&process, sizeof process);
    if (!CreateProcessA(file.c_str(), &line[0], NULL, NULL, FALSE, 0, NULL, NULL, &startup,
                        &process))
        return FALSE;
    // Declared in reverse: the thread handle is closed first.
    UniqueHandle processHandle(process.hProcess);
    UniqueHandle thread(process.hThread);
    if (wait == IdleWait::kLikeWinExec)
        WaitForInputIdle(process.hProcess, kIdleTimeout);
    return TRUE;
}
