// Plays the product's setup program: starts a program with a command line
// that ends in /W32:<a window of ours>, then waits, with a bound, for the
// completion message and for the program to end.
#pragma once

#include <windows.h>

#include <string>

struct HostResult {
    bool started = false;     // the program could be started
    bool timedOut = false;    // it was still running when the bound ran out
    int messages = 0;         // completion messages received
    WPARAM wParam = 0;        // of the last completion message
    LPARAM lParam = 0;
    DWORD exitCode = STILL_ACTIVE;
};

// "1 message(s), last 2/0": what the caller heard, for comparing runs.
std::string Posted(const HostResult& run);

// `arguments` is the command line after the program name; " /W32:<hwnd>" is
// appended unless `withCallerWindow` is false.
HostResult RunAsSetupHost(const std::string& program, const std::string& arguments,
                          DWORD timeoutMs, bool withCallerWindow = true);

// Full path of a file next to the running program.
std::string BesideThisProgram(const std::string& fileName);
