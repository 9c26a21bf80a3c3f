#include "resource_library.h"

#include "bounded_copy.h"
#include "files.h"
#include "handles.h"
#include "language_choice.h"
#include "product_keys.h"
#include "setup_values.h"
#include "text_format.h"
#include "trusted_names.h"

#include <cstdio>
#include <cstring>
#include <memory>
#include <new>
#include <string>

namespace {

constexpr char kLanguageSection[] = "Language";
constexpr char kShellResKey[] = "SHELLRES";
constexpr LANGID kEnglishUnitedStates = 0x0409;
constexpr unsigned kSectionBlockSize = 260;

// One "name=primary,sub[,...]" line of the [Language] section.
struct LanguageEntry {
    const char* name = NULL;
    size_t nameLength = 0;
    WORD primary = 0;
    WORD sub = 0;
};

// Hexadecimal digits of [begin, end), read as the setup INI's language ids
// are: other characters skipped, 16 bits kept.
WORD ParseHex(const char* begin, const char* end)
{
    return ParseHexWordText(std::string(begin, end).c_str());
}

const char* FindOrEnd(const char* begin, const char* end, char wanted)
{
    const char* found = static_cast<const char*>(std::memchr(begin, wanted, end - begin));
    return found != NULL ? found : end;
}

LanguageEntry ParseEntry(const char* entry)
{
    LanguageEntry parsed;
    const char* end = entry + std::strlen(entry);
    const char* equals = FindOrEnd(entry, end, '=');
    parsed.name = entry;
    parsed.nameLength = equals - entry;
    if (equals == end)
        return parsed;
    const char* value = equals + 1;
    const char* firstComma = FindOrEnd(value, end, ',');
    parsed.primary = ParseHex(value, firstComma);
    if (firstComma == end)
        return parsed;
    const char* rest = firstComma + 1;
    parsed.sub = ParseHex(rest, FindOrEnd(rest, end, ','));
    return parsed;
}

// The zero-separated entries of [begin, end): the first one, and the one
// after `entry`; NULL after the last.
const char* FirstEntry(const char* begin, const char* end)
{
    return begin < end && *begin != '\0' ? begin : NULL;
}

const char* NextEntry(const char* entry, const char* end)
{
    return FirstEntry(entry + std::strlen(entry) + 1, end);
}

// The entry that best fits `langId`, else the first one (none when there
// are no entries). FALSE without memory for the candidates.
BOOL ChooseEntry(const char* entries, size_t length, LANGID langId, LanguageEntry& chosen)
{
    const char* end = entries + length;
    size_t count = 0;
    for (const char* p = FirstEntry(entries, end); p != NULL; p = NextEntry(p, end))
        ++count;
    std::unique_ptr<LanguageCandidate[]> candidates(new (std::nothrow) LanguageCandidate[count]);
    if (candidates == nullptr)
        return FALSE;
    size_t n = 0;
    for (const char* p = FirstEntry(entries, end); p != NULL; p = NextEntry(p, end), ++n) {
        const LanguageEntry entry = ParseEntry(p);
        candidates[n] = {static_cast<size_t>(p - entries), entry.primary, entry.sub};
    }
    // Each candidate is marked with its entry's offset; the first is at 0.
    const LanguageChoice choice = ChooseLanguage(candidates.get(), count, langId);
    if (count > 0)
        chosen = ParseEntry(entries + choice.entry);
    return TRUE;
}

// The model's installation folder and profile file path.
int ReadModelFiles(const PrinterModel& model, char* installPath, char* profileFile)
{
    Registry driverKey = model.OpenDriverKey();
    if (!driverKey.isOpen)
        return kResourceNotFound;
    char modelId[kNameSize];
    driverKey.ReadString(kInstallPathValue, installPath, kNameSize);
    driverKey.ReadString(kModelIdValue, modelId, sizeof modelId);
    if (installPath[0] == '\0' || modelId[0] == '\0')
        return kResourceNotFound;
    OpenProductKey(kProfileKey).ReadString(modelId, profileFile, kNameSize);
    return profileFile[0] == '\0' ? kResourceNotFound : 0;
}

// The library named for `langId`, as "InstallPath\name", into `candidate`
// (kNameSize bytes) and its bare name into `libraryName`.
int BuildLibraryPath(const char* installPath, const char* profileFile, LANGID langId,
                     char* libraryName, char* candidate)
{
    char section[kNameSize];
    unsigned sectionSize = sizeof section;
    if (GetLanguageSection(section, &sectionSize, profileFile, langId) < 0)
        return kResourceNotFound;
    DWORD length = GetPrivateProfileStringA(section, kShellResKey, "", libraryName, kNameSize,
                                            profileFile);
    if (length >= kNameSize - 1)
        return kResourceNotFound;
    if (libraryName[0] != '\0' && !IsBareFileName(libraryName))
        return kResourceNameRefused;
    if (std::strlen(libraryName) + std::strlen(installPath) + 1 >= kNameSize)
        return kResourceNotFound;
    FormatText(candidate, kNameSize, "%s\\%s", installPath, libraryName);
    return 0;
}

}  // namespace

int ResolveResourceLibrary(const PrinterModel& model, char* path, unsigned pathSize)
{
    return ResolveResourceLibraryFor(model, GetUserDefaultLangID(), path, pathSize);
}

int ResolveResourceLibraryFor(const PrinterModel& model, LANGID langId, char* path,
                              unsigned pathSize)
{
    if (path != NULL && pathSize > 0)
        path[0] = '\0';
    char installPath[kNameSize];
    char profileFile[kNameSize];
    if (ReadModelFiles(model, installPath, profileFile) != 0)
        return kResourceNotFound;
    char libraryName[kNameSize];
    char candidate[kNameSize];
    int built = BuildLibraryPath(installPath, profileFile, langId, libraryName, candidate);
    if (built == 0 && !FileExists(candidate))
        built = BuildLibraryPath(installPath, profileFile, kEnglishUnitedStates, libraryName,
                                 candidate);
    if (built == kResourceNameRefused) {
        if (path != NULL)
            CopyIfFits(path, pathSize, libraryName);
        return kResourceNameRefused;
    }
    if (built != 0)
        return kResourceNotFound;
    if (libraryName[0] == '\0')
        return kResourceNoLibrary;
    if (path == NULL || !CopyIfFits(path, pathSize, candidate))
        return kBufferTooSmall;
    return 0;
}

int GetLanguageSection(char* section, unsigned* sectionSize, const char* profileFile,
                       LANGID langId)
{
    for (unsigned blocks = 1;; ++blocks) {
        const DWORD size = kSectionBlockSize * blocks;
        LockedGlobal buffer(GMEM_MOVEABLE | GMEM_ZEROINIT, size);
        char* entries = static_cast<char*>(buffer.get());
        if (entries == NULL)
            return kLanguageOutOfMemory;
        DWORD length = GetPrivateProfileSectionA(kLanguageSection, entries, size, profileFile);
        if (length == 0)
            return -1;
        if (length == size - 2)
            continue;
        LanguageEntry chosen;
        if (!ChooseEntry(entries, length, langId, chosen))
            return kLanguageOutOfMemory;
        if (chosen.nameLength >= *sectionSize) {
            *sectionSize = static_cast<unsigned>(chosen.nameLength + 1);
            return kBufferTooSmall;
        }
        std::memcpy(section, chosen.name, chosen.nameLength);
        section[chosen.nameLength] = '\0';
        return 0;
    }
}
