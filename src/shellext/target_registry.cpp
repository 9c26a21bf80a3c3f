#include "target_registry.h"

#include "access_control.h"
#include "bounded_copy.h"
#include "handles.h"
#include "nt_security.h"
#include "product_keys.h"
#include "product_values.h"
#include "registry.h"
#include "security.h"
#include "text_format.h"
#include "windows_version.h"

#include <cstdio>
#include <cstring>
#include <string>

namespace {

// Large enough for the target key, a backslash and any enumerated name.
constexpr size_t kSubKeyPathSize = sizeof kTxaTargetKey + kNameSize;

// Length of "P" + 16 digits.
constexpr size_t kEntryNameLength = 17;
constexpr size_t kEntryPathSize = sizeof kTxaTargetKey + 1 + kEntryNameLength;

constexpr DWORD kLastIndex = 0xFFFFFFFEu;

// How many indexes without an entry the search by entry names passes over
// before it lets the walk through the enumeration decide instead.
constexpr DWORD kMissingEntriesTolerated = 64;

void EntryName(DWORD index, char* name)
{
    FormatText(name, kEntryNameLength + 1, "P%016lu", static_cast<unsigned long>(index));
}

// Opens or creates one of the keys above the entries; a new one gets the
// targets' access control.
BOOL EnsureKey(const char* subKey)
{
    if (OpenProductKey(subKey).isOpen)
        return TRUE;
    if (!CreateProductKey(subKey, NULL).isOpen)
        return FALSE;
    SetTargetKeySecurity(subKey);
    return TRUE;
}

// TRUE when the entry `name` of the open targets key holds "Name" =
// `printerName` (compared as lstrcmpA does).
// An answer from the registry that is no "there is none": a search that met
// one cannot tell that the entry is missing.
bool Unexpected(DWORD error)
{
    return error != ERROR_FILE_NOT_FOUND && error != ERROR_NO_MORE_ITEMS &&
           error != ERROR_MORE_DATA;
}

BOOL EntryMatches(const Registry& targets, const char* name, const char* printerName,
                  BOOL* exists, bool& failed)
{
    Registry entry = targets.OpenSubkey(name, Registry::kRead);
    *exists = entry.isOpen;
    if (!entry.isOpen) {
        failed = failed || Unexpected(entry.openError);
        return FALSE;
    }
    char stored[kNameSize];
    if (!entry.ReadString(kTargetNameValue, stored, sizeof stored)) {
        failed = failed || Unexpected(GetLastError());
        return FALSE;
    }
    return lstrcmpA(stored, printerName) == 0;
}

// The first entry in enumeration order whose "Name" matches, walking the
// enumeration: one call more per entry than reading the names needs.
BOOL WalkEnumeration(const Registry& targets, const char* printerName, char* found,
                     bool& failed)
{
    for (DWORD index = 0;; ++index) {
        // Empty past the last subkey: a subkey always has a name.
        const std::string name = targets.EnumKey(index);
        if (name.empty()) {
            failed = failed || Unexpected(GetLastError());
            return FALSE;
        }
        BOOL exists = FALSE;
        if (EntryMatches(targets, name.c_str(), printerName, &exists, failed))
            return CopyIfFits(found, kNameSize, name.c_str());
    }
}

enum class Search { kFound, kNotFound, kUndecided };

// The same answer as WalkEnumeration, found by opening the entries by their
// names P0000000000000000, P0000000000000001, ... in turn, without asking
// for each name. It decides only where that is certain:
// - not found once every subkey has been met under such a name;
// - found when the matching entry stands in the enumeration exactly after
//   the entries met before it. Windows NT enumerates the (non-volatile,
//   as all entries are) subkeys of a key in the order of their names, which
//   for these names is the order of their indexes, so then no other subkey
//   comes before it.
// Anything else (other names, long gaps, Windows 95/98, whose registry
// enumerates in another order) is left to the walk. Under Wine each
// registry call is a round trip to the server: this saves one per entry.
Search SearchByEntryNames(const Registry& targets, const char* printerName, char* found,
                          bool& failed)
{
    DWORD subkeys = 0;
    if (!IsWindowsNT() || !targets.CountSubkeys(&subkeys))
        return Search::kUndecided;
    DWORD met = 0;
    DWORD missing = 0;
    for (DWORD index = 0; met < subkeys; ++index) {
        char name[kEntryNameLength + 1];
        EntryName(index, name);
        BOOL exists = FALSE;
        if (EntryMatches(targets, name, printerName, &exists, failed)) {
            const std::string enumerated = targets.EnumKey(met);
            if (lstrcmpiA(enumerated.c_str(), name) != 0)
                return Search::kUndecided;
            // Spelled as stored, as the walk would name it.
            CopyIfFits(found, kNameSize, enumerated.c_str());
            return Search::kFound;
        }
        if (exists)
            ++met;
        else if (++missing > kMissingEntriesTolerated || index == kLastIndex)
            return Search::kUndecided;
    }
    return Search::kNotFound;
}

// The path of the lowest index whose subkey does not exist.
BOOL FindFreeEntry(const Registry& targets, char* entryPath)
{
    for (DWORD index = 0;; ++index) {
        char name[kEntryNameLength + 1];
        EntryName(index, name);
        if (!targets.OpenSubkey(name, Registry::kRead).isOpen) {
            FormatText(entryPath, kEntryPathSize, "%s\\%s", kTxaTargetKey, name);
            return TRUE;
        }
        if (index == kLastIndex)
            return FALSE;
    }
}

BOOL WriteNewEntry(Registry& targets, const char* entryPath, const char* printerName)
{
    const char* name = entryPath + sizeof kTxaTargetKey;
    Registry entry;
    // A key that is there after all (its open failed for another reason) is
    // another printer's entry: neither rewritten nor removed.
    if (!entry.Create(targets.hKey, name, NULL, NULL, Registry::kReadWrite)) {
        if (entry.isOpen)
            SetLastError(ERROR_ALREADY_EXISTS);
        return FALSE;
    }
    if (entry.SetString(kTargetNameValue, printerName) && entry.SetDword(kMonitoringValue, 1))
        return TRUE;
    const DWORD error = GetLastError();
    entry = Registry();
    targets.DeleteSubkey(name);
    SetLastError(error);
    return FALSE;
}

// The printer's entry name under the open targets key, into `found`
// (kNameSize bytes).
BOOL FindEntry(const Registry& targets, const char* printerName, char* found, bool& failed)
{
    switch (SearchByEntryNames(targets, printerName, found, failed)) {
    case Search::kFound:
        return TRUE;
    case Search::kNotFound:
        if (!failed)
            return FALSE;
        break;
    case Search::kUndecided:
        break;
    }
    failed = false;
    return WalkEnumeration(targets, printerName, found, failed);
}

}  // namespace

