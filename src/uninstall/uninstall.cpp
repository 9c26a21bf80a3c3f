// The uninstall runs, by printer and by printer driver.
#include "main_frame.h"

// Not built yet: the uninstall by printer. Does nothing and reports success.
BOOL CMainFrame::UnInstall()
{
    return TRUE;
}

// Not built yet: the uninstall by printer driver. Does nothing and reports
// success.
BOOL CMainFrame::UnInstall2()
{
    return TRUE;
}
