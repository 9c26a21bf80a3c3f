// What the uninstall peers share: their own path, and one record line per
// start appended to "<own path without extension>.log". Starts close together
// (MONCFG's two calls of one run) take turns through a named mutex.
#pragma once

#include <windows.h>

#include <cstdio>
#include <string>

inline std::string PeerPath()
{
    char path[MAX_PATH];
    DWORD length = GetModuleFileNameA(NULL, path, MAX_PATH);
    return std::string(path, length < MAX_PATH ? length : 0);
}

inline std::string PeerFileName()
{
    const std::string path = PeerPath();
    return path.substr(path.find_last_of('\\') + 1);
}

inline std::string PeerBase()
{
    std::string base = PeerPath();
    size_t dot = base.find_last_of('.');
    if (dot != std::string::npos && dot > base.find_last_of('\\'))
        base.erase(dot);
    return base;
}

// The current directory the program was started in, as
// "<own path without extension>.cwd".
inline void RecordDirectory()
{
    char directory[MAX_PATH] = "";
    GetCurrentDirectoryA(MAX_PATH, directory);
    if (std::FILE* file = std::fopen((PeerBase() + ".cwd").c_str(), "wb")) {
        std::fputs(directory, file);
        std::fclose(file);
    }
}

// Appends the process command line as one line.
inline void RecordStart()
{
    HANDLE turn = CreateMutexA(NULL, FALSE, "MonsetupPeerRecord");
    WaitForSingleObject(turn, 10000);
    if (std::FILE* log = std::fopen((PeerBase() + ".log").c_str(), "ab")) {
        std::fprintf(log, "%s\n", GetCommandLineA());
        std::fclose(log);
    }
    ReleaseMutex(turn);
    CloseHandle(turn);
}

inline bool StartedToStop()
{
    const std::string commandLine = GetCommandLineA();
    return commandLine.size() >= 3 && commandLine.compare(commandLine.size() - 3, 3, " /R") == 0;
}

// WinExec returns once the started program first looks for window messages
// (or after a long time-out): a program that waits or keeps running says
// so at once, as a windowed program would.
inline void ReadyForInput()
{
    MSG msg;
    PeekMessageA(&msg, NULL, 0, 0, PM_NOREMOVE);
    // Wine counts a program idle once it waits for messages, not when it
    // only peeks.
    MsgWaitForMultipleObjects(0, NULL, FALSE, 0, QS_ALLINPUT);
}

// Set by the tests to end the services that keep running.
const char kStopFakeServicesEvent[] = "MonsetupStopFakeServices";
const DWORD kLongestLife = 60000;
