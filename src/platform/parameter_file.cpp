#include "parameter_file.h"

#include "nt_security.h"
#include "security.h"
#include "text_format.h"
#include "windows_version.h"

namespace {

constexpr char kFolderName[] = "VTR3 Parameters";
// Taken names passed over before giving up: each is a folder someone made.
constexpr int kFolderTries = 16;
constexpr int kFileTries = 64;

// The rights that let someone change a folder or what is in it.
constexpr DWORD kChangeRights = FILE_WRITE_DATA | FILE_APPEND_DATA | FILE_WRITE_EA |
                                FILE_DELETE_CHILD | FILE_WRITE_ATTRIBUTES | DELETE | WRITE_DAC |
                                WRITE_OWNER | GENERIC_WRITE | GENERIC_ALL;

std::string TempDirectory()
{
    char directory[MAX_PATH];
    const DWORD length = GetTempPathA(MAX_PATH, directory);
    if (length == 0 || length >= MAX_PATH)
        return std::string();
    return std::string(directory, length);
}

// The three SIDs that may change the private folder, and the list that
// gives only them access.
class PrivateList {
public:
    BOOL Build()
    {
        if (!QueryProcessUserSid(user) || !AllocateAdministratorsSid(administrators) ||
            !AllocateLocalSystemSid(system))
            return FALSE;
        const AllowedAccess entries[] = {{administrators.get(), FILE_ALL_ACCESS},
                                         {system.get(), FILE_ALL_ACCESS},
                                         {user.get(), FILE_ALL_ACCESS}};
        if (BuildDacl(entries, 3, acl, NULL) != DaclResult::kBuilt ||
            !ntsecurity::InitializeSecurityDescriptor(&descriptor,
                                                      SECURITY_DESCRIPTOR_REVISION) ||
            !ntsecurity::SetSecurityDescriptorDacl(&descriptor, TRUE,
                                                   static_cast<PACL>(acl.get()), FALSE))
            return FALSE;
        attributes = {sizeof attributes, &descriptor, FALSE};
        return TRUE;
    }
    bool Trusted(PSID sid) const
    {
        return sid != NULL && (ntsecurity::EqualSid(sid, user.get()) ||
                               ntsecurity::EqualSid(sid, administrators.get()) ||
                               ntsecurity::EqualSid(sid, system.get()));
    }
    LPSECURITY_ATTRIBUTES Attributes() { return &attributes; }

private:
    HeapBuffer user;
    AllocatedSid administrators;
    AllocatedSid system;
    HeapBuffer acl;
    SECURITY_DESCRIPTOR descriptor;
    SECURITY_ATTRIBUTES attributes;
};

// A list that lets only trusted SIDs change anything. Entries of kinds
// other than allowing and denying (none that a folder of ours has) count
// against it.
bool OnlyTrustedMayChange(PACL list, const PrivateList& trusted)
{
    if (list == NULL)
        return false;  // no list: everyone may do everything
    for (DWORD i = 0; i < list->AceCount; ++i) {
        void* entry = NULL;
        if (!ntsecurity::GetAce(list, i, &entry))
            return false;
        const ACE_HEADER* header = static_cast<const ACE_HEADER*>(entry);
        if (header->AceType == ACCESS_DENIED_ACE_TYPE)
            continue;
        if (header->AceType != ACCESS_ALLOWED_ACE_TYPE)
            return false;
        const ACCESS_ALLOWED_ACE* allowed = static_cast<const ACCESS_ALLOWED_ACE*>(entry);
        PSID sid = const_cast<DWORD*>(&allowed->SidStart);
        if ((allowed->Mask & kChangeRights) != 0 && !trusted.Trusted(sid))
            return false;
    }
    return true;
}

// The volume of `path` keeps access lists (not FAT).
bool KeepsAccessLists(const std::string& path)
{
    if (path.size() < 3 || path[1] != ':' || path[2] != '\\')
        return false;
    const std::string root = path.substr(0, 3);
    DWORD flags = 0;
    return GetVolumeInformationA(root.c_str(), NULL, 0, NULL, NULL, &flags, NULL, 0) &&
           (flags & FS_PERSISTENT_ACLS) != 0;
}

// Opens a folder so that, while the handle lives, nobody can delete or
// rename it.
HANDLE HoldFolder(const std::string& path)
{
    return CreateFileA(path.c_str(), FILE_LIST_DIRECTORY, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL,
                       OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, NULL);
}

std::string FileName(const std::string& folder, const char* prefix, unsigned number)
{
    char name[16];
    FormatText(name, sizeof name, "%.3s%04X.TMP", prefix, number & 0xFFFF);
    return folder + "\\" + name;
}

}  // namespace

