// SPDX-License-Identifier: GPL-3.0-or-later
// ctest-labels: unit threads
#include "store/TSearches.h"

#include <csignal>
#include <functional>
#include <locale>

#include <sys/resource.h>

#include <gtest/gtest.h>
#include <pugixml.hpp>

#include <QDir>
#include <QFile>
#include <QLocale>
#include <QSettings>
#include <QTemporaryDir>

#include "TestSupport.h"
#include "session/TSession.h"
#include "refdata/TCategories.h"
#include "refdata/TPlaces.h"
#include "store/IRemoteSearchStore.h"

namespace {

constexpr int Personals = 17; // strictly platonic, below "personals"
constexpr int Housing = 27;   // apts / housing
constexpr int ForSale = 36;   // the main category "for sale" itself
constexpr int Jobs = 105;
constexpr int Community = 2; // a group without extras

const std::string Title = "Zimmer in Köln – 2 Zi. ☺ $500";
const std::string Note = "日本語のメモ\nline two\r\nwith CR LF, <tags> & \"quotes\"";

/// A signed-out session with the shipped tables loaded, its own data folder and settings.
class TSearchesTest : public testing::Test {
protected:
    void SetUp() override {
        for (QSettings::Format format : {QSettings::NativeFormat, QSettings::IniFormat})
            QSettings::setPath(format, QSettings::UserScope, configHome.path());
        folder.InstallShippedRefData();
        session = std::make_unique<TSession>(folder.Config());
        places = std::make_unique<TPlaces>(folder.File("Places.tx"));
        categories = std::make_unique<TCategories>(folder.File("Categories.tx"));
        searchContext.Places = places.get();
        searchContext.Categories = categories.get();
    }

    void TearDown() override {
        TSearches::MaxFileSize = std::uint64_t{256} << 20;
        TSearches::MaxUnreadableCopies = 100;
    }

    TPlace* Place(int id) const { return places->FindById(id); }
    const TPlace* Category(int id) const { return categories->FindById(id); }

    std::unique_ptr<TSearches> Searches() const {
        return std::make_unique<TSearches>(TSearchesContext{folder.Path(), &searchContext, remoteStore, userId});
    }

    std::unique_ptr<TSearches> Loaded() const {
        auto searches = Searches();
        searches->Load();
        return searches;
    }

    static std::unique_ptr<TEntry> Entry(int n, bool visited) {
        auto entry = std::make_unique<TEntry>("Mar " + std::to_string(n), Title + " #" + std::to_string(n),
                                              "http://sfbay.craigslist.org/apa/" + std::to_string(1000 + n) + ".html",
                                              n * 10.5, "united states - california - SF bay area", n % 2 == 0);
        entry->Visited = visited;
        entry->New = !visited;
        return entry;
    }

    /// A search with every field set, including the extras of every group.
    std::unique_ptr<TSearch> FullSearch(int categoryId, int searchId = 0) const {
        auto search = std::make_unique<TSearch>();
        search->SearchId = searchId;
        search->FolderId = 3;
        search->Name = "Wohnung – Köln ☺";
        search->SetLocations({Place(12), Place(345), Place(6)});
        search->Distance = 25;
        search->Category = Category(categoryId);
        search->PositiveKeywords = "café \"two words\" -dog";
        search->NegativeKeywords = "naïve";
        search->OnlyTitles = true;
        search->HasImage = true;
        search->AdvAllThese = "all these";
        search->AdvExact = "exact phrase";
        search->AdvOr1 = "a b";
        search->AdvOr2 = "c d";
        search->AdvOr3 = "e f";
        search->AdvNoneOfThese = "none";
        search->MinAge = 18;
        search->MaxAge = 35;
        search->MinRent = 500.5;
        search->MaxRent = 1200;
        search->Bedrooms = 2;
        search->Cats = true;
        search->Dogs = true;
        search->MinPrice = 0.25;
        search->MaxPrice = 1e7;
        search->Telecommuting = search->Contract = search->Internship = search->PartTime = search->NonProfit = true;
        search->FilterKeywords = "straße  ";
        search->FilterOr = false;
        search->FilterDays = 7;
        search->NotifySms = search->NotifyEmail = search->NotifyEmailDigest = true;
        search->KeepOldResults = false;
        search->SelectedEntry = "http://sfbay.craigslist.org/apa/1002.html";
        search->ShowPreview = true;
        search->PreviewHeightRatio = 0.3f;
        for (int n = 1; n <= 3; ++n)
            search->Results.push_back(Entry(n, n == 2));
        search->Results.back()->Price = -1;
        search->DeletedResults.push_back(Entry(7, true));
        auto favourite = std::make_unique<TFavourite>(*Entry(9, true));
        favourite->Note = Note;
        search->Favourites.push_back(std::move(favourite));
        search->Favourites.push_back(std::make_unique<TFavourite>(*Entry(10, false)));
        search->LatestEntries.push_back(
            std::make_unique<TLatestEntry>(0, "http://a.org/1.html", "http://a.org/search"));
        search->LatestEntries.push_back(std::make_unique<TLatestEntry>(2, "http://b.org/ü.html", "http://b.org/s?q=ä"));
        search->NewResultsAvailable = true;
        return search;
    }

    /// Saves search locally into the file and returns the file's text.
    std::string SaveToFile(TSearch& search) const {
        auto searches = Searches();
        searches->Save(search, true, false);
        return folder.ReadFile("SearchesTXF.tx");
    }

    static pugi::xml_document ParseFile(const std::string& text) {
        pugi::xml_document document;
        EXPECT_TRUE(document.load_buffer(text.data(), text.size(), pugi::parse_default & ~pugi::parse_eol));
        return document;
    }

    static std::vector<std::string> ElementNames(const std::string& text) {
        std::vector<std::string> names;
        const pugi::xml_document document = ParseFile(text);
        for (const pugi::xml_node& child : document.document_element().children())
            names.emplace_back(child.name());
        return names;
    }

    static std::string Serialise(const pugi::xml_document& document) {
        std::ostringstream text;
        document.save(text, "\t", pugi::format_default, pugi::encoding_utf8);
        return text.str();
    }

