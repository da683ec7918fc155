// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <chrono>
#include <functional>
#include <memory>
#include <stop_token>

/// One job started by TBackgroundWork, as its starter holds it. Any thread.
class TBackgroundJob final {
public:
    /// What the job and its holders share (defined in TBackgroundWork.cpp).
    struct TState;

    /// A job that never ran: finished, and nothing to stop.
    TBackgroundJob() = default;

    /// Asks the job to stop: its stop token fires, and its hand-overs to the
    /// user-interface thread no longer wait (core/UiHandOver.h).
    void RequestStop();
    bool StopRequested() const;
    /// The job's function has returned.
    bool Finished() const;

private:
    friend class TBackgroundWork;
    explicit TBackgroundJob(std::shared_ptr<TState> state) : m_state(std::move(state)) {}

    std::shared_ptr<TState> m_state;
};

/// The one way to run work off the user-interface thread: fetches, parses, mails and the
/// session's sign-in and sign-out each run as a job on a thread of their own, and one
/// count says how many still run, so that quitting can ask every job to stop and wait for
/// them (or leave those that do not end in time to end with the process). A job that is
/// left behind must own what it uses. Any thread.
class TBackgroundWork final {
public:
    using TJob = std::function<void(std::stop_token stop)>;

    /// Runs job on a thread of its own; it is counted from now until it has returned.
    static TBackgroundJob Start(TJob job);
    /// Jobs started that have not returned yet.
    static int Running();
    /// Asks every job running now to stop (see TBackgroundJob::RequestStop); jobs started
    /// later are not affected.
    static void RequestStopAll();
    /// Waits up to timeout until no job runs; true when none is left. Never on a thread
    /// that a running job may wait for, unless the jobs were asked to stop.
    static bool WaitForAll(std::chrono::milliseconds timeout);
    /// The stop token of the job running on the calling thread; outside a job, a token
    /// that never fires.
    static std::stop_token CurrentStopToken();
};
