#include "registry_helpers.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

// A key opened for the helpers, closed when it goes.
class Key {
public:
    Key(HKEY root, const std::string& path, REGSAM access)
    {
        if (RegOpenKeyExA(root, path.c_str(), 0, access, &key) != ERROR_SUCCESS)
            key = NULL;
    }
    ~Key()
    {
        if (key != NULL)
            RegCloseKey(key);
    }
    Key(const Key&) = delete;
    Key& operator=(const Key&) = delete;

    HKEY key = NULL;
};

HKEY Create(HKEY root, const std::string& path, REGSAM view)
{
    HKEY key = NULL;
    const LONG rc = RegCreateKeyExA(root, path.c_str(), 0, NULL, REG_OPTION_NON_VOLATILE,
                                    KEY_ALL_ACCESS | view, NULL, &key, NULL);
    EXPECT_EQ(ERROR_SUCCESS, rc) << "cannot create " << path;
    return rc == ERROR_SUCCESS ? key : NULL;
}

void SetValue(HKEY root, const std::string& path, const std::string& name, DWORD type,
              const void* data, DWORD size, REGSAM view)
{
    HKEY key = Create(root, path, view);
    if (key == NULL)
        return;
    EXPECT_EQ(ERROR_SUCCESS, RegSetValueExA(key, name.c_str(), 0, type,
                                            static_cast<const BYTE*>(data), size))
        << path << " " << name;
    RegCloseKey(key);
}

// Deletes `name` below `parent` with everything below it; the handles keep
// the view `parent` was opened in.
void DeleteBelow(HKEY parent, const std::string& name)
{
    {
        Key key(parent, name, KEY_ALL_ACCESS);
        if (key.key == NULL)
            return;
        std::string previous;
        for (;;) {
            char child[MAX_PATH];
            DWORD size = sizeof child;
            if (RegEnumKeyExA(key.key, 0, child, &size, NULL, NULL, NULL, NULL) != ERROR_SUCCESS)
                break;
            if (previous == child) {
                ADD_FAILURE() << "cannot delete " << name << "\\" << child;
                return;
            }
            previous = child;
            DeleteBelow(key.key, child);
        }
    }
    RegDeleteKeyA(parent, name.c_str());
}

}  // namespace

DWORD StoredValue::Dword() const
{
    DWORD value = 0;
    if (data.size() >= sizeof value)
        std::memcpy(&value, data.data(), sizeof value);
    return value;
}

std::string StoredValue::Text() const
{
    return std::string(data.c_str());
}

bool DaclEntry::Names(PSID other) const
{
    return !sid.empty() && EqualSid(const_cast<BYTE*>(sid.data()), other);
}

std::vector<DaclEntry> DaclEntries(PACL acl)
{
    std::vector<DaclEntry> entries;
    for (DWORD i = 0; acl != NULL && i < acl->AceCount; ++i) {
        ACCESS_ALLOWED_ACE* ace = NULL;
        if (!GetAce(acl, i, reinterpret_cast<void**>(&ace)))
            break;
        DaclEntry entry;
        entry.type = ace->Header.AceType;
        entry.flags = ace->Header.AceFlags;
        entry.mask = ace->Mask;
        const BYTE* sid = reinterpret_cast<const BYTE*>(&ace->SidStart);
        entry.sid.assign(sid, sid + GetLengthSid(const_cast<BYTE*>(sid)));
        entries.push_back(entry);
    }
    return entries;
}

std::vector<DaclEntry> KeyDacl(HKEY root, const std::string& path, REGSAM view)
{
    Key key(root, path, READ_CONTROL | view);
    DWORD size = 0;
    if (key.key == NULL)
        return {};
    RegGetKeySecurity(key.key, DACL_SECURITY_INFORMATION, NULL, &size);
    std::vector<BYTE> descriptor(size != 0 ? size : 1);
    BOOL present = FALSE;
    BOOL defaulted = FALSE;
    PACL acl = NULL;
    if (size == 0 ||
        RegGetKeySecurity(key.key, DACL_SECURITY_INFORMATION, descriptor.data(), &size) !=
            ERROR_SUCCESS ||
        !GetSecurityDescriptorDacl(descriptor.data(), &present, &acl, &defaulted) || !present)
        return {};
    return DaclEntries(acl);
}

bool KeyExists(HKEY root, const std::string& path, REGSAM view)
{
    return Key(root, path, KEY_READ | view).key != NULL;
}

bool ValueExists(HKEY root, const std::string& path, const std::string& name, REGSAM view)
{
    return ReadValue(root, path, name, view).type != REG_NONE;
}

StoredValue ReadValue(HKEY root, const std::string& path, const std::string& name,
                      REGSAM view)
{
    StoredValue value;
    Key key(root, path, KEY_READ | view);
    DWORD type = REG_NONE;
    DWORD size = 0;
    if (key.key == NULL ||
        RegQueryValueExA(key.key, name.c_str(), NULL, &type, NULL, &size) != ERROR_SUCCESS)
        return value;
    std::string data(size, '\0');
    if (RegQueryValueExA(key.key, name.c_str(), NULL, &type,
                         reinterpret_cast<BYTE*>(&data[0]), &size) != ERROR_SUCCESS)
        return value;
    value.type = type;
    value.data = data.substr(0, size);
    return value;
}

std::vector<std::string> SubkeyNames(HKEY root, const std::string& path, REGSAM view)
{
    std::vector<std::string> names;
    Key key(root, path, KEY_READ | view);
    char name[1024];
    DWORD size = sizeof name;
    for (DWORD i = 0; key.key != NULL &&
                      RegEnumKeyExA(key.key, i, name, &size, NULL, NULL, NULL, NULL) ==
                          ERROR_SUCCESS;
         ++i, size = sizeof name)
        names.push_back(name);
    return names;
}

void CreateKey(HKEY root, const std::string& path, REGSAM view)
{
    HKEY key = Create(root, path, view);
    if (key != NULL)
        RegCloseKey(key);
}

void SetString(HKEY root, const std::string& path, const std::string& name,
               const std::string& value, REGSAM view)
{
    SetValue(root, path, name, REG_SZ, value.c_str(), static_cast<DWORD>(value.size() + 1),
             view);
}

void SetDword(HKEY root, const std::string& path, const std::string& name, DWORD value,
              REGSAM view)
{
    SetValue(root, path, name, REG_DWORD, &value, sizeof value, view);
}

void DeleteTree(HKEY root, const std::string& path, REGSAM view)
{
    // The parent is opened in the view asked for; below it, handles carry it.
    const size_t split = path.rfind('\\');
    if (split == std::string::npos) {
        DeleteBelow(root, path);
        return;
    }
    Key parent(root, path.substr(0, split), KEY_ALL_ACCESS | view);
    if (parent.key != NULL)
        DeleteBelow(parent.key, path.substr(split + 1));
}
