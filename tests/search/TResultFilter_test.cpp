// SPDX-License-Identifier: GPL-3.0-or-later
// ctest-labels: unit
#include "search/TResultFilter.h"

#include <string>

#include <gtest/gtest.h>

#include "search/TEntry.h"

namespace {

struct TWordsCase {
    const char* Words;
    bool AnyWord;
    const char* Title;
    bool Passes;
};

class TFilterWordsTest : public testing::TestWithParam<TWordsCase> {};

TEST_P(TFilterWordsTest, TheTitleHoldsTheWords) {
    const TWordsCase& c = GetParam();
    const TResultFilter filter(QString::fromUtf8(c.Words), c.AnyWord, 0);
    EXPECT_EQ(filter.MatchesFilterWords(QString::fromUtf8(c.Title)), c.Passes) << c.Words << " / " << c.Title;
}

INSTANTIATE_TEST_SUITE_P(Words, TFilterWordsTest,
                         testing::Values(TWordsCase{"", false, "anything", true}, TWordsCase{"", true, "", true},
                                         TWordsCase{"red blue", true, "a RED car", true},
                                         TWordsCase{"red blue", true, "green car", false},
                                         TWordsCase{"red blue", false, "red car", false},
                                         TWordsCase{"red   blue", false, "Blue and red", true},
                                         TWordsCase{"bik", true, "Mountain bikes", true},
                                         TWordsCase{" ", true, "a b", false}, TWordsCase{" red", false, "red", false},
                                         TWordsCase{" red", true, "red", true}, TWordsCase{"red ", false, "red", false},
                                         TWordsCase{"ÉTÉ", true, "un été chaud", true}));

struct TDaysCase {
    const char* Today;
    const char* Date;
    int Days;
    bool Passes;
};

class TFilterDaysTest : public testing::TestWithParam<TDaysCase> {};

TEST_P(TFilterDaysTest, TheResultIsYoungerThanTheLimit) {
    const TDaysCase& c = GetParam();
    const TResultFilter filter({}, true, c.Days, QDate::fromString(QString::fromLatin1(c.Today), Qt::ISODate));
    const TEntry entry(c.Date, "title", "http://miami.craigslist.org/a/1.html", 1, "miami", false);
    EXPECT_EQ(filter.WithinFilterDays(entry), c.Passes) << c.Today << " / " << c.Date;
    EXPECT_EQ(filter.Matches(entry), c.Passes);
}

INSTANTIATE_TEST_SUITE_P(
    Days, TFilterDaysTest,
    testing::Values(TDaysCase{"2026-03-10", "Mar 5", 7, true}, TDaysCase{"2026-03-10", "Mar 1", 7, false},
                    TDaysCase{"2026-03-10", "Mar 3", 7, false}, TDaysCase{"2026-03-02", "Feb 28", 7, true},
                    TDaysCase{"2026-01-03", "Dec 31", 30, false}, TDaysCase{"2026-03-10", "Mar 11", 30, false},
                    TDaysCase{"2026-03-10", "Jan 1", 0, true}, TDaysCase{"2026-03-10", "Mar 10", 1, true}));

} // namespace
