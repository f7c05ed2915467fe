// "description|pattern" filters as the common file dialogs read them.
#include "ui/DialogFilter.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using namespace std::string_literals;

struct FilterCase {
    const char* name;
    std::string filter;
    std::string expected;
};

class FilterConversion : public testing::TestWithParam<FilterCase> {};

TEST_P(FilterConversion, GivesNulSeparatedPartsClosedByTwoNuls)
{
    EXPECT_EQ(ui::FilterToDoubleNul(GetParam().filter), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Filters, FilterConversion,
    testing::Values(
        FilterCase{"OnePair", "Profiles (*.apf)|*.apf", "Profiles (*.apf)\0*.apf\0\0"s},
        FilterCase{"TwoPairs", "AVI Files (*.avi)|*.avi|All Files (*.*)|*.*",
                   "AVI Files (*.avi)\0*.avi\0All Files (*.*)\0*.*\0\0"s},
        FilterCase{"PatternListKeepsItsSemicolons", "All(*.avi;*.mpg;)|*.avi;*.mpg;",
                   "All(*.avi;*.mpg;)\0*.avi;*.mpg;\0\0"s},
        FilterCase{"EmptyIsNoFilter", "", ""s}),
    [](const testing::TestParamInfo<FilterCase>& param) { return std::string(param.param.name); });

TEST(FilterConversion, MainWindowFilterHasTenEntriesInOrder)
{
    const std::string filter =
        "All Support Files(*.avi;*.mpg;*.mpeg;*.mp4;*.wmv;*.mov;*.vob;*.asf;)|*.avi;*.mpg;*.mpeg;*.mp4;*.wmv;*.mov;"
        "*.vob;*.asf;|AVI Files (*.avi)|*.avi|MPG Files (*.mpg)|*.mpg|MPEG Files (*.mpeg)|*.mpeg|MP4 Files (*.mp4)|"
        "*.mp4|WMV Files (*.wmv)|*.wmv|MOV Files (*.mov)|*.mov|VOB Files (*.vob)|*.vob|ASF Files (*.asf)|*.asf|"
        "All Files (*.*)|*.*";
    const auto pairs = ui::SplitFilter(filter);
    ASSERT_EQ(pairs.size(), 10u);
    EXPECT_EQ(pairs[0].second, "*.avi;*.mpg;*.mpeg;*.mp4;*.wmv;*.mov;*.vob;*.asf;");
    EXPECT_EQ(pairs[3].first, "MPEG Files (*.mpeg)");
    EXPECT_EQ(pairs[9], (std::pair<std::string, std::string>{"All Files (*.*)", "*.*"}));

    // Walking the converted form the way the dialog does finds the same parts.
    const std::string converted = ui::FilterToDoubleNul(filter);
    std::vector<std::string> parts;
    for (const char* p = converted.c_str(); *p; p += std::char_traits<char>::length(p) + 1)
        parts.emplace_back(p);
    ASSERT_EQ(parts.size(), 20u);
    EXPECT_EQ(parts[18], "All Files (*.*)");
    EXPECT_EQ(parts[19], "*.*");
}

TEST(FilterConversion, TrailingDescriptionWithoutPatternGetsAnEmptyOne)
{
    const auto pairs = ui::SplitFilter("Text|*.txt|Orphan");
    ASSERT_EQ(pairs.size(), 2u);
    EXPECT_EQ(pairs[1].first, "Orphan");
    EXPECT_EQ(pairs[1].second, "");
}

} // namespace
