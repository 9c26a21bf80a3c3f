// The registry as the tests set it up and read it back: direct Win32 calls,
// independent of the code under test. `view` is a registry view flag: 0 for
// the program's own view, KEY_WOW64_32KEY for the 32-bit view in which the
// 32-bit MONCHK04 keeps the product's keys (kProductView of product_keys.h).
#pragma once

#include <windows.h>

#include <string>
#include <vector>

// A registry value as stored: its type and data; type REG_NONE when missing.
struct StoredValue {
    DWORD type = REG_NONE;
    std::string data;
    DWORD Dword() const;       // the first 4 bytes, 0 when shorter
    std::string Text() const;  // the data up to its NUL
};

// One entry of a DACL as stored: its type, flags, mask and SID.
struct DaclEntry {
    BYTE type = 0;
    BYTE flags = 0;
    DWORD mask = 0;
    std::vector<BYTE> sid;
    bool Names(PSID other) const;  // the entry's SID is `other`
};
std::vector<DaclEntry> DaclEntries(PACL acl);  // in order; none for NULL
// The entries of the key's DACL; none when it cannot be read.
std::vector<DaclEntry> KeyDacl(HKEY root, const std::string& path, REGSAM view = 0);

bool KeyExists(HKEY root, const std::string& path, REGSAM view = 0);
bool ValueExists(HKEY root, const std::string& path, const std::string& name, REGSAM view = 0);
StoredValue ReadValue(HKEY root, const std::string& path, const std::string& name,
                      REGSAM view = 0);
// The subkeys' names in enumeration order; none when the key is missing.
std::vector<std::string> SubkeyNames(HKEY root, const std::string& path, REGSAM view = 0);

// Create the key (and those above it) when missing. Failures fail the test.
void CreateKey(HKEY root, const std::string& path, REGSAM view = 0);
void SetString(HKEY root, const std::string& path, const std::string& name,
               const std::string& value, REGSAM view = 0);
void SetDword(HKEY root, const std::string& path, const std::string& name, DWORD value,
              REGSAM view = 0);
// Removes the key with everything below it; a missing key is no failure.
void DeleteTree(HKEY root, const std::string& path, REGSAM view = 0);
