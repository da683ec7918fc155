// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/TDatabaseThread.h"

#include <stdexcept>

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QEventLoop>
#include <QThread>

#include "core/TBackendConnection.h"

namespace {

/// The connection thread a thread is serving, if any.
thread_local const TDatabaseThread* t_serving = nullptr;

bool OnApplicationThread() {
    const QCoreApplication* application = QCoreApplication::instance();
    return application && application->thread() == QThread::currentThread();
}

} // namespace

struct TDatabaseThread::TPendingCall {
    explicit TPendingCall(const std::function<void(TBackendConnection&)>& work) : Work(work) {}

    const std::function<void(TBackendConnection&)>& Work;
    std::exception_ptr Error;
    bool Done = false;
    /// The waiting main thread's dispatcher, woken when the call is done; null for a blocked caller.
    QAbstractEventDispatcher* Dispatcher = nullptr;
};

TDatabaseThread::TDatabaseThread(TMode mode, std::string database, std::string dataFolder,
                                 std::chrono::seconds timeLimit)
    : m_mode(mode), m_connectionThread(std::this_thread::get_id()) {
    if (m_mode == TMode::Inline) {
        m_connection = std::make_unique<TBackendConnection>(std::move(database), std::move(dataFolder), timeLimit);
        return;
    }
    // A connection belongs to the thread that makes it: made on the thread that serves it.
    m_thread = std::thread([this, database = std::move(database), dataFolder = std::move(dataFolder), timeLimit] {
        t_serving = this;
        m_connection = std::make_unique<TBackendConnection>(database, dataFolder, timeLimit);
        Serve();
        m_connection.reset();
    });
}

TDatabaseThread::~TDatabaseThread() {
    if (m_mode == TMode::Inline)
        return;
    {
        std::lock_guard lock(m_mutex);
        m_ending = true;
    }
    m_changed.notify_all();
    m_thread.join();
}

bool TDatabaseThread::OnConnectionThread() const {
    return m_mode == TMode::Inline ? std::this_thread::get_id() == m_connectionThread : t_serving == this;
}

TBackendConnection& TDatabaseThread::Connection() {
    if (!OnConnectionThread())
        throw std::logic_error("The account database connection is used on its own thread only");
    return *m_connection;
}

void TDatabaseThread::Interrupt() {
    if (m_mode == TMode::Inline) {
        m_connection->Abort();
        return;
    }
    std::lock_guard lock(m_mutex);
    if (m_running)
        m_connection->Abort();
}

void TDatabaseThread::Call(const std::function<void(TBackendConnection&)>& work) {
    if (m_mode == TMode::Inline || t_serving == this) {
        work(Connection());
        return;
    }
    TPendingCall call(work);
    const bool pumpEvents = OnApplicationThread();
    if (pumpEvents)
        call.Dispatcher = QThread::currentThread()->eventDispatcher();
    {
        std::lock_guard lock(m_mutex);
        m_queue.push_back(&call);
    }
    m_changed.notify_all();
    if (pumpEvents && call.Dispatcher) {
        WaitOnMainThread(call);
    } else {
        std::unique_lock lock(m_mutex);
        m_changed.wait(lock, [&call] { return call.Done; });
    }
    if (call.Error)
        std::rethrow_exception(call.Error);
}

void TDatabaseThread::WaitOnMainThread(TPendingCall& call) {
    if (OnMainThreadWait)
        OnMainThreadWait(true);
    // Not a nested QEventLoop: one of those returns at once once the application is
    // quitting, and the call must still be waited for.
    for (;;) {
        {
            std::lock_guard lock(m_mutex);
            if (call.Done)
                break;
        }
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    if (OnMainThreadWait)
        OnMainThreadWait(false);
}

void TDatabaseThread::Serve() {
    for (;;) {
        TPendingCall* call = nullptr;
        {
            std::unique_lock lock(m_mutex);
            m_changed.wait(lock, [this] { return m_ending || !m_queue.empty(); });
            if (m_queue.empty())
                break;
            call = m_queue.front();
            m_queue.pop_front();
            m_running = true;
        }
        std::exception_ptr error;
        try {
            call->Work(*m_connection);
        } catch (...) {
            error = std::current_exception();
        }
        QAbstractEventDispatcher* const dispatcher = call->Dispatcher;
        {
            std::lock_guard lock(m_mutex);
            m_running = false;
            call->Error = error;
            call->Done = true;
        }
        m_changed.notify_all();
        // The caller may leave as soon as it sees Done: only the dispatcher read before is used.
        if (dispatcher)
            dispatcher->wakeUp();
    }
}
