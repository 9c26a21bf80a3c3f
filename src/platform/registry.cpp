#include "registry.h"

#include "nt_security.h"
#include "ownership.h"

#include <memory>

namespace {

constexpr REGSAM kViewFlags = KEY_WOW64_32KEY | KEY_WOW64_64KEY;

}  // namespace

Registry::Registry(HKEY parent, const std::string& subkey, LPSECURITY_ATTRIBUTES security,
                   BOOL create, REGSAM accessMask)
{
    if (accessMask == 0)
        accessMask = create ? kAllAccess : kRead;

    if (create) {
        Create(parent, subkey, NULL, security, accessMask);
        return;
    }
    access = accessMask;
    openError = static_cast<DWORD>(RegOpenKeyExA(parent, subkey.c_str(), 0, accessMask, &hKey));
    isOpen = Succeeded(static_cast<LONG>(openError));
}

Registry Registry::OpenForReading(HKEY parent, const std::string& subkey)
{
    return Registry(parent, subkey, NULL, FALSE, kRead);
}

Registry Registry::OpenForWriting(HKEY parent, const std::string& subkey)
{
    return Registry(parent, subkey, NULL, FALSE, kAllAccess);
}

Registry Registry::OpenWithAccess(HKEY parent, const std::string& subkey, REGSAM access)
{
    return Registry(parent, subkey, NULL, FALSE, access);
}

Registry Registry::CreateWithSecurity(HKEY parent, const std::string& subkey,
                                      LPSECURITY_ATTRIBUTES security, REGSAM access)
{
    return Registry(parent, subkey, security, TRUE, access);
}

Registry::~Registry()
{
    CloseKey();
}

Registry::Registry(Registry&& other) noexcept
    : hKey(other.hKey), isOpen(other.isOpen), access(other.access), openError(other.openError)
{
    other.hKey = NULL;
    other.isOpen = FALSE;
}

Registry& Registry::operator=(Registry&& other) noexcept
{
    if (this != &other) {
        CloseKey();
        hKey = other.hKey;
        isOpen = other.isOpen;
        access = other.access;
        openError = other.openError;
        other.hKey = NULL;
        other.isOpen = FALSE;
    }
    return *this;
}

void Registry::CloseKey()
{
    if (isOpen)
        RegCloseKey(hKey);
    hKey = NULL;
}

BOOL Registry::Succeeded(LONG result)
{
    if (result == ERROR_SUCCESS)
        return TRUE;
    SetLastError(static_cast<DWORD>(result));
    return FALSE;
}

BOOL Registry::Create(HKEY parent, const std::string& subkey, const char* keyClass,
                      LPSECURITY_ATTRIBUTES security, REGSAM accessMask)
{
    // A second Create on the same object must not leak the first key.
    CloseKey();
    isOpen = FALSE;

    DWORD disposition = 0;
    LONG rc = RegCreateKeyExA(parent, subkey.c_str(), 0, const_cast<char*>(keyClass),
                              REG_OPTION_NON_VOLATILE, accessMask, security, &hKey,
                              &disposition);
    access = accessMask;
    openError = static_cast<DWORD>(rc);
    isOpen = Succeeded(rc);
    return isOpen && disposition == REG_CREATED_NEW_KEY;
}

Registry Registry::OpenSubkey(const std::string& name, REGSAM accessMask) const
{
    Registry subkey;
    subkey.access = accessMask & ~kViewFlags;
    if (!isOpen) {
        subkey.openError = ERROR_INVALID_HANDLE;
        SetLastError(subkey.openError);
        return subkey;
    }
    subkey.openError =
        static_cast<DWORD>(RegOpenKeyExA(hKey, name.c_str(), 0, subkey.access, &subkey.hKey));
    subkey.isOpen = Succeeded(static_cast<LONG>(subkey.openError));
    return subkey;
}

std::string Registry::EnumKey(DWORD index, std::string* keyClass) const
{
    if (!isOpen)
        return std::string();

    char name[kDefaultBufferSize];
    char cls[kDefaultBufferSize];
    DWORD nameSize = sizeof name;
    DWORD classSize = sizeof cls;
    FILETIME lastWrite;
    if (!Succeeded(
            RegEnumKeyExA(hKey, index, name, &nameSize, NULL, cls, &classSize, &lastWrite)))
        return std::string();

    if (keyClass != nullptr)
        keyClass->assign(cls, classSize < sizeof cls ? classSize : 0);
    return std::string(name, nameSize < sizeof name ? nameSize : 0);
}

BOOL Registry::CountSubkeys(DWORD* count) const
{
    if (!isOpen)
        return FALSE;
    return Succeeded(RegQueryInfoKeyA(hKey, NULL, NULL, NULL, count, NULL, NULL, NULL, NULL,
                                      NULL, NULL, NULL));
}

std::string Registry::EnumValue(DWORD index) const
{
    if (!isOpen)
        return std::string();

    char name[kDefaultBufferSize];
    DWORD size = sizeof name;
    if (!Succeeded(RegEnumValueA(hKey, index, name, &size, NULL, NULL, NULL, NULL)))
        return std::string();
    return std::string(name, size < sizeof name ? size : 0);
}

