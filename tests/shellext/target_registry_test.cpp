#include "target_registry.h"

#include "shellext_env.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

constexpr char kEntry0[] = "software\\NORVA\\VTR3\\VTRData\\TXATarget\\P0000000000000000";
constexpr char kEntry1[] = "software\\NORVA\\VTR3\\VTRData\\TXATarget\\P0000000000000001";

class TargetRegistry : public ::testing::Test {
protected:
    void SetUp() override { ResetProductKeys(); }
    void TearDown() override { DeleteHklmTree("software\\NORVA"); }
};

// The DACL of an HKEY_LOCAL_MACHINE key, read back through its descriptor.
class KeyDacl {
public:
    explicit KeyDacl(const std::string& subKey)
    {
        HKEY key;
        if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, subKey.c_str(), 0, READ_CONTROL, &key) !=
            ERROR_SUCCESS)
            return;
        DWORD size = 0;
        RegGetKeySecurity(key, DACL_SECURITY_INFORMATION, NULL, &size);
        descriptor.resize(size);
        if (size > 0 && RegGetKeySecurity(key, DACL_SECURITY_INFORMATION, descriptor.data(),
                                           &size) == ERROR_SUCCESS) {
            BOOL present = FALSE;
            BOOL defaulted = FALSE;
            GetSecurityDescriptorDacl(descriptor.data(), &present, &acl, &defaulted);
        }
        RegCloseKey(key);
    }
    PACL acl = NULL;

private:
    std::vector<BYTE> descriptor;
};

void ExpectSystemThenEveryone(const std::string& subKey)
{
    SCOPED_TRACE(subKey);
    KeyDacl dacl(subKey);
    ASSERT_NE(nullptr, dacl.acl);
    ASSERT_EQ(2u, dacl.acl->AceCount);
    SID_IDENTIFIER_AUTHORITY nt = {SECURITY_NT_AUTHORITY};
    SID_IDENTIFIER_AUTHORITY world = {SECURITY_WORLD_SID_AUTHORITY};
    PSID system = NULL;
    PSID everyone = NULL;
    ASSERT_TRUE(AllocateAndInitializeSid(&nt, 1, SECURITY_LOCAL_SYSTEM_RID, 0, 0, 0, 0, 0, 0, 0,
                                         &system));
    ASSERT_TRUE(AllocateAndInitializeSid(&world, 1, SECURITY_WORLD_RID, 0, 0, 0, 0, 0, 0, 0,
                                         &everyone));
    PSID expected[2] = {system, everyone};
    for (DWORD i = 0; i < 2; ++i) {
        void* entry = NULL;
        ASSERT_TRUE(GetAce(dacl.acl, i, &entry));
        ACCESS_ALLOWED_ACE* ace = static_cast<ACCESS_ALLOWED_ACE*>(entry);
        EXPECT_EQ(ACCESS_ALLOWED_ACE_TYPE, ace->Header.AceType) << "entry " << i;
        EXPECT_EQ(0, ace->Header.AceFlags) << "entry " << i;
        EXPECT_EQ(static_cast<DWORD>(KEY_ALL_ACCESS), ace->Mask) << "entry " << i;
        EXPECT_TRUE(EqualSid(&ace->SidStart, expected[i])) << "entry " << i;
    }
    FreeSid(system);
    FreeSid(everyone);
}

}  // namespace

TEST_F(TargetRegistry, WithoutTargetKeyNothingIsFoundAndThePrinterCountsAsWatched)
{
    char path[260] = "stale";
    EXPECT_EQ(-1, FindTargetKey("LP-1", path, sizeof path));
    EXPECT_STREQ("", path);
    EXPECT_TRUE(ReadMonitoring("LP-1"));
    EXPECT_FALSE(HklmKeyExists("software\\NORVA\\VTR3\\VTRData"));
}

TEST_F(TargetRegistry, SwitchingMonitoringOffCreatesTheFirstEntry)
{
    ASSERT_TRUE(WriteMonitoring("LP-1", FALSE));

    std::vector<TargetEntry> entries = TargetEntries();
    ASSERT_EQ(1u, entries.size());
    EXPECT_EQ("P0000000000000000", entries[0].key);
    EXPECT_EQ("LP-1", entries[0].name);
    EXPECT_EQ(0u, entries[0].monitoring);
    EXPECT_FALSE(ReadMonitoring("LP-1"));

    // The entry is found again, not created a second time.
    ASSERT_TRUE(WriteMonitoring("LP-1", TRUE));
    entries = TargetEntries();
    ASSERT_EQ(1u, entries.size());
    EXPECT_EQ(1u, entries[0].monitoring);
    EXPECT_TRUE(ReadMonitoring("LP-1"));
}

