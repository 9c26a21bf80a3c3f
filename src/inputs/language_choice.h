// Which entry of a [Language] list serves the user's language: the setup
// INI and a model's profile both list one entry per language as
// name=primary,sub. Each caller reads its entries its own way and decides
// what no fit means. Portable: no Win32 needed.
#pragma once

#include <cstddef>
#include <cstdint>

// How the chosen entry fits the user's language, worst first.
enum class LanguageMatch { kNone, kEnglish, kPrimary, kExact };

struct LanguageCandidate {
    size_t entry;  // the caller's mark for the entry, handed back
    uint16_t primary;
    uint16_t sub;
};

struct LanguageChoice {
    size_t entry;  // of the chosen candidate; 0 when none fits
    LanguageMatch match;
};

// For `langId` (primary language in the low 10 bits, sublanguage above):
// the first candidate of the exact language, else the first of its primary
// language, else the first English one. Candidates come in file order.
LanguageChoice ChooseLanguage(const LanguageCandidate* candidates, size_t count, uint16_t langId);