Registry OpenTargets(REGSAM access)
{
    return OpenProductKey(kTxaTargetKey, access);
}

int FindTargetKey(const char* printerName, char* path, unsigned pathSize)
{
    if (path != NULL && pathSize >= 1)
        path[0] = '\0';
    if (printerName == NULL || path == NULL) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return -1;
    }
    Registry targets = OpenTargets(Registry::kRead);
    if (!targets.isOpen) {
        SetLastError(Unexpected(targets.openError) ? targets.openError : ERROR_FILE_NOT_FOUND);
        return -1;
    }
    char name[kNameSize];
    bool failed = false;
    if (!FindEntry(targets, printerName, name, failed)) {
        // ERROR_FILE_NOT_FOUND only when the printer certainly has no entry.
        if (!failed)
            SetLastError(ERROR_FILE_NOT_FOUND);
        else if (!Unexpected(GetLastError()))
            SetLastError(ERROR_READ_FAULT);
        return -1;
    }
    char entryPath[kSubKeyPathSize];
    FormatText(entryPath, sizeof entryPath, "%s\\%s", kTxaTargetKey, name);
    // A cut path would name another key: it counts as not found.
    if (!CopyIfFits(path, pathSize, entryPath)) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return -1;
    }
    return lstrlenA(path);
}

