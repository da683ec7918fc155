// SPDX-License-Identifier: GPL-3.0-or-later
#include "search/TSearch.h"

#include <filesystem>
#include <functional>

#include <gtest/gtest.h>

#include "TestSupport.h"
#include "core/Log.h"
#include "refdata/TCategories.h"
#include "refdata/TPlaces.h"

namespace {

constexpr int Miami = 253;           // a city front page
constexpr int SanFrancisco = 66;     // a sub-area of sfbay
constexpr int AlamoSquare = 67;      // a neighbourhood of that sub-area, code "149"
constexpr int Community = 1;         // "ccc": its group is none of the four
constexpr int ForSale = 36;          // "sss"
constexpr int Apartments = 27;       // "apa", under housing
constexpr int StrictlyPlatonic = 17; // "stp", under personals
constexpr int Jobs = 104;            // "jjj"
constexpr int SalesJobs = 125;       // "sls", under jobs

struct TLinkCase {
    std::string name;
    int category;
    std::function<void(TSearch&)> setup;
    int location;
    int page;
    std::string link;
    /// The other neighbourhoods of the location's sub-area are searched too.
    bool withSiblings = false;
};

const std::vector<TLinkCase>& Cases() {
    static const std::vector<TLinkCase> cases = {
        {"city front page with keywords", Community, [](TSearch& s) { s.PositiveKeywords = "red bike"; }, Miami, 1,
         "http://miami.craigslist.org/search/ccc?query=red+bike"},
        {"sub-area, image only, second page", Community, [](TSearch& s) { s.HasImage = true; }, SanFrancisco, 2,
         "http://sfbay.craigslist.org/search/ccc/sfc?query=+&hasPic=1&s=100"},
        {"for sale with open minimum and a typed plus", ForSale,
         [](TSearch& s) {
             s.PositiveKeywords = "a+b";
             s.MaxPrice = 250;
         },
         Miami, 1, "http://miami.craigslist.org/search/sss?query=a%2Bb&minAsk=min&maxAsk=250"},
        {"housing with bedrooms, open rents and cats", Apartments,
         [](TSearch& s) {
             s.Bedrooms = 2;
             s.Cats = true;
         },
         Miami, 1, "http://miami.craigslist.org/search/apa?query=+&bedrooms=2&minAsk=min&maxAsk=max&addTwo=purrr"},
        {"housing without bedrooms, decimal rents, dogs", Apartments,
         [](TSearch& s) {
             s.MinRent = 1500;
             s.MaxRent = 99.5;
             s.Dogs = true;
         },
         Miami, 1, "http://miami.craigslist.org/search/apa?query=+&minAsk=1500&maxAsk=99.5&addThree=wooof"},
        {"for sale with a fraction below one", ForSale, [](TSearch& s) { s.MinPrice = 0.5; }, Miami, 1,
         "http://miami.craigslist.org/search/sss?query=+&minAsk=0.5&maxAsk=max"},
        {"personals with open ages", StrictlyPlatonic, [](TSearch&) {}, Miami, 1,
         "http://miami.craigslist.org/search/stp?query=+&minAsk=min&maxAsk=max"},
        {"personals with ages", StrictlyPlatonic,
         [](TSearch& s) {
             s.MinAge = 18;
             s.MaxAge = 40;
         },
         Miami, 1, "http://miami.craigslist.org/search/stp?query=+&minAsk=18&maxAsk=40"},
        {"jobs without flags", Jobs, [](TSearch&) {}, Miami, 1, "http://miami.craigslist.org/search/jjj?query=+"},
        {"jobs with every flag", SalesJobs,
         [](TSearch& s) { s.Telecommuting = s.Contract = s.Internship = s.PartTime = s.NonProfit = true; }, Miami, 1,
         "http://miami.craigslist.org/search/sls?query=+&addOne=telecommuting&addTwo=contract&addThree=internship"
         "&addFour=part-time&addFive=non-profit"},
        {"extras of other groups are ignored", Community,
         [](TSearch& s) {
             s.Bedrooms = 2;
             s.MinPrice = 10;
             s.Telecommuting = true;
         },
         Miami, 1, "http://miami.craigslist.org/search/ccc?query=+"},
        {"quotes and bars stay, spaces become plus", Community,
         [](TSearch& s) { s.PositiveKeywords = "\"mountain bike\" (trek | giant) -kids"; }, Miami, 1,
         "http://miami.craigslist.org/search/ccc?query=\"mountain+bike\"+(trek+|+giant)+-kids"},
        {"query characters in keywords keep the range and the offset", ForSale,
         [](TSearch& s) {
             s.PositiveKeywords = "a&b=c#d";
             s.MinPrice = 5;
             s.MaxPrice = 9;
         },
         Miami, 2, "http://miami.craigslist.org/search/sss?query=a%26b%3Dc%23d&minAsk=5&maxAsk=9&s=100"},
        {"a typed percent and letters beyond ASCII are escaped", Community,
         [](TSearch& s) { s.PositiveKeywords = "100% caf\xC3\xA9 50%2B"; }, Miami, 1,
         "http://miami.craigslist.org/search/ccc?query=100%25+caf%C3%A9+50%252B"},
        {"titles only", Community, [](TSearch& s) { s.OnlyTitles = true; }, Miami, 1,
         "http://miami.craigslist.org/search/ccc?query=+&srchType=T"},
        {"neighbourhood alone", Community, [](TSearch&) {}, AlamoSquare, 1,
         "http://sfbay.craigslist.org/search/ccc/sfc?query=+&neighborhood=149"},
        {"neighbourhood alone, second page", ForSale, [](TSearch&) {}, AlamoSquare, 2,
         "http://sfbay.craigslist.org/search/sss/sfc?query=+&minAsk=min&maxAsk=max&s=100&neighborhood=149"},
        {"neighbourhood with all its siblings", Community, [](TSearch&) {}, AlamoSquare, 1,
         "http://sfbay.craigslist.org/search/ccc/sfc?query=+", true},
    };
    return cases;
}

class MakeSearchLinkTest : public testing::Test {
protected:
    void SetUp() override {
        folder.InstallShippedRefData();
        ResetLog(folder.Path());
        places = std::make_unique<TPlaces>(folder.File("Places.tx"));
        categories = std::make_unique<TCategories>(folder.File("Categories.tx"));
    }

