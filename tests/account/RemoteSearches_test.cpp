// SPDX-License-Identifier: GPL-3.0-or-later
// ctest-labels: db
// The remote copy of searches against a real embedded database.
#include "account/RemoteSearches.h"

#include <algorithm>

#include <gtest/gtest.h>
#include <pugixml.hpp>

#include "TTestDatabase.h"
#include "TestSupport.h"
#include "account/Credentials.h"
#include "account/TAccountSearchStore.h"
#include "account/TUser.h"
#include "session/TSession.h"
#include "refdata/TCategories.h"
#include "refdata/TPlaces.h"
#include "search/TSearch.h"
#include "store/TSearches.h"

namespace {

const char* const SlotColumns =
    "ADD_MIN, ADD_MAX, ADD_BATHS, ADD_CHECK1, ADD_CHECK2, ADD_CHECK3, ADD_CHECK4, ADD_CHECK5";

/// A category record and, for a sub-category, its parent.
struct TCategoryRecords {
    TPlace Parent;
    TPlace Child;
    TCategoryRecords(const std::string& group, const std::string& name) {
        Parent.Id = 1000;
        Parent.Name = group;
        Child.Id = 1001;
        Child.ParentId = Parent.Id;
        Child.Name = name;
        Child.SetParent(&Parent);
    }
};

class TRemoteSearchesTest : public testing::Test {
protected:
    static void SetUpTestSuite() {
        database = std::make_unique<TTestDatabase>();
        TTempDataFolder folder;
        TConfig config = folder.Config();
        config.AccountDatabase = database->File();
        TSession session(config);
        const std::optional<TIssuedLoginKey> issued =
            IssueLoginKey(session.Database(), "Searcher", "searcher@example.com");
        ASSERT_TRUE(issued);
        key = issued->Key;
    }
    static void TearDownTestSuite() { database.reset(); }

    void SetUp() override {
        folder.InstallShippedRefData();
        TConfig config = folder.Config();
        config.AccountDatabase = database->File();
        session = std::make_unique<TSession>(config);
        session->SetTables(std::make_unique<TPlaces>(folder.File("Places.tx")), nullptr);
        ASSERT_TRUE(session->BindAccount("searcher@example.com", key));
        for (int i = 10; i < 13; ++i)
            places.push_back(session->Places->Items[i].get());
    }

    std::vector<QVariant> Row(const std::string& columns, int searchId) {
        const auto rows =
            database->Select("SELECT " + columns + " FROM SEARCHES WHERE SRCH_ID = " + std::to_string(searchId));
        return rows.empty() ? std::vector<QVariant>() : rows.front();
    }

    std::vector<int> LocationRows(int searchId) {
        std::vector<int> ids;
        for (const auto& row : database->Select("SELECT SRCH_LOCATION_ID FROM SEARCH_LOCATIONS WHERE SRCH_ID = " +
                                                std::to_string(searchId) + " ORDER BY SL_ID"))
            ids.push_back(row.front().toInt());
        return ids;
    }

    static std::vector<int> Ids(const TPlaceList& list) {
        std::vector<int> ids;
        for (const TPlace* place : list)
            ids.push_back(place->Id);
        return ids;
    }