std::string ParameterFile::FolderName(const std::string& tempDir, int n)
{
    std::string name = tempDir;
    if (!name.empty() && name[name.size() - 1] != '\\')
        name += '\\';
    name += kFolderName;
    if (n > 1) {
        char suffix[16];
        FormatText(suffix, sizeof suffix, " %d", n);
        name += suffix;
    }
    return name;
}

BOOL IsPrivateFolder(const std::string& path)
{
    PrivateList trusted;
    if (!trusted.Build())
        return FALSE;
    const SECURITY_INFORMATION what = OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION;
    DWORD size = 0;
    if (ntsecurity::GetFileSecurityA(path.c_str(), what, NULL, 0, &size) ||
        GetLastError() != ERROR_INSUFFICIENT_BUFFER)
        return FALSE;
    HeapBuffer descriptor;
    if (!descriptor.Allocate(size) ||
        !ntsecurity::GetFileSecurityA(path.c_str(), what, descriptor.get(), size, &size))
        return FALSE;
    PSID owner = NULL;
    BOOL present = FALSE;
    BOOL defaulted = FALSE;
    PACL list = NULL;
    if (!ntsecurity::GetSecurityDescriptorOwner(descriptor.get(), &owner, &defaulted) ||
        !trusted.Trusted(owner) ||
        !ntsecurity::GetSecurityDescriptorDacl(descriptor.get(), &present, &list, &defaulted) ||
        !present)
        return FALSE;
    return OnlyTrustedMayChange(list, trusted);
}

BOOL ParameterFile::Create(const char* prefix)
{
    path.clear();
    file.reset();
    folder.reset();
    const std::string tempDir = TempDirectory();
    if (tempDir.empty())
        return FALSE;
    if (IsWindowsNT() && KeepsAccessLists(tempDir))
        return CreateInPrivateFolder(tempDir, prefix);
    return CreateInTemp(tempDir, prefix);
}

BOOL ParameterFile::CreateInPrivateFolder(const std::string& tempDir, const char* prefix)
{
    PrivateList list;
    if (!list.Build())
        return FALSE;
    for (int n = 1; n <= kFolderTries; ++n) {
        const std::string name = FolderName(tempDir, n);
        // Made now with our list, or there before: either way it counts only
        // once held and seen to be ours, so that it cannot be swapped.
        if (!CreateDirectoryA(name.c_str(), list.Attributes()) &&
            GetLastError() != ERROR_ALREADY_EXISTS)
            continue;
        folder.reset(HoldFolder(name));
        if (!folder.valid() || !IsPrivateFolder(name)) {
            folder.reset();
            continue;
        }
        const unsigned start = GetTickCount() ^ GetCurrentProcessId();
        for (unsigned i = 0; i < kFileTries; ++i) {
            const std::string candidate = FileName(name, prefix, start + i);
            file.reset(CreateFileA(candidate.c_str(), GENERIC_WRITE, 0, list.Attributes(),
                                   CREATE_NEW, FILE_ATTRIBUTE_NORMAL, NULL));
            if (file.valid()) {
                path = candidate;
                return TRUE;
            }
            if (GetLastError() != ERROR_FILE_EXISTS && GetLastError() != ERROR_ALREADY_EXISTS)
                break;
        }
        folder.reset();
        return FALSE;
    }
    return FALSE;
}

BOOL ParameterFile::CreateInTemp(const std::string& tempDir, const char* prefix)
{
    char name[MAX_PATH];
    if (GetTempFileNameA(tempDir.c_str(), prefix, 0, name) == 0)
        return FALSE;
    name[MAX_PATH - 1] = '\0';
    path = name;
    // The file GetTempFileNameA made, opened again for writing.
    file.reset(CreateFileA(name, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                           NULL));
    return TRUE;
}

BOOL ParameterFile::Write(const std::string& text)
{
    if (!file.valid())
        return FALSE;
    DWORD written = 0;
    const BOOL complete =
        WriteFile(file.get(), text.data(), static_cast<DWORD>(text.size()), &written, NULL) &&
        written == text.size();
    file.reset();
    return complete;
}