int CreateTargetKey(const char* printerName, char* path, int pathSize)
{
    if (printerName == NULL || path == NULL || pathSize < static_cast<int>(kEntryPathSize)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return -1;
    }
    // "Name" is read back with a name-sized buffer: a longer name could never
    // be found again, and every write would add another entry.
    if (std::strlen(printerName) >= kNameSize) {
        SetLastError(ERROR_INVALID_NAME);
        return -1;
    }
    path[0] = '\0';
    if (!OpenProductKey(kProductKey).isOpen)
        return -1;
    if (!EnsureKey(kVtrDataKey) || !EnsureKey(kTxaTargetKey))
        return -1;
    Registry targets = OpenTargets(Registry::kReadWrite);
    if (!targets.isOpen)
        return -1;
    char entryPath[kEntryPathSize];
    if (!FindFreeEntry(targets, entryPath)) {
        SetLastError(ERROR_NO_MORE_ITEMS);
        return -1;
    }
    if (!WriteNewEntry(targets, entryPath, printerName))
        return -1;
    SetTargetKeySecurity(entryPath);
    CopyIfFits(path, static_cast<size_t>(pathSize), entryPath);
    return lstrlenA(path);
}

BOOL SetTargetKeySecurity(const char* subKey)
{
    Registry key = OpenProductKey(subKey, WRITE_DAC);
    if (!key.isOpen)
        return FALSE;
    TargetDacl dacl;
    if (!BuildTargetDacl(dacl))
        return FALSE;
    SECURITY_DESCRIPTOR descriptor;
    if (!ntsecurity::InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION) ||
        !ntsecurity::SetSecurityDescriptorDacl(&descriptor, TRUE,
                                               static_cast<PACL>(dacl.acl.get()), FALSE))
        return FALSE;
    return key.SetSecurity(DACL_SECURITY_INFORMATION, &descriptor);
}

BOOL BuildTargetDacl(TargetDacl& dacl)
{
    if (!AllocateAdministratorsSid(dacl.administrators) || !AllocateLocalSystemSid(dacl.system) ||
        !AllocateEveryoneSid(dacl.everyone))
        return FALSE;
    const AllowedAccess entries[] = {{dacl.administrators.get(), kKeyFullAccess},
                                     {dacl.system.get(), kKeyFullAccess},
                                     {dacl.everyone.get(), kKeyEveryoneWrites}};
    return BuildDacl(entries, 3, dacl.acl, NULL) == DaclResult::kBuilt;
}

BOOL DeleteTargetEntry(const char* entryPath)
{
    const size_t prefix = sizeof kTxaTargetKey;  // the key and its backslash
    if (std::strncmp(entryPath, kTxaTargetKey, prefix - 1) != 0 || entryPath[prefix - 1] != '\\')
        return FALSE;
    return OpenTargets(Registry::kReadWrite).DeleteSubkey(entryPath + prefix);
}

BOOL ReadMonitoring(const char* printerName)
{
    char entryPath[kSubKeyPathSize];
    if (FindTargetKey(printerName, entryPath, sizeof entryPath) < 0)
        return TRUE;
    // Only a stored 0 switches monitoring off; the default stands for "on".
    return OpenProductKey(entryPath).QueryDword(kMonitoringValue, 1) != 0;
}

BOOL WriteMonitoring(const char* printerName, BOOL on)
{
    char entryPath[kSubKeyPathSize];
    // An entry is made only where there certainly is none: after a lookup
    // that failed it would be the printer's second one, never read again.
    if (FindTargetKey(printerName, entryPath, sizeof entryPath) < 0 &&
        (GetLastError() != ERROR_FILE_NOT_FOUND ||
         CreateTargetKey(printerName, entryPath, sizeof entryPath) < 0))
        return FALSE;
    return OpenProductKey(entryPath, Registry::kReadWrite).SetDword(kMonitoringValue, on ? 1 : 0);
}
