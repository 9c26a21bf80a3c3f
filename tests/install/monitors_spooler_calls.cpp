#include "monitors_spooler_calls.h"

#include "import_patch.h"

#include <winspool.h>

namespace {

SpoolerCalls* current = nullptr;
std::string failing;
int countdown = 0;
DWORD failError = 0;

// The spooler's own functions; the hooks call these, not the import table.
decltype(&OpenPrinterA) realOpenPrinterA;
decltype(&GetPrinterDriverA) realGetPrinterDriverA;
decltype(&SetPrinterA) realSetPrinterA;
decltype(&AddPrinterDriverA) realAddPrinterDriverA;
decltype(&AddMonitorA) realAddMonitorA;
decltype(&DeleteMonitorA) realDeleteMonitorA;

// True when this call of `function` is the one to fail; sets the error.
bool FailsNow(const char* function)
{
    if (failing != function || countdown <= 0 || --countdown > 0)
        return false;
    SetLastError(failError);
    return true;
}

std::string Text(const char* text)
{
    return text != NULL ? text : "(null)";
}

BOOL WINAPI HookOpenPrinterA(LPSTR name, LPHANDLE printer, LPPRINTER_DEFAULTSA defaults)
{
    return !FailsNow("OpenPrinterA") && realOpenPrinterA(name, printer, defaults);
}

BOOL WINAPI HookGetPrinterDriverA(HANDLE printer, LPSTR environment, DWORD level, LPBYTE data,
                                  DWORD size, LPDWORD needed)
{
    if (data != NULL && FailsNow("GetPrinterDriverA"))
        return FALSE;
    return realGetPrinterDriverA(printer, environment, level, data, size, needed);
}

BOOL WINAPI HookSetPrinterA(HANDLE printer, DWORD level, LPBYTE data, DWORD command)
{
    if (level == 2 && data != NULL)
        current->log.push_back("SetPrinterA " +
                               Text(reinterpret_cast<PRINTER_INFO_2A*>(data)->pPrinterName));
    return !FailsNow("SetPrinterA") && realSetPrinterA(printer, level, data, command);
}

BOOL WINAPI HookAddPrinterDriverA(LPSTR server, DWORD level, LPBYTE data)
{
    if (level == 3 && data != NULL)
        current->log.push_back("AddPrinterDriverA " +
                               Text(reinterpret_cast<DRIVER_INFO_3A*>(data)->pMonitorName));
    return !FailsNow("AddPrinterDriverA") && realAddPrinterDriverA(server, level, data);
}

BOOL WINAPI HookAddMonitorA(LPSTR server, DWORD level, LPBYTE data)
{
    if (level == 2 && data != NULL) {
        const MONITOR_INFO_2A* info = reinterpret_cast<MONITOR_INFO_2A*>(data);
        current->log.push_back("AddMonitorA " + Text(info->pName) + " " +
                               Text(info->pEnvironment) + " " + Text(info->pDLLName));
    }
    return realAddMonitorA(server, level, data);
}

BOOL WINAPI HookDeleteMonitorA(LPSTR server, LPSTR environment, LPSTR name)
{
    current->log.push_back("DeleteMonitorA " + Text(name));
    return realDeleteMonitorA(server, environment, name);
}

struct Hook {
    const char* name;
    void* replacement;
    void** original;
};

#define HOOK(f) {#f, reinterpret_cast<void*>(Hook##f), reinterpret_cast<void**>(&real##f)}
Hook hooks[] = {HOOK(OpenPrinterA),      HOOK(GetPrinterDriverA), HOOK(SetPrinterA),
                HOOK(AddPrinterDriverA), HOOK(AddMonitorA),       HOOK(DeleteMonitorA)};
#undef HOOK

}  // namespace

SpoolerCalls::SpoolerCalls()
{
    current = this;
    failing.clear();
    HMODULE spooler = GetModuleHandleA("winspool.drv");
    hooked = spooler != NULL;
    for (Hook& hook : hooks) {
        *hook.original = reinterpret_cast<void*>(GetProcAddress(spooler, hook.name));
        hooked = *hook.original != nullptr &&
                 PatchImports(*hook.original, hook.replacement) && hooked;
    }
}

SpoolerCalls::~SpoolerCalls()
{
    for (Hook& hook : hooks) {
        if (*hook.original != nullptr)
            PatchImports(hook.replacement, *hook.original);
    }
    failing.clear();
    current = nullptr;
}

void SpoolerCalls::FailCall(const std::string& function, int nth, DWORD error)
{
    failing = function;
    countdown = nth;
    failError = error;
}
