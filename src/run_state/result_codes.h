// Every result pair MONCHK04 records. ErrorCode1 groups the failure, ErrorCode2
// names the place. A run reports the last pair recorded; 0/0 is success.
// docs/result-codes.md describes each pair for the people who read them.
#pragma once

#include <windows.h>

struct ResultPair {
    LONG code1;
    LONG code2;
};

constexpr bool operator==(ResultPair a, ResultPair b)
{
    return a.code1 == b.code1 && a.code2 == b.code2;
}

namespace pair {

// Group 1 and 2: the SDK installers' own answers; ErrorCode2 is their flags.
constexpr LONG kInstallerAnswer = 1;
constexpr LONG kSdkSetupAnswer = 2;
constexpr ResultPair InstallerFailed(DWORD flags) { return {kInstallerAnswer, static_cast<LONG>(flags)}; }
constexpr ResultPair SdkSetupFailed(DWORD flags) { return {kSdkSetupAnswer, static_cast<LONG>(flags)}; }

// Group 3: registry keys and values.
// 3/1 stands for two failures of the uninstall by printer: the printer's
// entries under HKCU or under HKLM TXATarget; the debug log tells which one.
constexpr ResultPair kUserTxaTargetsNotCleaned{3, 1};
constexpr ResultPair kMachineTxaTargetsNotCleaned{3, 1};
constexpr ResultPair kPrinterTxbTargetsNotCleaned{3, 2};
constexpr ResultPair kPrinterModelKeyNotOpened{3, 4};
constexpr ResultPair kPrinterMoncfgMissing{3, 5};
constexpr ResultPair kSdkInstallDirEmpty{3, 11};
constexpr ResultPair kModelsKeyNotOpened{3, 20};
constexpr ResultPair kModelKeyNotOpened{3, 21};
constexpr ResultPair kEntryKeyNotOpened{3, 30};
constexpr ResultPair kEntryValueNotWritten{3, 31};
constexpr ResultPair kModelRecordNotOpened{3, 32};
constexpr ResultPair kLanguageMonNotWritten{3, 33};
constexpr ResultPair kLanguageMonDllNotWritten{3, 34};
constexpr ResultPair kPortKeyNotOpened{3, 40};
constexpr ResultPair kPortValueNotDeleted{3, 41};
constexpr ResultPair kPortDwordNotWritten{3, 42};
constexpr ResultPair kPortTextNotWritten{3, 43};
constexpr ResultPair kCurrentVersionKeyNotOpened{3, 54};
constexpr ResultPair kCommonFilesDirMissing{3, 55};
// 3/60, 3/61 and 3/62 each stand for two failures, one of the uninstall by
// driver and one of the service stop; the debug log tells which one.
constexpr ResultPair kDriverMoncfgMissing{3, 60};
constexpr ResultPair kServiceSiblingKeyNotOpened{3, 60};
constexpr ResultPair kDriverTxaTargetsNotCleaned{3, 61};
constexpr ResultPair kServiceModelsKeyNotOpened{3, 61};
constexpr ResultPair kDriverTxbTargetsNotCleaned{3, 62};
constexpr ResultPair kServiceModelKeyNotOpened{3, 62};
constexpr ResultPair kHtmlModelKeyNotOpened{3, 63};
constexpr ResultPair kSetLptDwordNotWritten{3, 64};
constexpr ResultPair kSetLptTextNotWritten{3, 65};
constexpr ResultPair kVtrCommonNotOpened{3, 70};
constexpr ResultPair kMonitorKeyNotOpened{3, 71};
constexpr ResultPair kXimpModelKeyNotOpened{3, 80};
constexpr ResultPair kXimpModelsKeyNotOpened{3, 81};
constexpr ResultPair kXimpSiblingKeyNotOpened{3, 82};
// "SHELLEXT_R" names a class other than MONEXT01's: it is not deregistered.
constexpr ResultPair kShellExtClassRefused{3, 83};
// 3/63 also stands for an "HTMLInstallPath" outside the common files' HTML
// folder, whose files are then not deleted; the debug log tells which one.
constexpr ResultPair kHtmlFolderRefused{3, 63};

// Group 4: programs not started, or not answering or stopping in time.
constexpr ResultPair kSdkInstallerNotStarted{4, 1};
constexpr ResultPair kSdkSetupNoAnswer{4, 2};
constexpr ResultPair kPrinterMoncfgNotStarted{4, 6};
constexpr ResultPair kMoncfgCleanUpNotStarted{4, 7};
// 4/8 stands for two failures: the VTR service program not deleted in five
// tries, and MONCFG's uninstall call by driver not started; the debug log
// tells which one.
constexpr ResultPair kVtrServiceNotDeleted{4, 8};
constexpr ResultPair kDriverMoncfgNotStarted{4, 8};
constexpr ResultPair kInstallerNoAnswer{4, 10};
constexpr ResultPair kCopyExecNotStarted{4, 11};
constexpr ResultPair kXimpStopNotStarted{4, 12};
constexpr ResultPair kXimpServiceStillRunning{4, 13};
// "VTRSRV_NAME" is not a bare file name: nothing is started or deleted.
constexpr ResultPair kVtrServiceNameRefused{4, 14};
// On NT, as administrator: the key that names the program is owned by
// neither Administrators nor SYSTEM, so someone else may have chosen the
// program: it is not started.
constexpr ResultPair kSdkUninstallerKeyNotTrusted{4, 15};
constexpr ResultPair kMoncfgKeyNotTrusted{4, 16};

// Group 5: the printer driver.
constexpr ResultPair kDriverNotInstalled{5, 1};
constexpr ResultPair kNoDriverName{5, 2};
constexpr ResultPair kDriverModelKeyNotOpened{5, 3};

// Group 6: the setup INI lacks what a step needs.
constexpr ResultPair kIniInstallSectionMissing{6, 1};
constexpr ResultPair kIniDriverNameMissing{6, 3};
constexpr ResultPair kIniEntriesNotRead{6, 6};
constexpr ResultPair kIniBadRootKey{6, 7};
constexpr ResultPair kIniPortSettingsNotRead{6, 8};
constexpr ResultPair kIniBadSetLptType{6, 9};
constexpr ResultPair kIniLanguageSectionMissing{6, 10};
constexpr ResultPair kIniNoLanguageMatched{6, 11};
constexpr ResultPair kIniChosenLanguageMissing{6, 12};
constexpr ResultPair kIniShortcutNameMissing{6, 13};
constexpr ResultPair kMonitorDllNotInSystemDir{6, 14};

// Group 7: failed Windows calls.
constexpr ResultPair kUnsupportedWindows{7, 0};
constexpr ResultPair kDriverDirectoryNotRead{7, 1};
constexpr ResultPair kDriversNotListed{7, 2};
constexpr ResultPair kDriverPathWithoutDirectory{7, 6};
constexpr ResultPair kPrinterNotRead{7, 10};
constexpr ResultPair kPrintersNotListedUninstall{7, 11};
constexpr ResultPair kWaitTimerNotStarted{7, 20};
constexpr ResultPair kFrameWindowNotCreated{7, 21};
constexpr ResultPair kPrintersNotListedInstall{7, 30};
constexpr ResultPair kPrintersNotListedMaintenance{7, 31};
constexpr ResultPair kPrinterNotOpened{7, 40};
constexpr ResultPair kDriverRecordNotRead{7, 41};
constexpr ResultPair kMonitorNotDetached{7, 42};
constexpr ResultPair kBidiNotSwitchedOn{7, 44};
constexpr ResultPair kMonitorNotAttached{7, 48};
// The uninstall could not detach the model's language monitor from its
// driver, or remove it once no driver names it.
constexpr ResultPair kMonitorNotRemoved{7, 49};
// A part of the model could not be removed: its record stays, so that the
// uninstall run again finds what is left.
constexpr ResultPair kModelRecordKept{7, 50};
constexpr ResultPair kEntriesWithoutDriverDir{7, 60};
constexpr ResultPair kStartupFolderNotFound{7, 90};
constexpr ResultPair kShortcutNotWritten{7, 91};
constexpr ResultPair kRunInterrupted{7, 200};
constexpr ResultPair kWindowsVersionNotRead{7, 201};
constexpr ResultPair kLinkFolderNotFound{7, 95};
constexpr ResultPair kLinkFolderNotEntered{7, 96};
constexpr ResultPair kLinkFolderNotListed{7, 97};
constexpr ResultPair kShellLinkNotCreated{7, 98};
constexpr ResultPair kShellLinkNotPersistent{7, 99};
constexpr ResultPair kParameterFileNotNamed{7, 100};
// Building the security attributes failed at step 1 to 6.
constexpr ResultPair AccessControlFailed(int step) { return {7, 100 + step}; }
// 7/111 stands for two failures; the debug log tells which one it was.
constexpr ResultPair kCopyExecDirNotEntered{7, 111};
constexpr ResultPair kDriverDirectorySizeNotRead{7, 111};
constexpr ResultPair kDriverDirectoryNotFilled{7, 112};
constexpr ResultPair kDriverFileNotCopied{7, 113};
constexpr ResultPair kOldLinkFolderNotFound{7, 120};
constexpr ResultPair kOldLinkFolderNotEntered{7, 121};
constexpr ResultPair kOldLinkFolderNotListed{7, 122};

// Group 8: what the command line names is missing.
constexpr ResultPair kPrinterUnknown{8, 1};
constexpr ResultPair kNoIniPath{8, 2};

// Group 9: another copy of the program is at work.
constexpr ResultPair kAlreadyRunning{9, 1};

// Group 16: special cases, reported to the caller as success.
constexpr ResultPair kCopyExecNotCopied{16, 1};
constexpr ResultPair kNoMonitorForThisWindows{16, 2};

}  // namespace pair
