// The VTR3 monitor's target-printer entries: one subkey "P" + 16 digits per
// printer under software\NORVA\VTR3\VTRData\TXATarget (HKEY_LOCAL_MACHINE,
// the product's registry view), holding the printer's "Name" (REG_SZ) and
// its "Monitoring" flag (REG_DWORD). Failures leave the Windows error for
// GetLastError().
#pragma once

#include "handles.h"
#include "registry.h"

#include <windows.h>

// The TXATarget key, opened with `access`.
Registry OpenTargets(REGSAM access);

// Path of the printer's entry, relative to HKEY_LOCAL_MACHINE: the first
// subkey in enumeration order whose "Name" equals `printerName` exactly.
// Returns the path's length, or -1 when there is none (last error
// ERROR_FILE_NOT_FOUND), the registry could not be read (its error) or the
// path does not fit into `pathSize` bytes.
int FindTargetKey(const char* printerName, char* path, unsigned pathSize);

// Creates a new entry under the lowest free index, with "Monitoring" = 1.
// Returns the path's length, or -1 (nothing is created when the product key
// is missing, the path would not fit or the name is too long to be found
// again).
int CreateTargetKey(const char* printerName, char* path, int pathSize);

// Deletes the entry of a path that FindTargetKey gave.
BOOL DeleteTargetEntry(const char* entryPath);

// Gives HKEY_LOCAL_MACHINE\subKey the DACL of BuildTargetDacl.
BOOL SetTargetKeySecurity(const char* subKey);

// The DACL of the target keys, which every user's Explorer writes:
// Administrators and LocalSystem full access, Everyone reading, writing and
// deleting, but not changing the DACL or the owner. Kept with the SIDs.
struct TargetDacl {
    AllocatedSid administrators;
    AllocatedSid system;
    AllocatedSid everyone;
    HeapBuffer acl;
};
BOOL BuildTargetDacl(TargetDacl& dacl);

// The printer's "Monitoring" flag; TRUE whenever it cannot be read.
BOOL ReadMonitoring(const char* printerName);

// Writes the printer's "Monitoring" flag, creating its entry when needed.
BOOL WriteMonitoring(const char* printerName, BOOL on);
