// SPDX-License-Identifier: GPL-3.0-or-later
// ctest-labels: db threads
// Sign-in and sign-out with an account bound, against a real embedded database: the
// sign-out thread hands its database steps to the user-interface thread.
#include "session/TSession.h"

#include <gtest/gtest.h>

#include <QSqlDatabase>

#include "TDatabaseSessionTest.h"
#include "TTestDatabase.h"
#include "TestSupport.h"
#include "account/Credentials.h"
#include "account/TUser.h"

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

} // namespace
