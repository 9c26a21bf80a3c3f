// A stand-in for the program an install run copies and starts (COPYEXEC).
// It records that it ran in <its own path without extension>.ran: the first
// line is its command line exactly as given, the second its current
// directory; each line ends in CR LF. An existing record is replaced.
#include <windows.h>

#include <fstream>
#include <string>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    char path[MAX_PATH];
    DWORD length = GetModuleFileNameA(NULL, path, MAX_PATH);
    std::string record(path, length < MAX_PATH ? length : 0);
    size_t dot = record.find_last_of('.');
    if (dot != std::string::npos && record.find('\\', dot) == std::string::npos)
        record.erase(dot);
    record += ".ran";

    char directory[MAX_PATH] = "";
    DWORD directoryLength = GetCurrentDirectoryA(MAX_PATH, directory);
    if (directoryLength >= MAX_PATH)
        directory[0] = '\0';

    std::ofstream out(record, std::ios::binary | std::ios::trunc);
    out << GetCommandLineA() << "\r\n" << directory << "\r\n";
    return 0;
}