    /// Lines of the log written so far.
    std::vector<std::string> LogLines() const {
        std::vector<std::string> lines;
        const std::string text = folder.ReadFile("log.tx");
        std::size_t start = 0;
        for (std::size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2)
            lines.push_back(text.substr(start, end - start));
        return lines;
    }

    TTempDataFolder folder;
    std::unique_ptr<TPlaces> places;
    std::unique_ptr<TCategories> categories;
};

TEST_F(MakeSearchLinkTest, BuildsTheSitesResultsLink) {
    for (const TLinkCase& c : Cases()) {
        SCOPED_TRACE(c.name);
        TSearch search;
        search.Category = categories->FindById(c.category);
        ASSERT_NE(search.Category, nullptr);
        c.setup(search);
        TPlace* location = places->FindById(c.location);
        ASSERT_NE(location, nullptr);
        TPlaceList locations;
        int index = 1;
        if (c.withSiblings) {
            locations = location->Parent()->Children;
            index = static_cast<int>(std::find(locations.begin(), locations.end(), location) - locations.begin());
        } else {
            locations = {places->FindById(Miami), location};
        }
        EXPECT_EQ(search.MakeSearchLink(locations, index, c.page), c.link);
        EXPECT_EQ(LogLines().back().substr(16), "TSearch.MakeSearchLink: " + c.link);
    }
}

TEST_F(MakeSearchLinkTest, WritesOneLogLinePerLink) {
    TSearch search;
    search.Category = categories->FindById(Community);
    const TPlaceList locations = {places->FindById(Miami), places->FindById(Miami)};
    const std::size_t before = LogLines().size();
    search.MakeSearchLink(locations, 0, 1);
    search.MakeSearchLink(locations, 1, 1);
    const auto lines = LogLines();
    ASSERT_EQ(lines.size(), before + 2);
    EXPECT_EQ(lines[before], lines[before + 1]);
    // "dd.mm.yy hh:mm: " then the message
    EXPECT_EQ(lines[before].substr(14, 2), ": ");
}

TEST_F(MakeSearchLinkTest, ALinkThatCannotBeBuiltRaises) {
    TSearch search;
    const TPlaceList miami = {places->FindById(Miami)};
    EXPECT_THROW(search.MakeSearchLink(miami, 0, 1), std::logic_error) << "no category";

    search.Category = categories->FindById(Community);
    EXPECT_THROW(search.MakeSearchLink(miami, 1, 1), std::logic_error) << "no location at the position";
    EXPECT_THROW(search.MakeSearchLink(miami, -1, 1), std::logic_error);

    // A neighbourhood whose sub-area is not in the table.
    TPlace orphan;
    orphan.Level = 4;
    orphan.ParentId = 999999;
    orphan.Link = "5";
    EXPECT_THROW(search.MakeSearchLink({&orphan}, 0, 1), std::logic_error);
}

TEST_F(MakeSearchLinkTest, AFailedLogWriteStillGivesTheLink) {
    TSearch search;
    search.Category = categories->FindById(Community);
    const TPlaceList miami = {places->FindById(Miami)};
    const std::string link = search.MakeSearchLink(miami, 0, 1);
    TRecordingMessages messages;
    TTempDataFolder gone;
    ResetLog(gone.Path());
    std::filesystem::remove_all(gone.Path());
    EXPECT_EQ(search.MakeSearchLink(miami, 0, 1), link);
    EXPECT_EQ(messages.Shown.size(), 1u);
    ResetLog(folder.Path());
}

} // namespace
