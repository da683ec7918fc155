// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/TStatementWatch.h"

TStatementWatch::TStatementWatch(std::chrono::milliseconds limit, std::function<void()> abort)
    : m_limit(limit), m_abort(std::move(abort)), m_thread([this] { Run(); }) {}

TStatementWatch::~TStatementWatch() {
    {
        const std::lock_guard lock(m_mutex);
        m_quit = true;
    }
    m_wake.notify_all();
    m_thread.join();
}

TStatementWatch::TBusy::TBusy(TStatementWatch& watch) : m_watch(watch) {
    m_watch.Enter();
}

TStatementWatch::TBusy::~TBusy() {
    m_watch.Leave();
}

bool TStatementWatch::Fired() const {
    const std::lock_guard lock(m_mutex);
    return m_fired;
}

void TStatementWatch::Reset() {
    const std::lock_guard lock(m_mutex);
    m_fired = false;
}

void TStatementWatch::Enter() {
    {
        const std::lock_guard lock(m_mutex);
        ++m_busy;
        m_lastActivity = std::chrono::steady_clock::now();
    }
    m_wake.notify_all();
}

void TStatementWatch::Leave() {
    const std::lock_guard lock(m_mutex);
    --m_busy;
    m_lastActivity = std::chrono::steady_clock::now();
}

void TStatementWatch::Run() {
    std::unique_lock lock(m_mutex);
    while (!m_quit) {
        if (m_busy == 0 || m_fired) {
            m_wake.wait(lock);
            continue;
        }
        const auto deadline = m_lastActivity + m_limit;
        if (std::chrono::steady_clock::now() < deadline) {
            m_wake.wait_until(lock, deadline);
            continue;
        }
        m_fired = true;
        // The abort only breaks the socket; it never waits on the server.
        m_abort();
    }
}