TEST_F(TargetRegistry, ANewEntryTakesTheLowestFreeIndexAndStartsWatched)
{
    AddTargetEntry(0, "LP-A", 1);
    AddTargetEntry(2, "LP-C", 0);

    char path[260];
    int length = CreateTargetKey("LP-B", path, sizeof path);
    EXPECT_STREQ(kEntry1, path);
    EXPECT_EQ(static_cast<int>(sizeof kEntry1 - 1), length);
    std::string name;
    DWORD monitoring = 0;
    EXPECT_TRUE(ReadHklmString(kEntry1, "Name", &name));
    EXPECT_EQ("LP-B", name);
    EXPECT_TRUE(ReadHklmDword(kEntry1, "Monitoring", &monitoring));
    EXPECT_EQ(1u, monitoring);

    EXPECT_EQ(length, FindTargetKey("LP-B", path, sizeof path));
    EXPECT_STREQ(kEntry1, path);
    EXPECT_EQ(length, CreateTargetKey("LP-D", path, sizeof path));
    EXPECT_STREQ("software\\NORVA\\VTR3\\VTRData\\TXATarget\\P0000000000000003", path);
}

TEST_F(TargetRegistry, NamesMatchExactlyAndTheFirstEntryWins)
{
    AddTargetEntry(0, "lp-1", 0);
    AddTargetEntry(1, "LP-1 ", 0);
    char path[260];
    EXPECT_EQ(-1, FindTargetKey("LP-1", path, sizeof path));
    EXPECT_TRUE(ReadMonitoring("LP-1"));

    AddTargetEntry(2, "LP-1", 0);
    AddTargetEntry(3, "LP-1", 1);
    EXPECT_LT(0, FindTargetKey("LP-1", path, sizeof path));
    EXPECT_EQ(EntryPath(2), path);
    EXPECT_FALSE(ReadMonitoring("LP-1"));
}

TEST_F(TargetRegistry, MonitoringIsOffOnlyWhenItReadsZero)
{
    SetHklmString(EntryPath(0), "Name", "no flag");
    AddTargetEntry(1, "five", 5);
    AddTargetEntry(2, "zero", 0);
    EXPECT_TRUE(ReadMonitoring("no flag"));
    EXPECT_TRUE(ReadMonitoring("five"));
    EXPECT_FALSE(ReadMonitoring("zero"));
}

TEST_F(TargetRegistry, CreatedKeysGrantLocalSystemThenEveryoneFullAccess)
{
    ASSERT_TRUE(WriteMonitoring("LP-1", TRUE));
    ExpectSystemThenEveryone("software\\NORVA\\VTR3\\VTRData");
    ExpectSystemThenEveryone(kTargetKeyPath);
    ExpectSystemThenEveryone(kEntry0);
}

TEST_F(TargetRegistry, SecurityOfAMissingKeyFails)
{
    EXPECT_FALSE(SetTargetKeySecurity("software\\NORVA\\VTR3\\Missing"));
    EXPECT_TRUE(SetTargetKeySecurity("software\\NORVA\\VTR3"));
}

TEST_F(TargetRegistry, WithoutTheProductKeyNothingIsCreated)
{
    DeleteHklmTree("software\\NORVA");
    char path[260];
    EXPECT_EQ(-1, CreateTargetKey("LP-1", path, sizeof path));
    EXPECT_FALSE(WriteMonitoring("LP-1", FALSE));
    EXPECT_FALSE(HklmKeyExists("software\\NORVA\\VTR3"));
    EXPECT_TRUE(ReadMonitoring("LP-1"));
}

TEST_F(TargetRegistry, PathsThatDoNotFitAreNeverCut)
{
    AddTargetEntry(0, "LP-1", 0);
    char small[20];
    EXPECT_EQ(-1, FindTargetKey("LP-1", small, sizeof small));
    EXPECT_STREQ("", small);
    EXPECT_EQ(-1, CreateTargetKey("LP-2", small, sizeof small));
    EXPECT_EQ(1u, TargetEntries().size());

    char exact[sizeof kEntry0];
    EXPECT_EQ(static_cast<int>(sizeof kEntry0 - 1), FindTargetKey("LP-1", exact, sizeof exact));
    EXPECT_STREQ(kEntry0, exact);
    char none[1] = {'x'};
    EXPECT_EQ(-1, FindTargetKey("LP-1", none, 0));
    EXPECT_EQ('x', none[0]);
}

TEST_F(TargetRegistry, NamesAreStoredAsGivenWhateverTheyHold)
{
    const std::string odd = "LP \"%s%n%x\" 100%";
    ASSERT_TRUE(WriteMonitoring(odd.c_str(), FALSE));
    EXPECT_FALSE(ReadMonitoring(odd.c_str()));
    ASSERT_EQ(1u, TargetEntries().size());
    EXPECT_EQ(odd, TargetEntries()[0].name);

    // A name longer than any printer's cannot be found again: no entry.
    const std::string huge(1000, 'N');
    EXPECT_FALSE(WriteMonitoring(huge.c_str(), FALSE));
    EXPECT_TRUE(ReadMonitoring(huge.c_str()));
    EXPECT_EQ(1u, TargetEntries().size());
    const std::string longest(259, 'L');
    EXPECT_TRUE(WriteMonitoring(longest.c_str(), FALSE));
    EXPECT_FALSE(ReadMonitoring(longest.c_str()));
}
