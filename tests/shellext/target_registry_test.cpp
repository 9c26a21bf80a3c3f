#include "target_registry.h"

#include "printer_model.h"
#include "registry_helpers.h"
#include "security.h"
#include "setup_host.h"
#include "shellext_env.h"
#include "test_windows.h"

#include <gtest/gtest.h>

#include <utility>

namespace {

class TargetRegistry : public ::testing::Test {
protected:
    void SetUp() override { ResetProductKeys(); }
};

// The key's DACL: Administrators and LocalSystem KEY_ALL_ACCESS, then
// Everyone what a plain user's page needs: no WRITE_DAC or WRITE_OWNER. On
// 95/98, which have no security, the functions that would build it are not
// looked up at all.
void ExpectSystemThenEveryone(const std::string& subKey)
{
    if (!IsWindowsNT()) {
        EXPECT_FALSE(SetTargetKeySecurity(subKey.c_str())) << subKey;
        EXPECT_EQ(static_cast<DWORD>(ERROR_CALL_NOT_IMPLEMENTED), GetLastError()) << subKey;
        return;
    }
    const std::vector<DaclEntry> dacl = KeyDacl(HKEY_LOCAL_MACHINE, subKey, kProductView);
    ASSERT_EQ(3u, dacl.size()) << subKey;
    AllocatedSid expected[3];
    ASSERT_TRUE(AllocateAdministratorsSid(expected[0]) && AllocateLocalSystemSid(expected[1]) &&
                AllocateEveryoneSid(expected[2]));
    const DWORD masks[3] = {KEY_ALL_ACCESS, KEY_ALL_ACCESS, KEY_READ | KEY_WRITE | DELETE};
    for (DWORD i = 0; i < 3; ++i) {
        EXPECT_EQ(ACCESS_ALLOWED_ACE_TYPE, dacl[i].type) << subKey << " entry " << i;
        EXPECT_EQ(0, dacl[i].flags) << subKey << " entry " << i;
        EXPECT_EQ(masks[i], dacl[i].mask) << subKey << " entry " << i;
        EXPECT_TRUE(dacl[i].Names(expected[i].get())) << subKey << " entry " << i;
    }
}

}  // namespace

TEST_F(TargetRegistry, AMissingEntryIsWatchedAndNothingIsCreatedWithoutTheProductKey)
{
    char path[260] = "stale";
    EXPECT_EQ(-1, FindTargetKey("LP-1", path, sizeof path));
    EXPECT_STREQ("", path);
    EXPECT_TRUE(ReadMonitoring("LP-1"));
    EXPECT_FALSE(ProductKeyExists(kVtrDataKey)) << "reading creates nothing";

    DeleteProductTree(kNorvaKey);
    EXPECT_EQ(-1, CreateTargetKey("LP-1", path, sizeof path));
    SetLastError(0);
    EXPECT_FALSE(WriteMonitoring("LP-1", FALSE));
    EXPECT_EQ(static_cast<DWORD>(ERROR_FILE_NOT_FOUND), GetLastError()) << "why it failed";
    EXPECT_FALSE(ProductKeyExists(kProductKey));
}

TEST_F(TargetRegistry, SwitchingMonitoringOffCreatesAnEntryWhoseAccessListOnlyAdministratorsMayChange)
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

    SetProductString(EntryPath(4), "Name", "no flag");
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

namespace {

// One layout of TXATarget: subkeys in the order they are created, each with
// its "Name" (nullptr: none).
struct Layout {
    const char* what;
    std::vector<std::pair<std::string, const char*>> subkeys;
    const char* found;  // the entry of "LP-1", "" for none
};

std::string Canonical(unsigned index)
{
    return EntryPath(index).substr(sizeof kTargets);
}

// P<from> ... P<to - 1>, each named after another printer.
std::vector<std::pair<std::string, const char*>> OtherPrinters(unsigned from, unsigned to)
{
    std::vector<std::pair<std::string, const char*>> subkeys;
    for (unsigned i = from; i < to; ++i)
        subkeys.emplace_back(Canonical(i), "another printer");
    return subkeys;
}

std::vector<std::pair<std::string, const char*>> Join(
    std::vector<std::pair<std::string, const char*>> first,
    const std::vector<std::pair<std::string, const char*>>& second)
{
    first.insert(first.end(), second.begin(), second.end());
    return first;
}

}  // namespace

