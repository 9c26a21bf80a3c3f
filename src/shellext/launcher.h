// Finds and starts the product's monitor (MONRUN) and its settings program
// (MONCFG) for a printer, handing over the printer's name in a parameter
// file whose path is passed on the command line.
#pragma once

#include "printer_model.h"
#include "product_values.h"

#include <windows.h>

// Full paths of the two programs of one printer's model. Each utility page
// keeps its own.
struct ModulePaths {
    char monrun[kNameSize] = "";
    char moncfg[kNameSize] = "";
};

// TRUE when both programs of the model exist. Refills `paths` once the
// model's driver key opens; MONCFG is only looked for when MONRUN was found.
BOOL LocateModules(const PrinterModel& model, ModulePaths& paths);

// Writes the parameter file `/P<len> "<printer>"` into the temporary folder
// and starts `modulePath /F<len> "<parameter file>"`. TRUE when the process
// was created. Without a parameter file the program is started all the same,
// with `/F0 ""`.
BOOL ExecuteVtrModule(const char* printerName, const char* modulePath);

// Starts `program` with `commandLine` without waiting for it.
BOOL RunProgram(const char* program, const char* commandLine);
