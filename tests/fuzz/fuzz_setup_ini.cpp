// Any bytes as a setup INI file: the first byte picks how the file is read
// (section, lookups or walk, and code page: single-byte or 932), the rest is
// the file. Lookups and walks must stay inside the text; in 932 a section's
// text never ends inside a two-byte character.
#include "setup_ini.h"

#include <cstdint>
#include <cstdlib>

namespace {

class Ini : public CSetupIni {
public:
    using CSetupIni::CSetupIni;
    using CSetupIni::OpenText;
};

// The section ends at its first '[' that starts a character (any '[' when
// every byte is a character), so no '[' starts a character of a key or field.
void CheckSectionEnd(const std::string& text, LeadByteTest leadByte)
{
    if (FindChar(text, '[', 0, leadByte) != std::string::npos)
        std::abort();
}

const char* const kSections[] = {"Install", "", "Language", "S"};
const char* const kKeys[] = {"DRVNAME", "LANGUAGEMON1", "", "K", "A"};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0)
        return 0;
    const uint8_t mode = data[0];
    std::string text(reinterpret_cast<const char*>(data + 1), size - 1);

    const bool japanese = (mode & 0x40) != 0;
    const LeadByteTest leadByte = japanese ? LeadByte932 : NoLeadBytes;
    Ini ini(leadByte);
    if (!ini.OpenText(text, kSections[mode % 4]))
        return 0;
    if (mode & 0x80) {
        for (const char* key : kKeys) {
            if (ini.FindKey(key)) {
                for (const std::string& field : ini.fields) {
                    if (field.size() > text.size())
                        std::abort();
                    CheckSectionEnd(field, leadByte);
                }
                CSetupIni::Unquote(ini.fields[0]);
            }
        }
        return 0;
    }
    std::string key;
    size_t entries = 0;
    while (ini.NextEntry(key)) {
        // Every entry consumes at least its "=": the walk must end.
        if (++entries > text.size())
            std::abort();
        CheckSectionEnd(key, leadByte);
        for (const std::string& field : ini.fields)
            CheckSectionEnd(field, leadByte);
    }
    return 0;
}
