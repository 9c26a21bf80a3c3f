// The four components a model shares with other models of its class, each
// removed only when no other installed model uses it: the Printers-folder
// shell extension's registration, the notifier's registration, the class's
// service program (stopped through its own stop switch) and the class's
// common settings.
#include "uninstall_run.h"

#include "ansi_text.h"
#include "debug_log.h"
#include "product_keys.h"
#include "program_start.h"
#include "registry.h"
#include "trusted_names.h"
#include "uninstall_keys.h"

#include <vector>

namespace {

const char kNotifierKey[] = "Software\\NORVA\\KALERT";
const char kNotifierSubkey[] = "KALERT";
const char kCommonSettingsSubkey[] = "XIMPCommon";
const char kApprovedKey[] =
    "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Shell Extensions\\Approved";
// The shell extension's subkeys, named by its class id, under HKCR.
const char* const kShellExtensionParents[] = {
    "CLSID",
    "Printers\\shellex\\PropertySheetHandlers",
    "Printers\\shellex\\CopyHookHandlers",
};

const char kShellExtensionValue[] = "SHELLEXT_R";
const char kNotifierValue[] = "KALERT_R";
const char kTypeValue[] = "Type";
const char kServiceValue[] = "XIMPSRV_NAME";

// The model's components as its driver key records them; empty: none.
struct Components {
    std::string shellExtension;  // the extension's class id
    std::string notifier;        // the notifier entry's name
    std::string type;            // the class whose XIMPCommon it uses
    std::string service;         // the service program's file name
};

// False when a value is there but could not be read.
bool ReadComponents(const Registry& model, Components& components)
{
    return model.QueryStringIfThere(kShellExtensionValue, components.shellExtension) &&
           model.QueryStringIfThere(kNotifierValue, components.notifier) &&
           model.QueryStringIfThere(kTypeValue, components.type) &&
           model.QueryStringIfThere(kServiceValue, components.service);
}

struct Shared {
    bool shellExtension = false;
    bool notifier = false;
    bool type = false;
    bool service = false;
    bool unknown = false;  // the models could not all be read: all count as shared
};

// Marks `shared` when the other model records the same non-empty value
// (compared exactly).
void Compare(const std::string& ours, const Registry& other, const char* name, bool& shared)
{
    if (!shared && !ours.empty() && other.QueryString(name, "") == ours)
        shared = true;
}

// Which of the model's components another model (any other subkey of the
// Driver key) records too. A model whose key does not open is not consulted;
// models that cannot all be read may share any of them.
Shared FindSharedComponents(const std::string& driverName, const Components& ours,
                            const Registry& models, RunResult& result)
{
    Shared shared;
    const ModelWalk walk =
        VisitModels(models, driverName, [&](const std::string&, const Registry& other) {
            if (!other.isOpen) {
                result.Record(pair::kXimpSiblingKeyNotOpened);
                return false;
            }
            Compare(ours.shellExtension, other, kShellExtensionValue, shared.shellExtension);
            Compare(ours.notifier, other, kNotifierValue, shared.notifier);
            Compare(ours.type, other, kTypeValue, shared.type);
            Compare(ours.service, other, kServiceValue, shared.service);
            return false;
        });
    if (walk == ModelWalk::kUnreadable) {
        result.Record(pair::kXimpSiblingKeyNotOpened, GetLastError());
        shared.shellExtension = shared.notifier = shared.type = shared.service = true;
        shared.unknown = true;
    }
    return shared;
}

// The registry views that may hold the shell extension's registration. A
// 64-bit Windows has two: a 64-bit Explorer loads the 64-bit extension,
// registered in the 64-bit view; 32-bit programs load the 32-bit one from the
// 32-bit view. A 64-bit build runs only there; a 32-bit build is told by
// IsWow64Process, which Windows before XP SP2 does not have: there is only
// the one view.
std::vector<REGSAM> ShellExtensionViews()
{
#ifdef _WIN64
    const bool twoViews = true;
#else
    typedef BOOL(WINAPI * IsWow64ProcessFunction)(HANDLE, PBOOL);
    bool twoViews = false;
    HMODULE kernel = GetModuleHandleA("kernel32.dll");
    IsWow64ProcessFunction isWow64Process =
        kernel != NULL ? reinterpret_cast<IsWow64ProcessFunction>(
                             reinterpret_cast<void*>(GetProcAddress(kernel, "IsWow64Process")))
                       : NULL;
    BOOL wow64 = FALSE;
    if (isWow64Process != NULL && isWow64Process(GetCurrentProcess(), &wow64))
        twoViews = wow64 != FALSE;
#endif
    if (twoViews)
        return {KEY_WOW64_64KEY, KEY_WOW64_32KEY};
    return {0};
}

// The extension's class key, its two Printers handler keys and its approval,
// in every view. Keys that do not open are passed over.
void DeleteShellExtension(const std::string& classId)
{
    for (REGSAM view : ShellExtensionViews()) {
        for (const char* parent : kShellExtensionParents) {
            Registry key(HKEY_CLASSES_ROOT, parent, NULL, FALSE, Registry::kAllAccess | view);
            key.DeleteKey(classId);
        }
        Registry approved(HKEY_LOCAL_MACHINE, kApprovedKey, NULL, FALSE,
                          Registry::kAllAccess | view);
        approved.DeleteValue(classId);
    }
}

// The notifier's entries (subkeys whose "NOTIFYEXE" names it, in any letter
// case) and its value; the whole KALERT key once it holds no value. False
// when an entry could not be read or deleted: a later run looks again.
bool DeleteNotifier(const std::string& notifier)
{
    {
        Registry notifiers(HKEY_LOCAL_MACHINE, kNotifierKey, NULL, FALSE, Registry::kAllAccess);
        if (!notifiers.isOpen)
            return notifiers.IsMissing() != FALSE;
        bool whole = true;
        DWORD index = 0;
        for (std::string name = notifiers.EnumKey(index); !name.empty();
             name = notifiers.EnumKey(index)) {
            std::string program;
            const bool read = Registry(HKEY_LOCAL_MACHINE, std::string(kNotifierKey) + "\\" + name,
                                       NULL, FALSE, Registry::kRead)
                                  .QueryStringIfThere("NOTIFYEXE", program);
            // A deleted entry's followers move down to this index; one that
            // cannot be read or deleted is stepped over, or the walk would
            // never end.
            if (!read) {
                whole = false;
                ++index;
            } else if (!EqualIgnoringAsciiCase(program, notifier)) {
                ++index;
            } else if (!notifiers.DeleteKey(name)) {
                whole = false;
                ++index;
            }
        }
        if (!notifiers.DeleteValueIfThere(notifier))
            whole = false;
        if (!whole || !notifiers.EnumValue(0).empty())
            return whole;
    }
    Registry norva(HKEY_LOCAL_MACHINE, kNorvaKey, NULL, FALSE, Registry::kAllAccess);
    return norva.DeleteKey(kNotifierSubkey) != FALSE;
}

void DeleteCommonSettings()
{
    Registry vtr3(HKEY_LOCAL_MACHINE, kProductKey, NULL, FALSE, Registry::kAllAccess);
    vtr3.DeleteKey(kCommonSettingsSubkey);
}

}  // namespace

