#include "launcher.h"

#include "bounded_copy.h"
#include "ext_log.h"
#include "files.h"
#include "handles.h"
#include "parameter_file.h"
#include "program_start.h"
#include "text_format.h"

#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

namespace {

constexpr char kParameterFilePrefix[] = "VTR";

// Reads a program path from the driver key into `modulePath` when the
// program exists on disk.
BOOL FindModule(const Registry& driverKey, const char* valueName, char* modulePath)
{
    char path[kNameSize];
    if (!driverKey.ReadString(valueName, path, sizeof path) || !FileExists(path))
        return FALSE;
    return CopyIfFits(modulePath, kNameSize, path);
}

// The single line: the printer name's length in bytes, then the name in
// quotes, ending in CR LF.
std::string ParameterLine(const char* printerName)
{
    char length[16];
    FormatText(length, sizeof length, "%u", static_cast<unsigned>(std::strlen(printerName)));
    return std::string("/P") + length + " \"" + printerName + "\"\r\n";
}

BOOL StartWithParameterFile(const char* printerName, const char* modulePath,
                            const char* fileName)
{
    size_t size = std::strlen(modulePath) + std::strlen(fileName) + 32;
    std::unique_ptr<char, void (*)(void*)> commandLine(static_cast<char*>(std::malloc(size)),
                                                      std::free);
    if (!commandLine) {
        ExtDebugLog("       malloc() Fail\r\n");
        return FALSE;
    }
    FormatText(commandLine.get(), size, "%s /F%d \"%s\"", modulePath,
                  static_cast<int>(std::strlen(fileName)), fileName);
    ExtDebugLog("       Execute Command line (%s)\r\n", commandLine.get());
    ExtDebugLog("       (Parameter file (/P%d \"%s\"))\r\n",
                static_cast<int>(std::strlen(printerName)), printerName);
    return RunProgram(modulePath, commandLine.get());
}

}  // namespace

BOOL LocateModules(const PrinterModel& model, ModulePaths& paths)
{
    Registry driverKey = model.OpenDriverKey();
    if (!driverKey.isOpen)
        return FALSE;
    paths.monrun[0] = '\0';
    paths.moncfg[0] = '\0';
    if (!FindModule(driverKey, kMonrunValue, paths.monrun))
        return FALSE;
    return FindModule(driverKey, kMoncfgValue, paths.moncfg);
}

BOOL ExecuteVtrModule(const char* printerName, const char* modulePath)
{
    ExtDebugLog("     ExecuteVtrModule()\r\n");
    BOOL started = FALSE;
    if (modulePath != NULL && modulePath[0] != '\0') {
        const char* name = printerName != NULL ? printerName : "";
        // A file that cannot be made or written does not keep the program
        // from starting.
        ParameterFile file;
        if (file.Create(kParameterFilePrefix))
            file.Write(ParameterLine(name));
        started = StartWithParameterFile(name, modulePath, file.Path().c_str());
    }
    ExtDebugLog(started ? "       return TRUE\r\n" : "       return FALSE\r\n");
    return started;
}

BOOL RunProgram(const char* program, const char* commandLine)
{
    // Explorer must not wait for the program to become idle.
    // Explorer's folder is no plain user's: the program may inherit it.
    return StartProgram(program, commandLine, kDefaultShow, IdleWait::kNone,
                        StartIn::kCallersFolder);
}
