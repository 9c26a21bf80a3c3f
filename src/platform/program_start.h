// Starting the product's programs. The executable is always named on its
// own, so that a program path with blanks ("C:\Program Files\...") is never
// cut at its first blank by the command-line search, which would start
// "C:\Program.exe" first when someone has put one there.
#pragma once

#include <windows.h>

#include <string>

enum class IdleWait { kNone, kLikeWinExec };

// The started program's current directory: its own executable's folder (NT
// 4.0 looks for DLLs there before the system directory, so a folder that
// anyone may write must not be it), or the caller's.
enum class StartIn { kProgramFolder, kCallersFolder };

// A show state that leaves the choice to the started program.
constexpr int kDefaultShow = -1;

// Starts `program` with exactly `commandLine` as its command line (the
// program receives it byte for byte), show state `show` (or kDefaultShow)
// and the current directory `startIn`. With IdleWait::kLikeWinExec it then
// waits, as WinExec does, until the program waits for input (at most 30
// seconds), so that callers replacing WinExec keep their order of events. A
// quoted `program` is used without its quotes; one without an extension gets
// ".exe", as the command-line search would give it. FALSE when the program
// could not be started.
BOOL StartProgram(const std::string& program, const std::string& commandLine, int show,
                  IdleWait wait, StartIn startIn);

// The executable StartProgram names for `program`.
std::string ProgramFileName(const std::string& program);

// The folder of an executable's path ("C:\" for "C:\SETUP.EXE"); empty
// when the path names no folder.
std::string ProgramFolder(const std::string& file);
