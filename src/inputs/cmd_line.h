// The option record of a MONCHK04 run and its parser.
//
// Switches (letters in any case): /F:file  /I:file  /NP  /R:printer
// /R2:driver  /T  /W32:hwnd. A parameter file named by /F: is read as more
// options, deleted, and may itself name another parameter file.
//
// The switch characters (blank, slash, quote, colon, digits) are never the
// second byte of a double-byte character, so they are found byte by byte; the
// token limit falls between characters of the parser's code page.
#pragma once

#include "char_text.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

class CCmdLine {
public:
    explicit CCmdLine(LeadByteTest leadByte = NoLeadBytes) : leadByte(leadByte) {}
    virtual ~CCmdLine() = default;

    // Parses the process command line (without the program name), then every
    // parameter file it leads to. Returns 1.
    int Parse(const std::string& commandLine);

    // Applies every switch found in `text` to the fields. Fields the text does
    // not mention keep their values. The text ends at its first NUL. Returns 1.
    int ParseText(std::string_view text);

    // Value readers: each reads from `start` in `text` and returns the number
    // of characters it consumed.
    static size_t ReadToken(std::string_view text, size_t start, std::string& target,
                            LeadByteTest leadByte = NoLeadBytes);
    static size_t ReadCounted(std::string_view text, size_t start, uint32_t count,
                              std::string& target);
    static size_t ReadNumber(std::string_view text, size_t start, uint32_t& target);

    uint32_t callerWindow = 0;   // window handle to notify, 0 = none
    int uninstallMode = 0;       // 1 = by printer (/R:), 2 = by driver (/R2:)
    std::string uninstallArg;    // printer name of /R:
    std::string uninstallArg2;   // driver name of /R2:
    bool install = false;        // /I: given
    std::string installArg;      // setup INI file of /I:
    bool npFlag = false;         // /NP
    bool tFlag = false;          // /T
    std::string paramFile;       // parameter file being processed (/F:)

    static constexpr size_t kMaxTokenLength = 260;
    static constexpr size_t kMaxNumberDigits = 16;

private:
    LeadByteTest leadByte;

    // Reads the value of /R: or /R2:. Returns false when only blanks follow.
    bool ReadUninstallValue(std::string_view text, size_t& pos, std::string& target);
};
