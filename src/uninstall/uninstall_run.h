// The uninstall runs, by printer (/R:) and by printer driver (/R2:), and
// their removal steps. Each step works on the run's state and records its
// failures in the run's result.
#pragma once

#include "run_state.h"

#include <windows.h>

#include <string>

class UninstallRun {
public:
    explicit UninstallRun(RunState& run);

    BOOL UnInstall();
    BOOL UnInstall2();

    // The ZQAPI SDK's uninstaller, awaited through its reply message.
    BOOL UninstallZQAPI();
    // Links that older setups left in the Startup folder ("MONLNK??.LNK").
    BOOL DeleteShortcutLinks();

private:
    const CCmdLine& cmdLine;
    const RunEnvironment& environment;
    InstallSettings& settings;
    Waits& waits;
    RunResult& result;
};
