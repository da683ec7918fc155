// SPDX-License-Identifier: GPL-3.0-or-later
#include "notify/TNewResultsMonitor.h"

#include <exception>

#include <utility>

#include "core/Log.h"
#include "notify/TSearchMonitor.h"
#include "search/TSearch.h"

TNewResultsMonitor::TNewResultsMonitor(TMonitorContext context, TSearchItems* items)
    : m_context(std::move(context)), m_items(items) {
    MonitorFetcher.Options = m_context.Fetch;
    MonitorFetcher.OnDone = [this] { CheckPageLoaded(); };
}

TNewResultsMonitor::~TNewResultsMonitor() {
    MonitorFetcher.Cancel();
}

void TNewResultsMonitor::TimerTick() {
    if (SignInShowing() || (SearchWindowVisible && SearchWindowVisible()))
        return;
    const TSearchItems* items = Items();
    if (!items || items->empty())
        return;
    StartPass();
}

void TNewResultsMonitor::StartPass() {
    if (!m_context.Status)
        return;
    // A page still outstanding belongs to the pass being replaced: drop it.
    MonitorFetcher.Cancel();
    m_waitingFor = nullptr;
    m_passActive = true;
    CheckedLinks.clear();
    *m_context.Status = CheckingStatus;
    CheckIndex = 0;
    CheckNextSearch();
}

void TNewResultsMonitor::CheckNextSearch() {
    try {
        CheckNextSearchUnguarded();
    } catch (const std::exception& error) {
        WriteLog(std::string("TNewResultsMonitor.CheckNextSearch: ") + error.what());
        EndPass();
    }
}

void TNewResultsMonitor::CheckNextSearchUnguarded() {
    while (true) {
        if (SignInShowing())
            return;
        TSearch* search = SearchAt(CheckIndex);
        if (!search) {
            EndPass();
            return;
        }
        search->CheckFetcher = &MonitorFetcher;
        StartNewResultsCheck(*search, m_context);
        if (*m_context.Status != CheckingStatus) {
            // Another operation took the status over: the check was not started, and a pass
            // left waiting would never end.
            EndPass();
            return;
        }
        if (!search->CheckDone) {
            m_waitingFor = search;
            return;
        }
        ++CheckIndex;
    }
}

void TNewResultsMonitor::CheckPageLoaded() {
    if (!m_passActive || SignInShowing())
        return;
    try {
        TSearch* search = SearchAt(CheckIndex);
        if (!search || search != m_waitingFor) {
            // The searches changed while the page was on its way; start over next time.
            EndPass();
            return;
        }
        CheckedLinks.push_back(MonitorFetcher.URL);
        NewResultsPageLoaded(*search, m_context);
        if (search->CheckDone) {
            m_waitingFor = nullptr;
            ++CheckIndex;
            CheckNextSearchUnguarded();
        }
    } catch (const std::exception& error) {
        WriteLog(std::string("TNewResultsMonitor.CheckPageLoaded: ") + error.what());
        EndPass();
    }
}

TSearchItems* TNewResultsMonitor::Items() const {
    if (m_items)
        return m_items;
    return m_context.Searches ? m_context.Searches() : nullptr;
}

TSearch* TNewResultsMonitor::SearchAt(int index) const {
    const TSearchItems* items = Items();
    if (!items || index < 0 || static_cast<std::size_t>(index) >= items->size())
        return nullptr;
    return (*items)[static_cast<std::size_t>(index)].get();
}

bool TNewResultsMonitor::SignInShowing() const {
    return SignInPageShowing && SignInPageShowing();
}

void TNewResultsMonitor::EndPass() {
    MonitorFetcher.Cancel();
    m_waitingFor = nullptr;
    m_passActive = false;
    if (m_context.Status)
        *m_context.Status = IdleStatus;
    if (OnPassEnded)
        OnPassEnded();
}
