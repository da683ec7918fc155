// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

/// Ends calls to a server that stops answering. The database client library waits for a
/// reply without any limit, so a server that is frozen (not dead: its socket stays open)
/// would keep the calling thread waiting for good. While at least one busy mark is held,
/// a thread of this watch checks that something happened within the time limit; when
/// nothing did, it runs the abort function once (which breaks the connection, so the
/// waiting call returns with an error).
class TStatementWatch final {
public:
    TStatementWatch(std::chrono::milliseconds limit, std::function<void()> abort);
    ~TStatementWatch();
    TStatementWatch(const TStatementWatch&) = delete;
    TStatementWatch& operator=(const TStatementWatch&) = delete;

    /// Held while a call may wait on the server; making and dropping one counts as activity.
    class TBusy final {
    public:
        explicit TBusy(TStatementWatch& watch);
        ~TBusy();
        TBusy(const TBusy&) = delete;
        TBusy& operator=(const TBusy&) = delete;

    private:
        TStatementWatch& m_watch;
    };

    /// True once the abort ran; cleared by Reset (after the connection is made afresh).
    bool Fired() const;
    void Reset();
    std::chrono::milliseconds Limit() const { return m_limit; }

private:
    void Enter();
    void Leave();
    void Run();

    const std::chrono::milliseconds m_limit;
    const std::function<void()> m_abort;
    mutable std::mutex m_mutex;
    std::condition_variable m_wake;
    int m_busy = 0;
    std::chrono::steady_clock::time_point m_lastActivity;
    bool m_fired = false;
    bool m_quit = false;
    std::thread m_thread;
};
