// SPDX-License-Identifier: GPL-3.0-or-later
// ctest-labels: unit threads
#include "core/TBackgroundWork.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <stdexcept>
#include <thread>

#include <gtest/gtest.h>

#include <QObject>

#include "TestSupport.h"
#include "core/UiHandOver.h"

namespace {

using namespace std::chrono_literals;

/// A gate a job waits at until the test opens it.
class TGate final {
public:
    void Open() {
        std::lock_guard lock(m_mutex);
        m_open = true;
        m_changed.notify_all();
    }
    void Wait() {
        std::unique_lock lock(m_mutex);
        m_changed.wait(lock, [this] { return m_open; });
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_changed;
    bool m_open = false;
};

class TBackgroundWorkTest : public testing::Test {
protected:
    void TearDown() override { EXPECT_TRUE(TBackgroundWork::WaitForAll(20s)); }

    /// Lives on this (the user-interface) thread: the context of the jobs' hand-overs.
    QObject ui;
};

TEST_F(TBackgroundWorkTest, AJobCountsUntilItHasReturned) {
    TGate gate;
    const TBackgroundJob job = TBackgroundWork::Start([&](std::stop_token) { gate.Wait(); });
    EXPECT_EQ(TBackgroundWork::Running(), 1);
    EXPECT_FALSE(job.Finished());
    EXPECT_FALSE(TBackgroundWork::WaitForAll(50ms));

    gate.Open();
    EXPECT_TRUE(TBackgroundWork::WaitForAll(20s));
    EXPECT_EQ(TBackgroundWork::Running(), 0);
    EXPECT_TRUE(job.Finished());
    EXPECT_TRUE(TBackgroundJob().Finished()) << "a job that never ran";
}

TEST_F(TBackgroundWorkTest, AJobThatThrowsStillEnds) {
    TBackgroundWork::Start([](std::stop_token) { throw std::runtime_error("lost"); });
    EXPECT_TRUE(TBackgroundWork::WaitForAll(20s));
}

TEST_F(TBackgroundWorkTest, StopAllReachesTheRunningJobsOnly) {
    std::atomic<int> stopped = 0;
    auto untilStopped = [&](std::stop_token stop) {
        while (!stop.stop_requested())
            std::this_thread::sleep_for(1ms);
        ++stopped;
    };
    TBackgroundJob first = TBackgroundWork::Start(untilStopped);
    TBackgroundJob second = TBackgroundWork::Start(untilStopped);
    TBackgroundWork::RequestStopAll();
    EXPECT_TRUE(TBackgroundWork::WaitForAll(20s));
    EXPECT_EQ(stopped, 2);
    EXPECT_TRUE(first.StopRequested());

    TBackgroundJob later = TBackgroundWork::Start(untilStopped);
    EXPECT_FALSE(later.StopRequested());
    later.RequestStop();
    EXPECT_TRUE(TBackgroundWork::WaitForAll(20s));
    EXPECT_EQ(stopped, 3);
    EXPECT_FALSE(TBackgroundWork::CurrentStopToken().stop_possible()) << "no job runs on this thread";
}

TEST_F(TBackgroundWorkTest, AJobAskedToStopDoesNotWaitForTheUserInterfaceThread) {
    bool ran = false;
    std::atomic<bool> handedOver = true;
    TGate gate;
    TBackgroundJob job = TBackgroundWork::Start([&](std::stop_token) {
        gate.Wait();
        handedOver = RunOnUiThread(&ui, [&] { ran = true; });
    });
    job.RequestStop();
    gate.Open();
    // This thread delivers nothing meanwhile: the job must end by itself.
    EXPECT_TRUE(TBackgroundWork::WaitForAll(20s));
    EXPECT_FALSE(handedOver);
    WaitFor([] { return false; }, 100ms);
    EXPECT_FALSE(ran);
}

TEST_F(TBackgroundWorkTest, AStopReleasesAWaitingHandOverWhoseWorkThenNeverRuns) {
    bool ran = false;
    std::atomic<bool> handedOver = true;
    TBackgroundJob job =
        TBackgroundWork::Start([&](std::stop_token) { handedOver = RunOnUiThread(&ui, [&] { ran = true; }); });
    // The call is posted but not delivered: this thread does not process events yet.
    std::this_thread::sleep_for(50ms);
    EXPECT_FALSE(job.Finished());
    TBackgroundWork::RequestStopAll();
    EXPECT_TRUE(TBackgroundWork::WaitForAll(20s));
    EXPECT_FALSE(handedOver);
    // The abandoned call is delivered now, and does nothing.
    WaitFor([] { return false; }, 100ms);
    EXPECT_FALSE(ran);
}

TEST_F(TBackgroundWorkTest, AHandOverThatHasBegunRunsToItsEndDespiteAStop) {
    int steps = 0;
    std::atomic<bool> handedOver = false;
    TBackgroundJob job;
    job = TBackgroundWork::Start([&](std::stop_token) {
        handedOver = RunOnUiThread(&ui, [&] {
            ++steps;
            job.RequestStop();
            ++steps;
        });
    });
    ASSERT_TRUE(WaitFor([&] { return job.Finished(); }));
    EXPECT_TRUE(handedOver);
    EXPECT_EQ(steps, 2);
}

} // namespace
