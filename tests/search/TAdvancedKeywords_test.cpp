// SPDX-License-Identifier: GPL-3.0-or-later
#include "search/TAdvancedKeywords.h"

#include <gtest/gtest.h>

#include "search/TSearch.h"

namespace {

struct TComposeCase {
    const char* name;
    TAdvancedKeywords typed;
    std::string line;
};

// The fields as typed (trimmed first, as the dialog does) and the line they give.
const TComposeCase ComposeCases[] = {
    {"EveryKind",
     {"bike red", "mountain bike", "trek", "giant", "", "kids used"},
     "bike red \"mountain bike\" (trek | giant) -kids -used"},
    {"NothingTyped", {}, ""},
    {"OnlyBlanksAndControls", {" ", "\t", "  ", "\r\n", " \x7F", "   "}, ""},
    {"AllTheseWordsPassUnchanged", {"bike  red", "", "", "", "", ""}, "bike  red"},
    {"OnlyThePhrase", {"", "mountain bike", "", "", "", ""}, "\"mountain bike\""},
    {"OneAlternativeHasNoParentheses", {"", "", "", "", "trek", ""}, "trek"},
    {"TwoAlternativesKeepTheirOrder", {"", "", "trek", "", "giant", ""}, "(trek | giant)"},
    {"ThreeAlternatives", {"bike", "", "trek", "giant", "cannondale", ""}, "bike (trek | giant | cannondale)"},
    {"OnlyUnwantedWordsStartWithTheDash", {"", "", "", "", "", "kids used"}, "-kids -used"},
    {"EverySpaceBetweenUnwantedWordsGetsADash", {"", "", "", "", "", "  kids  used  "}, "-kids - -used"},
    {"AnUnwantedWordWithADashGetsASecondOne", {"bike", "", "", "", "", "-used"}, "bike --used"},
    {"TypedQuotesBarsAndDashesPassAsTyped",
     {"a|b -c", "say \"hi\"", "x | y", "-z", "", ""},
     "a|b -c \"say \"hi\"\" (x | y | -z)"},
    {"FieldsAreTrimmedOfBlanksAndControls",
     {"\t bike \r\n", " mountain bike ", " trek", "giant\t", "", " kids "},
     "bike \"mountain bike\" (trek | giant) -kids"},
    {"TextBeyondAsciiIsKept", {"café  ", " crème brûlée", "", "", "", "naïve"}, "café \"crème brûlée\" -naïve"},
};

class TComposeTest : public testing::TestWithParam<TComposeCase> {};

TEST_P(TComposeTest, ComposesTheKeywordLine) {
    EXPECT_EQ(GetParam().typed.Trimmed().Compose(), GetParam().line);
}

INSTANTIATE_TEST_SUITE_P(Fields, TComposeTest, testing::ValuesIn(ComposeCases),
                         [](const testing::TestParamInfo<TComposeCase>& info) { return info.param.name; });

TEST(TAdvancedKeywordsTest, TrimmingKeepsInnerBlanks) {
    const TAdvancedKeywords trimmed = TAdvancedKeywords{" a  b ", "\tc\td\t", "", "e", " ", "\x01 f g\x1F"}.Trimmed();
    EXPECT_EQ(trimmed, (TAdvancedKeywords{"a  b", "c\td", "", "e", "", "f g"}));
}

TEST(TAdvancedKeywordsTest, AppendersSeparateOnlyAfterText) {
    std::string text;
    AppendWithSpace(text, "a");
    AppendWithSpace(text, "b");
    EXPECT_EQ(text, "a b");
    std::string group;
    AppendWithBar(group, "a");
    AppendWithBar(group, "b");
    EXPECT_EQ(group, "a | b");
}

TEST(TAdvancedKeywordsTest, TheSearchKeepsTheSixFields) {
    TSearch search;
    const TAdvancedKeywords fields{"bike red", "mountain bike", "trek", "giant", "cannondale", "kids used"};
    fields.StoreInto(search);
    EXPECT_EQ(search.AdvAllThese, "bike red");
    EXPECT_EQ(search.AdvExact, "mountain bike");
    EXPECT_EQ(search.AdvOr1, "trek");
    EXPECT_EQ(search.AdvOr2, "giant");
    EXPECT_EQ(search.AdvOr3, "cannondale");
    EXPECT_EQ(search.AdvNoneOfThese, "kids used");
    EXPECT_EQ(TAdvancedKeywords::Of(search), fields);
}

} // namespace
