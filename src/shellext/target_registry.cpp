#include "target_registry.h"

#include "product_keys.h"
#include "reg_values.h"
#include "win32_owners.h"

#include <cstdio>
#include <cstring>

namespace {

// Large enough for the target key, a backslash and any enumerated name.
constexpr size_t kSubKeyPathSize = sizeof kTargetKey + kNameSize;

// Length of "P" + 16 digits.
constexpr size_t kEntryNameLength = 17;
constexpr size_t kEntryPathSize = sizeof kTargetKey + 1 + kEntryNameLength;

constexpr DWORD kLastIndex = 0xFFFFFFFEu;

BOOL KeyOpens(const char* subKey)
{
    RegKey key;
    return key.Open(HKEY_LOCAL_MACHINE, subKey, KEY_READ);
}

// Opens or creates one of the keys above the entries; a new one gets the
// targets' access control.
BOOL EnsureKey(const char* subKey)
{
    if (KeyOpens(subKey))
        return TRUE;
    RegKey created;
    if (!created.Create(HKEY_LOCAL_MACHINE, subKey))
        return FALSE;
    created.Close();
    SetTargetKeySecurity(subKey);
    return TRUE;
}

BOOL EntryNameMatches(const char* entryPath, const char* printerName)
{
    RegKey entry;
    if (!entry.Open(HKEY_LOCAL_MACHINE, entryPath, KEY_READ))
        return FALSE;
    char name[kNameSize];
    if (!ReadRegString(entry.get(), kTargetNameValue, name, sizeof name))
        return FALSE;
    return lstrcmpA(name, printerName) == 0;
}

// The path of the lowest index whose subkey does not exist.
BOOL FindFreeEntry(char* entryPath)
{
    for (DWORD index = 0;; ++index) {
        std::snprintf(entryPath, kEntryPathSize, "%s\\P%016lu", kTargetKey,
                      static_cast<unsigned long>(index));
        if (!KeyOpens(entryPath))
            return TRUE;
        if (index == kLastIndex)
            return FALSE;
    }
}

BOOL WriteNewEntry(const char* entryPath, const char* printerName)
{
    RegKey entry;
    if (!entry.Create(HKEY_LOCAL_MACHINE, entryPath))
        return FALSE;
    if (WriteRegString(entry.get(), kTargetNameValue, printerName) &&
        WriteRegDword(entry.get(), kMonitoringValue, 1))
        return TRUE;
    entry.Close();
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, entryPath);
    return FALSE;
}

}  // namespace

int FindTargetKey(const char* printerName, char* path, unsigned pathSize)
{
    if (path != NULL && pathSize >= 1)
        path[0] = '\0';
    if (printerName == NULL || path == NULL)
        return -1;
    RegKey targets;
    if (!targets.Open(HKEY_LOCAL_MACHINE, kTargetKey, KEY_READ))
        return -1;
    for (DWORD index = 0;; ++index) {
        char name[kNameSize];
        DWORD nameSize = sizeof name;
        if (RegEnumKeyExA(targets.get(), index, name, &nameSize, NULL, NULL, NULL, NULL) !=
            ERROR_SUCCESS)
            return -1;
        char entryPath[kSubKeyPathSize];
        std::snprintf(entryPath, sizeof entryPath, "%s\\%s", kTargetKey, name);
        if (!EntryNameMatches(entryPath, printerName))
            continue;
        // A cut path would name another key: it counts as not found.
        if (!CopyIfFits(path, pathSize, entryPath))
            return -1;
        return lstrlenA(path);
    }
}

int CreateTargetKey(const char* printerName, char* path, int pathSize)
{
    if (printerName == NULL || path == NULL || pathSize < static_cast<int>(kEntryPathSize))
        return -1;
    // "Name" is read back with a name-sized buffer: a longer name could never
    // be found again, and every write would add another entry.
    if (std::strlen(printerName) >= kNameSize)
        return -1;
    path[0] = '\0';
    if (!KeyOpens(kProductKey))
        return -1;
    if (!EnsureKey(kVtrDataKey) || !EnsureKey(kTargetKey))
        return -1;
    char entryPath[kEntryPathSize];
    if (!FindFreeEntry(entryPath))
        return -1;
    if (!WriteNewEntry(entryPath, printerName))
        return -1;
    SetTargetKeySecurity(entryPath);
    CopyIfFits(path, static_cast<size_t>(pathSize), entryPath);
    return lstrlenA(path);
}

BOOL SetTargetKeySecurity(const char* subKey)
{
    RegKey key;
    if (!key.Open(HKEY_LOCAL_MACHINE, subKey, WRITE_DAC))
        return FALSE;
    SID_IDENTIFIER_AUTHORITY ntAuthority = {SECURITY_NT_AUTHORITY};
    SID_IDENTIFIER_AUTHORITY worldAuthority = {SECURITY_WORLD_SID_AUTHORITY};
    AllocatedSid system;
    AllocatedSid everyone;
    if (!AllocateAndInitializeSid(&ntAuthority, 1, SECURITY_LOCAL_SYSTEM_RID, 0, 0, 0, 0, 0, 0,
                                  0, system.receive()) ||
        !AllocateAndInitializeSid(&worldAuthority, 1, SECURITY_WORLD_RID, 0, 0, 0, 0, 0, 0, 0,
                                  everyone.receive()))
        return FALSE;
    DWORD aclSize = GetLengthSid(system.get()) + GetLengthSid(everyone.get()) + 24;
    ProcessHeapBlock aclBlock(aclSize);
    PACL acl = static_cast<PACL>(aclBlock.get());
    if (acl == NULL || !InitializeAcl(acl, aclSize, ACL_REVISION) ||
        !AddAccessAllowedAce(acl, ACL_REVISION, KEY_ALL_ACCESS, system.get()) ||
        !AddAccessAllowedAce(acl, ACL_REVISION, KEY_ALL_ACCESS, everyone.get()))
        return FALSE;
    SECURITY_DESCRIPTOR descriptor;
    if (!InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION) ||
        !SetSecurityDescriptorDacl(&descriptor, TRUE, acl, FALSE))
        return FALSE;
    return RegSetKeySecurity(key.get(), DACL_SECURITY_INFORMATION, &descriptor) == ERROR_SUCCESS;
}

BOOL ReadMonitoring(const char* printerName)
{
    char entryPath[kSubKeyPathSize];
    if (FindTargetKey(printerName, entryPath, sizeof entryPath) < 0)
        return TRUE;
    RegKey entry;
    if (!entry.Open(HKEY_LOCAL_MACHINE, entryPath, KEY_READ))
        return TRUE;
    DWORD monitoring = 0;
    if (!ReadRegDword(entry.get(), kMonitoringValue, &monitoring))
        return TRUE;
    return monitoring != 0;
}

BOOL WriteMonitoring(const char* printerName, BOOL on)
{
    char entryPath[kSubKeyPathSize];
    if (FindTargetKey(printerName, entryPath, sizeof entryPath) < 0 &&
        CreateTargetKey(printerName, entryPath, sizeof entryPath) < 0)
        return FALSE;
    RegKey entry;
    if (!entry.Open(HKEY_LOCAL_MACHINE, entryPath, KEY_ALL_ACCESS))
        return FALSE;
    return WriteRegDword(entry.get(), kMonitoringValue, on ? 1 : 0);
}
