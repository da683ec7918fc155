// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <chrono>
#include <condition_variable>
#include <deque>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <type_traits>
#include <utility>

class TBackendConnection;

/// Where the account database connection is used. Inline, the connection belongs to the
/// thread that made this object and Run calls the work at once (the command-line tool, the
/// GUI-free tests). Threaded, the connection lives on a thread of its own and Run hands the
/// work to it: a caller on the application's main thread keeps its event loop running
/// while it waits, so the windows repaint and answer while the server is slow or silent;
/// any other caller blocks. Calls run one at a time, in the order they were made.
class TDatabaseThread final {
public:
    enum class TMode { Inline, Threaded };

    TDatabaseThread(TMode mode, std::string database, std::string dataFolder, std::chrono::seconds timeLimit);
    /// Closes the connection on its thread and ends that thread.
    ~TDatabaseThread();
    TDatabaseThread(const TDatabaseThread&) = delete;
    TDatabaseThread& operator=(const TDatabaseThread&) = delete;

    /// Called with true before the main thread starts waiting for a call with its event loop
    /// running, with false after (the windows block input meanwhile). Set before first use.
    std::function<void(bool waiting)> OnMainThreadWait;

    /// Runs work(connection) where the connection lives and returns its result; an
    /// exception thrown by work reaches the caller. Nested calls (from inside work) run at once.
    template <class F> auto Run(F&& work) -> std::invoke_result_t<F&, TBackendConnection&> {
        using Result = std::invoke_result_t<F&, TBackendConnection&>;
        if constexpr (std::is_void_v<Result>) {
            Call([&work](TBackendConnection& connection) { work(connection); });
        } else {
            std::optional<Result> result;
            Call([&work, &result](TBackendConnection& connection) { result.emplace(work(connection)); });
            return std::move(*result);
        }
    }

    /// Breaks off the call running now, if any (the user stops or quits): a statement
    /// waiting on the server fails at once. Any thread.
    void Interrupt();

    /// The connection itself, for a caller on the thread it belongs to; throws
    /// std::logic_error on any other thread.
    TBackendConnection& Connection();
    bool Threaded() const { return m_mode == TMode::Threaded; }

private:
    struct TPendingCall;

    void Call(const std::function<void(TBackendConnection&)>& work);
    bool OnConnectionThread() const;
    void Serve();
    void WaitOnMainThread(TPendingCall& call);

    const TMode m_mode;
    std::unique_ptr<TBackendConnection> m_connection;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::deque<TPendingCall*> m_queue;
    bool m_ending = false;
    /// A call is running on the database thread (which has made its connection).
    bool m_running = false;
    std::thread::id m_connectionThread;
    std::thread m_thread;
};
