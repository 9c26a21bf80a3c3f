// The uninstall runs, by printer (/R:) and by printer driver (/R2:), and
// their removal steps. Each step works on the run's state and records its
// failures in the run's result.
#pragma once

#include "ownership.h"
#include "registry.h"
#include "run_state.h"

#include <windows.h>

#include <string>

class UninstallRun : private RunSteps {
public:
    explicit UninstallRun(RunState& run) : RunSteps(run) {}

    // The two sequences. UnInstall always returns TRUE; UnInstall2 FALSE only
    // for an empty driver name.
    BOOL UnInstall();
    BOOL UnInstall2();

    // The monitor's service program of the model, stopped unless another
    // model uses it; the timer deletes its file afterwards. FALSE when the
    // models could not be read to tell whether another one uses it.
    BOOL StopVtrService();

    // The model's target entries under root\keyPath: by printer (and those
    // of printers that are gone), or by driver (and those of printers that
    // are gone or unreadable), with their start-up values under HKCU Run.
    BOOL DeleteTargetKey(HKEY root, std::string keyPath, std::string printerName);
    BOOL DeleteTargetKey2(HKEY root, std::string keyPath, std::string driverName);

    // The model's HTML help files and folder; FALSE when a part of them stays
    // that a later run can remove.
    BOOL DeleteHtmlFiles();
    // TRUE when no installed model names this program as its shortcut's.
    BOOL DeleteShortcutExe();
    // The model's profile value and driver key; TRUE when no model is left.
    // The key stays (7/50) while the profile value could not be removed.
    BOOL DeleteProfile();
    // Logs and records (7/50) that the model's record stays; FALSE.
    BOOL KeepModelRecord();
    // The language monitor that the install attached to the model's driver
    // (removed once no driver names it) and the driver's port settings;
    // FALSE when one could not be removed.
    BOOL DeleteDriverParts();
    // "Software\NORVA\VTR3" under HKLM and HKCU.
    void DeleteProductKey();

    // The shell extension, notifier, XIMP service and common settings of the
    // model, each unless another model uses it. FALSE when the keys that
    // tell could not be read, and the components stay for a later run.
    BOOL DeleteRegXIMP();

    // The ZQAPI SDK's uninstaller, awaited through its reply message.
    BOOL UninstallZQAPI();
    // Links that older setups left in the Startup folder ("MONLNK??.LNK").
    BOOL DeleteShortcutLinks();

private:
    // The pairs one sequence records for its MONCFG calls.
    struct MoncfgPairs {
        ResultPair modelKeyNotOpened;
        ResultPair moncfgMissing;
        ResultPair notStarted;
    };
    std::string RunMoncfgUninstall(const MoncfgPairs& pairs, bool logged);
    void RunMoncfgCleanUp(const std::string& moncfg);
    BOOL ReadDriverOfPrinter(const class PrinterHandle& printer);

    // What the spooler's list of printers says of the removed printer's
    // driver.
    enum class DriverUse {
        kNotListed,    // the list could not be read
        kNoPrinters,   // the list is empty
        kInUse,        // another printer uses the driver
        kLastPrinter,  // no other printer does
    };
    DriverUse FindOtherPrinterOfDriver();
    BOOL DeleteModel();
    bool DeletePortSettings(DWORD driverVersion);
    void DeleteOwnStartupLinks();
    std::string InstalledCopyPath(const std::string& ownPath);
    void StartVtrStop(const std::string& file);
    void StartXimpStop(const std::string& service);

    // Owners (NT, as administrator). A key that names a program may choose
    // what the run starts only when Administrators or SYSTEM own it (always
    // on 95/98 and for a plain user's run).
    bool TrustedForPrograms(const std::string& keyPath) const;
    // The list that a key of the machine gets before it is removed, where
    // its list shuts administrators out (a target entry a plain user made):
    // NULL where there is none to give.
    const OwnedSecurity* Reclaim(HKEY root);
    // A key the run removes from, opened with full access; reclaimed first
    // where its list refuses that.
    Registry OpenForRemoval(HKEY root, const std::string& path);
    bool AdministratorOnNT() const;

    OwnedSecurity reclaim;
    bool reclaimBuilt = false;
};
