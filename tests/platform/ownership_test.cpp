#include "ownership.h"

#include "key_owners.h"
#include "nt_security.h"
#include "parameter_file.h"
#include "registry.h"
#include "registry_helpers.h"
#include "security.h"
#include "test_windows.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>

namespace {

const char kTestKey[] = "Software\\MonsetupOwnershipTest";

std::string SidText(Who who)
{
    return who == Who::kAdministrators ? "S-1-5-32-544"
           : who == Who::kSystem       ? "S-1-5-18"
           : who == Who::kEveryone     ? "S-1-1-0"
                                       : "S-1-5-21-1-2-3-1001";
}

class NtOwnership : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!IsWindowsNT())
            GTEST_SKIP() << "owners are NT's";
        DeleteTree(HKEY_LOCAL_MACHINE, kTestKey);
    }
    void TearDown() override { DeleteTree(HKEY_LOCAL_MACHINE, kTestKey); }
};

std::string FileText(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

}  // namespace

// Each kind and object: the owner Administrators; Administrators and SYSTEM
// with full access, Everyone with what the kind allows, in the object's own
// rights.
TEST_F(NtOwnership, DescriptorsOwnedByAdministratorsWithTheListOfTheirKind)
{
    const struct {
        AccessKind kind;
        ObjectKind object;
        DWORD full;
        DWORD everyone;
    } cases[] = {
        {AccessKind::kProtected, ObjectKind::kKey, KEY_ALL_ACCESS, KEY_READ},
        {AccessKind::kShared, ObjectKind::kKey, KEY_ALL_ACCESS, KEY_READ | KEY_WRITE | DELETE},
        {AccessKind::kProtected, ObjectKind::kFolder, FILE_ALL_ACCESS,
         FILE_GENERIC_READ | FILE_GENERIC_EXECUTE},
        {AccessKind::kShared, ObjectKind::kFolder, FILE_ALL_ACCESS,
         FILE_GENERIC_READ | FILE_GENERIC_EXECUTE | FILE_GENERIC_WRITE | DELETE},
    };
    for (const auto& c : cases) {
        OwnedSecurity security;
        ASSERT_TRUE(security.Build(c.kind, c.object));
        PSID owner = NULL;
        BOOL present = FALSE;
        BOOL defaulted = FALSE;
        PACL list = NULL;
        ASSERT_TRUE(GetSecurityDescriptorOwner(security.get(), &owner, &defaulted));
        ASSERT_TRUE(GetSecurityDescriptorDacl(security.get(), &present, &list, &defaulted));
        HeapBuffer administrators = SidOf(Who::kAdministrators);
        EXPECT_TRUE(EqualSid(owner, administrators.get()));
        const std::vector<DaclEntry> entries = DaclEntries(list);
        ASSERT_EQ(3u, entries.size());
        const Who who[] = {Who::kAdministrators, Who::kSystem, Who::kEveryone};
        const DWORD masks[] = {c.full, c.full, c.everyone};
        for (size_t i = 0; i < 3; ++i) {
            HeapBuffer sid = SidOf(who[i]);
            EXPECT_TRUE(entries[i].Names(sid.get())) << i;
            EXPECT_EQ(masks[i], entries[i].mask) << i;
        }
    }
}

// What an earlier version left, and a key whose owner shut administrators
// out: both end owned by Administrators with the protected list.
TEST_F(NtOwnership, RepairGivesKeysToAdministratorsTakingThemWhereTheyRefuse)
{
    OwnedSecurity security;
    ASSERT_TRUE(security.Build(AccessKind::kProtected, ObjectKind::kKey));

    MakeEarlierVersionKey(HKEY_LOCAL_MACHINE, kTestKey);
    ASSERT_EQ(SidText(Who::kOtherUser), KeyOwner(HKEY_LOCAL_MACHINE, kTestKey));
    EXPECT_TRUE(RepairKey(HKEY_LOCAL_MACHINE, kTestKey, security));
    EXPECT_EQ(SidText(Who::kAdministrators), KeyOwner(HKEY_LOCAL_MACHINE, kTestKey));
    EXPECT_EQ(3u, KeyDacl(HKEY_LOCAL_MACHINE, kTestKey).size());

    const std::string entry = std::string(kTestKey) + "\\P0000000000000000";
    CreateKey(HKEY_LOCAL_MACHINE, entry);
    ShutOutKey locked(entry);
    EXPECT_FALSE(Registry::OpenForWriting(HKEY_LOCAL_MACHINE, entry).isOpen);
    EXPECT_TRUE(RepairKey(HKEY_LOCAL_MACHINE, entry, security));
    EXPECT_TRUE(locked.OwnerTaken());
    EXPECT_TRUE(locked.ListReset());
    EXPECT_TRUE(Registry::OpenForWriting(HKEY_LOCAL_MACHINE, entry).isOpen);

    EXPECT_FALSE(RepairKey(HKEY_LOCAL_MACHINE, std::string(kTestKey) + "\\none", security));
    EXPECT_EQ(static_cast<DWORD>(ERROR_FILE_NOT_FOUND), GetLastError());
}

