// Any bytes as a setup INI file: the first byte picks how the file is read,
// the rest is the file. Lookups and walks must stay inside the text.
#include "setup_ini.h"

#include <cstdint>
#include <cstdlib>

namespace {

class Ini : public CSetupIni {
public:
    using CSetupIni::OpenText;
};

const char* const kSections[] = {"Install", "", "Language", "S"};
const char* const kKeys[] = {"DRVNAME", "LANGUAGEMON1", "", "K", "A"};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0)
        return 0;
    const uint8_t mode = data[0];
    std::string text(reinterpret_cast<const char*>(data + 1), size - 1);

    Ini ini;
    if (!ini.OpenText(text, kSections[mode % 4]))
        return 0;
    if (mode & 0x80) {
        for (const char* key : kKeys) {
            if (ini.FindKey(key)) {
                for (const std::string& field : ini.fields)
                    if (field.size() > text.size())
                        std::abort();
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
    }
    return 0;
}
