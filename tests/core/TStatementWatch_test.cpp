// SPDX-License-Identifier: GPL-3.0-or-later
// ctest-labels: unit threads
// The watch breaks a call that hears nothing within its limit, and nothing else: an idle
// connection and a busy one that keeps answering are left alone.
#include "core/TStatementWatch.h"

#include <atomic>
#include <chrono>
#include <thread>

#include <gtest/gtest.h>

namespace {

using namespace std::chrono_literals;

class TStatementWatchTest : public testing::Test {
protected:
    std::atomic<int> aborts{0};
    TStatementWatch watch{100ms, [this] { ++aborts; }};
};

TEST_F(TStatementWatchTest, ACallThatHearsNothingIsAbortedOnce) {
    const TStatementWatch::TBusy busy(watch);
    const auto start = std::chrono::steady_clock::now();
    while (!watch.Fired() && std::chrono::steady_clock::now() - start < 10s)
        std::this_thread::sleep_for(10ms);
    EXPECT_TRUE(watch.Fired());
    std::this_thread::sleep_for(300ms);
    EXPECT_EQ(aborts, 1);
    watch.Reset();
    EXPECT_FALSE(watch.Fired());
}

TEST_F(TStatementWatchTest, IdleOrAnsweringConnectionsAreLeftAlone) {
    std::this_thread::sleep_for(300ms); // nothing busy
    for (int i = 0; i < 30; ++i) {      // statements that each end well within the limit
        const TStatementWatch::TBusy busy(watch);
        std::this_thread::sleep_for(10ms);
    }
    EXPECT_EQ(aborts, 0);
    EXPECT_FALSE(watch.Fired());
}

} // namespace
