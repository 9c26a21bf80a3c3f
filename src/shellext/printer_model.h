// The printer's model: its driver, found through the spooler, and the
// model's driver key software\NORVA\VTR3\Driver\<driver>.
#pragma once

#include "product_keys.h"
#include "win32_owners.h"

#include <windows.h>

// Large enough for the driver key prefix and any driver name.
constexpr size_t kDriverKeyPathSize = sizeof kDriverKeyPrefix + kNameSize;

// The printer's driver name into `driverName` (at least kNameSize bytes).
// FALSE for a missing or empty name, a printer the spooler does not know, or
// a driver name that does not fit.
BOOL GetPrinterDriverName(const char* printerName, char* driverName);

// Builds the driver key path of `driverName` into `keyPath`
// (kDriverKeyPathSize bytes).
void BuildDriverKeyPath(const char* driverName, char* keyPath);

// Opens the model's driver key of the printer for reading; its path goes to
// `keyPath` (kDriverKeyPathSize bytes), empty when the printer's driver is
// unknown. FALSE when the key cannot be opened.
BOOL OpenPrinterModelKey(const char* printerName, RegKey& key, char* keyPath);

// TRUE when the printer's model has "XIMPType" = 1: the printers that get
// the copy hook's care and the utility page.
BOOL IsXimpTarget(const char* printerName);
