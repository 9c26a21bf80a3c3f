// The stop of the monitor's service program of a removed model: started with
// its stop switch, hidden, unless another installed model uses the same
// program. The frame's timer deletes the program's file once it has ended.
#include "uninstall_run.h"

#include <optional>

#include "debug_log.h"
#include "program_start.h"
#include "registry.h"
#include "trusted_names.h"
#include "uninstall_keys.h"

namespace {

const char kServiceValue[] = "VTRSRV_NAME";

enum class Sharing { kOwn, kShared, kUnknown };

// Whether a model other than `driverName` names `service` as its service
// program (names compared exactly); unknown when the models could not all
// be read. A model whose key does not open counts as not sharing it.
Sharing ServiceShared(const std::string& driverName, const std::string& service,
                      const Registry& models, RunResult& result)
{
    const ModelWalk walk =
        VisitModels(models, driverName, [&](const std::string& name, const Registry& other) {
            if (!other.isOpen) {
                DebugLog("    VTR service: model key %s open error\n", name.c_str());
                result.Record(pair::kServiceSiblingKeyNotOpened);
                return false;
            }
            return other.QueryString(kServiceValue, "") == service;
        });
    if (walk == ModelWalk::kUnreadable) {
        const DWORD error = GetLastError();
        DebugLog("    VTR service: Driver key read error\n");
        result.Record(pair::kServiceSiblingKeyNotOpened, error);
        return Sharing::kUnknown;
    }
    return walk == ModelWalk::kEnded ? Sharing::kOwn : Sharing::kShared;
}

// The model's service program name, empty when it has none or when another
// model uses it too; nothing when the keys cannot be read to tell.
std::optional<std::string> UnsharedServiceName(const std::string& driverName, RunResult& result)
{
    std::string service;
    {
        Registry model(HKEY_LOCAL_MACHINE, ModelKeyPath(driverName), NULL, FALSE,
                       Registry::kRead);
        if (!model.isOpen) {
            DebugLog("    VTR service: model key open error\n");
            result.Record(pair::kServiceModelKeyNotOpened);
            return std::nullopt;
        }
        service = model.QueryString(kServiceValue, "");
    }
    if (service.empty())
        return service;

    Registry models(HKEY_LOCAL_MACHINE, kModelsKey, NULL, FALSE, Registry::kRead);
    if (!models.isOpen) {
        DebugLog("    VTR service: Driver key open error\n");
        result.Record(pair::kServiceModelsKeyNotOpened);
        return std::nullopt;
    }
    switch (ServiceShared(driverName, service, models, result)) {
    case Sharing::kOwn:
        return service;
    case Sharing::kShared:
        return std::string();
    case Sharing::kUnknown:
        break;
    }
    return std::nullopt;
}

}  // namespace

BOOL UninstallRun::StopVtrService()
{
    DebugLog("CMainFrame::StopVtrService()\n");
    const std::optional<std::string> service = UnsharedServiceName(settings.driverName, result);
    const std::string name = service.value_or(std::string());
    // A name reaching outside the system directory is neither run nor,
    // later, deleted.
    if (!name.empty() && !IsBareFileName(name)) {
        DebugLog("    VTR service name refused(%s)\n", name.c_str());
        result.Record(pair::kVtrServiceNameRefused);
    } else if (!name.empty()) {
        StartVtrStop(SystemDirectoryPath() + "\\" + name);
    }
    DebugLog("CMainFrame::StopVtrService() exit\n");
    return service.has_value() ? TRUE : FALSE;
}

// Runs the program's stop command and hands its file to the timer's wait. A
// command that does not start is logged only.
void UninstallRun::StartVtrStop(const std::string& file)
{
    const std::string command = file + " /R";
    DebugLog("    Execute vtr service    %s\n", command.c_str());
    if (!StartProgram(file, command, SW_HIDE, IdleWait::kLikeWinExec,
                      StartIn::kProgramFolder)) {
        DebugLog("    Execute vtr service    error\n");
        return;
    }
    DebugLog("    Execute vtr service    complete\n");
    waits.vtr.Start(file);
}
