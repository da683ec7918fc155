// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <functional>
#include <stop_token>

#include "core/TBackgroundWork.h"

/// A background job (core/TBackgroundWork.h) as an object: runs Run once and ends by
/// itself. Its owner (on the user-interface thread) learns of the end through the callback
/// given to Start, which runs on the worker as its very last step, and then frees it once
/// it is finished.
class TWorkerThread {
public:
    TWorkerThread() = default;
    /// Waits for the job to end; by then Run must have returned (Join first), since the
    /// derived part is gone.
    virtual ~TWorkerThread();
    TWorkerThread(const TWorkerThread&) = delete;
    TWorkerThread& operator=(const TWorkerThread&) = delete;

    void Start(std::function<void()> onFinished);
    void RequestInterruption() { m_job.RequestStop(); }
    /// True once Run and the end callback have returned.
    bool IsFinished() const { return m_job.Finished(); }
    /// Waits for the job to end. A job asked to stop ends without waiting for the
    /// user-interface thread; one that was not may need it.
    void Join();

protected:
    /// The job; stop fires when interruption is requested or the program quits.
    virtual void Run(std::stop_token stop) = 0;

private:
    TBackgroundJob m_job;
};
