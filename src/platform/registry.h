// One open registry key. Opened or created by the constructor, closed by the
// destructor. Every operation on a key that is not open does nothing and
// returns FALSE, the empty string or the default, so a Registry may be built
// for a key that may not exist and used without a test. Operations that fail
// leave the Windows error for GetLastError().
#pragma once

#include <windows.h>

#include <string>

class OwnedSecurity;

class Registry {
public:
    static constexpr REGSAM kRead = 0x20019;       // KEY_READ
    static constexpr REGSAM kAllAccess = 0xF003F;  // KEY_ALL_ACCESS
    // What a plain user's write needs: no WRITE_DAC or WRITE_OWNER.
    static constexpr REGSAM kReadWrite = KEY_READ | KEY_WRITE;
    static constexpr DWORD kDefaultBufferSize = 256;

    // No key until Create is called.
    Registry() = default;

    // Opens the subkey, or creates it when `create` is TRUE. An access mask of
    // 0 means KEY_ALL_ACCESS for creating and KEY_READ for opening. Security
    // attributes are used only when the key is created.
    Registry(HKEY parent, const std::string& subkey, LPSECURITY_ATTRIBUTES security,
             BOOL create, REGSAM accessMask);

    // The ways to a key by what the caller means. Only CreateWithSecurity
    // creates. A registry view flag (KEY_WOW64_32KEY) may be added to any
    // access mask.
    static Registry OpenForReading(HKEY parent, const std::string& subkey);  // KEY_READ
    static Registry OpenForWriting(HKEY parent, const std::string& subkey);  // KEY_ALL_ACCESS
    static Registry OpenWithAccess(HKEY parent, const std::string& subkey, REGSAM access);
    // Creates the key, or opens it when it exists; `security` (may be NULL)
    // is given only to a new key.
    static Registry CreateWithSecurity(HKEY parent, const std::string& subkey,
                                       LPSECURITY_ATTRIBUTES security,
                                       REGSAM access = kAllAccess);

    virtual ~Registry();
    Registry(const Registry&) = delete;
    Registry& operator=(const Registry&) = delete;
    Registry(Registry&& other) noexcept;
    Registry& operator=(Registry&& other) noexcept;

    // Creates or opens the subkey. TRUE only when the key was newly created;
    // an existing key is opened (isOpen TRUE) and gives FALSE.
    BOOL Create(HKEY parent, const std::string& subkey, const char* keyClass,
                LPSECURITY_ATTRIBUTES security, REGSAM accessMask);

    // A subkey of this key, opened with `access`. It lies in this key's
    // registry view, so no view flag is asked for (with one, Wine walks the
    // path from the root again, one component at a time).
    Registry OpenSubkey(const std::string& name, REGSAM access) const;

    // Name of the subkey at `index`, the empty string past the last one or
    // on any failure. The subkey's class goes to `keyClass` when given.
    std::string EnumKey(DWORD index, std::string* keyClass = nullptr) const;

    // Number of subkeys into *count; FALSE when it cannot be asked.
    BOOL CountSubkeys(DWORD* count) const;

    // Name of the value at `index`, the empty string on any failure.
    std::string EnumValue(DWORD index) const;

    // Deletes the subkey with everything below it, deepest first. With
    // `reclaim` (an administrator's run on NT), a key whose list refuses the
    // run is first given to Administrators with that list: one such key
    // must not leave a partial tree.
    BOOL DeleteKey(const std::string& subkey, const OwnedSecurity* reclaim = nullptr);

    // Deletes one subkey that has none of its own (Windows NT refuses a key
    // with subkeys here; DeleteKey removes a whole subtree).
    BOOL DeleteSubkey(const std::string& name);

    BOOL DeleteValue(const std::string& name);
    // TRUE when the value is gone: deleted now, or the value or the key was
    // not there.
    BOOL DeleteValueIfThere(const std::string& name);

    // TRUE when the key did not open because it is not there.
    BOOL IsMissing() const { return !isOpen && openError == ERROR_FILE_NOT_FOUND; }

    // The value's data as text (its type is not checked); the default when
    // the value is missing or does not fit into `bufferSize` bytes.
    std::string QueryString(const std::string& name, const std::string& defaultValue,
                            DWORD bufferSize = kDefaultBufferSize) const;

    // As QueryString, but telling a value that is missing (TRUE, `value` the
    // default) from one that could not be read (FALSE, the error kept for
    // GetLastError()): a step that removes what a value names must not take
    // a failed read for "nothing named". A value too long for the buffer
    // counts as missing, as QueryString has it.
    BOOL QueryStringIfThere(const std::string& name, std::string& value,
                            const std::string& defaultValue = std::string(),
                            DWORD bufferSize = kDefaultBufferSize) const;

    // The value's data as text into `buffer` (`size` bytes), always
    // terminated. A value that does not fit, its terminating zero included,
    // counts as a failed read: FALSE and an empty buffer.
    BOOL ReadString(const char* name, char* buffer, DWORD size) const;

    // Replaces the parts of the key's security that `what` names (e.g. its
    // DACL) with those of `descriptor`; the key must be open with WRITE_DAC.
    BOOL SetSecurity(SECURITY_INFORMATION what, PSECURITY_DESCRIPTOR descriptor);

    // Stores a REG_SZ value, its terminating NUL included.
    BOOL SetString(const std::string& name, const std::string& value);

    // The value's first 4 bytes as a number (its type is not checked); the
    // default when the value is missing or longer than 4 bytes.
    DWORD QueryDword(const std::string& name, DWORD defaultValue) const;

    BOOL SetDword(const std::string& name, DWORD value);

    HKEY hKey = NULL;
    BOOL isOpen = FALSE;
    REGSAM access = 0;
    // The Windows error of the open or create, 0 when the key is open.
    DWORD openError = 0;

private:
    void CloseKey();
    // The result of a registry call as a BOOL; a failure's error is kept for
    // GetLastError().
    static BOOL Succeeded(LONG result);
};
