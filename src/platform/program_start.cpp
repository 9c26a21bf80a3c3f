#include "program_start.h"

#include "ansi_text.h"
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

std::string ProgramFolder(const std::string& file)
{
    const size_t slash = LastBackslash(file);
    if (slash == std::string::npos)
        return std::string();
    // A drive's root keeps its backslash: "C:" alone is the drive's current
    // directory.
    if (slash == 2 && file[1] == ':')
        return file.substr(0, 3);
    return file.substr(0, slash);
}

BOOL StartProgram(const std::string& program, const std::string& commandLine, int show,
                  IdleWait wait, StartIn startIn)
{
    const std::string file = ProgramFileName(program);
    const std::string folder = startIn == StartIn::kProgramFolder ? ProgramFolder(file) : "";
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
    if (!CreateProcessA(file.c_str(), &line[0], NULL, NULL, FALSE, 0, NULL,
                        folder.empty() ? NULL : folder.c_str(), &startup, &process))
        return FALSE;
    // Declared in reverse: the thread handle is closed first.
    UniqueHandle processHandle(process.hProcess);
    UniqueHandle thread(process.hThread);
    if (wait == IdleWait::kLikeWinExec)
        WaitForInputIdle(process.hProcess, kIdleTimeout);
    return TRUE;
}
