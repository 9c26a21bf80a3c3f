// Finds and starts the product's monitor (MONRUN) and its settings program
// (MONCFG) for a printer, handing over the printer's name in a parameter
// file whose path is passed on the command line.
#pragma once

#include "product_keys.h"

#include <windows.h>

// Full paths of the two programs for the printer whose page was initialised
// last; shared by all pages of the process.
extern char monrunPath[kNameSize];
extern char moncfgPath[kNameSize];

// TRUE when both programs of the printer's model exist. Refills the two paths
// once the model's driver key opens; MONCFG is only looked for when MONRUN
// was found.
BOOL LocateModules(const char* printerName);

// Writes the parameter file `/P<len> "<printer>"` into the temporary folder
// and starts `modulePath /F<len> "<parameter file>"`. TRUE when the process
// was created.
BOOL ExecuteVtrModule(const char* printerName, const char* modulePath);

// Starts the command line without waiting for the program.
BOOL RunProgram(char* commandLine);
