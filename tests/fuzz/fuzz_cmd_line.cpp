// Any bytes as a command line: the parse must stay inside its buffers and
// keep its values within their limits. An odd first byte reads the rest in
// code page 932.
#include "cmd_line.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0)
        return 0;
    const LeadByteTest leadByte = (data[0] & 1) ? LeadByte932 : NoLeadBytes;
    CCmdLine cmd(leadByte);
    std::string_view text(reinterpret_cast<const char*>(data + 1), size - 1);
    if (cmd.ParseText(text) != 1)
        std::abort();
    if (cmd.installArg.size() > CCmdLine::kMaxTokenLength ||
        cmd.paramFile.size() > CCmdLine::kMaxTokenLength ||
        cmd.uninstallArg.size() > size || cmd.uninstallArg2.size() > size)
        std::abort();
    if (cmd.uninstallMode < 0 || cmd.uninstallMode > 2)
        std::abort();
    // A token read in 932 is the single-byte token, less at most the first
    // byte of a character the limit would cut.
    std::string bytes;
    std::string characters;
    CCmdLine::ReadToken(text, 0, bytes);
    CCmdLine::ReadToken(text, 0, characters, LeadByte932);
    if (bytes.compare(0, characters.size(), characters) != 0 ||
        bytes.size() > characters.size() + 1)
        std::abort();
    return 0;
}
