#include "target_registry.h"

#include "shellext_env.h"

#include <gtest/gtest.h>

#include <shlwapi.h>

namespace {

class TargetRegistry : public ::testing::Test {
protected:
    void SetUp() override { ResetProductKeys(); }
};

// The key's DACL: allow LocalSystem, then Everyone, both KEY_ALL_ACCESS.
void ExpectSystemThenEveryone(const std::string& subKey)
{
    HKEY key;
    BYTE descriptor[1024];
    DWORD size = sizeof descriptor;
    ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExA(HKEY_LOCAL_MACHINE, subKey.c_str(), 0, READ_CONTROL, &key));
    ASSERT_EQ(ERROR_SUCCESS, RegGetKeySecurity(key, DACL_SECURITY_INFORMATION, descriptor, &size));
    RegCloseKey(key);
    BOOL present = FALSE, defaulted = FALSE;
    PACL acl = NULL;
    ASSERT_TRUE(GetSecurityDescriptorDacl(descriptor, &present, &acl, &defaulted) && acl != NULL);
    ASSERT_EQ(2u, acl->AceCount) << subKey;
    SID_IDENTIFIER_AUTHORITY authorities[2] = {SECURITY_NT_AUTHORITY, SECURITY_WORLD_SID_AUTHORITY};
    const DWORD rids[2] = {SECURITY_LOCAL_SYSTEM_RID, SECURITY_WORLD_RID};
    for (DWORD i = 0; i < 2; ++i) {
        ACCESS_ALLOWED_ACE* ace = NULL;
        PSID expected = NULL;
        GetAce(acl, i, reinterpret_cast<void**>(&ace));
        AllocateAndInitializeSid(&authorities[i], 1, rids[i], 0, 0, 0, 0, 0, 0, 0, &expected);
        EXPECT_EQ(ACCESS_ALLOWED_ACE_TYPE, ace->Header.AceType) << subKey << " entry " << i;
        EXPECT_EQ(static_cast<DWORD>(KEY_ALL_ACCESS), ace->Mask) << subKey << " entry " << i;
        EXPECT_TRUE(EqualSid(&ace->SidStart, expected)) << subKey << " entry " << i;
        FreeSid(expected);
    }
}

}  // namespace

TEST_F(TargetRegistry, AMissingEntryIsWatchedAndNothingIsCreatedWithoutTheProductKey)
{
    char path[260] = "stale";
    EXPECT_EQ(-1, FindTargetKey("LP-1", path, sizeof path));
    EXPECT_STREQ("", path);
    EXPECT_TRUE(ReadMonitoring("LP-1"));
    EXPECT_FALSE(HklmKeyExists("software\\NORVA\\VTR3\\VTRData")) << "reading creates nothing";

    SHDeleteKeyA(HKEY_LOCAL_MACHINE, kNorvaKey);
    EXPECT_EQ(-1, CreateTargetKey("LP-1", path, sizeof path));
    EXPECT_FALSE(WriteMonitoring("LP-1", FALSE));
    EXPECT_FALSE(HklmKeyExists("software\\NORVA\\VTR3"));
}

TEST_F(TargetRegistry, SwitchingMonitoringOffCreatesAnEntryOnlyLocalSystemAndEveryoneMayChange)
{
    ASSERT_TRUE(WriteMonitoring("LP-1", FALSE));
    EXPECT_EQ(std::vector<std::string>{"P0000000000000000=LP-1,0"}, Entries());
    EXPECT_FALSE(ReadMonitoring("LP-1"));
    ASSERT_TRUE(WriteMonitoring("LP-1", TRUE));
    EXPECT_EQ(std::vector<std::string>{"P0000000000000000=LP-1,1"}, Entries())
        << "found again, not created a second time";
    EXPECT_TRUE(ReadMonitoring("LP-1"));

    for (const std::string& key :
         {std::string("software\\NORVA\\VTR3\\VTRData"), std::string(kTargets), EntryPath(0)})
        ExpectSystemThenEveryone(key);
    EXPECT_FALSE(SetTargetKeySecurity("software\\NORVA\\VTR3\\Missing"));
}

TEST_F(TargetRegistry, ANewEntryTakesTheLowestFreeIndexAndStartsWatched)
{
    AddTargetEntry(0, "LP-A", 1);
    AddTargetEntry(2, "LP-C", 0);
    char path[260];
    const int length = CreateTargetKey("LP-B", path, sizeof path);
    EXPECT_EQ(EntryPath(1), path);
    EXPECT_EQ(static_cast<int>(EntryPath(1).size()), length);
    EXPECT_EQ(length, FindTargetKey("LP-B", path, sizeof path));
    EXPECT_EQ(EntryPath(1), path);
    EXPECT_EQ(length, CreateTargetKey("LP-D", path, sizeof path));
    const std::vector<std::string> expected = {
        "P0000000000000000=LP-A,1", "P0000000000000001=LP-B,1", "P0000000000000002=LP-C,0",
        "P0000000000000003=LP-D,1"};
    EXPECT_EQ(expected, Entries());
}

TEST_F(TargetRegistry, NamesMatchExactlyTheFirstEntryWinsAndOnlyZeroIsOff)
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

    SetHklmString(EntryPath(4), "Name", "no flag");
    AddTargetEntry(5, "five", 5);
    EXPECT_TRUE(ReadMonitoring("no flag"));
    EXPECT_TRUE(ReadMonitoring("five"));
}

TEST_F(TargetRegistry, PathsThatDoNotFitAndOddOrOverlongNames)
{
    AddTargetEntry(0, "LP-1", 0);
    const std::string entry = EntryPath(0);
    char small[20];
    EXPECT_EQ(-1, FindTargetKey("LP-1", small, sizeof small));
    EXPECT_STREQ("", small) << "never a cut path";
    EXPECT_EQ(-1, CreateTargetKey("LP-2", small, sizeof small));
    char exact[128];
    EXPECT_EQ(static_cast<int>(entry.size()),
              FindTargetKey("LP-1", exact, static_cast<unsigned>(entry.size() + 1)));

    ASSERT_TRUE(WriteMonitoring(kOddPrinter, FALSE));
    EXPECT_FALSE(ReadMonitoring(kOddPrinter));
    // A name longer than any printer's could not be found again: no entry.
    EXPECT_FALSE(WriteMonitoring(std::string(1000, 'N').c_str(), FALSE));
    EXPECT_TRUE(ReadMonitoring(std::string(1000, 'N').c_str()));
    const std::string longest(259, 'L');
    EXPECT_TRUE(WriteMonitoring(longest.c_str(), FALSE));
    EXPECT_FALSE(ReadMonitoring(longest.c_str()));
    const std::vector<std::string> expected = {"P0000000000000000=LP-1,0",
                                               "P0000000000000001=" + std::string(kOddPrinter) +
                                                   ",0",
                                               "P0000000000000002=" + longest + ",0"};
    EXPECT_EQ(expected, Entries());
}
