// SPDX-License-Identifier: GPL-3.0-or-later
// ctest-labels: db
// A Firebird server that is frozen (SIGSTOP) while the program is connected: the next
// statement gives up after the time limit with the usual message instead of waiting for
// good, and once the server runs again the program reconnects. The time to the message is
// printed for the record (no assertion on it).
#include <chrono>
#include <cstdio>
#include <functional>

#include <gtest/gtest.h>

#include "TTestDatabase.h"
#include "TestSupport.h"
#include "account/Credentials.h"
#include "account/RemoteSearches.h"
#include "account/TUser.h"
#include "core/TBackendConnection.h"
#include "core/TDatabaseError.h"
#include "search/TSearch.h"
#include "session/TSession.h"

namespace {

constexpr int TimeLimitSeconds = 3;
const std::string ConnectionError = "error: Error connecting to database server! Please try again later.";

double SecondsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

class THungDatabaseServerTest : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_NO_THROW(server.Start());
        TConfig config = folder.Config();
        config.AccountDatabase = server.Address();
        config.DatabaseTimeLimitSeconds = TimeLimitSeconds;
        session = std::make_unique<TSession>(config);
        category.Id = 77;
        category.Name = "community";
        const auto issued = server.IssueLoginKey("Hal", "hal@example.com");
        ASSERT_TRUE(session->BindAccount("hal@example.com", issued.second));
    }

    void TearDown() override { server.Resume(); }

    TTestServer server;
    TTempDataFolder folder;
    TRecordingMessages messages;
    std::unique_ptr<TSession> session;
    TPlace category;
};

TEST_F(THungDatabaseServerTest, AFrozenServerFailsTheStatementAfterTheTimeLimit) {
    struct Case {
        const char* name;
        std::function<bool()> statement;
    };
    const Case cases[] = {
        {"saving the account",
         [this] {
             session->User->Phone = "5550100";
             return session->User->SaveAccount("");
         }},
        {"saving a search",
         [this] {
             TSearch search(&session->SearchContext());
             search.Category = &category;
             search.Name = "frozen";
             return SaveSearchRemote(session->Database(), session->SignedInUserId(), search);
         }},
    };
    for (const Case& c : cases) {
        messages.Shown.clear();
        ASSERT_TRUE(c.statement()) << c.name << ": fails before the server is frozen";
        server.Pause();
        const auto start = std::chrono::steady_clock::now();
        EXPECT_FALSE(c.statement()) << c.name;
        const double took = SecondsSince(start);
        EXPECT_EQ(messages.Shown, std::vector<std::string>{ConnectionError}) << c.name;
        std::printf("[ figures  ] Firebird server stopped (SIGSTOP), %s: message after %.1f s\n", c.name, took);
        server.Resume();
        // The broken connection is replaced by a new one.
        messages.Shown.clear();
        EXPECT_TRUE(c.statement()) << c.name << ": not reconnected";
        EXPECT_TRUE(messages.Shown.empty()) << c.name;
    }
}

TEST_F(THungDatabaseServerTest, SigningInToAFrozenServerFailsAfterTheConnectTimeLimit) {
    session->Database().Close();
    server.Pause();
    const auto start = std::chrono::steady_clock::now();
    TSession::TBindFailure why = TSession::TBindFailure::None;
    EXPECT_FALSE(session->BindAccount("hal@example.com", "whatever", &why));
    EXPECT_EQ(why, TSession::TBindFailure::Unreachable);
    std::printf("[ figures  ] Firebird server stopped (SIGSTOP), signing in on a new connection: failed after %.1f s\n",
                SecondsSince(start));
}

} // namespace
