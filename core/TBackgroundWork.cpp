// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/TBackgroundWork.h"

#include <algorithm>
#include <atomic>
#include <exception>
#include <mutex>
#include <thread>
#include <vector>

struct TBackgroundJob::TState {
    std::stop_source Stop;
    std::atomic<bool> Finished{false};
};

namespace {

/// The jobs that run now; guarded by its mutex.
struct TRegistry {
    std::mutex Mutex;
    std::vector<std::shared_ptr<TBackgroundJob::TState>> Running;
};

TRegistry& Registry() {
    // Never destroyed: a job left running when the program ends still finds it.
    static auto* registry = new TRegistry;
    return *registry;
}

thread_local std::stop_token currentStop;

} // namespace

void TBackgroundJob::RequestStop() {
    if (m_state)
        m_state->Stop.request_stop();
}

bool TBackgroundJob::StopRequested() const {
    return m_state && m_state->Stop.stop_requested();
}

bool TBackgroundJob::Finished() const {
    return !m_state || m_state->Finished.load();
}

TBackgroundJob TBackgroundWork::Start(TJob job) {
    auto state = std::make_shared<TBackgroundJob::TState>();
    TRegistry& registry = Registry();
    {
        std::lock_guard lock(registry.Mutex);
        registry.Running.push_back(state);
    }
    std::thread([state, job = std::move(job), &registry]() mutable {
        currentStop = state->Stop.get_token();
        try {
            job(currentStop);
        } catch (const std::exception&) {
            // A job reports its own failures; one that escapes must not end the program.
        }
        // What the job owns goes before it stops counting.
        job = nullptr;
        currentStop = {};
        std::lock_guard lock(registry.Mutex);
        registry.Running.erase(std::find(registry.Running.begin(), registry.Running.end(), state));
        state->Finished = true;
    }).detach();
    return TBackgroundJob(state);
}

int TBackgroundWork::Running() {
    TRegistry& registry = Registry();
    std::lock_guard lock(registry.Mutex);
    return static_cast<int>(registry.Running.size());
}

void TBackgroundWork::RequestStopAll() {
    std::vector<std::shared_ptr<TBackgroundJob::TState>> running;
    {
        TRegistry& registry = Registry();
        std::lock_guard lock(registry.Mutex);
        running = registry.Running;
    }
    // Outside the lock: a stop callback may start or end work of its own.
    for (const auto& job : running)
        job->Stop.request_stop();
}

bool TBackgroundWork::WaitForAll(std::chrono::milliseconds timeout) {
    // Polls rather than waiting on a condition with a time-out: that wait of this standard
    // library is invisible to ThreadSanitizer.
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        if (Running() == 0)
            return true;
        if (std::chrono::steady_clock::now() >= deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
}

std::stop_token TBackgroundWork::CurrentStopToken() {
    return currentStop;
}
