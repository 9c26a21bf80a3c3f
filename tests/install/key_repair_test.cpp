// An install over an earlier version, whose keys another user owns and
// Everyone may change: the product's keys end owned by Administrators with
// the list of their kind, keys elsewhere as they were.
#include "app_test_support.h"
#include "install_run.h"
#include "install_test_files.h"
#include "key_owners.h"
#include "registry.h"
#include "registry_helpers.h"
#include "test_frame.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

const char kModelKey[] = "Software\\NORVA\\VTR3\\Driver\\NORVA LP-1";
const char kOutsideKey[] = "Software\\Monsetup Elsewhere\\Entry";
const char kAdministrators[] = "S-1-5-32-544";
const char kOtherUser[] = "S-1-5-21-1-2-3-1001";

enum class Kind { kProtected, kShared, kUntouched };

struct ExpectedKey {
    const char* path;
    Kind kind;
};

// The keys an install run writes, and what each ends with.
const ExpectedKey kKeys[] = {
    {"Software\\NORVA", Kind::kProtected},
    {"Software\\NORVA\\VTR3", Kind::kProtected},
    {"Software\\NORVA\\VTR3\\Driver", Kind::kProtected},
    {kModelKey, Kind::kProtected},
    {"Software\\NORVA\\VTR3\\Profile", Kind::kProtected},
    {"Software\\NORVA\\VTR3\\VTRCommon", Kind::kShared},
    {"Software\\NORVA\\VTR3\\SDKResult", Kind::kShared},
    {"Software\\NORVA\\VTR3\\VTRData", Kind::kShared},
    {"Software\\NORVA\\VTR3\\VTRData\\TXATarget", Kind::kShared},
    {"Software\\NORVA\\VTR3\\VTRData\\TXBTarget", Kind::kShared},
    {"Software\\NORVA\\KALERT", Kind::kProtected},
    {"Software\\NORVA\\KALERT\\Notifier", Kind::kProtected},
    {kOutsideKey, Kind::kUntouched},
};

class KeyRepairRun : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (OsKindOfThisWindows() == 1)
            GTEST_SKIP() << "Windows 95/98 keep no owners";
        ResetProductKeys();
        DeleteTree(HKEY_LOCAL_MACHINE, "Software\\Monsetup Elsewhere");
        frame.environment.osKind = OsKindOfThisWindows();
        frame.environment.isAdmin = TRUE;
        frame.settings.driverDir = "C:\\drivers";
        frame.settings.driverName = "NORVA LP-1";
        frame.settings.langMonitorName = "NORVA LM";
        frame.settings.langMonitorDll = "nrlm.dll";
        // An earlier version's tree; the target keys are not there yet.
        for (const ExpectedKey& key : kKeys) {
            if (std::string(key.path).find("VTRData") == std::string::npos)
                MakeEarlierVersionKey(HKEY_LOCAL_MACHINE, key.path);
        }
    }
    void TearDown() override { DeleteTree(HKEY_LOCAL_MACHINE, "Software\\Monsetup Elsewhere"); }

    void Install()
    {
        ini.reset(new TempIni("[Install]\r\n"
                              "REGPATH=REG0,\"HKEY_LOCAL_MACHINE\\Software\\NORVA\\KALERT\\Notifier\"\r\n"
                              "REGENTER=REG0,\"NOTIFYEXE\",\"knote.exe\"\r\n"
                              "REGPATH=REG1,\"HKEY_LOCAL_MACHINE\\Software\\Monsetup Elsewhere\\Entry\"\r\n"
                              "REGENTER=REG1,\"Mode\",1\r\n"));
        frame.settings.iniPath = ini->path;
        InstallRun run(frame);
        run.PrepareProductKeys();
        ASSERT_TRUE(run.WriteRegistryEntries())
            << frame.result.ErrorCode1() << "/" << frame.result.ErrorCode2();
    }

    TestFrame frame;
    std::unique_ptr<TempIni> ini;
};

void ExpectKind(const ExpectedKey& key)
{
    if (key.kind == Kind::kUntouched) {
        EXPECT_EQ(kOtherUser, KeyOwner(HKEY_LOCAL_MACHINE, key.path)) << key.path;
        EXPECT_EQ(1u, KeyDacl(HKEY_LOCAL_MACHINE, key.path).size()) << key.path;
        return;
    }
    EXPECT_EQ(kAdministrators, KeyOwner(HKEY_LOCAL_MACHINE, key.path)) << key.path;
    const std::vector<DaclEntry> list = KeyDacl(HKEY_LOCAL_MACHINE, key.path);
    ASSERT_EQ(3u, list.size()) << key.path;
    const DWORD everyone =
        key.kind == Kind::kShared ? KEY_READ | KEY_WRITE | DELETE : static_cast<DWORD>(KEY_READ);
    HeapBuffer world = SidOf(Who::kEveryone);
    EXPECT_TRUE(list[2].Names(world.get())) << key.path;
    EXPECT_EQ(everyone, list[2].mask) << key.path;
    EXPECT_EQ(static_cast<DWORD>(KEY_ALL_ACCESS), list[0].mask) << key.path;
}

}  // namespace

TEST_F(KeyRepairRun, AnInstallOverAnEarlierVersionGivesTheProductsKeysToAdministrators)
{
    Install();
    for (const ExpectedKey& key : kKeys)
        ExpectKind(key);
    EXPECT_EQ("knote.exe", StringValue("Software\\NORVA\\KALERT\\Notifier", "NOTIFYEXE"));
}

TEST_F(KeyRepairRun, APlainUsersRunLeavesOwnersAndListsAsTheyAre)
{
    frame.environment.isAdmin = FALSE;
    Install();
    for (const ExpectedKey& key : kKeys) {
        if (!KeyExists(HKEY_LOCAL_MACHINE, key.path))
            continue;
        EXPECT_EQ(kOtherUser, KeyOwner(HKEY_LOCAL_MACHINE, key.path)) << key.path;
    }
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, "Software\\NORVA\\VTR3\\VTRData"))
        << "made by an administrator's run only";
}
