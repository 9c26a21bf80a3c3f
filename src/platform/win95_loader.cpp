// Linked as an object into each shipped i686 binary, so that Windows 95 loads
// and runs it: it takes the place of two pieces of the MinGW runtime.
#include <windows.h>

#if defined(__MINGW32__) && defined(__i386__)

// No TLS directory. Windows 95 refuses to LoadLibrary a DLL with static TLS,
// and the runtime's TLS support (which writes the directory) is linked only
// to provide these: the start-up code calls the callback only when it is not
// NULL and merely sets the three flags. Nothing here uses __thread variables
// (GCC emulates them on top of TlsAlloc); what would need the runtime's TLS
// support for itself fails to link against these definitions, and the static
// checks look for the directory in every build. Without that support no
// destructor of a thread key runs when a thread ends: the C++ runtime keeps a
// few bytes of exception state per thread that ever threw.
extern "C" {
extern const PIMAGE_TLS_CALLBACK __dyn_tls_init_callback;
const PIMAGE_TLS_CALLBACK __dyn_tls_init_callback = NULL;
int __mingw_initltsdrot_force = 0;
int __mingw_initltsdyn_force = 0;
int __mingw_initltssuo_force = 0;
}

namespace {

// The C++ runtime's mutexes (locks of function-local statics, of the
// exception-frame registry, of std::mutex) wait on a semaphore that they
// create with CreateSemaphoreW, which Windows 95/98 export only as a stub
// that fails: the first contended lock would then end the process. They all
// create unnamed semaphores, which the ANSI function makes the same way.
HANDLE WINAPI CreateUnnamedSemaphore(LPSECURITY_ATTRIBUTES security, LONG initialCount,
                                     LONG maximumCount, LPCWSTR name)
{
    if (name != NULL) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return NULL;
    }
    return CreateSemaphoreA(security, initialCount, maximumCount, NULL);
}

}  // namespace

// The import pointer the runtime calls through: defined here, it keeps
// CreateSemaphoreW out of the import table.
extern "C" decltype(&CreateSemaphoreW) createSemaphoreWImport __asm__("__imp__CreateSemaphoreW@16");
decltype(&CreateSemaphoreW) createSemaphoreWImport = CreateUnnamedSemaphore;

#endif
