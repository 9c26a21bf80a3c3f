// Linked as an object into each shipped i686 binary, which uses CRTDLL.DLL
// (linked in place of msvcrt.dll): what the start-up code refers to and
// CRTDLL.DLL's import library does not provide as a function.
#include <stdlib.h>

#if defined(__MINGW32__) && defined(__i386__)

// The import pointer of CRTDLL.DLL's _onexit, which its import library
// exports as data only.
extern "C" _onexit_t(__cdecl* const crtdllOnexit)(_onexit_t) __asm__("__imp___onexit");

// The start-up code's atexit calls _onexit. Without a function of this name
// the linker reaches the data export through a pseudo-relocation, which
// patches the program's own code when it starts.
extern "C" _onexit_t __cdecl _onexit(_onexit_t function)
{
    return crtdllOnexit(function);
}

#endif
