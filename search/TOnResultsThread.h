// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>

#include <QObject>

#include "search/TEntryLinkIndex.h"

class IResultsView;
class TEntry;
class TSearch;

/// The parser of one run: waits for each fetched page, cuts it into postings and hands
/// every posting to the user-interface thread, where it is checked against the search's
/// deleted results and results and added; then asks the run for the next page. The object
/// lives on the user-interface thread (it is the context of its hand-overs) and frees
/// itself there in the last hand-over of its thread; the parse runs on that thread.
class TOnResultsThread final : public QObject {
    Q_OBJECT
public:
    /// What the run driver hands over with a page; read on the user-interface thread.
    struct TPage {
        std::string Text;
        std::string Link;
        IResultsView* View = nullptr;
        /// The run's position when the page was fetched.
        int LocationIndex = 0;
        int Page = 1;
        /// Full name of the location (of its sub-area for a neighbourhood).
        std::string LocationText;
    };

    /// Create on the user-interface thread; domain is the site's domain suffix, pauseMs
    /// the pause per posting.
    TOnResultsThread(TSearch* search, std::string domain, int pauseMs);
    ~TOnResultsThread() override;

    /// The search whose run this is; null once the run has let go of the parser (stopped or
    /// destroyed). User-interface thread only.
    TSearch* Search;

    /// Hands the next page to the thread and wakes it. User-interface thread.
    void HandPage(TPage page);
    /// Ends the thread at the next posting, or at once when it waits. Any thread.
    void Terminate();
    bool Terminated() const { return m_terminated.load(); }
    /// The end handler on the user-interface thread: a parser that is still the search's
    /// makes the search idle.
    void ParserDone();
    /// Starts the thread; the object frees itself when the thread ends.
    void Start();
    /// Parser threads that exist now (for orderly shutdown and tests). Any thread.
    static int Running();

private:
    /// The thread's work; ends with the hand-over that runs ParserDone and frees this.
    void Run();
    /// Waits for pages and parses them until the run is complete or terminated.
    void ParsePages();
    /// Waits for a page or for termination; false when terminated.
    bool WaitForPage(TPage& page);
    /// Parses one page; false when terminated during it.
    bool ParsePage(const TPage& page);
    /// Waits the pause per posting; false when terminated meanwhile.
    bool Pause();
    /// The driver's advance on the user-interface thread; false when the run is complete.
    bool Advance();
    /// Checks and adds one entry on the user-interface thread. Accepted counts the
    /// postings that were not deleted results.
    void Accept(std::unique_ptr<TEntry> entry, const TPage& page, int& accepted);

    const std::string m_domain;
    const int m_pauseMs;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    bool m_pageReady = false;
    TPage m_page;
    std::atomic<bool> m_terminated{false};
    /// The search's lists by link, used by Accept on the user-interface thread.
    TEntryLinkIndex m_resultLinks;
    TEntryLinkIndex m_deletedLinks;
    static std::atomic<int> s_running;
};
