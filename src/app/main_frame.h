// The hidden main frame: the program's only window and the state of one run.
// ExecuteOperation chooses the run's operation; the operations of the other
// subsystems are further methods of this class and share its fields. A run
// that started programs to be awaited sets a wait condition; the one-second
// timer and the reply messages clear them, and OnClose reports the result.
#pragma once

#include "access_control.h"
#include "cmd_line.h"
#include "frame_wnd.h"

#include <windows.h>
#include <winspool.h>

#include <string>

// Names by which other copies and the wait dialog find the running program.
extern const char kFrameClassName[];   // "InstallExeClass"
extern const char kFrameTitle[];       // "Vantor3 Environment Check"

// Private messages to the frame and the completion message to the caller.
const UINT WM_SDK_REPLY = WM_USER + 200;        // 1224, from the ZQAPI SDK setup
const UINT WM_INSTALLER_REPLY = WM_USER + 201;  // 1225, from the combined installer
const UINT WM_ENV_RESULT = 0x7FF1;

// Result flags of the SDK setup's reply (lParam of WM_SDK_REPLY).
const DWORD kSdkSuccess = 0x00000001;
const DWORD kSdkInUse1 = 0x00000400;
const DWORD kSdkInUse2 = 0x00000800;
const DWORD kSdkReplaced = 0x00200000;
// Result flags of the combined installer's reply (lParam of WM_INSTALLER_REPLY).
const DWORD kInstallerSuccess = 0x00000001;
const DWORD kInstallerOsNotSupported = 0x00000020;
const DWORD kInstallerFailure = 0x00010000;

// wParam of the completion message.
const WPARAM kResultSuccess = 1;
const WPARAM kResultReplaced = 2;
const WPARAM kResultFailure = 3;

const UINT_PTR kWaitTimerId = 1;
const UINT kWaitTimerPeriod = 1000;
const int kSdkWaitTicks = 120;        // the SDK installers' replies
const int kServiceWaitTicks = 3;      // between service stop checks
const int kServiceAttempts = 5;

class CMainFrame : public CFrameWnd {
public:
    // Registers the window class and creates the hidden window.
    CMainFrame();
    ~CMainFrame() override = default;

    BOOL ExecuteOperation(BOOL alreadyRunning);
    void StartWaitTimer();

    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    void OnTimer(UINT_PTR id) override;
    void OnClose() override;

    static std::string FormatErrorText(DWORD code);

    BOOL IsAdministrator();

    // Operations, one per run.
    BOOL Install();
    BOOL UnInstall();
    BOOL UnInstall2();

    // Installation settings and paths (src/inputs/install_settings.cpp).
    BOOL LoadInstallSettings();
    BOOL SelectLanguage();
    BOOL GetDriverDirectory();
    std::string GetCommonFilesDir();
    std::string ResolveDirectoryKeyword(const std::string& expression);
    static WORD ParseHexWord(const char* text);

    // Monitor and driver registration (src/install/language_monitors.cpp).
    BOOL InstallLanguageMonitors();
    BOOL EnableBidi(PRINTER_INFO_2A* printer);
    BOOL RegisterLanguageMonitor(std::string printerName);
    BOOL RegisterMonitorWin9x(std::string printerName);
    BOOL RegisterMonitorNT(std::string printerName);
    BOOL CopyDriverFiles(DRIVER_INFO_3A* info);
    BOOL CopyDriverFile(LPCSTR filePath, LPCSTR driverDirectory, DWORD version);

    // Registry entries from the setup INI (src/install/registry_entries.cpp).
    BOOL WriteRegistryEntries();
    static HKEY ParseRootKey(std::string& path);

    // Parallel-port settings (src/install/port_settings.cpp).
    BOOL WritePortSettings();
    std::string GetDriverKeyPath();

    // Startup shortcuts (src/install/shortcuts.cpp).
    BOOL CreateShortcuts();
    BOOL DeleteLinksTo(const std::string& target);
    BOOL DeleteShortcutLinks();
    BOOL CreateLink(const std::string& target, const std::string& linkPath,
                    const std::string& description);
    std::string GetSpecialFolderPath(int csidl);
    static BOOL MatchesPattern(const std::string& name, const std::string& pattern);

    // ZQAPI SDK installer and uninstaller (src/install/sdk_setup.cpp).
    BOOL InstallZQAPI();
    BOOL UninstallZQAPI();
    std::string MakeTempFileName();

    // Installation sequence (src/install/install.cpp).
    BOOL CreateDirectoryPath(const std::string& path, LPSECURITY_ATTRIBUTES security);

    CCmdLine cmdLine;
    CAccessControl accessControl;
    LPSECURITY_ATTRIBUTES securityAttributes = NULL;
    LONG ErrorCode1 = 0;
    LONG ErrorCode2 = 0;
    int osKind = 0;
    BOOL isAdmin = FALSE;
    std::string driverDir;
    std::string driverName;
    DWORD driverVersion = 0;
    std::string langMonitorDll;
    std::string langMonitorName;
    std::string shortcutName;
    std::string iniPath;
    WPARAM sdkReplyWParam = 0;
    DWORD sdkReplyFlags = 1;
    UINT_PTR timerId = 0;
    DWORD LastError = 0;
    BOOL sdkReplied = FALSE;
    BOOL awaitSdkReply = FALSE;
    BOOL awaitInstallerReply = FALSE;
    BOOL awaitVtrStop = FALSE;
    int vtrDeleteRetries = 0;
    int vtrWaitTicks = 0;
    int sdkWaitTicks = 0;
    std::string vtrServiceFile;
    std::string sdkInstaller;
    std::string sdkIniFile;
    std::string copyExecDir;
    std::string htmlDir;
    std::string copyExecFile;
    BOOL osNotSupported = FALSE;
    BOOL awaitXimpStop = FALSE;
    int ximpRetries = 0;
    int ximpWaitTicks = 0;
    BOOL deleteXimpCommonLater = FALSE;
    std::string ximpServiceName;
    std::string ximpServiceFile;

    // Records a failure: the last one set is the one reported.
    void SetResult(LONG code1, LONG code2)
    {
        ErrorCode1 = code1;
        ErrorCode2 = code2;
    }

protected:
    // The process command line without the program name. Tests give their own.
    virtual std::string CommandLineText() const;

private:
    BOOL AnyWaitPending() const
    {
        return awaitSdkReply || awaitInstallerReply || awaitVtrStop || awaitXimpStop;
    }
    void ClearWaits()
    {
        awaitSdkReply = awaitInstallerReply = awaitVtrStop = awaitXimpStop = FALSE;
    }
    BOOL MaintenanceRun();
    void ReadCopyExec(class CSetupIni& ini);
    void CopyAndRunProgram();
    void OnInstallerReply(LPARAM flags);
    void OnSdkReply(WPARAM wParam, LPARAM flags);
    void TickSdkWait();
    void TickVtrWait();
    void TickXimpWait();
    void WriteInstallFlags(class Registry& vtrCommon, BOOL replaced);
    void WriteResultKey();
    void PostCompletion(BOOL replaced);
};

// Clears a file's read-only attribute (keeping the others) and deletes it.
// FALSE when the file is missing or any step fails.
BOOL DeleteServiceFile(const std::string& path);
