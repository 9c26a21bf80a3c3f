// What the install gave the model's printer driver: the language monitor
// attached to it (and installed with the spooler), and the parallel-port
// settings in the driver's key. They go with the model's driver-wide parts;
// the driver itself belongs to the printer and stays.
#include "uninstall_run.h"

#include "debug_log.h"
#include "handles.h"
#include "registry.h"
#include "spooler_keys.h"
#include "uninstall_keys.h"

namespace {

// EnumPrinterDriversA level 3 of this system's environment.
bool ListDrivers(HeapBuffer& buffer, DWORD& count)
{
    DWORD needed = 0;
    count = 0;
    if (EnumPrinterDriversA(NULL, NULL, 3, NULL, 0, &needed, &count))
        return true;  // no driver at all
    if (GetLastError() != ERROR_INSUFFICIENT_BUFFER || !buffer.Allocate(needed))
        return false;
    return EnumPrinterDriversA(NULL, NULL, 3, static_cast<LPBYTE>(buffer.get()), needed, &needed,
                               &count) != FALSE;
}

// The record of `name` in `drivers`; NULL when it is not there.
DRIVER_INFO_3A* FindDriver(DRIVER_INFO_3A* drivers, DWORD count, const std::string& name)
{
    for (DWORD i = 0; i < count; ++i) {
        if (drivers[i].pName != NULL && lstrcmpiA(drivers[i].pName, name.c_str()) == 0)
            return &drivers[i];
    }
    return NULL;
}

bool NamesMonitor(const DRIVER_INFO_3A& driver, const std::string& monitor)
{
    return driver.pMonitorName != NULL && lstrcmpiA(driver.pMonitorName, monitor.c_str()) == 0;
}

// Deletes every value whose name starts with "LPT_"; false when one cannot
// be deleted or the values cannot be listed to the end.
bool DeletePortValues(Registry& key)
{
    DWORD index = 0;
    for (std::string name = key.EnumValue(index);; name = key.EnumValue(index)) {
        if (name.empty())
            return GetLastError() == ERROR_NO_MORE_ITEMS;
        if (name.compare(0, 4, "LPT_") != 0)
            ++index;
        else if (!key.DeleteValue(name))
            return false;
    }
}

}  // namespace

BOOL UninstallRun::DeleteDriverParts()
{
    // The spooler's monitors and driver keys are the administrators'.
    if (!environment.isAdmin)
        return TRUE;
    const std::string monitor =
        Registry(HKEY_LOCAL_MACHINE, ModelKeyPath(settings.driverName), NULL, FALSE,
                 Registry::kRead)
            .QueryString("LanguageMon", "");
    HeapBuffer buffer;
    DWORD count = 0;
    if (!ListDrivers(buffer, count)) {
        DebugLog("    Printer drivers not listed(%lu)\n", GetLastError());
        result.Record(pair::kMonitorNotRemoved, GetLastError());
        return FALSE;
    }
    DRIVER_INFO_3A* const drivers = static_cast<DRIVER_INFO_3A*>(buffer.get());
    DRIVER_INFO_3A* const ours = FindDriver(drivers, count, settings.driverName);
    bool monitorInUse = false;
    for (DWORD i = 0; i < count; ++i) {
        if (&drivers[i] != ours && !monitor.empty() && NamesMonitor(drivers[i], monitor))
            monitorInUse = true;
    }

    BOOL whole = TRUE;
    // The spooler removes no monitor that a driver names: detached first.
    if (!monitor.empty() && ours != NULL && NamesMonitor(*ours, monitor)) {
        ours->pMonitorName = NULL;
        if (!AddPrinterDriverA(NULL, 3, reinterpret_cast<LPBYTE>(ours))) {
            DebugLog("    Monitor not detached(%lu)\n", GetLastError());
            result.Record(pair::kMonitorNotRemoved, GetLastError());
            whole = FALSE;
            monitorInUse = true;
        }
    }
    if (!monitor.empty() && !monitorInUse &&
        !DeleteMonitorA(NULL, NULL, const_cast<char*>(monitor.c_str())) &&
        GetLastError() != ERROR_UNKNOWN_PRINT_MONITOR) {
        DebugLog("    Monitor not removed(%lu)\n", GetLastError());
        result.Record(pair::kMonitorNotRemoved, GetLastError());
        whole = FALSE;
    }
    if (ours != NULL && !DeletePortSettings(ours->cVersion))
        whole = FALSE;
    return whole;
}

// The driver's "LPT_" values; a driver key that is not there has none.
bool UninstallRun::DeletePortSettings(DWORD driverVersion)
{
    Registry key(HKEY_LOCAL_MACHINE,
                 DriversKeyPath(environment.osKind == 1, driverVersion) + "\\" +
                     settings.driverName,
                 NULL, FALSE, Registry::kAllAccess);
    if (key.IsMissing())
        return true;
    if (!key.isOpen || !DeletePortValues(key)) {
        DebugLog("    Port settings not removed\n");
        result.Record(pair::kPortValueNotDeleted);
        return false;
    }
    return true;
}

// The copy of the program that the install put beside the model's driver,
// which the install's Startup link starts: the driver's folder with the
// file name of `ownPath`. Empty when the driver is not found.
std::string UninstallRun::InstalledCopyPath(const std::string& ownPath)
{
    HeapBuffer buffer;
    DWORD count = 0;
    const size_t name = LastBackslash(ownPath);
    if (name == std::string::npos || !ListDrivers(buffer, count))
        return std::string();
    const DRIVER_INFO_3A* driver =
        FindDriver(static_cast<DRIVER_INFO_3A*>(buffer.get()), count, settings.driverName);
    if (driver == NULL || driver->pDriverPath == NULL)
        return std::string();
    const std::string driverPath = driver->pDriverPath;
    const size_t folder = LastBackslash(driverPath);
    if (folder == std::string::npos)
        return std::string();
    return driverPath.substr(0, folder) + ownPath.substr(name);
}
