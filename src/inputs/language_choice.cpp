#include "language_choice.h"

namespace {

constexpr uint16_t kEnglishPrimary = 0x09;

LanguageMatch MatchOf(const LanguageCandidate& candidate, uint16_t primary, uint16_t sub)
{
    if (candidate.primary != primary)
        return candidate.primary == kEnglishPrimary ? LanguageMatch::kEnglish
                                                    : LanguageMatch::kNone;
    return candidate.sub == sub ? LanguageMatch::kExact : LanguageMatch::kPrimary;
}

}  // namespace

LanguageChoice ChooseLanguage(const LanguageCandidate* candidates, size_t count, uint16_t langId)
{
    const uint16_t primary = langId & 0x3FF;
    const uint16_t sub = langId >> 10;
    LanguageChoice choice = {0, LanguageMatch::kNone};
    for (size_t i = 0; i < count && choice.match != LanguageMatch::kExact; ++i) {
        // Only a better fit replaces the choice: the first of each kind wins.
        const LanguageMatch match = MatchOf(candidates[i], primary, sub);
        if (match > choice.match)
            choice = {candidates[i].entry, match};
    }
    return choice;
}
