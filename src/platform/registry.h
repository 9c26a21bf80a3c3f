// One open registry key. Opened or created by the constructor, closed by the
// destructor. Every operation on a key that is not open does nothing and
// returns FALSE, the empty string or the default, so a Registry may be built
// for a key that may not exist and used without a test.
#pragma once

#include <windows.h>

#include <string>

class Registry {
public:
    static constexpr REGSAM kRead = 0x20019;       // KEY_READ
    static constexpr REGSAM kAllAccess = 0xF003F;  // KEY_ALL_ACCESS
    static constexpr DWORD kDefaultBufferSize = 256;

    // No key until Create is called.
    Registry() = default;

    // Opens the subkey, or creates it when `create` is TRUE. An access mask of
    // 0 means KEY_ALL_ACCESS for creating and KEY_READ for opening. Security
    // attributes are used only when the key is created.
    Registry(HKEY parent, const std::string& subkey, LPSECURITY_ATTRIBUTES security,
             BOOL create, REGSAM accessMask);

    virtual ~Registry();
    Registry(const Registry&) = delete;
    Registry& operator=(const Registry&) = delete;

    // Creates or opens the subkey. TRUE only when the key was newly created;
    // an existing key is opened (isOpen TRUE) and gives FALSE.
    BOOL Create(HKEY parent, const std::string& subkey, const char* keyClass,
                LPSECURITY_ATTRIBUTES security, REGSAM accessMask);

    // Name of the subkey at `index`, the empty string past the last one or
    // on any failure. The subkey's class goes to `keyClass` when given.
    std::string EnumKey(DWORD index, std::string* keyClass = nullptr) const;

    // Name of the value at `index`, the empty string on any failure.
    std::string EnumValue(DWORD index) const;

    // Deletes the subkey with everything below it, deepest first.
    BOOL DeleteKey(const std::string& subkey);

    BOOL DeleteValue(const std::string& name);

    // The value's data as text (its type is not checked); the default when
    // the value is missing or does not fit into `bufferSize` bytes.
    std::string QueryString(const std::string& name, const std::string& defaultValue,
                            DWORD bufferSize = kDefaultBufferSize) const;

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
};
