// Stands in for MONCFG as the uninstall runs start it (" /U", " /M", " /C"):
// records each start as one line of "<own base name>.log", and its current
// directory in "<own base name>.cwd", and ends.
#include "peer_record.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    RecordDirectory();
    RecordStart();
    return 0;
}
