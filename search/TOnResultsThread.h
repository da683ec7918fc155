// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <stop_token>
#include <string>

#include <QObject>

#include "search/IResultsSink.h"

/// The parser of one run: waits for each fetched page, cuts it into postings and hands
/// every posting to its sink (the run) on the user-interface thread; then asks the sink to
/// move on. The object lives on the user-interface thread (it is the context of its
/// hand-overs) and frees itself there at the end of its thread; the parse runs on that
/// thread, a background job of core/TBackgroundWork.
class TOnResultsThread final : public QObject {
    Q_OBJECT
public:
    /// Create on the user-interface thread; domain is the site's domain suffix, pauseMs
    /// the pause per posting.
    TOnResultsThread(IResultsSink* sink, std::string domain, int pauseMs);

    /// The run this parser works for; null once the run has let go of the parser (stopped
    /// or destroyed). User-interface thread only.
    IResultsSink* Sink;

    /// Hands the next page to the thread and wakes it. User-interface thread.
    void HandPage(TFetchedPage page);
    /// Ends the thread at the next posting, or at once when it waits. Any thread.
    void Terminate();
    bool Terminated() const { return m_terminated.load(); }
    /// Starts the thread; the object frees itself when the thread ends.
    void Start();

private:
    /// The thread's work; ends with the hand-over that tells the sink and frees this.
    void Run(std::stop_token stop);
    /// On the user-interface thread: tells a sink that still holds this parser, frees this.
    void Finish();
    /// Waits for pages and parses them until the run is complete or terminated.
    void ParsePages();
    /// Waits for a page or for termination; false when terminated.
    bool WaitForPage(TFetchedPage& page);
    /// Parses one page; false when terminated during it.
    bool ParsePage(const TFetchedPage& page);
    /// Waits the pause per posting; false when terminated meanwhile.
    bool Pause();
    /// The sink's advance on the user-interface thread; false when the run is complete.
    bool Advance();

    const std::string m_domain;
    const int m_pauseMs;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    bool m_pageReady = false;
    TFetchedPage m_page;
    std::atomic<bool> m_terminated{false};
};
