// SPDX-License-Identifier: GPL-3.0-or-later
#include "search/TSearch.h"

#include <gtest/gtest.h>
#include <pugixml.hpp>

#include "TShadowList.h"
#include "TestSupport.h"
#include "refdata/TCategories.h"
#include "refdata/TPlaces.h"
#include "search/TSearchRun.h"

namespace {

class TSearchTest : public testing::Test {
protected:
    void SetUp() override {
        folder.InstallShippedRefData();
        places = std::make_unique<TPlaces>(folder.File("Places.tx"));
        categories = std::make_unique<TCategories>(folder.File("Categories.tx"));
    }

    TPlace* PlaceNamed(const std::string& name) const {
        for (const auto& place : places->Items)
            if (place->Name == name)
                return place.get();
        ADD_FAILURE() << "no place " << name;
        return nullptr;
    }

    TTempDataFolder folder;
    std::unique_ptr<TPlaces> places;
    std::unique_ptr<TCategories> categories;
};

TEST_F(TSearchTest, ANewSearchHasTheDefaults) {
    TSearch search;
    EXPECT_TRUE(search.FilterOr);
    EXPECT_TRUE(search.KeepOldResults);
    EXPECT_TRUE(search.CurrentRun().Idle);
    for (bool flag :
         {search.OnlyTitles, search.HasImage, search.Cats, search.Dogs, search.Telecommuting, search.Contract,
          search.Internship, search.PartTime, search.NonProfit, search.NotifySms, search.NotifyEmail,
          search.NotifyEmailDigest, search.ShowPreview, search.NewResultsAvailable, search.LocationsChanged})
        EXPECT_FALSE(flag);
    for (int number : {search.UserId, search.SearchId, search.FolderId, search.Distance, search.MinAge, search.MaxAge,
                       search.Bedrooms, search.FilterDays, search.CurrentRun().LocationIndex})
        EXPECT_EQ(number, 0);
    for (double number : {search.MinRent, search.MaxRent, search.MinPrice, search.MaxPrice})
        EXPECT_EQ(number, 0);
    EXPECT_EQ(search.PreviewHeightRatio, 0.0f);
    EXPECT_EQ(search.CurrentRun().Page, 1);
    for (const std::string* text : std::initializer_list<const std::string*>{
             &search.Name.str(), &search.PositiveKeywords, &search.NegativeKeywords, &search.AdvAllThese,
             &search.AdvExact, &search.AdvOr1, &search.AdvOr2, &search.AdvOr3, &search.AdvNoneOfThese,
             &search.FilterKeywords, &search.SelectedEntry})
        EXPECT_TRUE(text->empty());
    EXPECT_EQ(search.Category, nullptr);
    EXPECT_EQ(search.CurrentRun().ResultsView, nullptr);
    EXPECT_TRUE(search.Results.empty());
    EXPECT_TRUE(search.DeletedResults.empty());
    EXPECT_TRUE(search.Favourites.empty());
    EXPECT_TRUE(search.LatestEntries.empty());
    EXPECT_TRUE(search.CurrentRun().LocationsToSearch.empty());
    EXPECT_TRUE(search.CurrentRun().FetchedLinks.empty());
    EXPECT_TRUE(search.CurrentRun().FailedFetches.empty());
    EXPECT_TRUE(search.Locations().empty());
    EXPECT_TRUE(search.LeafLocations().empty());
}

TEST_F(TSearchTest, TheNameKeepsItsFirstCharactersTheSelectedLinkIsKeptWhole) {
    TSearch search;
    const std::string sixty = "abcdefghij"
                              "klmnopqrst"
                              "uvwxyzABCD"
                              "EFGHIJKLMN"
                              "OPQRSTUVWX"
                              "0123456789";
    search.Name = sixty;
    EXPECT_EQ(search.Name, sixty.substr(0, 50));
    search.SelectedEntry = std::string(120, 's');
    EXPECT_EQ(search.SelectedEntry.size(), 120u);
}

TEST_F(TSearchTest, OnlyAChangeOfTheChosenLocationsFlagsThemForTheAccountDatabase) {
    TPlace* miami = PlaceNamed("south florida");
    TPlace* tampa = PlaceNamed("tampa bay area");
    ASSERT_TRUE(miami && tampa);
    const struct {
        const char* what;
        TPlaceList before;
        TPlaceList after;
        bool changed;
    } cases[] = {
        {"the same list", {miami, tampa}, {miami, tampa}, false}, {"the same empty list", {}, {}, false},
        {"a place added", {miami}, {miami, tampa}, true},         {"a place removed", {miami, tampa}, {tampa}, true},
        {"another order", {miami, tampa}, {tampa, miami}, true},  {"emptied", {miami}, {}, true},
    };
    for (const auto& c : cases) {
        TSearch search;
        search.SetLocations(c.before);
        search.LocationsChanged = false; // as after a remote save
        search.SetLocations(c.after);
        EXPECT_EQ(search.LocationsChanged, c.changed) << c.what;
        EXPECT_EQ(search.Locations(), c.after) << c.what;
    }

    // A discarded list is not known here: whatever comes in replaces the stored rows.
    TSearch search;
    search.DiscardLocations();
    search.SetLocations({});
    EXPECT_TRUE(search.LocationsChanged);
}

TEST_F(TSearchTest, CategoryGroupIsTheDirectParentsNameComparedExactly) {
    TSearch search;
    search.Category = CategoryCoded(*categories, "apa"); // apts / housing, under housing
    EXPECT_EQ(search.CategoryGroup(), "housing");
    search.Category = CategoryCoded(*categories, "hhh");
    EXPECT_EQ(search.CategoryGroup(), "housing");
    search.Category = CategoryCoded(*categories, "sls"); // sales / biz dev, under jobs
    EXPECT_EQ(search.CategoryGroup(), "jobs");

    // A main category whose name differs from a group only in letter case is a group of
    // its own, so no extras are used for it.
    folder.WriteFile("Odd.tx", EncodeRefFile({Place(1, 0, "Housing", 1, "hhh"), Place(2, 1, "apts", 2, "apa")}));
    TCategories odd(folder.File("Odd.tx"));
    search.Category = odd.FindById(2);
    EXPECT_EQ(search.CategoryGroup(), "Housing");
}

TEST_F(TSearchTest, AnotherCategoryLeavesTheExtrasOfEveryGroup) {
    TSearch search;
    search.Category = CategoryCoded(*categories, "apa");
    search.Bedrooms = 3;
    search.Cats = true;
    search.MinAge = 20;
    search.Category = CategoryCoded(*categories, "sss");
    EXPECT_EQ(search.Bedrooms, 3);
    EXPECT_TRUE(search.Cats);
    EXPECT_EQ(search.MinAge, 20);
}

TEST_F(TSearchTest, LeafLocationsOfACountryListEveryLeafBelowItInFileOrder) {
    TPlace* canada = PlaceNamed("canada");
    ASSERT_NE(canada, nullptr);
    TPlaceList expected;
    for (const auto& place : places->Items) {
        if (!place->Children.empty())
            continue;
        for (const TPlace* up = place->Parent(); up; up = up->Parent())
            if (up == canada) {
                expected.push_back(place.get());
                break;
            }
    }
    ASSERT_GT(expected.size(), 5u);

    TSearch search;
    search.Locations() = {canada};
    EXPECT_EQ(search.LeafLocations(), expected);

    // Built once: later changes to the chosen locations do not rebuild it.
    search.Locations().clear();
    EXPECT_EQ(search.LeafLocations(), expected);
}

TEST_F(TSearchTest, LeafLocationsOfALeafAndOfOverlappingChoices) {
    TPlace* alamo = places->FindById(67);
    TPlace* sfc = places->FindById(66);
    ASSERT_TRUE(alamo && sfc);
    {
        TSearch search;
        search.SetLocations({alamo});
        EXPECT_EQ(search.LeafLocations(), TPlaceList{alamo});
    }
    {
        TSearch search;
        search.SetLocations({alamo, sfc});
        const TPlaceList& leaves = search.LeafLocations();
        EXPECT_EQ(leaves.size(), 1 + sfc->Children.size());
        EXPECT_EQ(std::count(leaves.begin(), leaves.end(), alamo), 2) << "duplicates stay";
    }
}

TEST_F(TSearchTest, ChosenLocationsAreReadBackOnlyForASavedSearchWithoutAList) {
    int calls = 0;
    TSearchContext context;
    context.LocationsLoader = [&](TSearch& search, TPlaceList& list) {
        ++calls;
        EXPECT_EQ(search.SearchId, 7);
        list.push_back(places->FindById(66));
    };
    TSearch search(&context);
    search.SearchId = 7;
    EXPECT_TRUE(search.Locations().empty()) << "a new search has its list";
    EXPECT_EQ(calls, 0);

    search.DiscardLocations();
    EXPECT_EQ(search.Locations(), TPlaceList{places->FindById(66)});
    EXPECT_EQ(search.Locations().size(), 1u);
    EXPECT_EQ(calls, 1);

    search.SearchId = 0;
    search.DiscardLocations();
    EXPECT_TRUE(search.Locations().empty());
    EXPECT_EQ(calls, 1);
}

TEST_F(TSearchTest, MarkDeletedMovesACopyToTheDeletedResults) {
    TSearch search;
    for (const char* link : {"http://a/1.html", "http://a/2.html"})
        search.Results.push_back(std::make_unique<TEntry>("Mar 5", "t", link, 5, "loc", false));
    search.Results[1]->Visited = true;
    search.Results[1]->New = false;

    search.MarkDeleted(*search.Results[1]);
    ASSERT_EQ(search.Results.size(), 1u);
    ASSERT_EQ(search.DeletedResults.size(), 1u);
    const TEntry& deleted = *search.DeletedResults[0];
    EXPECT_EQ(deleted.Link, "http://a/2.html");
    EXPECT_EQ(deleted.Date, "Mar 5");
    EXPECT_EQ(deleted.Price, 5);
    EXPECT_EQ(deleted.Location, "loc");
    EXPECT_TRUE(deleted.Visited);
    EXPECT_FALSE(deleted.New);

    // An entry that is not one of the results (even one with a result's link) only adds a copy.
    const TEntry outside("Mar 6", "t", "http://a/1.html", 1, "loc", false);
    search.MarkDeleted(outside);
    EXPECT_EQ(search.Results.size(), 1u);
    ASSERT_EQ(search.DeletedResults.size(), 2u);
    EXPECT_EQ(search.DeletedResults[1]->Date, "Mar 6");

    // A deleted result passed again is copied safely even when the list grows.
    search.MarkDeleted(*search.DeletedResults[0]);
    EXPECT_EQ(search.DeletedResults.size(), 3u);
    EXPECT_EQ(search.DeletedResults[2]->Link, "http://a/2.html");
}

TEST_F(TSearchTest, ResetResultsClearsOrDropsTheNewMarks) {
    TSearch search;
    for (const char* link : {"http://a/1.html", "http://a/2.html"})
        search.Results.push_back(std::make_unique<TEntry>("Mar 5", "t", link, 5, "loc", false));
    search.ResetResults(false);
    ASSERT_EQ(search.Results.size(), 2u);
    EXPECT_FALSE(search.Results[0]->New);
    EXPECT_FALSE(search.Results[1]->New);
    search.ResetResults(true);
    EXPECT_TRUE(search.Results.empty());
}

std::unique_ptr<TEntry> Result(const std::string& name) {
    return std::make_unique<TEntry>("Mar 5", name, "http://a/" + name + ".html", 5, "loc", false);
}

TEST_F(TSearchTest, MarkDeletedOfManyRemovesThemInOneStep) {
    TSearch search;
    for (const char* name : {"1", "2", "3", "4", "5"})
        search.Results.push_back(Result(name));
    TShadowList<TEntry> results(search.Results);
    const TEntry outside("Mar 6", "t", "http://a/9.html", 1, "loc", false);
    // Given in any order, with one that is no result: its copy is kept all the same.
    search.MarkDeleted({search.Results[4].get(), &outside, search.Results[1].get(), search.Results[2].get()});
    EXPECT_EQ(results.Events, std::vector<std::string>{"reset"});
    EXPECT_TRUE(results.Matches());
    std::vector<std::string> left, deleted;
    for (const auto& entry : search.Results)
        left.push_back(entry->Name);
    for (const auto& entry : search.DeletedResults)
        deleted.push_back(entry->Link);
    EXPECT_EQ(left, (std::vector<std::string>{"1", "4"}));
    EXPECT_EQ(deleted,
              (std::vector<std::string>{"http://a/5.html", "http://a/9.html", "http://a/2.html", "http://a/3.html"}));
}

TEST_F(TSearchTest, MarkDeletedTellsBothListsListeners) {
    TSearch search;
    for (const char* name : {"1", "2", "3"})
        search.Results.push_back(Result(name));
    TShadowList<TEntry> results(search.Results);
    TShadowList<TEntry> deleted(search.DeletedResults);

    search.MarkDeleted(*search.Results[1]);
    EXPECT_EQ(results.Events, std::vector<std::string>{"remove 1-1"});
    EXPECT_EQ(deleted.Events, std::vector<std::string>{"insert 0-0"});

    // Only a copy is added for an entry that is not one of the results.
    const TEntry outside("Mar 6", "t", "http://a/1.html", 1, "loc", false);
    search.MarkDeleted(outside);
    search.MarkDeleted(*search.DeletedResults[0]);
    EXPECT_EQ(results.Events, std::vector<std::string>{"remove 1-1"});
    EXPECT_EQ(deleted.Events, (std::vector<std::string>{"insert 0-0", "insert 1-1", "insert 2-2"}));
    EXPECT_TRUE(results.Matches());
    EXPECT_TRUE(deleted.Matches());
}

TEST_F(TSearchTest, ResetResultsTellsTheListenerOfTheMarksOrTheEmptying) {
    TSearch search;
    TShadowList<TEntry> shadow(search.Results);
    // Nothing to tell for an empty list.
    search.ResetResults(false);
    search.ResetResults(true);
    EXPECT_TRUE(shadow.Events.empty());

    for (const char* name : {"1", "2", "3"})
        search.Results.push_back(Result(name));
    search.ResetResults(false);
    EXPECT_EQ(shadow.Events, (std::vector<std::string>{"insert 0-0", "insert 1-1", "insert 2-2", "change 0-2"}));
    ASSERT_EQ(shadow.Rows().size(), 3u);
    for (const auto& row : shadow.Rows())
        EXPECT_FALSE(row.New) << "the shown new mark went with the result's";

    search.ResetResults(true);
    EXPECT_EQ(shadow.Events.back(), "reset");
    EXPECT_TRUE(shadow.Rows().empty());
}

TEST_F(TSearchTest, FavouritesTellTheirListenerOfAddingRemovingAndMoving) {
    TSearch search;
    TShadowList<TFavourite> shadow(search.Favourites);
    for (const char* name : {"1", "2", "3"})
        search.Favourites.push_back(std::make_unique<TFavourite>(*Result(name)));
    search.Favourites.move(2, 0);
    search.Favourites.move(0, 1);
    search.Favourites.erase(search.Favourites.begin());
    EXPECT_EQ(shadow.Events, (std::vector<std::string>{"insert 0-0", "insert 1-1", "insert 2-2", "move 2-2 before 0",
                                                       "move 0-0 before 2", "remove 0-0"}));
    ASSERT_EQ(search.Favourites.size(), 2u);
    EXPECT_EQ(search.Favourites[0]->Name, "3");
    EXPECT_EQ(search.Favourites[1]->Name, "2");
    EXPECT_TRUE(shadow.Matches());
}

// The lists read from the searches file are the same kind as before: a listener set on them
// hears every later change.
TEST_F(TSearchTest, ListsLoadedFromTheSearchesFileTellTheirListeners) {
    pugi::xml_document document;
    {
        TSearch saved;
        saved.SearchId = 4;
        for (const char* name : {"1", "2", "3"})
            saved.Results.push_back(Result(name));
        saved.DeletedResults.push_back(Result("0"));
        for (const char* name : {"2", "5"})
            saved.Favourites.push_back(std::make_unique<TFavourite>(*Result(name)));
        saved.WriteXml(document, 1);
    }
    TSearch loaded(document.document_element().first_child(), nullptr);
    TShadowList<TEntry> results(loaded.Results);
    TShadowList<TEntry> deleted(loaded.DeletedResults);
    TShadowList<TFavourite> favourites(loaded.Favourites);
    ASSERT_EQ(results.Rows().size(), 3u);
    EXPECT_EQ(results.Rows()[2].Link, "http://a/3.html");

    loaded.MarkDeleted(*loaded.Results[0]);
    loaded.ResetResults(false);
    loaded.Favourites.move(1, 0);
    loaded.Favourites.push_back(std::make_unique<TFavourite>(*loaded.Results[1]));
    loaded.ResetResults(true);
    EXPECT_EQ(results.Events, (std::vector<std::string>{"remove 0-0", "change 0-1", "reset"}));
    EXPECT_EQ(deleted.Events, std::vector<std::string>{"insert 1-1"});
    EXPECT_EQ(favourites.Events, (std::vector<std::string>{"move 1-1 before 0", "insert 2-2"}));
    EXPECT_TRUE(results.Matches());
    EXPECT_TRUE(deleted.Matches());
    EXPECT_TRUE(favourites.Matches());
}

} // namespace
