// The install run: its steps in order.
#include "main_frame.h"

// Not built yet: the install sequence. Does nothing and reports success.
BOOL CMainFrame::Install()
{
    return TRUE;
}
