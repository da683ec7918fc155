// SPDX-License-Identifier: GPL-3.0-or-later
// ctest-labels: unit threads
#include "session/TSession.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QTimer>

#include "TestSupport.h"
#include "core/TBackgroundWork.h"
#include "refdata/TCategories.h"
#include "refdata/TPlaces.h"

namespace {

class TSessionTest : public testing::Test {
protected:
    void SetUp() override {
        folder.InstallShippedRefData();
        folder.WriteFile("log.tx", "a line from the last run\r\n");
        session = std::make_unique<TSession>(folder.Config());
        session->ExitWindows = [this](int action) {
            exitActions.push_back(action);
            return true;
        };
        session->OnSignInDone = [this] { ++signInDone; };
    }

    bool SignIn() {
        const int before = signInDone;
        session->OpenSession();
        EXPECT_EQ(session->Status, "Connecting...");
        return WaitFor([&] { return signInDone > before; }) && session->SignedIn;
    }

    TTempDataFolder folder;
    TRecordingMessages messages;
    std::unique_ptr<TSession> session;
    std::vector<int> exitActions;
    int signInDone = 0;
};

TEST_F(TSessionTest, ConstructionEmptiesTheLogAndStartsIdle) {
    EXPECT_EQ(folder.ReadFile("log.tx"), "");
    EXPECT_EQ(session->DataFolder, folder.Path());
    EXPECT_EQ(session->DataFolder.back(), '/');
    EXPECT_EQ(session->Status, "Idle");
    EXPECT_FALSE(session->SignedIn);
    EXPECT_FALSE(session->SessionOpen);
    EXPECT_EQ(session->ExitAction, 100);
    EXPECT_EQ(session->OpenCancelled, 0);
}

// The log is a diagnostic: a session without one still starts, and the user hears of it once.
TEST_F(TSessionTest, ConstructionGoesOnWhenTheLogCannotBeCreatedAndSaysSoOnce) {
    session.reset();
    TConfig config = folder.Config();
    config.DataFolder = folder.Path() + "no/such/folder/";
    std::unique_ptr<TSession> unlogged;
    EXPECT_NO_THROW(unlogged = std::make_unique<TSession>(config));
    ASSERT_EQ(messages.Shown.size(), 1u);
    EXPECT_EQ(messages.Shown[0].rfind("error: Cannot create the log file " + config.DataFolder + "log.tx", 0), 0u)
        << messages.Shown[0];
}

TEST_F(TSessionTest, SignInLoadsTheReferenceData) {
    ASSERT_TRUE(SignIn());
    EXPECT_EQ(session->Status, "Idle");
    EXPECT_TRUE(session->SessionOpen);
    ASSERT_TRUE(session->Places);
    ASSERT_TRUE(session->Categories);
    EXPECT_GT(session->Places->Items.size(), 700u);
    EXPECT_TRUE(WaitFor([&] { return session->InitThread == nullptr; }));
    EXPECT_TRUE(messages.Shown.empty());
}

TEST_F(TSessionTest, AMissingFileFailsTheSignIn) {
    std::remove(folder.File("Categories.tx").c_str());
    EXPECT_FALSE(SignIn());
    EXPECT_EQ(signInDone, 1);
    EXPECT_FALSE(session->SessionOpen);
    EXPECT_EQ(session->Status, "Idle");
    EXPECT_EQ(session->TakeCancelled(), 0); // so the window asks to reconnect
}

TEST_F(TSessionTest, ATruncatedPlacesFileSignsInAndTellsTheUser) {
    const std::string places = folder.ReadFile("Places.tx");
    folder.WriteFile("Places.tx", places.substr(0, 15 + 231 * 4 + 7));
    ASSERT_TRUE(SignIn());
    EXPECT_EQ(session->Places->Items.size(), 4u);
    ASSERT_EQ(messages.Shown.size(), 1u);
    EXPECT_EQ(messages.Shown[0].rfind("error: ", 0), 0u);
}

TEST_F(TSessionTest, StopDuringSignInReportsACancelledFailure) {
    session->OpenSession();
    session->CancelOpen();
    EXPECT_EQ(signInDone, 1);
    EXPECT_EQ(session->Status, "Idle");
    EXPECT_FALSE(session->SignedIn);
    EXPECT_FALSE(session->SessionOpen);
    // Whatever the abandoned thread does afterwards never reaches the session.
    WaitFor([] { return false; }, std::chrono::milliseconds(300));
    EXPECT_EQ(signInDone, 1);
    EXPECT_FALSE(session->Places);
    EXPECT_EQ(session->TakeCancelled(), 1);
    EXPECT_EQ(session->TakeCancelled(), 0);
}

TEST_F(TSessionTest, SignOutReleasesEverythingAndASecondSignInLoadsAfresh) {
    ASSERT_TRUE(SignIn());
    session->CloseSession(false);
    EXPECT_EQ(session->Status, "Disconnecting...");
    ASSERT_TRUE(WaitFor([&] { return session->FinishThread == nullptr; }));
    EXPECT_EQ(signInDone, 2);               // the window learns the session ended
    EXPECT_EQ(session->TakeCancelled(), 1); // and does not ask to reconnect
    EXPECT_EQ(session->Status, "Idle");
    EXPECT_FALSE(session->SignedIn);
    EXPECT_FALSE(session->SessionOpen);
    EXPECT_FALSE(session->Places);
    EXPECT_FALSE(session->Categories);
    EXPECT_TRUE(exitActions.empty());

    ASSERT_TRUE(SignIn());
    EXPECT_GT(session->Places->Items.size(), 700u);
}

TEST_F(TSessionTest, SignOutWithoutASessionOnlyResetsTheFlags) {
    session->CloseSession(false);
    ASSERT_TRUE(WaitFor([&] { return session->FinishThread == nullptr; }));
    EXPECT_EQ(session->Status, "Idle");
    EXPECT_EQ(session->OpenCancelled, 1);
    EXPECT_FALSE(session->Places);
}

TEST_F(TSessionTest, ExitActionIsCarriedOutOnlyForZeroAndOne) {
    for (int action : {100, 0, 1, 2}) {
        ASSERT_TRUE(SignIn());
        session->ExitAction = action;
        session->CloseSession(false);
        ASSERT_TRUE(WaitFor([&] { return session->FinishThread == nullptr; }));
    }
    EXPECT_EQ(exitActions, (std::vector<int>{0, 1}));
}

TEST_F(TSessionTest, SignOutWithQuitEndsTheEventLoop) {
    ASSERT_TRUE(SignIn());
    QTimer::singleShot(0, [&] { session->CloseSession(true); });
    QTimer::singleShot(10000, [] { QCoreApplication::exit(1); });
    EXPECT_EQ(QCoreApplication::exec(), 0);
    EXPECT_TRUE(WaitFor([&] { return session->FinishThread == nullptr; }));
    EXPECT_FALSE(session->SessionOpen);
}

TEST_F(TSessionTest, DestroyingTheSessionWhileThreadsRunIsSafe) {
    session->OpenSession();
    session.reset();
    EXPECT_EQ(TBackgroundWork::Running(), 0) << "the sign-in thread was stopped and waited for";
    auto again = std::make_unique<TSession>(folder.Config());
    again->OpenSession();
    again->CloseSession(true);
    again.reset();
    EXPECT_EQ(TBackgroundWork::Running(), 0);
}

} // namespace
