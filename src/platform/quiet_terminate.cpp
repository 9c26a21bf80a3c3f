// An uncaught exception ends the program at once. The standard library's
// default handler would first print the exception's type to stderr, which a
// windowed program and an Explorer extension do not have, and it brings the
// symbol demangler into the binary.
#include <cstdlib>

namespace __gnu_cxx {

void __verbose_terminate_handler()
{
    std::abort();
}

}  // namespace __gnu_cxx
