// The install run (/I:) and its steps, and the maintenance run's monitor
// registration. Each step works on the run's state and records its failures
// in the run's result; the install sequence stops at the first step that
// returns FALSE.
#pragma once

#include "ansi_text.h"
#include "key_repair.h"
#include "registry.h"
#include "run_state.h"

#include <windows.h>
#include <winspool.h>

#include <string>

class InstallRun : private RunSteps {
public:
    explicit InstallRun(RunState& run) : RunSteps(run), repair(environment) {}

    // The install sequence.
    BOOL Install();
    void PrepareProductKeys();
    BOOL CreateDirectoryPath(const std::string& path, LPSECURITY_ATTRIBUTES security);

    // Installation settings and paths.
    BOOL LoadInstallSettings();
    BOOL SelectLanguage();
    BOOL GetDriverDirectory();
    std::string GetCommonFilesDir();
    std::string ResolveDirectoryKeyword(const std::string& expression);
    static WORD ParseHexWord(const char* text);

    // Monitor and driver registration.
    BOOL InstallLanguageMonitors();
    BOOL EnableBidi(PRINTER_INFO_2A* printer);
    BOOL RegisterLanguageMonitor(std::string printerName);
    BOOL RegisterMonitorWin9x(std::string printerName);
    BOOL RegisterMonitorNT(std::string printerName);
    BOOL CopyDriverFiles(DRIVER_INFO_3A* info);
    BOOL CopyDriverFile(LPCSTR filePath, LPCSTR driverDirectory, DWORD version);

    // Registry entries from the setup INI: up to 16 slots (REG0 to REG15),
    // each a key that REGPATH opens and REGENTER writes into.
    static const int kSlotCount = 16;
    struct RegistrySlots {
        HKEY roots[kSlotCount] = {};
        Registry keys[kSlotCount];
    };
    BOOL WriteRegistryEntries();
    static HKEY ParseRootKey(std::string& path);

    // Parallel-port settings.
    BOOL WritePortSettings();
    std::string GetDriverKeyPath();

    // The Startup shortcut (the links themselves: StartupLinks).
    BOOL CreateShortcuts();

    // The ZQAPI SDK installer.
    BOOL InstallZQAPI();

private:
    void ReadCopyExec(class CSetupIni& ini);
    BOOL OpenSlotKey(RegistrySlots& slots, int n, const std::string& pathField);
    BOOL WriteSlotValue(RegistrySlots& slots, int n, const CSetupIni& ini);
    BOOL WriteModelRecord();
    BOOL WriteSelectedSetting(Registry& key, const CSetupIni& ini);
    BOOL WriteTableSetting(Registry& key, const std::string& name, const CSetupIni& ini);
    void CopyAndRunProgram();
    BOOL RegisterDriverPrinters(PRINTER_INFO_2A* printers, DWORD count, const std::string& driver);
    BOOL RegisterMonitorsOfModels(PRINTER_INFO_2A* printers, DWORD count);
    DRIVER_INFO_3A* ReadPrinterDriver(const std::string& printerName, bool fullAccess,
                                      class HeapBuffer& buffer);
    BOOL AttachMonitor(DRIVER_INFO_3A* record);

    KeyRepair repair;
};
