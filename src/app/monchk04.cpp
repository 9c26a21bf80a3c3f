// MONCHK04: prepares and removes the run-time environment of the VTR3 printer
// monitor. One operation per run, chosen by the command line.
#include "monchk_app.h"

CMonchkxxApp theApp;

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int)
{
    return RunApplication(instance);
}
