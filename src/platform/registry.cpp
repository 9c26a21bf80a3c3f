#include "registry.h"

#include <memory>

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
    isOpen = openError == ERROR_SUCCESS;
}

Registry::~Registry()
{
    CloseKey();
}

void Registry::CloseKey()
{
    if (isOpen)
        RegCloseKey(hKey);
    hKey = NULL;
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
    isOpen = rc == ERROR_SUCCESS;
    return isOpen && disposition == REG_CREATED_NEW_KEY;
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
    if (RegEnumKeyExA(hKey, index, name, &nameSize, NULL, cls, &classSize, &lastWrite) !=
        ERROR_SUCCESS)
        return std::string();

    if (keyClass != nullptr)
        keyClass->assign(cls, classSize < sizeof cls ? classSize : 0);
    return std::string(name, nameSize < sizeof name ? nameSize : 0);
}

std::string Registry::EnumValue(DWORD index) const
{
    if (!isOpen)
        return std::string();

    char name[kDefaultBufferSize];
    DWORD size = sizeof name;
    if (RegEnumValueA(hKey, index, name, &size, NULL, NULL, NULL, NULL) != ERROR_SUCCESS)
        return std::string();
    return std::string(name, size < sizeof name ? size : 0);
}

BOOL Registry::DeleteKey(const std::string& subkey)
{
    if (!isOpen)
        return FALSE;

    {
        Registry child(hKey, subkey, NULL, FALSE, access);
        // Always index 0: each deletion moves the remaining subkeys down.
        for (std::string name = child.EnumKey(0); !name.empty(); name = child.EnumKey(0)) {
            if (!child.DeleteKey(name))
                return FALSE;
        }
    }
    return RegDeleteKeyA(hKey, subkey.c_str()) == ERROR_SUCCESS;
}

BOOL Registry::DeleteValue(const std::string& name)
{
    return isOpen && RegDeleteValueA(hKey, name.c_str()) == ERROR_SUCCESS;
}

std::string Registry::QueryString(const std::string& name, const std::string& defaultValue,
                                  DWORD bufferSize) const
{
    if (!isOpen || bufferSize == 0)
        return defaultValue;

    // One spare byte keeps the text terminated even when the stored data has
    // no NUL of its own and fills the whole buffer.
    std::unique_ptr<BYTE[]> buffer(new BYTE[bufferSize + 1]());
    DWORD size = bufferSize;
    if (RegQueryValueExA(hKey, name.c_str(), NULL, NULL, buffer.get(), &size) != ERROR_SUCCESS)
        return defaultValue;
    if (size > bufferSize)
        size = bufferSize;
    buffer[size] = 0;
    return std::string(reinterpret_cast<const char*>(buffer.get()));
}

BOOL Registry::SetString(const std::string& name, const std::string& value)
{
    if (!isOpen)
        return FALSE;
    return RegSetValueExA(hKey, name.c_str(), 0, REG_SZ,
                          reinterpret_cast<const BYTE*>(value.c_str()),
                          static_cast<DWORD>(value.size() + 1)) == ERROR_SUCCESS;
}

DWORD Registry::QueryDword(const std::string& name, DWORD defaultValue) const
{
    if (!isOpen)
        return defaultValue;
    DWORD value = defaultValue;
    DWORD size = sizeof value;
    // On failure (missing, or too long) the buffer's contents are undefined.
    if (RegQueryValueExA(hKey, name.c_str(), NULL, NULL, reinterpret_cast<BYTE*>(&value),
                         &size) != ERROR_SUCCESS)
        return defaultValue;
    return value;
}

BOOL Registry::SetDword(const std::string& name, DWORD value)
{
    if (!isOpen)
        return FALSE;
    return RegSetValueExA(hKey, name.c_str(), 0, REG_DWORD,
                          reinterpret_cast<const BYTE*>(&value), sizeof value) == ERROR_SUCCESS;
}
