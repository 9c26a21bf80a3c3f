// The cleanup of the monitor's target entries and their Run values, against
// printers in Wine's spooler: P1 of the product's driver, P4 of another one;
// P2 and P3 are printers that no longer exist. What a whole run removes by
// printer is shown by uninstall_run_test.cpp; here the log of the walk by
// driver and the entries that stop the walks.
#include "app_test_support.h"
#include "debug_log.h"
#include "install_test_files.h"
#include "key_owners.h"
#include "registry.h"
#include "spooler.h"
#include "test_frame.h"
#include "test_windows.h"
#include "uninstall_run.h"
#include "uninstall_test_support.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>

namespace {

const char kDriver[] = "NORVA LP-1";
const char kTargets[] = "software\\NORVA\\VTR3\\VTRData\\TXATarget";
const char kRun[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\run";

std::string EntryName(unsigned index)
{
    char name[24];
    std::snprintf(name, sizeof name, "P%016u", index);
    return name;
}

class TargetCleanup : public ::testing::Test {
protected:
    void SetUp() override
    {
        ResetProductKeys();
        Registry(HKEY_CURRENT_USER, "Software", NULL, FALSE, Registry::kAllAccess).DeleteKey("NORVA");
        ASSERT_TRUE(spooler.InstallDriver(kDriver)) << spooler.lastError;
        ASSERT_TRUE(spooler.InstallDriver("Other Driver")) << spooler.lastError;
        ASSERT_TRUE(spooler.InstallPrinter("P1", kDriver)) << spooler.lastError;
        ASSERT_TRUE(spooler.InstallPrinter("P4", "Other Driver")) << spooler.lastError;
        Registry(HKEY_CURRENT_USER, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion", NULL, FALSE,
                 Registry::kAllAccess)
            .DeleteKey("run");
        SetString(HKEY_CURRENT_USER, kRun, "Other program", "other.exe");
    }
    void TearDown() override { debugLogEnabled = FALSE; }

    // Entries P0..., one per printer name, each with its Run value.
    void Entries(HKEY root, const std::vector<std::string>& printers)
    {
        Registry(root, "Software\\NORVA\\VTR3", NULL, FALSE, Registry::kAllAccess).DeleteKey("VTRData");
        for (unsigned i = 0; i < printers.size(); ++i) {
            SetString(root, std::string(kTargets) + "\\" + EntryName(i), "Name", printers[i]);
            if (!printers[i].empty())
                SetString(HKEY_CURRENT_USER, kRun, printers[i], "monrun.exe");
        }
    }

    // The printer names of the entries left, in order, and the Run values.
    static std::string Left(HKEY root)
    {
        std::string left;
        Registry targets(root, kTargets, NULL, FALSE, Registry::kRead);
        for (DWORD i = 0;; ++i) {
            std::string name = targets.EnumKey(i);
            if (name.empty())
                break;
            left += Registry(root, std::string(kTargets) + "\\" + name, NULL, FALSE,
                             Registry::kRead).QueryString("Name", "?") + " ";
        }
        left += "| run:";
        Registry run(HKEY_CURRENT_USER, kRun, NULL, FALSE, Registry::kRead);
        for (DWORD i = 0;; ++i) {
            std::string name = run.EnumValue(i);
            if (name.empty())
                break;
            left += " " + name;
        }
        return left;
    }

    SpoolerFixture spooler;
    TestFrame frame;
};

}  // namespace

// By driver: entries of the driver's printers and of printers gone; the log
// tells what each entry met.
TEST_F(TargetCleanup, ByDriverRemovesTheDriversEntriesAndThoseOfPrintersGone)
{
    Entries(HKEY_CURRENT_USER, {"P1", "P3", "P4"});
    EnableTraceLog();
    DeleteFileA(kTraceLog);
    debugLogEnabled = TRUE;
    EXPECT_TRUE(UninstallRun(frame).DeleteTargetKey2(HKEY_CURRENT_USER, kTargets, kDriver));
    EXPECT_EQ("P4 | run: Other program P4", Left(HKEY_CURRENT_USER));
    EXPECT_EQ("CMainFrame::DeleteTargetKey2()\n"
              "    SubKey name:P0000000000000000\n    Open Succees\n    Delete SubKey\n"
              "    SubKey name:P0000000000000001\n    Open Error\n"
              "    SubKey name:P0000000000000002\n    Open Succees\n"
              "CMainFrame::DeleteTargetKey2() exit\n",
              FileText(kTraceLog));

    // An entry without a printer name ends the walk: later entries stay.
    Entries(HKEY_CURRENT_USER, {"", "P1"});
    DeleteFileA(kTraceLog);
    EXPECT_FALSE(UninstallRun(frame).DeleteTargetKey2(HKEY_CURRENT_USER, kTargets, kDriver));
    EXPECT_EQ(" P1 | run: Other program P1 P4", Left(HKEY_CURRENT_USER));
    EXPECT_EQ("CMainFrame::DeleteTargetKey2()\n    SubKey name:P0000000000000000\n"
              "    Printer name error\n",
              FileText(kTraceLog));
}

// An entry under HKEY_LOCAL_MACHINE, which any user may write, goes without
// touching the Run key of the user who runs the uninstall; the user's own
// entries take their Run values with them.
TEST_F(TargetCleanup, OnlyTheUsersOwnEntriesDeleteRunValues)
{
    Entries(HKEY_LOCAL_MACHINE, {"P1", "P3"});
    EXPECT_TRUE(UninstallRun(frame).DeleteTargetKey(HKEY_LOCAL_MACHINE, kTargets, "P1"));
    EXPECT_EQ("| run: Other program P1 P3", Left(HKEY_LOCAL_MACHINE));
    Entries(HKEY_LOCAL_MACHINE, {"P1"});
    EXPECT_TRUE(UninstallRun(frame).DeleteTargetKey2(HKEY_LOCAL_MACHINE, kTargets, kDriver));
    EXPECT_EQ("| run: Other program P1 P3", Left(HKEY_LOCAL_MACHINE));

    Entries(HKEY_CURRENT_USER, {"P1", "P3"});
    EXPECT_TRUE(UninstallRun(frame).DeleteTargetKey(HKEY_CURRENT_USER, kTargets, "P1"));
    EXPECT_EQ("| run: Other program", Left(HKEY_CURRENT_USER));
}

// The second entry cannot be opened (locked) or deleted (undeletable). Not
// opened, both walks stop there; not deleted, the walk by printer stops and
// the walk by driver passes the entry.
TEST_F(TargetCleanup, EntriesThatCannotBeOpenedOrDeleted)
{
    if (OsKindOfThisWindows() == 1)
        GTEST_SKIP() << "Windows 95/98 has no key security";
    const std::string second = std::string(kTargets) + "\\" + EntryName(1);
    const struct {
        const char* what;
        bool locked, byDriver;
        std::vector<std::string> entries;
        bool completed;
        const char* left;  // nullptr: not looked at
    } cases[] = {
        {"locked, by printer", true, false, {"P3", "P3", "P2"}, false,
         "? P2 | run: Other program P2"},
        {"locked, by driver", true, true, {"P3", "P3", "P2"}, false, nullptr},
        // The Run value goes before its entry, which stays as its record.
        {"undeletable, by printer", false, false, {"P1", "P3", "P2"}, false,
         "P1 P3 P2 | run: Other program P1 P2"},
        {"undeletable, by driver", false, true, {"P1", "P3", "P2"}, true,
         "P3 | run: Other program"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Entries(HKEY_CURRENT_USER, c.entries);
        std::unique_ptr<LockedKey> locked;
        std::unique_ptr<UndeletableKey> undeletable;
        if (c.locked)
            locked.reset(new LockedKey(HKEY_CURRENT_USER, second));
        else
            undeletable.reset(new UndeletableKey(HKEY_CURRENT_USER, second));
        UninstallRun run(frame);
        EXPECT_EQ(c.completed, (c.byDriver ? run.DeleteTargetKey2(HKEY_CURRENT_USER, kTargets, kDriver)
                                           : run.DeleteTargetKey(HKEY_CURRENT_USER, kTargets, "P2")) != FALSE);
        if (c.left != nullptr) {
            EXPECT_EQ(c.left, Left(HKEY_CURRENT_USER));
        }
    }
}

// An entry whose owner, a plain user, shut administrators out: the
// administrator's uninstall takes it back and removes it with the others,
// instead of stopping there with 3/1.
TEST_F(TargetCleanup, AnEntryThatShutsAdministratorsOutIsTakenBackAndRemoved)
{
    if (OsKindOfThisWindows() == 1)
        GTEST_SKIP() << "Windows 95/98 has no key security";
    frame.environment.osKind = OsKindOfThisWindows();
    frame.environment.isAdmin = TRUE;
    Entries(HKEY_LOCAL_MACHINE, {"P1", "P3", "P2"});
    ShutOutKey shutOut(std::string(kTargets) + "\\" + EntryName(1));
    EXPECT_TRUE(UninstallRun(frame).DeleteTargetKey(HKEY_LOCAL_MACHINE, kTargets, "P2"));
    EXPECT_TRUE(shutOut.OwnerTaken());
    EXPECT_EQ("P1 | run: Other program P1 P2 P3", Left(HKEY_LOCAL_MACHINE));
}
