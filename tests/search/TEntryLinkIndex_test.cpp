// SPDX-License-Identifier: GPL-3.0-or-later
#include "search/TEntryLinkIndex.h"

#include <random>

#include <gtest/gtest.h>

namespace {

std::unique_ptr<TEntry> Entry(int number) {
    return std::make_unique<TEntry>(
        "Mar 1", "title", "http://miami.craigslist.org/a/" + std::to_string(number) + ".html", 1, "miami", false);
}

std::string Link(int number) {
    return "http://miami.craigslist.org/a/" + std::to_string(number) + ".html";
}

// The index must answer exactly as the scan does, whatever happens to the list between two
// lookups: the ways a run and the user change the lists, in a long random mix.
TEST(TEntryLinkIndexTest, AnswersAsTheScanThroughEveryChangeOfTheList) {
    std::mt19937 random(18);
    auto below = [&](std::size_t n) { return std::uniform_int_distribution<std::size_t>(0, n - 1)(random); };
    TEntryList list;
    TEntryList other;
    other.push_back(Entry(1));
    TEntryLinkIndex index;
    for (int step = 0; step < 4000; ++step) {
        switch (below(10)) {
        case 0:
        case 1:
        case 2:
        case 3: // a posting added at the end; links repeat, so duplicates occur
            list.push_back(Entry(static_cast<int>(below(60))));
            break;
        case 4: // the user deletes a result
            if (!list.empty())
                list.erase(list.begin() + static_cast<std::ptrdiff_t>(below(list.size())));
            break;
        case 5: // a deletion and an addition between two lookups
            if (!list.empty())
                list.erase(list.begin() + static_cast<std::ptrdiff_t>(below(list.size())));
            list.push_back(Entry(static_cast<int>(below(60))));
            break;
        case 6: // the last entry replaced (the new one may be allocated where the old one was)
            if (!list.empty()) {
                list.erase(list.end() - 1);
                list.push_back(Entry(static_cast<int>(below(60))));
            }
            break;
        case 7: // results emptied at the start of a run
            if (below(20) == 0)
                list.clear();
            break;
        case 8: // a lookup in another list in between
            EXPECT_EQ(index.Find(other, Link(1)), other[0].get());
            break;
        default:
            break;
        }
        const std::string link = Link(static_cast<int>(below(60)));
        ASSERT_EQ(index.Find(list, link), FindEntryByLink(list, link)) << "step " << step << ", " << link;
    }
}

TEST(TEntryLinkIndexTest, FindsTheFirstEntryWithTheLink) {
    TEntryList list;
    list.push_back(Entry(1));
    list.push_back(Entry(2));
    list.push_back(Entry(1));
    TEntryLinkIndex index;
    EXPECT_EQ(index.Find(list, Link(1)), list[0].get());
    EXPECT_EQ(index.Find(list, Link(3)), nullptr);
    list.erase(list.begin());
    EXPECT_EQ(index.Find(list, Link(1)), list[1].get());
    list.clear();
    EXPECT_EQ(index.Find(list, Link(2)), nullptr);
}

} // namespace
