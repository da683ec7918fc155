// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/TextHelpers.h"

#include <gtest/gtest.h>

namespace {

struct TokenCase {
    const char* text;
    int n;
    char delimiter;
    int start;
    const char* expected;
};

std::ostream& operator<<(std::ostream& out, const TokenCase& c) {
    return out << "'" << c.text << "' n=" << c.n << " d='" << c.delimiter << "' start=" << c.start;
}

class TokenFromLeftTest : public testing::TestWithParam<TokenCase> {};

TEST_P(TokenFromLeftTest, GivesTheNthToken) {
    const TokenCase& c = GetParam();
    EXPECT_EQ(TokenFromLeft(c.text, c.n, c.delimiter, c.start), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, TokenFromLeftTest,
    testing::Values(TokenCase{"Mar 5", 1, ' ', 1, "Mar"}, TokenCase{"Mar 5", 2, ' ', 1, "5"},
                    TokenCase{"a  b", 1, ' ', 1, "a"}, TokenCase{"a  b", 2, ' ', 1, "b"},
                    TokenCase{"a b ", 2, ' ', 1, "b"}, TokenCase{"a b ", 3, ' ', 1, ""}, TokenCase{"/x", 1, '/', 1, ""},
                    TokenCase{"/x", 2, '/', 1, "x"}, TokenCase{"$", 1, ' ', 2, ""}, TokenCase{"", 1, ' ', 1, ""},
                    TokenCase{"sfbay.craigslist.org", 1, '.', 1, "sfbay"}, TokenCase{"$25 obo", 1, ' ', 1, "$25"},
                    TokenCase{"one two three", 1, ' ', 5, "two"}, TokenCase{"a b", 3, ' ', 1, ""}));

class TokenFromRightTest : public testing::TestWithParam<TokenCase> {};

TEST_P(TokenFromRightTest, GivesTheNthTokenFromTheEnd) {
    const TokenCase& c = GetParam();
    EXPECT_EQ(TokenFromRight(c.text, c.n, c.delimiter, c.start), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, TokenFromRightTest,
    testing::Values(TokenCase{"a://b.c/", 1, '/', 0, ""}, TokenCase{"a://b.c/", 2, '/', 0, "b.c"},
                    TokenCase{"a://b.c/", 3, '/', 0, "a:"}, TokenCase{"a://b.c/d/", 2, '/', 0, "d"},
                    TokenCase{"a://b.c/d/", 3, '/', 0, "b.c"}, TokenCase{"a/b", 2, '/', 0, "a"},
                    TokenCase{"a/b", 1, '/', 0, "b"}, TokenCase{"a/b", 3, '/', 0, ""}, TokenCase{"", 1, '/', 0, ""},
                    TokenCase{"http://sfbay.craigslist.org/sfc/", 2, '/', 0, "sfc"},
                    TokenCase{"http://sfbay.craigslist.org/sfc/", 3, '/', 0, "sfbay.craigslist.org"},
                    // Start at the "l" of the first ".html": the link inside the quotes.
                    TokenCase{"<a href=\"/sfc/123.html\">x</a> /b.html", 1, '"', 22, "/sfc/123.html"}));

TEST(StripTagsTest, KeepsTheTextBetweenTags) {
    const struct {
        const char* html;
        const char* expected;
    } cases[] = {
        {"<a href=\"x\">Bike</a> - $5", "Bike - $5"},
        {"no tags at all", ""},
        {"<p>\n\tline\tone\n</p>", "lineone"},
        {"<b> spaced </b>\r\n", "spaced"},
        {"<i>a</i>>", "a>"},    // a final ">" is an ordinary character, kept inside text
        {"x>y<z", "y"},         // text before the first ">" is dropped
        {"<b>a</b>b>c", "abc"}, // a ">" inside text is dropped
        {"", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(StripTags(c.html), c.expected) << c.html;
}

TEST(PriceToFloatTest, ReadsTheDigitsAndTheDecimalPoint) {
    const struct {
        const char* text;
        double expected;
    } cases[] = {{"$1500", 1500},
                 {"12.50 EUR", 12.5},
                 {"", 0},
                 {"free", 0},
                 {"$", 0},
                 {"1.2.3", 0},
                 {"$ 99", 99},
                 {"0", 0},
                 {"$1,500", 1500},
                 {"1,500", 1500},
                 {"$1,250,000", 1250000},
                 {"$1,500.50", 1500.5},
                 {"12,50", 12.5},
                 {"1,5", 1.5},
                 {"1,5000", 1.5},
                 {"0,99 EUR", 0.99},
                 {"$2,500/mo", 2500},
                 {"1,2,3", 0},
                 {"1.500,25", 0}};
    for (const auto& c : cases)
        EXPECT_DOUBLE_EQ(PriceToFloat(c.text), c.expected) << c.text;
}

TEST(SplitPostingDateTest, SplitsMonthAndDay) {
    const struct {
        const char* text;
        const char* month;
        int day;
    } cases[] = {{"Mar 5", "Mar", 5}, {"Dec-24", "Dec", 24}, {"Mar", "Mar", -1},
                 {"", "", -1},        {" Jun 17 ", "", -1},  {"Jan xx", "Jan", -1}};
    for (const auto& c : cases) {
        const TPostingDate date = SplitPostingDate(c.text);
        EXPECT_EQ(date.Month, c.month) << c.text;
        EXPECT_EQ(date.Day, c.day) << c.text;
    }
}

TEST(MonthNumberTest, KnowsTheThreeLetterNames) {
    const struct {
        const char* word;
        int expected;
    } cases[] = {{"Jan", 1}, {"May", 5},     {"MAR", 3},  {"mar", 3}, {"dEC", 12},
                 {"", 0},    {"January", 0}, {"Sept", 0}, {"3", 0}};
    for (const auto& c : cases)
        EXPECT_EQ(MonthNumber(c.word), c.expected) << c.word;
}

TEST(SmallConversionsTest, FlagsAndDigits) {
    EXPECT_EQ(BoolToFlagChar(true), 'T');
    EXPECT_EQ(BoolToFlagChar(false), 'F');
    EXPECT_EQ(DigitsOnly("+1 (555) 123-4567"), "15551234567");
    EXPECT_EQ(DigitsOnly("none"), "");
}

TEST(GetAdapterAddressTest, IsEmptyOrSixUpperCaseHexPairs) {
    const std::string address = GetAdapterAddress();
    if (address.empty())
        GTEST_SKIP() << "this machine reports no hardware address";
    ASSERT_EQ(address.size(), 17u);
    for (std::size_t i = 0; i < address.size(); ++i) {
        if (i % 3 == 2)
            EXPECT_EQ(address[i], '-');
        else
            EXPECT_TRUE(std::isdigit(static_cast<unsigned char>(address[i])) ||
                        (address[i] >= 'A' && address[i] <= 'F'));
    }
    EXPECT_NE(address, "00-00-00-00-00-00");
}

TEST(Utf8BoundsTest, NeverSplitASequence) {
    const std::string text = "caf\xC3\xA9 cr\xC3\xA8me"; // "café crème"
    EXPECT_EQ(CutToChars(text, 4), "caf\xC3\xA9");
    EXPECT_EQ(CutToChars(text, 100), text);
    EXPECT_EQ(CutToChars(text, 0), "");
    EXPECT_EQ(CutToBytes(text, 4), "caf");
    EXPECT_EQ(CutToBytes(text, 5), "caf\xC3\xA9");
    EXPECT_EQ(CutToBytes("abc", 10), "abc");
}

TEST(FormatDecimalTest, ShortestFormWithAFullStop) {
    EXPECT_EQ(FormatDecimal(1500), "1500");
    EXPECT_EQ(FormatDecimal(99.5), "99.5");
    EXPECT_EQ(FormatDecimal(0), "0");
    EXPECT_EQ(FormatDecimal(-0.0), "0");
    EXPECT_EQ(FormatDecimal(0.1), "0.1");
    EXPECT_EQ(FormatDecimal(-250.25), "-250.25");
}

TEST(ReplaceAllTest, ReplacesEveryOccurrence) {
    EXPECT_EQ(ReplaceAll("a+b+c", "+", "%2B"), "a%2Bb%2Bc");
    EXPECT_EQ(ReplaceAll("&minAsk=0&maxAsk=0", "&minAsk=0", "&minAsk=min"), "&minAsk=min&maxAsk=0");
    EXPECT_EQ(ReplaceAll("abc", "", "x"), "abc");
}

} // namespace
