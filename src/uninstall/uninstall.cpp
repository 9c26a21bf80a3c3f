// The uninstall runs, by printer and by printer driver.
#include "uninstall_run.h"

UninstallRun::UninstallRun(RunState& run)
    : cmdLine(run.cmdLine),
      environment(run.environment),
      settings(run.settings),
      waits(run.waits),
      result(run.result)
{
}

// Not built yet: the uninstall by printer. Does nothing and reports success.
BOOL UninstallRun::UnInstall()
{
    return TRUE;
}

// Not built yet: the uninstall by printer driver. Does nothing and reports
// success.
BOOL UninstallRun::UnInstall2()
{
    return TRUE;
}
