// The ZQAPI SDK's own installers: the command lines they are started with,
// the parameter file, and the waits for their reply messages.
#include "main_frame.h"

#include "debug_log.h"
#include "handles.h"
#include "registry.h"

#include <cstdio>

namespace {

const char kSdkInfoKey[] = "Software\\NORVA\\ZQAPIInfo";
const char kRouterKey[] = "Software\\NORVA\\ZQPrinter\\ZQRequestRouter";
const char kCombinedInstaller[] = "\\NR_Comb.exe";
const char kUninstaller[] = "\\zqapiset.exe";
const char kTempPrefix[] = "mon";

// A handle or number as the installers read it: eight upper-case hex digits,
// zero-padded, no prefix. Window handles fit into 32 bits on 64-bit Windows
// as well, so a 64-bit build writes the low 32 bits the same way.
std::string HexText(UINT_PTR value)
{
    char text[16];
    std::snprintf(text, sizeof text, "%08lX",
                  static_cast<unsigned long>(static_cast<DWORD>(value)));
    return text;
}

std::string HexText(HWND window)
{
    return HexText(reinterpret_cast<UINT_PTR>(window));
}

std::string ReadMachineString(const char* keyPath, const char* valueName)
{
    return Registry(HKEY_LOCAL_MACHINE, keyPath, NULL, FALSE, Registry::kRead)
        .QueryString(valueName, "");
}

// The text before the last backslash; empty when there is none.
std::string DirectoryOf(const std::string& path)
{
    size_t slash = path.find_last_of('\\');
    return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

// Writes the text alone (no line end, no NUL) into a new file that no one
// else may open meanwhile. A file that cannot be made is left alone.
void WriteParameterFile(const std::string& path, const std::string& text)
{
    UniqueHandle file(CreateFileA(path.c_str(), GENERIC_WRITE, 0, NULL, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, NULL));
    if (!file.valid())
        return;
    DWORD written = 0;
    WriteFile(file.get(), text.data(), static_cast<DWORD>(text.size()), &written, NULL);
}

BOOL Started(UINT winExecResult)
{
    return winExecResult >= 32;
}

}  // namespace

BOOL CMainFrame::InstallZQAPI()
{
    std::string command;
    std::string arguments;
    std::string parameterFile;

    if (sdkInstaller.empty()) {
        command = "\"" + driverDir + kCombinedInstaller + "\"";
    } else {
        command = "\"" + driverDir + "\\" + sdkInstaller + "\"";
        parameterFile = MakeTempFileName();
        if (parameterFile.empty()) {
            SetResult(7, 100);
            return FALSE;
        }
        command += " /F=\"" + parameterFile + "\"";
        arguments = "/Ini=\"" + sdkIniFile + "\" ";
    }

    arguments += "/WM=" + HexText(hwnd) + ";" + HexText(WM_INSTALLER_REPLY);
    arguments += " -s -a /Act=In";
    if (osKind == 1)
        arguments += " /ZQP=A:On";
    else if (isAdmin && !cmdLine.npFlag)
        arguments += " /RepPM=Y /ZQP=A:On";
    else
        arguments += " /RepPM=N /ZQP=LPT:NC,OTH:On";

    // An installed SDK keeps its directory; otherwise the request router's
    // directory, or the common files directory.
    if (ReadMachineString(kSdkInfoKey, "InstallDir").empty()) {
        std::string directory = DirectoryOf(ReadMachineString(kRouterKey, "EXEPath"));
        if (directory.empty())
            directory = GetCommonFilesDir() + "\\NORVA\\ZQAPI";
        arguments += " /Dir=\"" + directory + "\"";
    }

    arguments += " /AN=\"" + driverName + "\"";
    arguments += " /Ret=WM:" + HexText(hwnd) + ";" + HexText(WM_SDK_REPLY);

    if (parameterFile.empty())
        command += arguments;
    else
        WriteParameterFile(parameterFile, arguments);

    if (!Started(WinExec(command.c_str(), SW_SHOW))) {
        SetResult(4, 1);
        return FALSE;
    }
    awaitSdkReply = TRUE;
    awaitInstallerReply = TRUE;
    return TRUE;
}

BOOL CMainFrame::UninstallZQAPI()
{
    DebugLog("CMainFrame::UninstallZQAPI()\n");
    std::string installDir;
    {
        Registry sdkInfo(HKEY_LOCAL_MACHINE, kSdkInfoKey, NULL, FALSE, Registry::kRead);
        if (!sdkInfo.isOpen)
            return TRUE;  // no SDK recorded: nothing to remove
        installDir = sdkInfo.QueryString("InstallDir", "");
    }
    if (installDir.empty()) {
        SetResult(3, 11);
        return FALSE;
    }

    const std::string command = "\"" + installDir + kUninstaller + "\" /Act=Un /AN=\"" +
                                driverName + "\" /Ret=WM:" + HexText(hwnd) + ";" +
                                HexText(WM_SDK_REPLY);
    DebugLog("    Execute ZQAPI SDK  %s\n", command.c_str());

    if (!Started(WinExec(command.c_str(), SW_SHOW))) {
        SetResult(4, 1);
        DebugLog("CMainFrame::UninstallZQAPI() exit error\n");
        return FALSE;
    }
    DebugLog("CMainFrame::UninstallZQAPI() exit\n");
    awaitSdkReply = TRUE;
    return TRUE;
}

std::string CMainFrame::MakeTempFileName()
{
    char directory[MAX_PATH];
    DWORD length = GetTempPathA(MAX_PATH, directory);
    if (length == 0 || length >= MAX_PATH)
        return std::string();
    char name[MAX_PATH];
    if (GetTempFileNameA(directory, kTempPrefix, 0, name) == 0)
        return std::string();
    name[MAX_PATH - 1] = '\0';
    return name;
}
