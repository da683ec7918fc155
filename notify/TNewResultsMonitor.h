// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "notify/TMonitorContext.h"
#include "search/TBrowser.h"

/// The background check for new results: a pass walks the saved searches one search and
/// one page at a time with one shared fetcher, marks the searches whose site now shows a
/// newer topmost posting than their markers, and shows itself in the context's status.
/// The main window owns one and drives it from its timer and F5; a command-line tool can
/// drive one pass. Lives on the user-interface thread.
class TNewResultsMonitor final {
public:
    static constexpr const char* CheckingStatus = "Checking for new results...";
    static constexpr const char* IdleStatus = "Idle";

    /// Works over items when given (they must outlive the monitor's passes), otherwise over
    /// the context's searches as they are at each step.
    explicit TNewResultsMonitor(TMonitorContext context, TSearchItems* items = nullptr);
    /// Cancels an outstanding fetch; the status is left as it is.
    ~TNewResultsMonitor();
    TNewResultsMonitor(const TNewResultsMonitor&) = delete;
    TNewResultsMonitor& operator=(const TNewResultsMonitor&) = delete;

    /// The one fetcher every search's check uses; its completion is CheckPageLoaded.
    TBrowser MonitorFetcher;
    /// Position of the search being checked in the current pass.
    int CheckIndex = 0;
    /// Links of the pages examined in the current (or last) pass, in order.
    std::vector<std::string> CheckedLinks;

    /// True while the owner shows its sign-in page; unset means never.
    std::function<bool()> SignInPageShowing;
    /// True while the search window is visible; unset means never.
    std::function<bool()> SearchWindowVisible;
    /// Called when a pass ends, at the last search or early (error, status taken over).
    std::function<void()> OnPassEnded;

    /// A tick of the owner's timer: starts a pass unless the sign-in page is showing, the
    /// search window is visible or there are no searches.
    void TimerTick();
    /// Starts a pass from the first search (F5). A page still outstanding from an earlier
    /// pass is dropped.
    void StartPass();
    /// Checks the search at CheckIndex and goes on with the next ones until a page is
    /// outstanding or the pass is over.
    void CheckNextSearch();
    /// Completion of MonitorFetcher: lets the search being checked examine the page, then
    /// goes on with the next search when that search's check is done.
    void CheckPageLoaded();

    /// A pass has started and not ended.
    bool Checking() const { return m_passActive; }
    const TMonitorContext& Context() const { return m_context; }

private:
    TSearchItems* Items() const;
    TSearch* SearchAt(int index) const;
    bool SignInShowing() const;
    /// The status is Idle, the fetcher quiet and OnPassEnded told.
    void EndPass();
    void CheckNextSearchUnguarded();

    TMonitorContext m_context;
    TSearchItems* m_items = nullptr;
    /// The search whose page is outstanding; a different search at CheckIndex means the
    /// list changed under the pass.
    TSearch* m_waitingFor = nullptr;
    bool m_passActive = false;
};