    QTemporaryDir configHome;
    TTempDataFolder folder;
    TRecordingMessages messages;
    std::unique_ptr<TSession> session;
    std::unique_ptr<TPlaces> places;
    std::unique_ptr<TCategories> categories;
    TSearchContext searchContext;
    IRemoteSearchStore* remoteStore = nullptr;
    std::function<int()> userId;
};

void ExpectSameEntry(const TEntry& actual, const TEntry& expected) {
    EXPECT_EQ(actual.Date, expected.Date);
    EXPECT_EQ(actual.Name, expected.Name);
    EXPECT_EQ(actual.Price, expected.Price);
    EXPECT_EQ(actual.Location, expected.Location);
    EXPECT_EQ(actual.Link, expected.Link);
    EXPECT_EQ(actual.HasImage, expected.HasImage);
    EXPECT_EQ(actual.Month, expected.Month);
    EXPECT_EQ(actual.Day, expected.Day);
    EXPECT_EQ(actual.Visited, expected.Visited);
    EXPECT_EQ(actual.New, expected.New);
}

template <typename List> void ExpectSameEntries(const List& actual, const List& expected) {
    ASSERT_EQ(actual.size(), expected.size());
    for (std::size_t i = 0; i < actual.size(); ++i)
        ExpectSameEntry(*actual[i], *expected[i]);
}

// Only the fields of the search's own group are stored; the others come back as defaults.
void ExpectSameExtras(const TSearch& actual, const TSearch& expected) {
    const std::string group = expected.CategoryGroup();
    const TSearch defaults;
    const TSearch& personals = group == "personals" ? expected : defaults;
    const TSearch& housing = group == "housing" ? expected : defaults;
    const TSearch& forSale = group == "for sale" ? expected : defaults;
    const TSearch& jobs = group == "jobs" ? expected : defaults;
    EXPECT_EQ(actual.MinAge, personals.MinAge);
    EXPECT_EQ(actual.MaxAge, personals.MaxAge);
    EXPECT_EQ(actual.MinRent, housing.MinRent);
    EXPECT_EQ(actual.MaxRent, housing.MaxRent);
    EXPECT_EQ(actual.Bedrooms, housing.Bedrooms);
    EXPECT_EQ(actual.Cats, housing.Cats);
    EXPECT_EQ(actual.Dogs, housing.Dogs);
    EXPECT_EQ(actual.MinPrice, forSale.MinPrice);
    EXPECT_EQ(actual.MaxPrice, forSale.MaxPrice);
    EXPECT_EQ(actual.Telecommuting, jobs.Telecommuting);
    EXPECT_EQ(actual.Contract, jobs.Contract);
    EXPECT_EQ(actual.Internship, jobs.Internship);
    EXPECT_EQ(actual.PartTime, jobs.PartTime);
    EXPECT_EQ(actual.NonProfit, jobs.NonProfit);
}

void ExpectSameSearch(TSearch& actual, TSearch& expected) {
    EXPECT_EQ(actual.UserId, -1);
    EXPECT_EQ(actual.SearchId, expected.SearchId);
    EXPECT_EQ(actual.FolderId, expected.FolderId);
    EXPECT_EQ(actual.Name, expected.Name);
    EXPECT_EQ(actual.Locations(), expected.Locations());
    EXPECT_EQ(actual.Distance, expected.Distance);
    EXPECT_EQ(actual.Category, expected.Category);
    EXPECT_EQ(actual.PositiveKeywords, expected.PositiveKeywords);
    EXPECT_EQ(actual.NegativeKeywords, expected.NegativeKeywords);
    EXPECT_EQ(actual.OnlyTitles, expected.OnlyTitles);
    EXPECT_EQ(actual.HasImage, expected.HasImage);
    EXPECT_EQ(actual.AdvAllThese, expected.AdvAllThese);
    EXPECT_EQ(actual.AdvExact, expected.AdvExact);
    EXPECT_EQ(actual.AdvOr1, expected.AdvOr1);
    EXPECT_EQ(actual.AdvOr2, expected.AdvOr2);
    EXPECT_EQ(actual.AdvOr3, expected.AdvOr3);
    EXPECT_EQ(actual.AdvNoneOfThese, expected.AdvNoneOfThese);
    ExpectSameExtras(actual, expected);
    EXPECT_EQ(actual.FilterKeywords, expected.FilterKeywords);
    EXPECT_EQ(actual.FilterOr, expected.FilterOr);
    EXPECT_EQ(actual.FilterDays, expected.FilterDays);
    EXPECT_EQ(actual.NotifySms, expected.NotifySms);
    EXPECT_EQ(actual.NotifyEmail, expected.NotifyEmail);
    EXPECT_EQ(actual.NotifyEmailDigest, expected.NotifyEmailDigest);
    EXPECT_EQ(actual.KeepOldResults, expected.KeepOldResults);
    EXPECT_EQ(actual.SelectedEntry, expected.SelectedEntry);
    EXPECT_EQ(actual.ShowPreview, expected.ShowPreview);
    EXPECT_EQ(actual.PreviewHeightRatio, expected.PreviewHeightRatio);
    EXPECT_EQ(actual.NewResultsAvailable, expected.NewResultsAvailable);
    ExpectSameEntries(actual.Results, expected.Results);
    ExpectSameEntries(actual.DeletedResults, expected.DeletedResults);
    ExpectSameEntries(actual.Favourites, expected.Favourites);
    ASSERT_EQ(actual.Favourites.size(), expected.Favourites.size());
    for (std::size_t i = 0; i < actual.Favourites.size(); ++i)
        EXPECT_EQ(actual.Favourites[i]->Note, expected.Favourites[i]->Note);
    ASSERT_EQ(actual.LatestEntries.size(), expected.LatestEntries.size());
    for (std::size_t i = 0; i < actual.LatestEntries.size(); ++i) {
        EXPECT_EQ(actual.LatestEntries[i]->LocationId, expected.LatestEntries[i]->LocationId);
        EXPECT_EQ(actual.LatestEntries[i]->PageLink, expected.LatestEntries[i]->PageLink);
        EXPECT_EQ(actual.LatestEntries[i]->EntryLink, expected.LatestEntries[i]->EntryLink);
    }
}

// ---- Creating the collection from the file ----

TEST_F(TSearchesTest, WithoutAnyFileTheDocumentIsEmptyAndDestroyingCreatesTheFile) {
    {
        const auto searches = Searches();
        EXPECT_EQ(searches->Xml, "<searches></searches>");
        EXPECT_TRUE(searches->Items.empty());
    }
    EXPECT_EQ(folder.ReadFile("SearchesTXF.tx"), "<searches></searches>");
}

TEST_F(TSearchesTest, AFileOfBlanksAndLineBreaksCountsAsEmpty) {
    folder.WriteFile("SearchesTXF.tx", "  \r\n\t\n \x01 ");
    EXPECT_EQ(Searches()->Xml, "<searches></searches>");
}

TEST_F(TSearchesTest, AMissingFileIsRestoredFromTheSpareCopyWhichStays) {
    const std::string spare = "<searches><search5/></searches>";
    folder.WriteFile("SearchesTXF.tmp", spare);
    EXPECT_EQ(Searches()->Xml, spare);
    EXPECT_EQ(folder.ReadFile("SearchesTXF.tmp"), spare);
    EXPECT_EQ(folder.ReadFile("SearchesTXF.tx"), spare);
}

TEST_F(TSearchesTest, TheSpareCopyNeverReplacesAnExistingFile) {
    folder.WriteFile("SearchesTXF.tmp", "<searches><spare/></searches>");
    folder.WriteFile("SearchesTXF.tx", "<searches><main/></searches>");
    EXPECT_EQ(Searches()->Xml, "<searches><main/></searches>");
}

// ---- Round trips ----

class TRoundTripTest : public TSearchesTest, public testing::WithParamInterface<int> {};

TEST_P(TRoundTripTest, EveryFieldSurvivesASaveAndALoad) {
    const auto original = FullSearch(GetParam(), 42);
    SaveToFile(*original);
    const auto searches = Loaded();
    ASSERT_EQ(searches->Items.size(), 1u);
    ExpectSameSearch(*searches->Items[0], *original);
}

INSTANTIATE_TEST_SUITE_P(CategoryGroups, TRoundTripTest,
                         testing::Values(Personals, Housing, ForSale, Jobs, Community, 16 /* personals itself */));

TEST_F(TSearchesTest, NonAsciiTextIsStoredByteForByte) {
    const auto original = FullSearch(Housing);
    const std::string text = SaveToFile(*original);
    EXPECT_NE(text.find(Title + " #1"), std::string::npos);
    EXPECT_NE(text.find("日本語のメモ"), std::string::npos);
    const auto searches = Loaded();
    ASSERT_EQ(searches->Items.size(), 1u);
    EXPECT_EQ(searches->Items[0]->Favourites[0]->Note, Note);
    EXPECT_EQ(searches->Items[0]->Name, "Wohnung – Köln ☺");
}

TEST_F(TSearchesTest, BoundedTextsAreCutWhenReadLinksAreNot) {
    const auto original = FullSearch(Community);
    std::string text = SaveToFile(*original);
    pugi::xml_document document = ParseFile(text);
    pugi::xml_node element = document.document_element().first_child();
    element.child("srch_name").text().set(std::string(60, 'n').c_str());
    element.child("entry_selected").text().set(std::string(150, 'l').c_str());
    element.child("search_results").first_child().child("date").text().set("December 24 2025 x");
    folder.WriteFile("SearchesTXF.tx", Serialise(document));
    const auto searches = Loaded();
    ASSERT_EQ(searches->Items.size(), 1u);
    EXPECT_EQ(searches->Items[0]->Name, std::string(50, 'n'));
    EXPECT_EQ(searches->Items[0]->SelectedEntry, std::string(150, 'l'));
    EXPECT_EQ(searches->Items[0]->Results[0]->Date, "December 24 202");
    EXPECT_EQ(searches->Items[0]->Results[0]->Month, 0);
}

// Today's posting links run past 100 bytes; two of them may share their first 100.
TEST_F(TSearchesTest, WholeLinksSurviveASaveAndALoad) {
    const std::string shared = "http://miami.craigslist.org/mdc/act/d/" + std::string(62, 'w');
    const std::string first = shared + "/7712345601.html";
    const std::string second = shared + "/7712345602.html";
    // A link of a file written before, cut to 100 bytes, still reads as it stands.
    const std::string cut = shared;
    auto original = FullSearch(Community, 4);
    original->Results.clear();
    for (const std::string& link : {first, second, cut})
        original->Results.push_back(std::make_unique<TEntry>("Mar 5", "walk", link, 0, "miami", false));
    original->DeletedResults.push_back(std::make_unique<TEntry>("Mar 4", "gone", second + "?x", 0, "miami", false));
    original->Favourites.push_back(std::make_unique<TFavourite>(*original->Results[1]));
    original->LatestEntries.push_back(std::make_unique<TLatestEntry>(0, second, "http://miami.craigslist.org/search"));
    original->SelectedEntry = second;
    SaveToFile(*original);
    const auto searches = Loaded();
    ASSERT_EQ(searches->Items.size(), 1u);
    TSearch& loaded = *searches->Items[0];
    ExpectSameSearch(loaded, *original);
    EXPECT_EQ(loaded.Results[1]->Link, second);
    EXPECT_EQ(loaded.Favourites.back()->Link, second);
    EXPECT_EQ(loaded.LatestEntries.back()->EntryLink, second);
    EXPECT_EQ(loaded.SelectedEntry, second);
    EXPECT_EQ(FindEntryByLink(loaded.Results, second), loaded.Results[1].get());
    EXPECT_EQ(FindEntryByLink(loaded.Results, cut), loaded.Results[2].get());
}

// ---- The element format ----

TEST_F(TSearchesTest, ANewSearchIsWrittenOnceUnderIdZeroWithNobodySignedIn) {
    const auto search = FullSearch(Community);
    auto searches = Searches();
    searches->Save(*search, true, false);
    searches->Save(*search, true, false);
    const std::string text = folder.ReadFile("SearchesTXF.tx");
    EXPECT_EQ(ElementNames(text), (std::vector<std::string>{"search0"}));
    EXPECT_EQ(ParseFile(text).document_element().child("search0").child("user_id").text().as_string(),
              std::string("-1"));
    EXPECT_EQ(searches->Xml, text);
}

TEST_F(TSearchesTest, ChildrenAreWrittenInTheirOrder) {
    const auto search = FullSearch(Jobs);
    std::vector<std::string> names;
    const pugi::xml_document document = ParseFile(SaveToFile(*search));
    for (const pugi::xml_node& child : document.document_element().first_child().children())
        names.emplace_back(child.name());
    const std::vector<std::string> expected = {"user_id",
                                               "srch_id",
                                               "fld_id",
                                               "srch_name",
                                               "search_locations",
                                               "cat_id",
                                               "pos_keywords",
                                               "neg_keywords",
                                               "only_titles",
                                               "has_image",
                                               "distance",
                                               "filter_keywords",
                                               "filter_or",
                                               "filter_days",
                                               "add_min",
                                               "add_max",
                                               "add_baths",
                                               "add_check1",
                                               "add_check2",
                                               "add_check3",
                                               "add_check4",
                                               "add_check5",
                                               "adv_all_these",
                                               "adv_exact",
                                               "adv_or1",
                                               "adv_or2",
                                               "adv_or3",
                                               "adv_none_of_these",
                                               "notify",
                                               "notify_email",
                                               "notify_email_digest",
                                               "keep_old_results",
                                               "entry_selected",
                                               "show_preview",
                                               "preview_height_ratio",
                                               "favourites",
                                               "latest_entries",
                                               "new_results_available",
                                               "search_results",
                                               "deleted_results"};
    EXPECT_EQ(names, expected);
}

TEST_F(TSearchesTest, SavingMovesTheSearchToTheEnd) {
    folder.WriteFile("SearchesTXF.tx",
                     "<searches><search1234><srch_id>1234</srch_id></search1234><search0/></searches>");
    const auto search = FullSearch(Community, 1234);
    EXPECT_EQ(ElementNames(SaveToFile(*search)), (std::vector<std::string>{"search0", "search1234"}));
}

struct TSlotCase {
    int category;
    std::function<void(TSearch&)> set;
    std::vector<std::string> slots; // add_min, add_max, add_baths, add_check1 to add_check5
};

class TSlotTest : public TSearchesTest, public testing::WithParamInterface<TSlotCase> {};

TEST_P(TSlotTest, TheGroupsFieldsFillTheGenericSlots) {
    TSearch search;
    search.Category = Category(GetParam().category);
    // Values in every group: only the current group's may reach the file.
    search.MinAge = 1;
    search.MinRent = 2;
    search.MinPrice = 3;
    search.Bedrooms = 4;
    search.Cats = search.Telecommuting = true;
    GetParam().set(search);
    const pugi::xml_document document = ParseFile(SaveToFile(search));
    std::vector<std::string> slots;
    for (const char* name :
         {"add_min", "add_max", "add_baths", "add_check1", "add_check2", "add_check3", "add_check4", "add_check5"})
        slots.emplace_back(document.document_element().first_child().child(name).text().as_string());
    EXPECT_EQ(slots, GetParam().slots);
}

INSTANTIATE_TEST_SUITE_P(Groups, TSlotTest,
                         testing::Values(TSlotCase{Personals,
                                                   [](TSearch& s) {
                                                       s.MinAge = 18;
                                                       s.MaxAge = 35;
                                                   },
                                                   {"18", "35", "0", "0", "0", "0", "0", "0"}},
                                         TSlotCase{Housing,
                                                   [](TSearch& s) {
                                                       s.Bedrooms = 2;
                                                       s.MinRent = 500;
                                                       s.MaxRent = 1200;
                                                       s.Cats = false;
                                                       s.Dogs = true;
                                                   },
                                                   {"500", "1200", "2", "0", "-1", "0", "0", "0"}},
                                         TSlotCase{ForSale,
                                                   [](TSearch& s) {
                                                       s.MinPrice = 1500.75;
                                                       s.MaxPrice = 0;
                                                   },
                                                   {"1500.75", "0", "0", "0", "0", "0", "0", "0"}},
                                         TSlotCase{Jobs,
                                                   [](TSearch& s) {
                                                       s.Contract = s.PartTime = true;
                                                       s.Telecommuting = false;
                                                   },
                                                   {"0", "0", "0", "0", "-1", "0", "-1", "0"}},
                                         TSlotCase{
                                             Community, [](TSearch&) {}, {"0", "0", "0", "0", "0", "0", "0", "0"}}));

// ---- Reading altered elements ----

struct TReadCase {
    const char* name;
    std::function<void(pugi::xml_node&)> alter;
    bool loads;
    std::function<void(TSearch&)> check;
};

class TReadTest : public TSearchesTest, public testing::WithParamInterface<TReadCase> {};

void SetText(pugi::xml_node element, const char* child, const char* text) {
    element.child(child).text().set(text);
}

TEST_P(TReadTest, ReadsTheAlteredElement) {
    const auto original = FullSearch(Housing);
    pugi::xml_document document = ParseFile(SaveToFile(*original));
    pugi::xml_node element = document.document_element().first_child();
    GetParam().alter(element);
    const std::string text = Serialise(document);
    folder.WriteFile("SearchesTXF.tx", text);
    const auto searches = Loaded();
    ASSERT_EQ(searches->Items.size(), GetParam().loads ? 1u : 0u);
    if (GetParam().loads && GetParam().check)
        GetParam().check(*searches->Items[0]);
    // Whatever could be read, the element stays in the document.
    EXPECT_EQ(ElementNames(searches->Xml), (std::vector<std::string>{"search0"}));
}

const TReadCase ReadCases[] = {
    {"NoDistance", [](pugi::xml_node& e) { e.remove_child("distance"); }, true,
     [](TSearch& s) { EXPECT_EQ(s.Distance, 0); }},
    {"NoAdvancedTexts",
     [](pugi::xml_node& e) {
         e.remove_child("adv_all_these");
         e.remove_child("adv_or1"); // not looked for without "adv_all_these"
     },
     true,
     [](TSearch& s) {
         EXPECT_EQ(s.AdvExact, "");
         EXPECT_EQ(s.AdvOr2, "");
         EXPECT_EQ(s.AdvNoneOfThese, "");
     }},
    {"AdvancedTextMissing", [](pugi::xml_node& e) { e.remove_child("adv_or3"); }, false, nullptr},
    {"NoNotify", [](pugi::xml_node& e) { e.remove_child("notify"); }, false, nullptr},
    {"NoResultsElement", [](pugi::xml_node& e) { e.remove_child("search_results"); }, false, nullptr},
    {"ResultWithoutLink", [](pugi::xml_node& e) { e.child("search_results").first_child().remove_child("link"); },
     false, nullptr},
    {"FavouriteWithoutNote", [](pugi::xml_node& e) { e.child("favourites").first_child().remove_child("note"); }, false,
     nullptr},
    {"MarkerWithBadPosition",
     [](pugi::xml_node& e) { SetText(e.child("latest_entries").first_child(), "location_id", "first"); }, false,
     nullptr},
    {"BooleanOne", [](pugi::xml_node& e) { SetText(e, "only_titles", "1"); }, true,
     [](TSearch& s) { EXPECT_TRUE(s.OnlyTitles); }},
    {"BooleanUpperTrue", [](pugi::xml_node& e) { SetText(e, "only_titles", "TRUE"); }, true,
     [](TSearch& s) { EXPECT_TRUE(s.OnlyTitles); }},
    {"BooleanMixedFalse", [](pugi::xml_node& e) { SetText(e, "only_titles", "fAlSe"); }, true,
     [](TSearch& s) { EXPECT_FALSE(s.OnlyTitles); }},
    {"BooleanZero", [](pugi::xml_node& e) { SetText(e, "show_preview", "0"); }, true,
     [](TSearch& s) { EXPECT_FALSE(s.ShowPreview); }},
    {"BooleanWord", [](pugi::xml_node& e) { SetText(e, "show_preview", "yes"); }, false, nullptr},
    {"IntegerWithText", [](pugi::xml_node& e) { SetText(e, "filter_days", "7 days"); }, false, nullptr},
    {"IntegerTooLarge", [](pugi::xml_node& e) { SetText(e, "srch_id", "99999999999"); }, false, nullptr},
    {"FloatWithComma", [](pugi::xml_node& e) { SetText(e, "add_min", "500,5"); }, true,
     [](TSearch& s) { EXPECT_EQ(s.MinRent, 500.5); }},
    {"FloatNotANumber", [](pugi::xml_node& e) { SetText(e, "add_max", "12OO"); }, false, nullptr},
    {"EmptyFloat", [](pugi::xml_node& e) { SetText(e, "preview_height_ratio", ""); }, false, nullptr},
    {"RatioBeyondAFloat", [](pugi::xml_node& e) { SetText(e, "preview_height_ratio", "1e308"); }, false, nullptr},
    {"NegativeRatioBeyondAFloat", [](pugi::xml_node& e) { SetText(e, "preview_height_ratio", "-3.5e38"); }, false,
     nullptr},
    {"RatioBelowAFloatsPrecision", [](pugi::xml_node& e) { SetText(e, "preview_height_ratio", "1e-300"); }, true,
     [](TSearch& s) { EXPECT_EQ(s.PreviewHeightRatio, 0.0f); }},
    {"PriceMinusOne", [](pugi::xml_node& e) { SetText(e.child("search_results").first_child(), "price", "-1"); }, true,
     [](TSearch& s) { EXPECT_EQ(s.Results[0]->Price, -1); }},
    {"LocationsWithUnknownId",
     [](pugi::xml_node& e) {
         pugi::xml_node locations = e.child("search_locations");
         locations.remove_children();
         locations.append_child("loc_id").text().set("12");
         locations.append_child("other").text().set("99999999");
         locations.append_child("x").text().set("345");
     },
     true,
     [](TSearch& s) {
         ASSERT_EQ(s.Locations().size(), 2u);
         EXPECT_EQ(s.Locations()[0]->Id, 12);
         EXPECT_EQ(s.Locations()[1]->Id, 345);
         EXPECT_EQ(s.UnknownLocationIds, std::vector<int>{99999999});
         EXPECT_FALSE(s.LocationsChanged);
     }},
    {"LocationNotANumber",
     [](pugi::xml_node& e) { e.child("search_locations").append_child("loc_id").text().set("x"); }, false, nullptr},
    {"ResultChildrenOfAnyName", [](pugi::xml_node& e) { e.child("deleted_results").first_child().set_name("deleted"); },
     true, [](TSearch& s) { EXPECT_EQ(s.DeletedResults.size(), 1u); }},
    {"UnknownCategory", [](pugi::xml_node& e) { SetText(e, "cat_id", "999999"); }, false, nullptr},
};

INSTANTIATE_TEST_SUITE_P(Elements, TReadTest, testing::ValuesIn(ReadCases),
                         [](const testing::TestParamInfo<TReadCase>& info) { return info.param.name; });

TEST_F(TSearchesTest, PersonalsAgesAreRoundedWhenRead) {
    TSearch search;
    search.Category = Category(Personals);
    pugi::xml_document document = ParseFile(SaveToFile(search));
    SetText(document.document_element().first_child(), "add_min", "17,6");
    SetText(document.document_element().first_child(), "add_max", "35.2");
    folder.WriteFile("SearchesTXF.tx", Serialise(document));
    const auto searches = Loaded();
    ASSERT_EQ(searches->Items.size(), 1u);
    EXPECT_EQ(searches->Items[0]->MinAge, 18);
    EXPECT_EQ(searches->Items[0]->MaxAge, 35);
}

// A file of the older program, written under a locale with a decimal comma.
TEST_F(TSearchesTest, AFileWrittenWithDecimalCommasLoads) {
    auto original = FullSearch(Housing);
    pugi::xml_document document = ParseFile(SaveToFile(*original));
    pugi::xml_node element = document.document_element().first_child();
    SetText(element, "add_min", "500,5");
    SetText(element, "preview_height_ratio", "0,300000011920929");
    SetText(element.child("search_results").first_child(), "price", "10,5");
    folder.WriteFile("SearchesTXF.tx", Serialise(document));
    const auto searches = Loaded();
    ASSERT_EQ(searches->Items.size(), 1u);
    ExpectSameSearch(*searches->Items[0], *original);
}

struct TCommaPunct final : std::numpunct<char> {
    char do_decimal_point() const override { return ','; }
};

// Whatever the locale, the file is written with "." and reads back the same.
TEST_F(TSearchesTest, WritingIgnoresTheLocale) {
    const std::locale previousGlobal = std::locale::global(std::locale(std::locale::classic(), new TCommaPunct));
    const QLocale previousQt;
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    const auto original = FullSearch(Housing);
    const std::string text = SaveToFile(*original);
    std::locale::global(previousGlobal);
    QLocale::setDefault(previousQt);
    EXPECT_NE(text.find("<add_min>500.5</add_min>"), std::string::npos);
    EXPECT_NE(text.find("<preview_height_ratio>0.3</preview_height_ratio>"), std::string::npos);
    const auto searches = Loaded();
    ASSERT_EQ(searches->Items.size(), 1u);
    ExpectSameSearch(*searches->Items[0], *original);
}

// ---- Users ----

std::string ElementOf(TSearch& search, int userId) {
    pugi::xml_document document;
    search.WriteXml(document, userId);
    std::ostringstream text;
    document.document_element().first_child().print(text, "", pugi::format_raw);
    return text.str();
}

TEST_F(TSearchesTest, OnlyTheSignedInUsersAndUnownedSearchesLoad) {
    std::string text = "<searches>";
    for (const auto& [id, user] : std::vector<std::pair<int, int>>{{1, 7}, {2, 8}, {3, -1}, {4, 7}}) {
        auto search = FullSearch(Community, id);
        text += ElementOf(*search, user);
    }
    text += "</searches>";
    folder.WriteFile("SearchesTXF.tx", text);
    const auto ids = [](const TSearches& searches) {
        std::vector<int> result;
        for (const auto& search : searches.Items)
            result.push_back(search->SearchId);
        return result;
    };
    EXPECT_EQ(ids(*Loaded()), (std::vector<int>{3}));
    userId = [] { return 7; };
    auto searches = Loaded();
    EXPECT_EQ(ids(*searches), (std::vector<int>{1, 3, 4}));
    // The other user's element stays in the document and the file.
    searches.reset();
    EXPECT_EQ(ElementNames(folder.ReadFile("SearchesTXF.tx")),
              (std::vector<std::string>{"search1", "search2", "search3", "search4"}));
}

TEST_F(TSearchesTest, ASignedInUsersSaveCarriesTheirId) {
    userId = [] { return 7; };
    const auto search = FullSearch(Community);
    const pugi::xml_document document = ParseFile(SaveToFile(*search));
    EXPECT_EQ(document.document_element().child("search0").child("user_id").text().as_int(), 7);
}

// ---- Failures ----

// A search saved after it (a save moves the element to the end) still shows.
TEST_F(TSearchesTest, AnUnreadableElementIsSkippedAndStaysInTheFile) {
    std::string text = "<searches>";
    for (int id = 1; id <= 4; ++id) {
        auto search = FullSearch(Community, id);
        text += ElementOf(*search, -1);
    }
    text += "</searches>";
    pugi::xml_document document = ParseFile(text);
    document.document_element().child("search3").remove_child("notify");
    folder.WriteFile("SearchesTXF.tx", Serialise(document));
    auto searches = Loaded();
    ASSERT_EQ(searches->Items.size(), 3u);
    EXPECT_EQ(searches->Items[1]->SearchId, 2);
    EXPECT_EQ(searches->Items[2]->SearchId, 4);
    ASSERT_EQ(messages.Shown.size(), 1u);
    EXPECT_EQ(messages.Shown[0].rfind("error: A saved search cannot be read", 0), 0u) << messages.Shown[0];
    EXPECT_NE(messages.Shown[0].find("notify"), std::string::npos) << "names what is wrong";
    searches.reset();
    const std::string written = folder.ReadFile("SearchesTXF.tx");
    EXPECT_EQ(ElementNames(written), (std::vector<std::string>{"search1", "search2", "search3", "search4"}));
}

TEST_F(TSearchesTest, ASearchSavedAfterAnUnreadableOneStillLoads) {
    std::string text = "<searches>";
    for (int id = 1; id <= 2; ++id)
        text += ElementOf(*FullSearch(Community, id), -1);
    text += "</searches>";
    pugi::xml_document document = ParseFile(text);
    document.document_element().child("search2").remove_child("notify");
    folder.WriteFile("SearchesTXF.tx", Serialise(document));
    {
        auto searches = Loaded();
        ASSERT_EQ(searches->Items.size(), 1u);
        searches->Save(*searches->Items[0], true, false); // now behind the unreadable one
    }
    EXPECT_EQ(ElementNames(folder.ReadFile("SearchesTXF.tx")), (std::vector<std::string>{"search2", "search1"}));
    auto again = Loaded();
    ASSERT_EQ(again->Items.size(), 1u);
    EXPECT_EQ(again->Items[0]->SearchId, 1);
}

struct TBadFileCase {
    const char* name;
    std::string bytes;
};

class TBadFileTest : public TSearchesTest, public testing::WithParamInterface<TBadFileCase> {};

// Text that is no XML loads nothing, refuses saves and deletes, and goes back to the file
// unchanged.
TEST_P(TBadFileTest, LoadsNothingAndKeepsTheText) {
    folder.WriteFile("SearchesTXF.tx", GetParam().bytes);
    {
        auto searches = Loaded();
        EXPECT_TRUE(searches->Items.empty());
        EXPECT_EQ(searches->Xml, GetParam().bytes);
        ASSERT_EQ(messages.Shown.size(), 1u) << "the user is told";
        EXPECT_NE(messages.Shown[0].find("No searches were loaded"), std::string::npos) << messages.Shown[0];
        TSearch search;
        EXPECT_THROW(searches->Save(search, true, false), TSearchesError);
        EXPECT_THROW(searches->Delete(search), TSearchesError);
        EXPECT_EQ(searches->Xml, GetParam().bytes);
    }
    EXPECT_EQ(folder.ReadFile("SearchesTXF.tx"), GetParam().bytes);
}

INSTANTIATE_TEST_SUITE_P(Files, TBadFileTest,
                         testing::Values(TBadFileCase{"NotXml", "search results: none"},
                                         TBadFileCase{"Unclosed", "<searches><search0><user_id>-1</user_id>"},
                                         TBadFileCase{"NulInside",
                                                      std::string("<searches><search0/>\0<search1/></searches>", 42)},
                                         TBadFileCase{"Binary", std::string("\x7f"
                                                                            "ELF\x02\x01\x01\0\0\0",
                                                                            10)}),
                         [](const testing::TestParamInfo<TBadFileCase>& info) { return info.param.name; });

TEST_F(TSearchesTest, InvalidUtf8InATextSurvivesALoadAndASave) {
    const auto original = FullSearch(Community);
    pugi::xml_document document = ParseFile(SaveToFile(*original));
    const std::string bad = "caf\xe9 \xff\xfe \xc3\x28";
    SetText(document.document_element().first_child(), "pos_keywords", bad.c_str());
    folder.WriteFile("SearchesTXF.tx", Serialise(document));
    {
        auto searches = Loaded();
        ASSERT_EQ(searches->Items.size(), 1u);
        EXPECT_EQ(searches->Items[0]->PositiveKeywords, bad);
        searches->Save(*searches->Items[0], true, false);
    }
    const auto searches = Loaded();
    ASSERT_EQ(searches->Items.size(), 1u);
    EXPECT_EQ(searches->Items[0]->PositiveKeywords, bad);
}

TEST_F(TSearchesTest, AFileTooLargeToReadIsMovedAsideNotDeleted) {
    const std::string text = "<searches>" + std::string(5000, ' ') + "</searches>";
    folder.WriteFile("SearchesTXF.tx", text);
    TSearches::MaxFileSize = 4096;
    {
        const auto searches = Searches();
        EXPECT_EQ(searches->Xml, "<searches></searches>");
    }
    EXPECT_EQ(folder.ReadFile("SearchesTXF.unreadable"), text);
    EXPECT_EQ(folder.ReadFile("SearchesTXF.tx"), "<searches></searches>");
    ASSERT_EQ(messages.Shown.size(), 1u);
    EXPECT_NE(messages.Shown[0].find("kept as SearchesTXF.unreadable"), std::string::npos) << messages.Shown[0];
}

TEST_F(TSearchesTest, EveryUnreadableFileIsKeptUnderANameOfItsOwn) {
    TSearches::MaxFileSize = 4096;
    folder.WriteFile("SearchesTXF.unreadable", "earlier");
    for (const std::string suffix : {".2", ".3"}) {
        const std::string text = "<searches>" + std::string(5000, suffix[1]) + "</searches>";
        folder.WriteFile("SearchesTXF.tx", text);
        Searches().reset();
        EXPECT_EQ(folder.ReadFile("SearchesTXF.unreadable" + suffix), text);
        EXPECT_EQ(folder.ReadFile("SearchesTXF.tx"), "<searches></searches>");
    }
    EXPECT_EQ(folder.ReadFile("SearchesTXF.unreadable"), "earlier");
    EXPECT_EQ(messages.Shown.size(), 2u);
}

// With no name left to move it to, the file stays where it is, and nothing overwrites it.
TEST_F(TSearchesTest, AnUnreadableFileThatCannotBeMovedStaysUntouched) {
    TSearches::MaxFileSize = 4096;
    TSearches::MaxUnreadableCopies = 2;
    folder.WriteFile("SearchesTXF.unreadable", "first");
    folder.WriteFile("SearchesTXF.unreadable.2", "second");
    const std::string text = "<searches>" + std::string(5000, ' ') + "</searches>";
    folder.WriteFile("SearchesTXF.tx", text);
    {
        const auto searches = Searches();
        EXPECT_EQ(searches->Xml, "<searches></searches>");
        ASSERT_EQ(messages.Shown.size(), 1u);
        EXPECT_NE(messages.Shown[0].find("cannot be moved aside"), std::string::npos) << messages.Shown[0];
        auto search = FullSearch(Community);
        EXPECT_THROW(searches->Save(*search, true, false), TSearchesError);
    }
    EXPECT_EQ(folder.ReadFile("SearchesTXF.tx"), text);
    EXPECT_EQ(folder.ReadFile("SearchesTXF.unreadable"), "first");
    EXPECT_EQ(folder.ReadFile("SearchesTXF.unreadable.2"), "second");
    EXPECT_EQ(QDir(QString::fromStdString(folder.Path())).entryList({"SearchesTXF*"}, QDir::Files).size(), 3);
}

TEST_F(TSearchesTest, AFileThatCannotBeOpenedIsMovedAside) {
    QDir().mkpath(QString::fromStdString(folder.File("SearchesTXF.tx")));
    EXPECT_EQ(Searches()->Xml, "<searches></searches>");
    EXPECT_TRUE(QFileInfo(QString::fromStdString(folder.File("SearchesTXF.unreadable"))).isDir());
}

/// Limits the size of any file this process writes, as a full disk would.
class TFileSizeLimit final {
public:
    explicit TFileSizeLimit(rlim_t bytes) {
        getrlimit(RLIMIT_FSIZE, &m_previous);
        m_previousHandler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit = m_previous;
        limit.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~TFileSizeLimit() {
        setrlimit(RLIMIT_FSIZE, &m_previous);
        std::signal(SIGXFSZ, m_previousHandler);
    }

private:
    rlimit m_previous{};
    void (*m_previousHandler)(int) = nullptr;
};

TEST_F(TSearchesTest, AWriteThatFailsHalfwayLeavesThePreviousFile) {
    TSearch small;
    small.Category = Category(Community);
    const std::string before = SaveToFile(small);
    ASSERT_LT(before.size(), 4096u);

    auto big = FullSearch(Housing, 5);
    for (int n = 0; n < 200; ++n)
        big->Results.push_back(Entry(n, false));
    auto searches = Searches();
    {
        const TFileSizeLimit limit(4096);
        EXPECT_THROW(searches->Save(*big, true, false), TSearchesError);
    }
    EXPECT_EQ(folder.ReadFile("SearchesTXF.tx"), before);
    // The document has the search all the same and reaches the file at the next write.
    EXPECT_EQ(ElementNames(searches->Xml), (std::vector<std::string>{"search0", "search5"}));
    EXPECT_EQ(QDir(QString::fromStdString(folder.Path())).entryList({"SearchesTXF*"}, QDir::Files),
              QStringList{"SearchesTXF.tx"});
    searches.reset();
    EXPECT_EQ(ElementNames(folder.ReadFile("SearchesTXF.tx")), (std::vector<std::string>{"search0", "search5"}));
}

TEST_F(TSearchesTest, ASaveIntoAMissingFolderFailsAfterUpdatingTheText) {
    TSearches searches(folder.Path() + "missing/");
    auto search = FullSearch(Community);
    EXPECT_THROW(searches.Save(*search, true, false), TSearchesError);
    EXPECT_EQ(ElementNames(searches.Xml), (std::vector<std::string>{"search0"}));
}

// ---- Delete and the account database ----

/// The account database's side as the collection sees it, recording the calls.
class TRecordingRemote final : public IRemoteSearchStore {
public:
    void SaveSearch(TSearch& search) override {
        Calls.push_back("save " + std::to_string(search.SearchId));
        if (Fail)
            throw std::runtime_error("database refused");
        if (search.SearchId < 1)
            search.SearchId = 77;
    }
    void DeleteSearch(TSearch& search) override { Calls.push_back("delete " + std::to_string(search.SearchId)); }
    std::vector<std::string> Calls;
    bool Fail = false;
};

TEST_F(TSearchesTest, ARemoteInsertNamesTheElementWithTheNewId) {
    TRecordingRemote remote;
    remoteStore = &remote;
    const auto search = FullSearch(Community);
    auto searches = Searches();
    searches->Save(*search, false, true);
    EXPECT_EQ(remote.Calls, (std::vector<std::string>{"save 0"}));
    EXPECT_EQ(searches->Xml, "<searches></searches>"); // remote only
    searches->Save(*search, true, true);
    EXPECT_EQ(remote.Calls, (std::vector<std::string>{"save 0", "save 77"}));
    EXPECT_EQ(ElementNames(folder.ReadFile("SearchesTXF.tx")), (std::vector<std::string>{"search77"}));
}

// The account's store rolls a refused write back and drops it, as this one does: the
// search is saved locally all the same, under the id it had.
TEST_F(TSearchesTest, ARefusedRemoteSaveStillSavesTheSearchLocally) {
    class TRefusingRemote final : public IRemoteSearchStore {
    public:
        void SaveSearch(TSearch&) override { ++Refused; }
        void DeleteSearch(TSearch&) override { ++Refused; }
        int Refused = 0;
    } remote;
    remoteStore = &remote;
    folder.WriteFile("SearchesTXF.tx", "<searches><search3/></searches>");
    const auto search = FullSearch(Community);
    auto searches = Searches();
    EXPECT_NO_THROW(searches->Save(*search, true, true));
    EXPECT_EQ(remote.Refused, 1);
    EXPECT_EQ(search->SearchId, 0);
    EXPECT_EQ(ElementNames(folder.ReadFile("SearchesTXF.tx")), (std::vector<std::string>{"search3", "search0"}));
}

TEST_F(TSearchesTest, DeleteRemovesTheElementAndHandsTheSearchBack) {
    TRecordingRemote remote;
    remoteStore = &remote;
    {
        auto searches = Searches();
        for (int id : {1, 2}) {
            auto search = FullSearch(Community, id);
            searches->Save(*search, true, false);
        }
    }
    auto searches = Loaded();
    ASSERT_EQ(searches->Items.size(), 2u);
    TSearch& first = *searches->Items[0];
    const std::string fileBefore = folder.ReadFile("SearchesTXF.tx");
    const std::unique_ptr<TSearch> taken = searches->Delete(first);
    EXPECT_EQ(taken.get(), &first);
    ASSERT_EQ(searches->Items.size(), 1u);
    EXPECT_EQ(searches->Items[0]->SearchId, 2);
    EXPECT_EQ(ElementNames(searches->Xml), (std::vector<std::string>{"search2"}));
    EXPECT_EQ(remote.Calls, (std::vector<std::string>{"delete 1"}));
    EXPECT_EQ(folder.ReadFile("SearchesTXF.tx"), fileBefore); // until the next write
    searches.reset();
    EXPECT_EQ(ElementNames(folder.ReadFile("SearchesTXF.tx")), (std::vector<std::string>{"search2"}));
}

/// The search ids of a file's elements, in order, as "name:id".
std::vector<std::string> ElementIds(const std::string& text) {
    std::vector<std::string> ids;
    pugi::xml_document document;
    document.load_buffer(text.data(), text.size());
    for (const pugi::xml_node& child : document.document_element().children())
        ids.push_back(std::string(child.name()) + ":" + child.child("srch_id").text().as_string());
    return ids;
}

// An edited file: the element named "search1" holds search 2, the one of search 1 is named
// "search7". A save or delete takes only the element that holds the search's id.
class TEditedFileTest : public TSearchesTest {
protected:
    void SetUp() override {
        TSearchesTest::SetUp();
        pugi::xml_document document;
        for (const auto& [name, id] : std::vector<std::pair<std::string, int>>{{"search1", 2}, {"search7", 1}}) {
            FullSearch(Community, id)->WriteXml(document, -1);
            document.document_element().last_child().set_name(name.c_str());
        }
        folder.WriteFile("SearchesTXF.tx", Serialise(document));
        searches = Loaded();
        ASSERT_EQ(searches->Items.size(), 2u);
    }
    TSearch& ById(int id) {
        for (const auto& search : searches->Items)
            if (search->SearchId == id)
                return *search;
        throw std::out_of_range("no search " + std::to_string(id));
    }
    std::unique_ptr<TSearches> searches;
};

TEST_F(TEditedFileTest, SavingEachSearchReplacesOnlyItsOwnElement) {
    ASSERT_EQ(ElementIds(searches->Xml), (std::vector<std::string>{"search1:2", "search7:1"}));
    searches->Save(ById(1), true, false);
    EXPECT_EQ(ElementIds(folder.ReadFile("SearchesTXF.tx")), (std::vector<std::string>{"search1:2", "search1:1"}));
    searches->Save(ById(2), true, false);
    EXPECT_EQ(ElementIds(folder.ReadFile("SearchesTXF.tx")), (std::vector<std::string>{"search1:1", "search2:2"}));
    EXPECT_EQ(Loaded()->Items.size(), 2u);
}

TEST_F(TEditedFileTest, DeletingASearchRemovesOnlyItsOwnElement) {
    const auto taken = searches->Delete(ById(1));
    EXPECT_EQ(ElementIds(searches->Xml), (std::vector<std::string>{"search1:2"}));
    const auto other = searches->Delete(ById(2));
    EXPECT_EQ(ElementIds(searches->Xml), std::vector<std::string>{});
}

TEST_F(TSearchesTest, LocationIdsWithoutAPlaceAreWrittenBackAsTheyWere) {
    auto original = FullSearch(Community, 8);
    original->SetLocations({Place(12), Place(345)});
    pugi::xml_document document = ParseFile(SaveToFile(*original));
    document.document_element().first_child().child("search_locations").append_child("loc_id").text().set("987654");
    folder.WriteFile("SearchesTXF.tx", Serialise(document));
    {
        auto searches = Loaded();
        ASSERT_EQ(searches->Items.size(), 1u);
        EXPECT_EQ(searches->Items[0]->Locations(), (TPlaceList{Place(12), Place(345)}));
        searches->Save(*searches->Items[0], true, false);
    }
    const pugi::xml_document written = ParseFile(folder.ReadFile("SearchesTXF.tx"));
    std::vector<std::string> ids;
    for (const pugi::xml_node& id : written.document_element().first_child().child("search_locations").children())
        ids.emplace_back(id.text().as_string());
    EXPECT_EQ(ids, (std::vector<std::string>{"12", "345", "987654"}));
}

TEST_F(TSearchesTest, ASavePassedADocumentUsesItAndLeavesItWithTheCaller) {
    pugi::xml_document document;
    document.load_string("<searches><search9/></searches>");
    const auto search = FullSearch(Community);
    auto searches = Searches();
    searches->Save(*search, true, false, &document);
    EXPECT_EQ(ElementNames(searches->Xml), (std::vector<std::string>{"search9", "search0"}));
    EXPECT_TRUE(document.document_element().child("search0"));
}

TEST_F(TSearchesTest, LoadingWritesTheTwoLogLines) {
    const auto search = FullSearch(Community, 31);
    SaveToFile(*search);
    Loaded();
    const std::string log = folder.ReadFile("log.tx");
    const auto first = log.find(": constructor TSearch.Create(_XMLNode: IXMLNode);\r\n");
    const auto second = log.find(": Search ID is: 31\r\n");
    ASSERT_NE(first, std::string::npos);
    ASSERT_NE(second, std::string::npos);
    EXPECT_LT(first, second);
}

// ---- The session ----

TEST_F(TSearchesTest, SigningOutReleasesTheSearchesWritingTheFile) {
    bool done = false;
    session->OnSignInDone = [&] { done = true; };
    session->OpenSession();
    ASSERT_TRUE(WaitFor([&] { return done; }));
    ASSERT_TRUE(session->SignedIn);
    session->LoadSearches();
    EXPECT_EQ(session->Searches->FilePath(), folder.File("SearchesTXF.tx"));
    session->Searches->Xml = "<searches><search8/></searches>";
    session->CloseSession(false);
    ASSERT_TRUE(WaitFor([&] { return !session->Searches && !session->Places; }));
    EXPECT_EQ(folder.ReadFile("SearchesTXF.tx"), "<searches><search8/></searches>");
}

} // namespace