BOOL Registry::DeleteKey(const std::string& subkey, const OwnedSecurity* reclaim)
{
    if (!isOpen)
        return FALSE;

    {
        Registry child(hKey, subkey, NULL, FALSE, access);
        if (!child.isOpen && child.openError == ERROR_ACCESS_DENIED && reclaim != nullptr &&
            RepairKey(hKey, subkey, *reclaim))
            child = Registry(hKey, subkey, NULL, FALSE, access);
        // Always index 0: each deletion moves the remaining subkeys down.
        for (std::string name = child.EnumKey(0); !name.empty(); name = child.EnumKey(0)) {
            if (!child.DeleteKey(name, reclaim))
                return FALSE;
        }
    }
    if (DeleteSubkey(subkey))
        return TRUE;
    if (GetLastError() != ERROR_ACCESS_DENIED || reclaim == nullptr ||
        !RepairKey(hKey, subkey, *reclaim))
        return FALSE;
    return DeleteSubkey(subkey);
}

BOOL Registry::DeleteSubkey(const std::string& name)
{
    return isOpen && Succeeded(RegDeleteKeyA(hKey, name.c_str()));
}

BOOL Registry::DeleteValue(const std::string& name)
{
    return isOpen && Succeeded(RegDeleteValueA(hKey, name.c_str()));
}

BOOL Registry::DeleteValueIfThere(const std::string& name)
{
    if (!isOpen)
        return IsMissing();
    return DeleteValue(name) || GetLastError() == ERROR_FILE_NOT_FOUND;
}

std::string Registry::QueryString(const std::string& name, const std::string& defaultValue,
                                  DWORD bufferSize) const
{
    if (bufferSize == 0)
        return defaultValue;
    std::string value;
    QueryStringIfThere(name, value, defaultValue, bufferSize);
    return value;
}

BOOL Registry::QueryStringIfThere(const std::string& name, std::string& value,
                                  const std::string& defaultValue, DWORD bufferSize) const
{
    value = defaultValue;
    if (!isOpen) {
        SetLastError(openError != 0 ? openError : ERROR_INVALID_HANDLE);
        return FALSE;
    }
    // One spare byte keeps the text terminated even when the stored data has
    // no NUL of its own and fills the whole buffer.
    std::unique_ptr<BYTE[]> buffer(new BYTE[bufferSize + 1]());
    DWORD size = bufferSize;
    const LONG rc = RegQueryValueExA(hKey, name.c_str(), NULL, NULL, buffer.get(), &size);
    if (rc == ERROR_FILE_NOT_FOUND || rc == ERROR_MORE_DATA) {
        SetLastError(static_cast<DWORD>(rc));  // as a failed read tells it
        return TRUE;
    }
    if (!Succeeded(rc))
        return FALSE;
    if (size > bufferSize)
        size = bufferSize;
    buffer[size] = 0;
    value = reinterpret_cast<const char*>(buffer.get());
    return TRUE;
}

BOOL Registry::ReadString(const char* name, char* buffer, DWORD size) const
{
    if (buffer == NULL || size == 0)
        return FALSE;
    buffer[0] = '\0';
    if (!isOpen)
        return FALSE;
    DWORD read = size;
    if (!Succeeded(RegQueryValueExA(hKey, name, NULL, NULL, reinterpret_cast<BYTE*>(buffer),
                                    &read))) {
        buffer[0] = '\0';
        return FALSE;
    }
    if (read < size) {
        buffer[read] = '\0';
        return TRUE;
    }
    // Exactly full: only a text stored with its own terminating zero fits.
    if (buffer[size - 1] != '\0') {
        buffer[0] = '\0';
        SetLastError(ERROR_MORE_DATA);
        return FALSE;
    }
    return TRUE;
}

BOOL Registry::SetSecurity(SECURITY_INFORMATION what, PSECURITY_DESCRIPTOR descriptor)
{
    return isOpen && Succeeded(ntsecurity::RegSetKeySecurity(hKey, what, descriptor));
}

BOOL Registry::SetString(const std::string& name, const std::string& value)
{
    if (!isOpen)
        return FALSE;
    return Succeeded(RegSetValueExA(hKey, name.c_str(), 0, REG_SZ,
                                    reinterpret_cast<const BYTE*>(value.c_str()),
                                    static_cast<DWORD>(value.size() + 1)));
}

DWORD Registry::QueryDword(const std::string& name, DWORD defaultValue) const
{
    if (!isOpen)
        return defaultValue;
    DWORD value = defaultValue;
    DWORD size = sizeof value;
    // On failure (missing, or too long) the buffer's contents are undefined.
    if (!Succeeded(RegQueryValueExA(hKey, name.c_str(), NULL, NULL,
                                    reinterpret_cast<BYTE*>(&value), &size)))
        return defaultValue;
    return value;
}

BOOL Registry::SetDword(const std::string& name, DWORD value)
{
    if (!isOpen)
        return FALSE;
    return Succeeded(RegSetValueExA(hKey, name.c_str(), 0, REG_DWORD,
                                    reinterpret_cast<const BYTE*>(&value), sizeof value));
}
