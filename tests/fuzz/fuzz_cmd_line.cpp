// Any bytes as a command line: the parse must stay inside its buffers and
// keep its values within their limits.
#include "cmd_line.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    CCmdLine cmd;
    std::string_view text(reinterpret_cast<const char*>(data), size);
    if (cmd.ParseText(text) != 1)
        std::abort();
    if (cmd.installArg.size() > CCmdLine::kMaxTokenLength ||
        cmd.paramFile.size() > CCmdLine::kMaxTokenLength ||
        cmd.uninstallArg.size() > size || cmd.uninstallArg2.size() > size)
        std::abort();
    if (cmd.uninstallMode < 0 || cmd.uninstallMode > 2)
        std::abort();
    return 0;
}