// A tree with a key that refuses administrators: removed whole when the
// deletion may reclaim it, left (and the deletion failing) when not.
TEST_F(NtOwnership, DeletionReclaimsAKeyThatRefusesOnlyWhenAsked)
{
    OwnedSecurity security;
    ASSERT_TRUE(security.Build(AccessKind::kProtected, ObjectKind::kKey));
    const std::string tree = std::string(kTestKey) + "\\Tree";
    for (const char* entry : {"\\A", "\\B", "\\B\\Inner", "\\C"})
        CreateKey(HKEY_LOCAL_MACHINE, tree + entry);
    Registry parent = Registry::OpenForWriting(HKEY_LOCAL_MACHINE, kTestKey);
    {
        ShutOutKey locked(tree + "\\B");
        EXPECT_FALSE(parent.DeleteKey("Tree"));
        EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, tree));
        EXPECT_TRUE(parent.DeleteKey("Tree", &security));
        EXPECT_TRUE(locked.ListReset());
    }
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, tree));
}

// Only a key owned by Administrators or SYSTEM may choose a program.
TEST_F(NtOwnership, OnlyKeysOwnedByAdministratorsOrTheSystemAreTrusted)
{
    const struct {
        Who owner;
        BOOL trusted;
    } cases[] = {{Who::kAdministrators, TRUE}, {Who::kSystem, TRUE}, {Who::kOtherUser, FALSE},
                 {Who::kEveryone, FALSE}};
    for (const auto& c : cases) {
        CreateKey(HKEY_LOCAL_MACHINE, kTestKey);
        SetKeySecurity(HKEY_LOCAL_MACHINE, kTestKey, c.owner, Who::kEveryone, KEY_ALL_ACCESS);
        EXPECT_EQ(c.trusted, OwnedByAdministrators(HKEY_LOCAL_MACHINE, kTestKey))
            << SidText(c.owner);
        DeleteTree(HKEY_LOCAL_MACHINE, kTestKey);
    }
    EXPECT_FALSE(OwnedByAdministrators(HKEY_LOCAL_MACHINE, kTestKey)) << "a missing key";
}

namespace {

// Folder descriptors that Wine does not keep, by the folder's name (the
// system's own for every other path).
struct FakeFolder {
    std::string path;
    Who owner;
    Who writer;  // allowed FILE_ALL_ACCESS
};
std::vector<FakeFolder> fakeFolders;

BOOL WINAPI FakeGetFileSecurity(LPCSTR file, SECURITY_INFORMATION what,
                                PSECURITY_DESCRIPTOR descriptor, DWORD length, LPDWORD needed)
{
    for (const FakeFolder& folder : fakeFolders) {
        if (lstrcmpiA(folder.path.c_str(), file) != 0)
            continue;
        HeapBuffer owner = SidOf(folder.owner);
        HeapBuffer writer = SidOf(folder.writer);
        alignas(DWORD) BYTE acl[128];
        SECURITY_DESCRIPTOR absolute;
        InitializeAcl(reinterpret_cast<PACL>(acl), sizeof acl, ACL_REVISION);
        AddAccessAllowedAce(reinterpret_cast<PACL>(acl), ACL_REVISION, FILE_ALL_ACCESS,
                            writer.get());
        InitializeSecurityDescriptor(&absolute, SECURITY_DESCRIPTOR_REVISION);
        SetSecurityDescriptorOwner(&absolute, owner.get(), FALSE);
        SetSecurityDescriptorDacl(&absolute, TRUE, reinterpret_cast<PACL>(acl), FALSE);
        *needed = length;
        return MakeSelfRelativeSD(&absolute, descriptor, needed);
    }
    return GetFileSecurityA(file, what, descriptor, length, needed);
}

}  // namespace

// The folder is reused only when provably ours; taken names are passed
// over, never written into. Each file is new and holds exactly its text.
TEST_F(NtOwnership, ParameterFilesGoIntoAFolderOnlyTheUserMayWrite)
{
    char temp[MAX_PATH];
    ASSERT_NE(0u, GetTempPathA(MAX_PATH, temp));
    const std::string first = ParameterFile::FolderName(temp, 1);
    const std::string second = ParameterFile::FolderName(temp, 2);
    const std::string third = ParameterFile::FolderName(temp, 3);
    EXPECT_EQ(std::string(temp) + "VTR3 Parameters", first);
    EXPECT_EQ(std::string(temp) + "VTR3 Parameters 2", second);
    ntsecurity::Replace("GetFileSecurityA", reinterpret_cast<FARPROC>(reinterpret_cast<void*>(&FakeGetFileSecurity)));

    const struct {
        const char* situation;
        std::vector<FakeFolder> taken;
        std::string expectedFolder;
    } cases[] = {
        {"no folder yet", {}, first},
        {"ours from an earlier run", {}, first},
        {"the first name another user's", {{first, Who::kOtherUser, Who::kOtherUser}}, second},
        {"Everyone may write into the first two",
         {{first, Who::kAdministrators, Who::kEveryone}, {second, Who::kOtherUser, Who::kSystem}},
         third},
    };
    std::string earlier;
    for (const auto& c : cases) {
        fakeFolders = c.taken;
        ParameterFile file;
        ASSERT_TRUE(file.Create("mon")) << c.situation;
        const std::string& path = file.Path();
        EXPECT_EQ(c.expectedFolder, path.substr(0, path.rfind('\\'))) << c.situation;
        EXPECT_NE(earlier, path) << c.situation;
        earlier = path;
        ASSERT_TRUE(file.Write("/Ini=\"x.ini\" /WM=1;2")) << c.situation;
        EXPECT_EQ("/Ini=\"x.ini\" /WM=1;2", FileText(path)) << c.situation;
        // Held: the folder cannot be renamed while the object lives.
        const std::string folder = path.substr(0, path.rfind('\\'));
        EXPECT_FALSE(MoveFileA(folder.c_str(), (folder + " moved").c_str())) << c.situation;
    }
    fakeFolders.clear();
    ntsecurity::Replace("GetFileSecurityA", NULL);
}
