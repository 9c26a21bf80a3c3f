// Loads the DLL named on its command line and ends with it still loaded, as
// a process does that exits while the shell extension is in use.
#include <windows.h>


int main(int argc, char** argv)
{
    if (argc < 2)
        return 2;
    return LoadLibraryA(argv[1]) != NULL ? 0 : 1;
}