BOOL UninstallRun::DeleteRegXIMP()
{
    DebugLog("CMainFrame::DeleteRegXIMP\n");
    Components ours;
    {
        Registry model(HKEY_LOCAL_MACHINE, ModelKeyPath(settings.driverName), NULL, FALSE,
                       Registry::kRead);
        if (!model.isOpen || !ReadComponents(model, ours)) {
            result.Record(pair::kXimpModelKeyNotOpened);
            return FALSE;
        }
    }
    Registry models(HKEY_LOCAL_MACHINE, kModelsKey, NULL, FALSE, Registry::kRead);
    if (!models.isOpen) {
        result.Record(pair::kXimpModelsKeyNotOpened);
        return FALSE;
    }
    const Shared shared = FindSharedComponents(settings.driverName, ours, models, result);

    if (!ours.shellExtension.empty() && !shared.shellExtension) {
        // Only MONEXT01's own class: any other stays registered.
        if (EqualIgnoringAsciiCase(ours.shellExtension, kShellExtClassId)) {
            DeleteShellExtension(ours.shellExtension);
        } else {
            DebugLog("    Shell extension class refused(%s)\n", ours.shellExtension.c_str());
            result.Record(pair::kShellExtClassRefused);
        }
    }
    bool whole = !shared.unknown;
    if (!ours.notifier.empty() && !shared.notifier && !DeleteNotifier(ours.notifier)) {
        DebugLog("    Notifier entry not removed\n");
        whole = false;
    }
    if (!ours.service.empty() && !shared.service)
        StartXimpStop(ours.service);
    if (!ours.type.empty() && !shared.type) {
        if (waits.ximp.Pending())
            waits.deleteXimpCommonLater = TRUE;  // once the service has stopped
        else
            DeleteCommonSettings();
    }
    DebugLog("CMainFrame::DeleteRegXIMP exit\n");
    // Components kept because the models could not all be read are left to
    // a later run, which needs the model's record to find them.
    return whole ? TRUE : FALSE;
}

// Runs the service program's stop command and hands the program to the
// timer's wait, which watches for its window (class: the program's name).
void UninstallRun::StartXimpStop(const std::string& service)
{
    const std::string systemDir = SystemDirectoryPath();
    if (systemDir.empty())
        return;
    // A name reaching outside the system directory is neither run nor,
    // later, deleted.
    if (!IsBareFileName(service)) {
        DebugLog("    XIMP service name refused(%s)\n", service.c_str());
        result.Record(pair::kXimpStopNotStarted);
        return;
    }
    const std::string file = systemDir + "\\" + service;
    if (!StartProgram(file, file + " /R", SW_SHOW, IdleWait::kLikeWinExec,
                      StartIn::kProgramFolder)) {
        result.Record(pair::kXimpStopNotStarted);
        return;
    }
    waits.ximpServiceName = service;
    waits.ximp.Start(file);
}
