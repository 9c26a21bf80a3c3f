#include "language_choice.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

constexpr uint16_t kGerman = 0x0407;  // primary 7, sublanguage 1
constexpr uint16_t kEnglishUK = 0x0809;

// Candidates marked 10, 11, ... in the order given.
std::vector<LanguageCandidate> Entries(std::initializer_list<std::pair<uint16_t, uint16_t>> ids)
{
    std::vector<LanguageCandidate> candidates;
    for (const auto& id : ids)
        candidates.push_back({10 + candidates.size(), id.first, id.second});
    return candidates;
}

}  // namespace

TEST(LanguageChoice, ExactThenPrimaryThenEnglishTheFirstOfEachKind)
{
    const struct {
        const char* why;
        uint16_t langId;
        std::vector<LanguageCandidate> candidates;
        size_t entry;
        LanguageMatch match;
    } cases[] = {
        {"exact, ahead of an earlier one of the same primary", kGerman,
         Entries({{9, 1}, {7, 3}, {7, 1}, {7, 1}}), 12, LanguageMatch::kExact},
        {"the sublanguage sits above the low 10 bits", 0x0C07, Entries({{7, 1}, {7, 3}}), 11,
         LanguageMatch::kExact},
        {"first of the same primary, ahead of an earlier English one", kGerman,
         Entries({{9, 1}, {7, 3}, {7, 2}}), 11, LanguageMatch::kPrimary},
        {"an English user's other English entry is of the same primary", kEnglishUK,
         Entries({{7, 1}, {9, 1}}), 11, LanguageMatch::kPrimary},
        {"first English", kGerman, Entries({{0x13, 1}, {9, 2}, {9, 1}}), 11,
         LanguageMatch::kEnglish},
        {"no fit", kGerman, Entries({{0x13, 1}, {0x0C, 1}}), 0, LanguageMatch::kNone},
        {"no entries", kGerman, {}, 0, LanguageMatch::kNone},
    };
    for (const auto& c : cases) {
        const LanguageChoice choice =
            ChooseLanguage(c.candidates.data(), c.candidates.size(), c.langId);
        EXPECT_EQ(c.entry, choice.entry) << c.why;
        EXPECT_EQ(c.match, choice.match) << c.why;
    }
}
