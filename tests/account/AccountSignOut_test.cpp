// SPDX-License-Identifier: GPL-3.0-or-later
// ctest-labels: db threads
// Sign-in and sign-out with an account bound, against a real embedded database: the
// sign-out thread hands its database steps to the user-interface thread.
#include "session/TSession.h"

#include <sstream>

#include <gtest/gtest.h>
#include <pugixml.hpp>

#include <QSqlDatabase>

#include "TDatabaseSessionTest.h"
#include "TTestDatabase.h"
#include "TestSupport.h"
#include "account/Credentials.h"
#include "account/TUser.h"
#include "refdata/TCategories.h"
#include "search/TSearch.h"
#include "store/TSearches.h"

namespace {

class TAccountSignOutTest : public TDatabaseSessionTest {
protected:
    void SetUp() override {
        folder.InstallShippedRefData();
        TDatabaseSessionTest::SetUp();
    }
};

TEST_F(TAccountSignOutTest, AFailedSignInMarksTheAccountLoggedOut) {
    const std::string key = NewAccount("kim@example.com");
    ASSERT_TRUE(session->BindAccount("kim@example.com", key));
    session->OpenFailed();
    EXPECT_FALSE(session->User->LoggedIn);
    EXPECT_EQ(Column("USR_LOGGED", "kim@example.com").toString().trimmed(), QStringLiteral("F"));
}

TEST_F(TAccountSignOutTest, SignOutMarksTheAccountLoggedOutAndReleasesIt) {
    bool done = false;
    session->OnSignInDone = [&] { done = true; };
    session->OpenSession();
    ASSERT_TRUE(WaitFor([&] { return done; }));
    ASSERT_TRUE(session->SignedIn);
    const std::string key = NewAccount("lea@example.com");
    ASSERT_TRUE(session->BindAccount("lea@example.com", key));
    EXPECT_EQ(Column("USR_LOGGED", "lea@example.com").toString().trimmed(), QStringLiteral("T"));

    session->CloseSession(false);
    ASSERT_TRUE(WaitFor([&] { return !session->User && session->FinishThread == nullptr; }));
    EXPECT_TRUE(session->GsmNetworks.empty());
    EXPECT_FALSE(session->SessionOpen);
    EXPECT_FALSE(QSqlDatabase::database(QStringLiteral("IBConnection"), false).isOpen());
    EXPECT_EQ(Column("USR_LOGGED", "lea@example.com").toString().trimmed(), QStringLiteral("F"));
    EXPECT_TRUE(messages.Shown.empty());
}

/// The user ids of the searches file's elements, in order.
std::vector<int> FileUserIds(const std::string& text) {
    pugi::xml_document document;
    document.load_string(text.c_str());
    std::vector<int> ids;
    for (const pugi::xml_node& element : document.document_element().children())
        ids.push_back(element.child("user_id").text().as_int());
    return ids;
}

// The bound account owns what is saved and sees only its own searches (and nobody's),
// until it signs out.
TEST_F(TAccountSignOutTest, TheBoundAccountsIdMarksItsSearchesUntilSignOut) {
    bool done = false;
    session->OnSignInDone = [&] { done = true; };
    session->OpenSession();
    ASSERT_TRUE(WaitFor([&] { return done; }));
    ASSERT_TRUE(session->SignedIn);
    const std::string key = NewAccount("ada@example.com");
    ASSERT_TRUE(session->BindAccount("ada@example.com", key));
    const int ada = session->User->ID;

    pugi::xml_document document;
    for (const auto& [searchId, userId] : std::vector<std::pair<int, int>>{{1, ada}, {2, ada + 1}, {3, -1}}) {
        TSearch search;
        search.SearchId = searchId;
        search.Category = session->Categories->FindById(2);
        search.WriteXml(document, userId);
    }
    std::ostringstream text;
    document.save(text);
    folder.WriteFile("SearchesTXF.tx", text.str());
    session->LoadSearches();
    std::vector<int> loaded;
    for (const auto& search : session->Searches->Items)
        loaded.push_back(search->SearchId);
    EXPECT_EQ(loaded, (std::vector<int>{1, 3}));
    TSearch created;
    created.Category = session->Categories->FindById(2);
    session->Searches->Save(created, true, false);
    EXPECT_EQ(FileUserIds(folder.ReadFile("SearchesTXF.tx")), (std::vector<int>{ada, ada + 1, -1, ada}));

    session->CloseSession(false);
    ASSERT_TRUE(WaitFor([&] { return !session->User && session->FinishThread == nullptr; }));
    // Signed out: a save belongs to nobody.
    TSearches searches(session->SearchesContext());
    TSearch later;
    later.SearchId = 9;
    searches.Save(later, true, false);
    EXPECT_EQ(FileUserIds(searches.Xml).back(), -1);
}

// Searches read before the account was bound are saved under it once it is.
TEST_F(TAccountSignOutTest, SearchesLoadedBeforeTheBindSaveUnderTheAccount) {
    TSearches& searches = session->LoadSearches();
    TSearch search;
    searches.Save(search, true, false);
    EXPECT_EQ(FileUserIds(searches.Xml).back(), -1);
    const std::string key = NewAccount("bo@example.com");
    ASSERT_TRUE(session->BindAccount("bo@example.com", key));
    searches.Save(search, true, false);
    EXPECT_EQ(FileUserIds(searches.Xml).back(), session->User->ID);
}

} // namespace
