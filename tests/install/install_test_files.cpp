#include "install_test_files.h"

#include "app_test_support.h"
#include "main_frame.h"
#include "registry.h"
#include "setup_host.h"
#include "test_windows.h"

#include <cstring>
#include <fstream>

TempIni::TempIni(const std::string& text, const std::string& name)
{
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    path = std::string(temp) + name;
    WriteText(path, text);
}

TempIni::~TempIni()
{
    DeleteFileA(path.c_str());
}

int OsKindOfThisWindows()
{
    const std::string presented = PresentedWindows();
    return presented == "win98" ? 1 : presented == "nt40" ? 2 : 3;
}

std::string SystemDirectory()
{
    char path[MAX_PATH] = "";
    GetSystemDirectoryA(path, MAX_PATH);
    return path;
}

void WriteText(const std::string& path, const std::string& text)
{
    std::ofstream(path, std::ios::binary) << text;
}

std::string Pair(const CMainFrame& frame)
{
    return std::to_string(frame.result.ErrorCode1()) + "/" + std::to_string(frame.result.ErrorCode2());
}

FakeInstaller::FakeInstaller(const std::string& directory, const std::string& baseName)
    : base(directory + "\\" + baseName)
{
    CopyFileA(BesideThisProgram("NR_Comb.exe").c_str(), (base + ".exe").c_str(), FALSE);
    Forget();
}

std::string FakeInstaller::CommandLine() const
{
    for (DWORD start = GetTickCount(); !RanAlready(); Sleep(50)) {
        if (GetTickCount() - start > 20000)
            return "<did not run>";
    }
    return FileText(base + ".cmdline");
}

std::string FakeInstaller::Parameters() const
{
    return FileText(base + ".params");
}

std::string FakeInstaller::CurrentDirectory() const
{
    return FileText(base + ".cwd");
}

bool FakeInstaller::RanAlready() const
{
    return FileExists(base + ".done");
}

void FakeInstaller::Forget()
{
    for (const char* extension : {".cmdline", ".params", ".cwd", ".done"})
        DeleteFileA((base + extension).c_str());
}
