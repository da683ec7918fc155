// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <atomic>
#include <functional>
#include <thread>

/// A worker thread that runs one job and ends by itself. Its owner (on the user-interface
/// thread) learns of the end through the callback given to Start, which runs on the
/// worker as its very last step, and then joins and frees it.
class TWorkerThread {
public:
    TWorkerThread() = default;
    virtual ~TWorkerThread();
    TWorkerThread(const TWorkerThread&) = delete;
    TWorkerThread& operator=(const TWorkerThread&) = delete;

    void Start(std::function<void()> onFinished);
    void RequestInterruption() { m_interrupted.store(true); }
    bool IsInterruptionRequested() const { return m_interrupted.load(); }
    /// True once Run and the end callback have returned.
    bool IsFinished() const { return m_finished.load(); }
    /// Waits for the thread to end.
    void Join();

protected:
    virtual void Run() = 0;

private:
    std::thread m_thread;
    std::atomic<bool> m_interrupted{false};
    std::atomic<bool> m_finished{false};
};
