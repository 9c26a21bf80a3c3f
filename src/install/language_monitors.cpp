// Registration of the product's language monitor with the print spooler.
#include "main_frame.h"

// Not built yet: the language monitor registration. Does nothing and reports
// success.
BOOL CMainFrame::InstallLanguageMonitors()
{
    return TRUE;
}
