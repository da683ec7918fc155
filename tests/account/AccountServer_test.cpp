// SPDX-License-Identifier: GPL-3.0-or-later
// ctest-labels: db
// The account operations against a real Firebird server on 127.0.0.1, including the
// server going away in the middle of a session and coming back.
#include <gtest/gtest.h>

#include "TTestDatabase.h"
#include "TestSupport.h"
#include "account/Credentials.h"
#include "account/RemoteSearches.h"
#include "account/TUser.h"
#include "core/TDatabaseError.h"
#include "session/TSession.h"
#include "search/TSearch.h"

namespace {

const std::string ConnectionError = "error: Error connecting to database server! Please try again later.";

class TAccountServerTest : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_NO_THROW(server.Start());
        TConfig config = folder.Config();
        config.AccountDatabase = server.Address();
        session = std::make_unique<TSession>(config);
        category.Id = 77;
        category.Name = "community";
    }

    /// Read as the database's owner: the program's login may not read every table.
    QVariant Value(const std::string& sql) { return server.Value(sql); }

    TTestServer server;
    TTempDataFolder folder;
    TRecordingMessages messages;
    std::unique_ptr<TSession> session;
    TPlace category;
};

TEST_F(TAccountServerTest, SignInSaveReadBackAndDelete) {
    EXPECT_EQ(session->ReadProperty("TRAWLIX_VERSION"), "3.33");
    const auto issued = server.IssueLoginKey("Remote Rita", "rita@example.com");
    ASSERT_TRUE(session->BindAccount("Rita@Example.com", issued.second));
    ASSERT_TRUE(session->User);
    EXPECT_EQ(Value("SELECT USR_LOGGED FROM USERS WHERE USR_NAME = 'rita@example.com'").toString().trimmed(),
              QStringLiteral("T"));
    EXPECT_FALSE(session->GsmNetworks.empty());

    session->User->Phone = "5550100";
    session->User->NetworkID = 2;
    ASSERT_TRUE(session->User->SaveAccount("n'ew"));
    std::unique_ptr<TUser> readBack;
    ASSERT_TRUE(TUser::Find(session->Database(), 0, "RITA@example.com", true, true, "n'ew", readBack));
    EXPECT_EQ(readBack->Phone, "5550100");
    EXPECT_EQ(readBack->NetworkID, 2);

    TSearch search(&session->SearchContext());
    search.Category = &category;
    search.Name = "over the wire";
    ASSERT_TRUE(SaveSearchRemote(session->Database(), session->SignedInUserId(), search));
    ASSERT_GT(search.SearchId, 0);
    EXPECT_EQ(Value("SELECT SRCH_NAME FROM SEARCHES WHERE SRCH_ID = " + std::to_string(search.SearchId)).toString(),
              QStringLiteral("over the wire"));
    search.Name = "renamed";
    ASSERT_TRUE(SaveSearchRemote(session->Database(), session->SignedInUserId(), search));
    EXPECT_EQ(Value("SELECT SRCH_NAME FROM SEARCHES WHERE SRCH_ID = " + std::to_string(search.SearchId)).toString(),
              QStringLiteral("renamed"));
    ASSERT_TRUE(DeleteSearchRemote(session->Database(), search));
    EXPECT_EQ(Value("SELECT COUNT(*) FROM SEARCHES WHERE SRCH_ID = " + std::to_string(search.SearchId)).toInt(), 0);

    ASSERT_TRUE(session->User->SetLoggedIn(false));
    EXPECT_EQ(Value("SELECT USR_LOGGED FROM USERS WHERE USR_NAME = 'rita@example.com'").toString().trimmed(),
              QStringLiteral("F"));
    EXPECT_TRUE(messages.Shown.empty());
}

TEST_F(TAccountServerTest, AServerThatStopsFailsQuietlyAndOneThatReturnsIsReconnected) {
    const auto issued = server.IssueLoginKey("Sam", "sam@example.com");
    ASSERT_TRUE(session->BindAccount("sam@example.com", issued.second));
    TUser& user = *session->User;

    server.Stop();
    user.Phone = "lost";
    EXPECT_FALSE(user.SaveAccount(""));
    EXPECT_EQ(messages.Shown, std::vector<std::string>{ConnectionError});
    EXPECT_FALSE(user.SetLoggedIn(false));
    EXPECT_TRUE(user.LoggedIn); // unchanged by the failed mark
    TSearch search(&session->SearchContext());
    search.Category = &category;
    EXPECT_FALSE(SaveSearchRemote(session->Database(), session->SignedInUserId(), search));
    EXPECT_EQ(search.SearchId, 0);
    // One message per failed transaction start, none for the reads.
    EXPECT_EQ(messages.Shown, std::vector<std::string>(3, ConnectionError));
    EXPECT_THROW(session->ReadProperty("TRAWLIX_VERSION"), TDatabaseError);
    TSession::TBindFailure why = TSession::TBindFailure::None;
    std::string detail;
    EXPECT_FALSE(session->BindAccount("sam@example.com", issued.second, &why, &detail));
    EXPECT_EQ(why, TSession::TBindFailure::Unreachable);
    EXPECT_FALSE(detail.empty());
    EXPECT_EQ(messages.Shown.size(), 3u);

    server.Start();
    messages.Shown.clear();
    user.Phone = "kept";
    EXPECT_TRUE(user.SaveAccount(""));
    EXPECT_EQ(Value("SELECT USR_PHONE FROM USERS WHERE USR_NAME = 'sam@example.com'").toString(),
              QStringLiteral("kept"));
    EXPECT_TRUE(SaveSearchRemote(session->Database(), session->SignedInUserId(), search));
    EXPECT_GT(search.SearchId, 0);
    EXPECT_EQ(session->ReadProperty("TRAWLIX_VERSION"), "3.33");
    EXPECT_TRUE(messages.Shown.empty());
}

// The server restarts between two reads: the stale connection is noticed and replaced.
TEST_F(TAccountServerTest, AReadAfterARestartShowsOneMessageThenReconnects) {
    EXPECT_EQ(session->ReadProperty("TRAWLIX_VERSION"), "3.33");
    server.Stop();
    server.Start();
    // The open connection is dead; the first read notices it.
    const std::string first = session->ReadProperty("TRAWLIX_VERSION");
    EXPECT_TRUE(first == "3.33" || (first.empty() && messages.Shown == std::vector<std::string>{ConnectionError}));
    EXPECT_EQ(session->ReadProperty("TRAWLIX_VERSION"), "3.33");
}

} // namespace
