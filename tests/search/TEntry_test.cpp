// SPDX-License-Identifier: GPL-3.0-or-later
#include "search/TEntry.h"

#include <gtest/gtest.h>

#include "search/TFavourite.h"
#include "search/TLatestEntry.h"

namespace {

TEntry Parsed(const std::string& date, const std::string& link = "http://miami.craigslist.org/a/1.html") {
    return TEntry(date, "title", link, 12.5, "united states - florida - south florida", true);
}

TEST(TEntryTest, APlainEntryHasTheDefaults) {
    const TEntry entry;
    EXPECT_EQ(entry.Price, -1);
    EXPECT_TRUE(entry.New);
    EXPECT_FALSE(entry.Visited);
    EXPECT_FALSE(entry.HasImage);
    EXPECT_EQ(entry.Month, 0);
    EXPECT_EQ(entry.Day, 0);
    EXPECT_TRUE(entry.Date.empty());
    EXPECT_TRUE(entry.Link.empty());
}

TEST(TEntryTest, ParsedValuesDeriveMonthAndDayFromTheDate) {
    const struct {
        std::string date;
        int month;
        int day;
    } cases[] = {
        {"Mar 5", 3, 5}, {"Mar", 3, -1},    {"", 0, -1},      {"Dec-24", 12, 24},
        {"foo 7", 0, 7}, {"sep 30", 9, 30}, {"Mar x", 3, -1},
    };
    for (const auto& c : cases) {
        const TEntry entry = Parsed(c.date);
        EXPECT_EQ(entry.Month, c.month) << c.date;
        EXPECT_EQ(entry.Day, c.day) << c.date;
        EXPECT_TRUE(entry.New);
        EXPECT_FALSE(entry.Visited);
    }
}

TEST(TEntryTest, ParsedValuesAreKept) {
    const TEntry entry = Parsed("Mar 5");
    EXPECT_EQ(entry.Date, "Mar 5");
    EXPECT_EQ(entry.Name, "title");
    EXPECT_EQ(entry.Link, "http://miami.craigslist.org/a/1.html");
    EXPECT_EQ(entry.Price, 12.5);
    EXPECT_EQ(entry.Location, "united states - florida - south florida");
    EXPECT_TRUE(entry.HasImage);
}

TEST(TEntryTest, TheDateKeepsItsFirstCharactersAndTheLinkIsKeptWhole) {
    const std::string link150 = "http://miami.craigslist.org/" + std::string(122, 'x');
    ASSERT_EQ(link150.size(), 150u);
    TEntry entry = Parsed("12345678901234567890", link150);
    EXPECT_EQ(entry.Date, "123456789012345");
    EXPECT_EQ(entry.Link, link150);

    // Later assignments of the date are bounded too, and a cut never splits a UTF-8 character.
    entry.Date = "M\xC3\xA4rz 12345678901234";
    EXPECT_EQ(entry.Date.str(), "M\xC3\xA4rz 1234567890");
}

// Today's posting links run past 100 bytes and differ only in their id at the end.
TEST(TEntryTest, FindEntryByLinkComparesWholeLinksExactly) {
    const std::string shared = "http://miami.craigslist.org/mdc/act/d/" + std::string(62, 'x');
    ASSERT_EQ(shared.size(), 100u);
    const std::string first = shared + "/7712345601.html";
    const std::string second = shared + "/7712345602.html";
    TEntryList list;
    list.push_back(std::make_unique<TEntry>(Parsed("Mar 1", "http://miami.craigslist.org/a/1.html")));
    list.push_back(std::make_unique<TEntry>(Parsed("Mar 2", first)));
    list.push_back(std::make_unique<TEntry>(Parsed("Mar 3", "http://miami.craigslist.org/a/1.html")));

    EXPECT_EQ(FindEntryByLink(list, first), list[1].get());
    EXPECT_EQ(FindEntryByLink(list, second), nullptr) << "the same first 100 bytes are another posting";
    EXPECT_EQ(FindEntryByLink(list, shared), nullptr);
    EXPECT_EQ(FindEntryByLink(list, "http://miami.craigslist.org/a/1.html"), list[0].get()) << "first in list order";
    EXPECT_EQ(FindEntryByLink(list, "http://MIAMI.craigslist.org/a/1.html"), nullptr) << "letter case counts";
    EXPECT_EQ(FindEntryByLink(list, ""), nullptr);
    EXPECT_EQ(FindEntryByLink(nullptr, "http://miami.craigslist.org/a/1.html"), nullptr);
    EXPECT_EQ(FindEntryByLink(TEntryList{}, "x"), nullptr);
}

TEST(TEntryTest, CopiesKeepEveryFieldAndTheMarks) {
    TEntry source = Parsed("Mar 5");
    source.Visited = true;
    source.New = false;

    TEntry assigned;
    assigned.Assign(source);
    const TEntry copied(source);
    for (const TEntry* copy : {static_cast<const TEntry*>(&assigned), &copied}) {
        EXPECT_EQ(copy->Date, source.Date);
        EXPECT_EQ(copy->Name, source.Name);
        EXPECT_EQ(copy->Price, source.Price);
        EXPECT_EQ(copy->Location, source.Location);
        EXPECT_EQ(copy->Link, source.Link);
        EXPECT_EQ(copy->HasImage, source.HasImage);
        EXPECT_EQ(copy->Month, 3);
        EXPECT_EQ(copy->Day, 5);
        EXPECT_TRUE(copy->Visited);
        EXPECT_FALSE(copy->New);
    }
}

TEST(TEntryTest, AssignDerivesTheDayFromTheCopiedDate) {
    TEntry source = Parsed("Apr 9");
    source.Month = 11; // stale derived values are not copied
    source.Day = 30;
    TEntry copy;
    copy.Assign(source);
    EXPECT_EQ(copy.Month, 4);
    EXPECT_EQ(copy.Day, 9);
}

TEST(TFavouriteTest, AFavouriteFromAnEntryCopiesItAndStartsWithoutANote) {
    TEntry entry = Parsed("Mar 5");
    entry.Visited = true;
    entry.New = false;
    const TFavourite favourite(entry);
    EXPECT_EQ(favourite.Link, entry.Link);
    EXPECT_EQ(favourite.Name, entry.Name);
    EXPECT_EQ(favourite.Price, entry.Price);
    EXPECT_TRUE(favourite.Visited);
    EXPECT_FALSE(favourite.New);
    EXPECT_EQ(favourite.Day, 5);
    EXPECT_TRUE(favourite.Note.empty());
}

TEST(TLatestEntryTest, RunValuesAreKeptWithWholeLinks) {
    const TLatestEntry plain;
    EXPECT_EQ(plain.LocationId, 0);
    EXPECT_TRUE(plain.PageLink.empty());
    EXPECT_TRUE(plain.EntryLink.empty());

    const std::string longLink(130, 'l');
    const std::string pageLink = "http://miami.craigslist.org/search/sss?query=" + std::string(100, 'q');
    const TLatestEntry marker(3, longLink, pageLink);
    EXPECT_EQ(marker.LocationId, 3);
    EXPECT_EQ(marker.EntryLink, longLink);
    EXPECT_EQ(marker.PageLink, pageLink);
}

} // namespace
