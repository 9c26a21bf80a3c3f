// The print spooler's own registry keys that the product writes to: the
// installed monitors, and the keys of the printer drivers of this system's
// environment (where the driver's parallel-port settings live).
#pragma once

#include <windows.h>
#include <winspool.h>

#include <string>

// The printers a run looks at: local ones and connections to shared ones.
constexpr DWORD kPrinterEnumFlags =
    PRINTER_ENUM_LOCAL | PRINTER_ENUM_CONNECTIONS | PRINTER_ENUM_NETWORK;

// One subkey per installed monitor, with the monitor's DLL as "Driver".
constexpr char kMonitorsKey[] = "System\\CurrentControlSet\\control\\Print\\Monitors\\";

// The drivers of this system's environment: right under "Windows 4.0\Drivers"
// on Windows 95/98, under "Windows NT x86\Drivers\Version-<n>" on NT, where
// <n> is the driver's version.
inline std::string DriversKeyPath(bool windows9x, DWORD driverVersion)
{
    if (windows9x)
        return "System\\CurrentControlSet\\control\\Print\\Environments\\Windows 4.0\\Drivers";
    return std::string("System\\CurrentControlSet\\control\\Print\\Environments\\Windows NT x86"
                       "\\Drivers\\Version-") +
           static_cast<char>('0' + driverVersion);
}
