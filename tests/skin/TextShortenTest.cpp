// Shortening captions by whole characters: a cut never splits a surrogate
// pair or strips an accent from its letter, keeps at least one character,
// and the result with its dots fits.
#include "skin/TextShorten.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace korvane;

namespace {

// Every code unit 10 pixels wide.
int Units(std::u16string_view s)
{
    return static_cast<int>(s.size()) * 10;
}

} // namespace

TEST(TextShorten, CutsOnlyBetweenWholeCharactersAndFits)
{
    // "Видео" with a combining accent, a Japanese word, and a character
    // outside the basic plane (a surrogate pair).
    const std::u16string text = u"Вид\u0435\u0301о 動画 \U0001F3AC клип";
    const std::vector<std::size_t> ends = CharacterEnds(std::u16string_view(text));
    for (int width = 0; width <= Units(text) + 10; width += 5) {
        const std::u16string shortened = ShortenByCharacters(std::u16string_view(text), width, Units);
        if (width >= Units(text)) {
            EXPECT_EQ(shortened, text);
            continue;
        }
        ASSERT_GE(shortened.size(), 4u) << width;
        ASSERT_EQ(shortened.substr(shortened.size() - 3), u"...");
        const std::size_t kept = shortened.size() - 3;
        EXPECT_NE(std::find(ends.begin(), ends.end(), kept), ends.end()) << "cut inside a character at " << width;
        EXPECT_EQ(text.compare(0, kept, shortened, 0, kept), 0);
        // It fits, or it is the single first character that must stay.
        if (kept > ends.front()) {
            EXPECT_LE(Units(shortened), width);
        }
    }
    // The accent and the pair are one character each.
    EXPECT_EQ(ends.size(), std::u16string_view(u"Видео 動画 X клип").size());
}

TEST(TextShorten, WideTextOfTheSystemIsTheSame)
{
    const std::u32string text = U"Папка 書類";
    auto measure = [](std::u32string_view s) { return static_cast<int>(s.size()) * 10; };
    EXPECT_EQ(ShortenByCharacters(std::u32string_view(text), 60, measure), U"Пап...");
    EXPECT_EQ(ShortenByCharacters(std::u32string_view(text), 0, measure), U"П...");
}
