// The install run and the registration of the language monitors.
#include "main_frame.h"

// Not built yet: the install sequence. Does nothing and reports success.
BOOL CMainFrame::Install()
{
    return TRUE;
}

// Not built yet: the language monitor registration. Does nothing and reports
// success.
BOOL CMainFrame::InstallLanguageMonitors()
{
    return TRUE;
}
