// Stands in for the VTR monitor's service program: records each start in
// "<own base name>.log". Started with " /R" it ends at once, so that its file
// can be deleted; built with FAKE_SERVICE_STUCK it keeps running instead,
// holding its own file open so that it cannot be deleted, until the tests set
// the event kStopFakeServicesEvent (or a minute has passed).
#include "peer_record.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    RecordStart();
#ifdef FAKE_SERVICE_STUCK
    ReadyForInput();
    HANDLE self = CreateFileA(PeerPath().c_str(), GENERIC_READ, FILE_SHARE_READ, NULL,
                              OPEN_EXISTING, 0, NULL);
    HANDLE stop = CreateEventA(NULL, TRUE, FALSE, kStopFakeServicesEvent);
    WaitForSingleObject(stop, kLongestLife);
    CloseHandle(stop);
    CloseHandle(self);
#endif
    return 0;
}