    static std::unique_ptr<TTestDatabase> database;
    static std::string key;
    TTempDataFolder folder;
    TRecordingMessages messages;
    std::unique_ptr<TSession> session;
    TPlaceList places;
    TCategoryRecords other{"community", "activities"};
};

std::unique_ptr<TTestDatabase> TRemoteSearchesTest::database;
std::string TRemoteSearchesTest::key;

TEST_F(TRemoteSearchesTest, InsertSendsEmptyTextsAndNoFolderAsNull) {
    TSearch search(&session->SearchContext());
    search.Category = &other.Child;
    ASSERT_TRUE(SaveSearchRemote(session->Database(), session->SignedInUserId(), search));
    ASSERT_GT(search.SearchId, 0);
    const std::vector<QVariant> row =
        Row("USR_ID, SRCH_NAME, FLD_ID, CAT_ID, POS_KEYWORDS, NEG_KEYWORDS, FILTER_KEYWORDS, ADV1, ADV6, "
            "ONLY_TITLES, FILTER_OR, FILTER_DAYS",
            search.SearchId);
    ASSERT_EQ(row.size(), 12u);
    EXPECT_EQ(row[0].toInt(), session->User->ID);
    EXPECT_FALSE(row[1].isNull());
    EXPECT_EQ(row[1].toString(), QString());
    for (int i : {2, 4, 5, 6, 7, 8})
        EXPECT_TRUE(row[i].isNull()) << i;
    EXPECT_EQ(row[3].toInt(), 1001);
    EXPECT_EQ(row[9].toString().trimmed(), QStringLiteral("F"));
    EXPECT_EQ(row[10].toString().trimmed(), QStringLiteral("T"));
    EXPECT_EQ(row[11].toInt(), 0);

    // The update sends the emptied name as text too (the column refuses NULL, so a NULL
    // name would fail the save).
    search.Name = "named";
    ASSERT_TRUE(SaveSearchRemote(session->Database(), session->SignedInUserId(), search));
    EXPECT_EQ(Row("SRCH_NAME", search.SearchId).at(0).toString(), QStringLiteral("named"));
    search.Name = "";
    ASSERT_TRUE(SaveSearchRemote(session->Database(), session->SignedInUserId(), search));
    EXPECT_EQ(Row("SRCH_NAME", search.SearchId).at(0).toString(), QString());
    EXPECT_TRUE(messages.Shown.empty());
}

TEST_F(TRemoteSearchesTest, EachCategoryGroupFillsOnlyItsSlots) {
    struct TCase {
        std::string Group;
        std::function<void(TSearch&)> Fill;
        std::vector<QVariant> Expected;
    };
    const QVariant null;
    const std::vector<TCase> cases{
        {"personals", [](TSearch& s) { s.MinAge = 18, s.MaxAge = 35; }, {18, 35, null, null, null, null, null, null}},
        {"housing",
         [](TSearch& s) { s.MinRent = 500.5, s.MaxRent = 1200, s.Bedrooms = 2, s.Cats = true, s.Dogs = false; },
         {500.5, 1200, 2, "T", "F", null, null, null}},
        {"for sale",
         [](TSearch& s) { s.MinPrice = 10, s.MaxPrice = 99.99; },
         {10, 99.99, null, null, null, null, null, null}},
        {"jobs",
         [](TSearch& s) {
             s.Telecommuting = true, s.Contract = false, s.Internship = true, s.PartTime = false, s.NonProfit = true;
         },
         {null, null, null, "T", "F", "T", "F", "T"}},
        // Compared exactly: another letter case is no group.
        {"Housing", [](TSearch& s) { s.MinRent = 1, s.Cats = true; }, {null, null, null, null, null, null, null, null}},
    };
    for (const TCase& test : cases) {
        TCategoryRecords category(test.Group, "sub");
        TSearch search(&session->SearchContext());
        search.Category = &category.Child;
        // Extras of every group are set; only the search's group may be sent.
        search.MinAge = 1, search.MinRent = 2, search.MinPrice = 3, search.Bedrooms = 4, search.Telecommuting = true;
        test.Fill(search);
        ASSERT_TRUE(SaveSearchRemote(session->Database(), session->SignedInUserId(), search)) << test.Group;
        const std::vector<QVariant> row = Row(SlotColumns, search.SearchId);
        ASSERT_EQ(row.size(), 8u);
        for (std::size_t i = 0; i < 8; ++i) {
            if (test.Expected[i].isNull())
                EXPECT_TRUE(row[i].isNull()) << test.Group << " slot " << i;
            else
                EXPECT_EQ(row[i].toString().trimmed(), test.Expected[i].toString()) << test.Group << " slot " << i;
        }
    }
}

TEST_F(TRemoteSearchesTest, LocationsAreWrittenUpdatedAndReadBack) {
    TSearch search(&session->SearchContext());
    search.Category = &other.Child;
    search.Name = "three places";
    search.SetLocations(places);
    search.LocationsChanged = true;
    ASSERT_TRUE(SaveSearchRemote(session->Database(), session->SignedInUserId(), search));
    EXPECT_FALSE(search.LocationsChanged);
    EXPECT_EQ(LocationRows(search.SearchId), Ids(places));

    // An update without the flag leaves the rows alone.
    search.Name = "renamed";
    search.SetLocations({places[0]});
    search.LocationsChanged = false;
    ASSERT_TRUE(SaveSearchRemote(session->Database(), session->SignedInUserId(), search));
    EXPECT_EQ(Row("SRCH_NAME", search.SearchId)[0].toString(), QStringLiteral("renamed"));
    EXPECT_EQ(LocationRows(search.SearchId), Ids(places));
    // With the change flagged, they are rewritten.
    search.LocationsChanged = true;
    ASSERT_TRUE(SaveSearchRemote(session->Database(), session->SignedInUserId(), search));
    EXPECT_FALSE(search.LocationsChanged);
    EXPECT_EQ(LocationRows(search.SearchId), std::vector<int>{places[0]->Id});

    // A search without a list reads it back; ids without a place are skipped.
    database->Execute("INSERT INTO SEARCH_LOCATIONS VALUES (NULL, " + std::to_string(search.SearchId) + ", 987654)");
    database->Execute("INSERT INTO SEARCH_LOCATIONS VALUES (NULL, " + std::to_string(search.SearchId) + ", " +
                      std::to_string(places[2]->Id) + ")");
    TSearch copy(&session->SearchContext());
    copy.SearchId = search.SearchId;
    copy.DiscardLocations();
    std::vector<int> readBack = Ids(copy.Locations()); // in the server's order
    std::sort(readBack.begin(), readBack.end());
    std::vector<int> expected{places[0]->Id, places[2]->Id};
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(readBack, expected);
    TSearch unsaved(&session->SearchContext());
    unsaved.DiscardLocations();
    EXPECT_TRUE(unsaved.Locations().empty());
}

TEST_F(TRemoteSearchesTest, UpdateAndDeleteWithoutARowTouchNothing) {
    TSearch search(&session->SearchContext());
    search.Category = &other.Child;
    EXPECT_FALSE(UpdateSearchRemote(session->Database(), search));
    EXPECT_FALSE(DeleteSearchRemote(session->Database(), search));
    search.SearchId = -3;
    EXPECT_FALSE(UpdateSearchRemote(session->Database(), search));
    EXPECT_FALSE(DeleteSearchRemote(session->Database(), search));
    EXPECT_EQ(search.SearchId, -3);
    EXPECT_TRUE(messages.Shown.empty());
}

TEST_F(TRemoteSearchesTest, DeleteRemovesTheRowAndItsLocations) {
    TSearch search(&session->SearchContext());
    search.Category = &other.Child;
    search.SetLocations(places);
    ASSERT_TRUE(SaveSearchRemote(session->Database(), session->SignedInUserId(), search));
    EXPECT_EQ(LocationRows(search.SearchId).size(), 3u); // a new row gets every location
    ASSERT_TRUE(DeleteSearchRemote(session->Database(), search));
    EXPECT_TRUE(Row("SRCH_ID", search.SearchId).empty());
    EXPECT_TRUE(LocationRows(search.SearchId).empty());
    // The row is gone: an update is not reported as saved.
    EXPECT_FALSE(UpdateSearchRemote(session->Database(), search));
}

TEST_F(TRemoteSearchesTest, TheSearchesFileSavesAndDeletesRemotelyThroughTheSession) {
    folder.WriteFile("SearchesTXF.tx", "<searches></searches>");
    TSearches searches(session->SearchesContext());
    auto owned = std::make_unique<TSearch>(&session->SearchContext());
    TSearch& search = *owned;
    search.Category = &other.Child;
    search.Name = "mirrored";
    search.SetLocations(places);
    searches.Save(search, true, true);
    ASSERT_GT(search.SearchId, 0);
    EXPECT_EQ(Row("SRCH_NAME", search.SearchId).at(0).toString(), QStringLiteral("mirrored"));
    EXPECT_NE(folder.ReadFile("SearchesTXF.tx").find("<search" + std::to_string(search.SearchId) + ">"),
              std::string::npos);
    searches.Items.push_back(std::move(owned));
    const std::unique_ptr<TSearch> taken = searches.Delete(search);
    ASSERT_EQ(taken.get(), &search);
    EXPECT_TRUE(Row("SRCH_ID", search.SearchId).empty());

    // A refused remote write does not stop the local save.
    session->User.reset();
    TSearch local(&session->SearchContext());
    local.Category = &other.Child;
    local.Name = "local only";
    EXPECT_NO_THROW(searches.Save(local, true, true));
    EXPECT_EQ(local.SearchId, 0);
    EXPECT_NE(folder.ReadFile("SearchesTXF.tx").find("local only"), std::string::npos);
}

// The user picks other places for a search saved before: the next save rewrites its rows.
TEST_F(TRemoteSearchesTest, ChangedLocationsOfASavedSearchReachTheDatabase) {
    session->SetTables(std::move(session->Places), std::make_unique<TCategories>(folder.File("Categories.tx")));
    int id = 0;
    {
        TSearches searches(session->SearchesContext());
        TSearch search;
        search.Category = session->Categories->FindById(2);
        search.SetLocations(places);
        searches.Save(search, true, true);
        id = search.SearchId;
        ASSERT_GT(id, 0);
        EXPECT_FALSE(search.LocationsChanged);
    }
    EXPECT_EQ(LocationRows(id), Ids(places));

    TSearches searches(session->SearchesContext());
    searches.Load();
    ASSERT_EQ(searches.Items.size(), 1u);
    TSearch& loaded = *searches.Items[0];
    EXPECT_FALSE(loaded.LocationsChanged) << "reading the file changes nothing";
    loaded.SetLocations({places[2], places[0]});
    searches.Save(loaded, true, true);
    EXPECT_EQ(LocationRows(id), (std::vector<int>{places[2]->Id, places[0]->Id}));
    EXPECT_FALSE(loaded.LocationsChanged);
    // The same list again leaves the rows as they are.
    loaded.SetLocations({places[2], places[0]});
    EXPECT_FALSE(loaded.LocationsChanged);
    EXPECT_TRUE(messages.Shown.empty());
}

// Saved locally first (as "search0"), then inserted: one element, under the new id.
TEST_F(TRemoteSearchesTest, AnInsertAfterALocalSaveLeavesOneElementForTheSearch) {
    TSearches searches(session->SearchesContext());
    TSearch search;
    search.Category = &other.Child;
    search.Name = "once";
    searches.Save(search, true, false);
    searches.Save(search, true, true);
    ASSERT_GT(search.SearchId, 0);
    pugi::xml_document document;
    ASSERT_TRUE(document.load_string(folder.ReadFile("SearchesTXF.tx").c_str()));
    std::vector<std::string> names;
    for (const pugi::xml_node& element : document.document_element().children())
        names.emplace_back(element.name());
    EXPECT_EQ(names, std::vector<std::string>{"search" + std::to_string(search.SearchId)});
}

// The collection relies on the store never throwing: a write the database refuses is
// rolled back and dropped, and the local save goes on.
TEST_F(TRemoteSearchesTest, TheAccountStoreRollsARefusedWriteBackWithoutThrowing) {
    // Before the session's first statement on the table, which would keep its old rules.
    database->Execute("ALTER TABLE SEARCHES ADD CONSTRAINT TEST_REFUSED CHECK (SRCH_NAME <> 'refused')");
    database->Execute("CREATE TRIGGER TEST_KEEP_ROWS FOR SEARCHES BEFORE DELETE AS BEGIN "
                      "IF (OLD.SRCH_NAME = 'kept') THEN EXCEPTION E_NO_SUCH_SEARCH; END");
    IRemoteSearchStore& store = *session->SearchesContext().RemoteStore;
    TSearch search;
    search.Category = &other.Child;
    search.Name = "kept";
    ASSERT_NO_THROW(store.SaveSearch(search));
    ASSERT_GT(search.SearchId, 0);
    TSearch refused;
    refused.Category = &other.Child;
    refused.Name = "refused";
    EXPECT_NO_THROW(store.SaveSearch(refused)); // insert
    EXPECT_EQ(refused.SearchId, 0);
    search.Name = "refused";
    EXPECT_NO_THROW(store.SaveSearch(search)); // update
    EXPECT_NO_THROW(store.DeleteSearch(search));
    EXPECT_EQ(Row("SRCH_NAME", search.SearchId).at(0).toString(), QStringLiteral("kept"));
    folder.WriteFile("SearchesTXF.tx", "<searches></searches>");
    {
        TSearches searches(session->SearchesContext());
        EXPECT_NO_THROW(searches.Save(refused, true, true));
    }
    EXPECT_NE(folder.ReadFile("SearchesTXF.tx").find("<srch_name>refused</srch_name>"), std::string::npos);
    database->Execute("DROP TRIGGER TEST_KEEP_ROWS");
    database->Execute("ALTER TABLE SEARCHES DROP CONSTRAINT TEST_REFUSED");

    EXPECT_NO_THROW(store.DeleteSearch(search));
    EXPECT_TRUE(Row("SRCH_ID", search.SearchId).empty());
    EXPECT_TRUE(messages.Shown.empty());
}

TEST_F(TRemoteSearchesTest, InsertingWhileNobodyIsSignedInFails) {
    session->User.reset();
    TSearch search(&session->SearchContext());
    search.Category = &other.Child;
    search.Name = "orphan";
    EXPECT_FALSE(SaveSearchRemote(session->Database(), session->SignedInUserId(), search));
    EXPECT_EQ(search.SearchId, 0);
    EXPECT_EQ(database->Value("SELECT COUNT(*) FROM SEARCHES WHERE SRCH_NAME = 'orphan'").toInt(), 0);
    EXPECT_TRUE(messages.Shown.empty());
}

TEST_F(TRemoteSearchesTest, WithNobodySignedInTheAccountStoreLeavesTheDatabaseAlone) {
    TSearch search(&session->SearchContext());
    search.Category = &other.Child;
    search.Name = "mine";
    IRemoteSearchStore& store = *session->SearchesContext().RemoteStore;
    ASSERT_NO_THROW(store.SaveSearch(search));
    const int id = search.SearchId;
    ASSERT_GT(id, 0);
    session->User.reset();
    // A search of this computer only: neither written nor deleted, and nothing asked of
    // the database.
    search.Name = "renamed";
    store.SaveSearch(search);
    store.DeleteSearch(search);
    EXPECT_EQ(Row("SRCH_NAME", id).at(0).toString(), QStringLiteral("mine"));
    TSearch local(&session->SearchContext());
    local.Category = &other.Child;
    store.SaveSearch(local);
    EXPECT_EQ(local.SearchId, 0);
    EXPECT_TRUE(messages.Shown.empty());
}

TEST_F(TRemoteSearchesTest, AFailingLocationStatementRollsTheInsertBack) {
    database->Execute("ALTER TABLE SEARCH_LOCATIONS ADD CONSTRAINT TEST_REJECTED CHECK (SRCH_LOCATION_ID <> 424242)");
    TPlace rejected;
    rejected.Id = 424242;
    TSearch search(&session->SearchContext());
    search.Category = &other.Child;
    search.Name = "rolled back";
    search.SetLocations({places[0], &rejected});
    search.LocationsChanged = true;
    EXPECT_FALSE(SaveSearchRemote(session->Database(), session->SignedInUserId(), search));
    EXPECT_EQ(search.SearchId, 0); // the id of the rolled-back row is not kept
    EXPECT_TRUE(search.LocationsChanged);
    EXPECT_EQ(database->Value("SELECT COUNT(*) FROM SEARCHES WHERE SRCH_NAME = 'rolled back'").toInt(), 0);
    database->Execute("ALTER TABLE SEARCH_LOCATIONS DROP CONSTRAINT TEST_REJECTED");
    // The connection is usable again afterwards.
    search.SetLocations({places[0]});
    EXPECT_TRUE(SaveSearchRemote(session->Database(), session->SignedInUserId(), search));
    EXPECT_EQ(LocationRows(search.SearchId), std::vector<int>{places[0]->Id});
    EXPECT_TRUE(messages.Shown.empty());
}

} // namespace
