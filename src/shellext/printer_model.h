// The printer's model: its driver, asked of the spooler once, and the
// model's driver key software\NORVA\VTR3\Driver\<driver>.
#pragma once

#include "product_keys.h"
#include "product_values.h"
#include "registry.h"

#include <windows.h>

// Large enough for the driver key prefix and any driver name.
constexpr size_t kDriverKeyPathSize = sizeof kModelKeyPrefix + kNameSize;

// The printer's driver name into `driverName` (at least kNameSize bytes).
// FALSE for a missing or empty name, a printer the spooler does not know, or
// a driver name that does not fit.
BOOL GetPrinterDriverName(const char* printerName, char* driverName);

class PrinterModel {
public:
    PrinterModel();
    // Asks the spooler for the printer's driver.
    explicit PrinterModel(const char* printerName);

    // FALSE when the spooler did not name the printer's driver.
    BOOL Known() const { return driverName[0] != '\0'; }
    // The model's driver key path; empty when the driver is unknown.
    const char* DriverKeyPath() const { return keyPath; }
    // The driver key, opened for reading; not open when the driver is
    // unknown or the key is missing.
    Registry OpenDriverKey() const;

private:
    char driverName[kNameSize];
    char keyPath[kDriverKeyPathSize];
};

// TRUE when the model has "XIMPType" = 1: the printers that get the copy
// hook's care and the utility page. A known driver whose key does not open
// is logged.
BOOL IsXimpTarget(const PrinterModel& model);
BOOL IsXimpTarget(const char* printerName);
