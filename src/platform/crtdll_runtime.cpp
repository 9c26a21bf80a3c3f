// Linked as an object into each shipped i686 binary, which uses CRTDLL.DLL
// (linked in place of msvcrt.dll): what the standard library refers to and CRTDLL.DLL
// does not export.
#include <io.h>

#include <cerrno>

#if defined(__MINGW32__) && defined(__i386__)

extern "C" {

// The POSIX names of std::random_device, which msvcrt.dll's import library
// maps to the underscored functions and CRTDLL.DLL's does not.
int read(int file, void* buffer, unsigned int count)
{
    return _read(file, buffer, count);
}

int close(int file)
{
    return _close(file);
}

}  // extern "C"

namespace {

// std::random_device's source, not in CRTDLL.DLL; nothing here constructs a
// random_device (it is linked with the string code).
int __cdecl NoRandomSource(unsigned int*)
{
    return EINVAL;
}

}  // namespace

// The import pointer the standard library calls through.
extern "C" decltype(&NoRandomSource) randSImport __asm__("__imp__rand_s");
decltype(&NoRandomSource) randSImport = NoRandomSource;

#endif
