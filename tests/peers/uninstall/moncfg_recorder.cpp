// Stands in for MONCFG as the uninstall runs start it (" /U", " /M", " /C"):
// records each start as one line of "<own base name>.log" and ends.
#include "peer_record.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    RecordStart();
    return 0;
}
