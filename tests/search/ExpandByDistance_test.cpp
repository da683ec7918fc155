// SPDX-License-Identifier: GPL-3.0-or-later
#include "search/TSearch.h"

#include <gtest/gtest.h>

#include "TestSupport.h"
#include "session/TSession.h"
#include "refdata/TCategories.h"
#include "refdata/TPlaces.h"
#include "search/TSearchRun.h"

namespace {

class ExpandByDistanceTest : public testing::Test {
protected:
    void Load(const std::vector<TRefRecord>& records) {
        folder.WriteFile("Places.tx", EncodeRefFile(records));
        session.SetTables(std::make_unique<TPlaces>(folder.File("Places.tx")), nullptr);
    }
    std::vector<int> Ids(const TPlaceList& places) const {
        std::vector<int> ids;
        for (const TPlace* place : places)
            ids.push_back(place->Id);
        return ids;
    }
    std::vector<int> Expand(const std::vector<int>& leaves, int distance) {
        TSearch search(&session.SearchContext());
        TPlaceList leafPlaces;
        for (int id : leaves)
            leafPlaces.push_back(session.Places->FindById(id));
        search.SetLeafLocations(leafPlaces);
        search.Distance = distance;
        search.CurrentRun().ExpandByDistance();
        return Ids(search.CurrentRun().LocationsToSearch);
    }

    TTempDataFolder folder;
    TSession session{folder.Config()};
};

TEST_F(ExpandByDistanceTest, WidensEachLeafLocationInFileOrder) {
    Load({
        Place(1, 0, "country", 1),
        Place(2, 1, "a", 3, "http://a.craigslist.org/", 10, 20),
        Place(3, 1, "same place as a", 3, "http://b.craigslist.org/", 10, 20),
        Place(4, 1, "0.07 miles from a", 3, "http://c.craigslist.org/", 10.001, 20),
        Place(5, 1, "0.69 miles from a", 3, "http://d.craigslist.org/", 10.01, 20),
        Place(6, 1, "no coordinates", 3, "http://e.craigslist.org/", 0, 0),
        Place(7, 1, "on the equator", 3, "http://f.craigslist.org/", 0, 20),
        Place(8, 1, "far", 3, "http://g.craigslist.org/", 40, -70),
    });
    const struct {
        std::vector<int> leaves;
        int distance;
        std::vector<int> expected;
    } cases[] = {
        {{2}, 0, {2, 3}}, // itself and the same coordinates
        {{4}, 0, {4}},
        {{2}, 1, {2, 3, 4, 5}},
        {{6}, 10000, {6}},             // without coordinates: itself, never widened
        {{7}, 10000, {7}},             // a zero latitude counts as none
        {{2}, 10000, {2, 3, 4, 5, 8}}, // places without coordinates are never reached
        {{2, 4}, 1, {2, 3, 4, 5}},     // a place near two leaf locations is searched once
        {{5, 2}, 0, {5, 2, 3}},        // in the order first reached
        {{4, 2, 4}, 0, {4, 2, 3}},
        {{6, 2}, 0, {6, 2, 3}},
        {{}, 100, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.leaves) + " within " + std::to_string(c.distance));
        EXPECT_EQ(Expand(c.leaves, c.distance), c.expected);
    }
}

TEST_F(ExpandByDistanceTest, WithoutAPlaceTableEachLeafLocationOnce) {
    Load({Place(1, 0, "country", 1), Place(2, 1, "a", 3, "http://a.craigslist.org/", 10, 20),
          Place(3, 1, "b", 3, "http://b.craigslist.org/", 10, 20)});
    TPlaceList leaves{session.Places->FindById(3), session.Places->FindById(2), session.Places->FindById(3)};
    TSession bare(folder.Config());
    TSearch search(&bare.SearchContext());
    search.SetLeafLocations(leaves);
    search.Distance = 100;
    search.CurrentRun().ExpandByDistance();
    EXPECT_EQ(Ids(search.CurrentRun().LocationsToSearch), (std::vector<int>{3, 2}));
}

TEST_F(ExpandByDistanceTest, WithinDistanceIsTheHaversineDistanceInMiles) {
    folder.InstallShippedRefData();
    session.SetTables(std::make_unique<TPlaces>(folder.File("Places.tx")), nullptr);
    const TPlace* miami = session.Places->FindById(253);
    const TPlace* fortMyers = session.Places->FindById(238);
    ASSERT_TRUE(miami && fortMyers);
    TSearch search(&session.SearchContext());
    search.Distance = 118; // the two are 118.4 miles apart
    EXPECT_FALSE(search.WithinDistance(*miami, *fortMyers));
    search.Distance = 119;
    EXPECT_TRUE(search.WithinDistance(*miami, *fortMyers));
    EXPECT_TRUE(search.WithinDistance(*fortMyers, *miami));

    // Opposite sides of the earth are half its circumference apart.
    TPlace north;
    north.Latitude = 45;
    north.Longitude = 10;
    TPlace south;
    south.Latitude = -45;
    south.Longitude = -170;
    search.Distance = 12428;
    EXPECT_FALSE(search.WithinDistance(north, south));
    search.Distance = 12429;
    EXPECT_TRUE(search.WithinDistance(north, south));
}

} // namespace
