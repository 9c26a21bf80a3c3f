// The ZQAPI SDK's own installers: the command lines they are started with,
// the parameter file, and the waits for their reply messages.
#include "install_run.h"
#include "sdk_command.h"

#include "handles.h"
#include "program_start.h"
#include "registry.h"
#include "text_format.h"


namespace {

const char kRouterKey[] = "Software\\NORVA\\ZQPrinter\\ZQRequestRouter";
const char kCombinedInstaller[] = "\\NR_Comb.exe";
const char kTempPrefix[] = "mon";

std::string ReadMachineString(const char* keyPath, const char* valueName)
{
    return Registry(HKEY_LOCAL_MACHINE, keyPath, NULL, FALSE, Registry::kRead)
        .QueryString(valueName, "");
}

// The text before the last backslash; empty when there is none.
std::string DirectoryOf(const std::string& path)
{
    size_t slash = LastBackslash(path);
    return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

}  // namespace

const char kSdkInfoKey[] = "Software\\NORVA\\ZQAPIInfo";

std::string HexText(UINT_PTR value)
{
    char text[16];
    FormatText(text, sizeof text, "%08lX", static_cast<unsigned long>(static_cast<DWORD>(value)));
    return text;
}

std::string ReplyTarget(HWND window, UINT message)
{
    return HexText(reinterpret_cast<UINT_PTR>(window)) + ";" + HexText(message);
}

BOOL InstallRun::InstallZQAPI()
{
    std::string program;
    std::string command;
    std::string arguments;
    ParameterFile& parameterFile = waits.sdk.parameterFile;

    if (settings.sdkInstaller.empty()) {
        program = settings.driverDir + kCombinedInstaller;
        command = "\"" + program + "\"";
    } else {
        program = settings.driverDir + "\\" + settings.sdkInstaller;
        command = "\"" + program + "\"";
        if (!parameterFile.Create(kTempPrefix)) {
            result.Record(pair::kParameterFileNotNamed);
            return FALSE;
        }
        command += " /F=\"" + parameterFile.Path() + "\"";
        arguments = "/Ini=\"" + settings.sdkIniFile + "\" ";
    }

    arguments += "/WM=" + ReplyTarget(environment.replyWindow, WM_INSTALLER_REPLY);
    arguments += " -s -a /Act=In";
    if (environment.osKind == 1)
        arguments += " /ZQP=A:On";
    else if (environment.isAdmin && !cmdLine.npFlag)
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

    arguments += " /AN=\"" + settings.driverName + "\"";
    arguments += " /Ret=WM:" + ReplyTarget(environment.replyWindow, WM_SDK_REPLY);

    // The arguments themselves, no line end, no NUL; a file that cannot be
    // written does not keep the installer from starting.
    if (settings.sdkInstaller.empty())
        command += arguments;
    else
        parameterFile.Write(arguments);

    if (!StartProgram(program, command, SW_SHOW, IdleWait::kLikeWinExec,
                      StartIn::kProgramFolder)) {
        result.Record(pair::kSdkInstallerNotStarted);
        return FALSE;
    }
    waits.sdk.awaitSdkReply = TRUE;
    waits.sdk.awaitInstallerReply = TRUE;
    return TRUE;
}