// The first entry in enumeration order whose "Name" matches, whatever the
// entries are called and however far apart their numbers are.
TEST_F(TargetRegistry, TheFirstMatchingEntryInEnumerationOrderIsFound)
{
    const Layout layouts[] = {
        {"the last of many", Join(OtherPrinters(0, 150), {{Canonical(150), "LP-1"}}),
         "P0000000000000150"},
        {"numbers with short gaps",
         {{Canonical(0), "x"}, {Canonical(3), "x"}, {Canonical(9), "LP-1"}},
         "P0000000000000009"},
        {"numbers far apart",
         {{Canonical(0), "x"}, {Canonical(200), "x"}, {Canonical(4000), "LP-1"}},
         "P0000000000004000"},
        {"the first of two", {{Canonical(1), "LP-1"}, {Canonical(0), "LP-1"}},
         "P0000000000000000"},
        {"another name sorts first", {{Canonical(0), "LP-1"}, {"A", "LP-1"}}, "A"},
        {"a longer number sorts between",
         {{Canonical(0), "x"}, {Canonical(1), "LP-1"}, {"P00000000000000005", "LP-1"}},
         "P00000000000000005"},
        {"another name sorts last", {{Canonical(0), "x"}, {"Q", "LP-1"}}, "Q"},
        {"written in lower case", {{Canonical(0), "x"}, {"p0000000000000001", "LP-1"}},
         "p0000000000000001"},
        {"entries without a name", {{Canonical(0), nullptr}, {Canonical(1), "LP-1"}},
         "P0000000000000001"},
        {"names that differ in case or blanks",
         {{Canonical(0), "lp-1"}, {Canonical(1), "LP-1 "}}, ""},
        {"no match among numbered entries", OtherPrinters(0, 20), ""},
        {"no match among all kinds", Join(OtherPrinters(0, 3), {{"Z", "x"}}), ""},
        {"no entries", {}, ""},
    };
    for (const Layout& layout : layouts) {
        SCOPED_TRACE(layout.what);
        DeleteProductTree(kTargets);
        CreateKey(HKEY_LOCAL_MACHINE, kTargets, kProductView);
        for (const auto& subkey : layout.subkeys) {
            const std::string path = std::string(kTargets) + "\\" + subkey.first;
            CreateKey(HKEY_LOCAL_MACHINE, path, kProductView);
            if (subkey.second != nullptr)
                SetProductString(path, "Name", subkey.second);
        }
        char path[260];
        const int length = FindTargetKey("LP-1", path, sizeof path);
        const std::string expected =
            layout.found[0] != '\0' ? std::string(kTargets) + "\\" + layout.found : "";
        EXPECT_EQ(expected, path);
        EXPECT_EQ(expected.empty() ? -1 : static_cast<int>(expected.size()), length);
    }
}

namespace {

DWORD RunReg(const std::string& arguments)
{
    return RunAsSetupHost("reg.exe", arguments, 60000, false).exitCode;
}

}  // namespace

// On 64-bit Windows the 32-bit setup program and MONCHK04 write the product's
// keys into the 32-bit view; a 64-bit Explorer loads the 64-bit extension.
TEST_F(TargetRegistry, TheKeysAreThoseA32BitProgramWrote)
{
#ifdef _WIN64
    if (!IsWindowsNT())
        GTEST_SKIP() << "Wine presenting Windows 95/98 ignores registry access masks, the view "
                        "flag included; a 64-bit program never meets Windows 95/98";
#endif
    DeleteProductTree(kNorvaKey);
    const std::string driver = "\"HKLM\\" + DriverKey(kProductDriver) + "\"";
    const std::string entry = "\"HKLM\\" + EntryPath(0) + "\"";
    ASSERT_EQ(0u, RunReg("add " + driver + " /v XIMPType /t REG_DWORD /d 1 /f /reg:32"));
    ASSERT_EQ(0u, RunReg("add " + entry + " /v Name /d LP-1 /f /reg:32"));
    ASSERT_EQ(0u, RunReg("add " + entry + " /v Monitoring /t REG_DWORD /d 0 /f /reg:32"));

    EXPECT_TRUE(IsXimpTarget(kProductPrinter));
    EXPECT_FALSE(ReadMonitoring(kProductPrinter));
    ASSERT_TRUE(WriteMonitoring(kProductPrinter, TRUE));
    EXPECT_EQ(std::vector<std::string>{"P0000000000000000=LP-1,1"}, Entries());
    ASSERT_TRUE(WriteMonitoring(kSecondProductPrinter, FALSE));
    EXPECT_EQ(2u, Entries().size()) << "a new entry beside the 32-bit program's";
    ExpectSystemThenEveryone(EntryPath(1));
#ifdef _WIN64
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kNorvaKey, KEY_WOW64_64KEY))
        << "nothing written to the 64-bit view";
    // What only the 64-bit view holds is not the product's.
    SetDword(HKEY_LOCAL_MACHINE, DriverKey(kOtherModelDriver), "XIMPType", 1, KEY_WOW64_64KEY);
    EXPECT_FALSE(IsXimpTarget(kOtherModelPrinter));
#endif
}
