// SPDX-License-Identifier: GPL-3.0-or-later
// ctest-labels: unit threads
// The account database on a thread of its own: calls run there one at a time and bring
// back their results and errors; the application's thread keeps its event loop running
// while it waits (also once the application is quitting), other threads simply block.
#include "core/TDatabaseThread.h"

#include <atomic>
#include <chrono>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QTimer>

#include "core/TBackendConnection.h"

namespace {

using namespace std::chrono_literals;

class TDatabaseThreadTest : public testing::Test {
protected:
    TDatabaseThread database{TDatabaseThread::TMode::Threaded, "/nonexistent/accounts.fdb", "/tmp/", 5s};
};

/// Waits (at most 10 s) for flag on the calling thread, which is the database's.
bool WaitFor(const std::atomic<bool>& flag) {
    const auto give_up = std::chrono::steady_clock::now() + 10s;
    while (!flag && std::chrono::steady_clock::now() < give_up)
        std::this_thread::sleep_for(5ms);
    return flag;
}

TEST_F(TDatabaseThreadTest, CallsRunOnTheDatabaseThreadAndBringBackResultsAndErrors) {
    const std::thread::id caller = std::this_thread::get_id();
    const std::thread::id ranOn = database.Run([](TBackendConnection&) { return std::this_thread::get_id(); });
    EXPECT_NE(ranOn, caller);
    EXPECT_EQ(database.Run([](TBackendConnection&) { return std::string("value"); }), "value");
    EXPECT_THROW(database.Run([](TBackendConnection&) -> int { throw std::runtime_error("refused"); }),
                 std::runtime_error);
    // A call from inside a call runs at once instead of waiting for itself.
    EXPECT_EQ(database.Run([this](TBackendConnection&) { return database.Run([](TBackendConnection&) { return 7; }); }),
              7);
    // The connection is reachable only where it lives.
    EXPECT_THROW(database.Connection(), std::logic_error);
    EXPECT_NO_THROW(database.Run([this](TBackendConnection& db) { EXPECT_EQ(&database.Connection(), &db); }));
}

TEST_F(TDatabaseThreadTest, TheApplicationThreadKeepsItsEventLoopRunningWhileItWaits) {
    std::vector<bool> waits;
    database.OnMainThreadWait = [&waits](bool waiting) { waits.push_back(waiting); };
    std::atomic<bool> timerRan{false};
    QTimer::singleShot(50ms, [&timerRan] { timerRan = true; });
    // The call ends only once the application's thread has run its timer.
    EXPECT_TRUE(database.Run([&timerRan](TBackendConnection&) { return WaitFor(timerRan); }));
    EXPECT_EQ(waits, (std::vector<bool>{true, false}));
}

TEST_F(TDatabaseThreadTest, AQuitDuringTheWaitDoesNotCutTheCallShort) {
    std::atomic<bool> quitAsked{false};
    QTimer::singleShot(20ms, [&quitAsked] {
        QCoreApplication::exit(0);
        quitAsked = true;
    });
    std::atomic<bool> finished{false};
    database.Run([&](TBackendConnection&) {
        WaitFor(quitAsked);
        std::this_thread::sleep_for(100ms);
        finished = true;
    });
    EXPECT_TRUE(quitAsked);
    EXPECT_TRUE(finished);
}

TEST_F(TDatabaseThreadTest, CallsFromSeveralThreadsRunOneAtATime) {
    std::atomic<int> inside{0};
    std::atomic<int> most{0};
    int total = 0; // touched only inside calls: one at a time, so no lock
    std::vector<std::thread> callers;
    for (int i = 0; i < 4; ++i)
        callers.emplace_back([&] {
            for (int call = 0; call < 25; ++call)
                database.Run([&](TBackendConnection&) {
                    most = std::max(most.load(), ++inside);
                    ++total;
                    std::this_thread::sleep_for(100us);
                    --inside;
                });
        });
    for (std::thread& caller : callers)
        caller.join();
    EXPECT_EQ(most, 1);
    EXPECT_EQ(total, 100);
}

TEST(TDatabaseThreadInline, RunsOnTheCallersThreadWithTheConnectionAtHand) {
    TDatabaseThread database(TDatabaseThread::TMode::Inline, "/nonexistent/accounts.fdb", "/tmp/", 5s);
    EXPECT_EQ(database.Run([](TBackendConnection&) { return std::this_thread::get_id(); }), std::this_thread::get_id());
    EXPECT_NO_THROW(database.Connection());
}

} // namespace
