// SPDX-License-Identifier: GPL-3.0-or-later
#include "notify/TNewResultsMonitor.h"

#include <exception>

#include "core/Log.h"
#include "core/TSession.h"
#include "search/TSearch.h"
#include "store/TSearches.h"

namespace {

void LogQuietly(const std::string& message) {
    try {
        WriteLog(message);
    } catch (const std::exception&) {
    }
}

} // namespace

TNewResultsMonitor::TNewResultsMonitor(TSearchItems* items) : m_items(items) {
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
    if (!Session)
        return;
    // A page still outstanding belongs to the pass being replaced: drop it.
    MonitorFetcher.Cancel();
    m_waitingFor = nullptr;
    m_passActive = true;
    CheckedLinks.clear();
    Session->Status = CheckingStatus;
    CheckIndex = 0;
    CheckNextSearch();
}

void TNewResultsMonitor::CheckNextSearch() {
    try {
        CheckNextSearchUnguarded();
    } catch (const std::exception& error) {
        LogQuietly(std::string("TNewResultsMonitor.CheckNextSearch: ") + error.what());
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
        search->StartNewResultsCheck();
        if (!Session || Session->Status != CheckingStatus) {
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
        search->NewResultsPageLoaded();
        if (search->CheckDone) {
            m_waitingFor = nullptr;
            ++CheckIndex;
            CheckNextSearchUnguarded();
        }
    } catch (const std::exception& error) {
        LogQuietly(std::string("TNewResultsMonitor.CheckPageLoaded: ") + error.what());
        EndPass();
    }
}

TSearchItems* TNewResultsMonitor::Items() const {
    if (m_items)
        return m_items;
    if (Session && Session->Searches)
        return &Session->Searches->Items;
    return nullptr;
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
    if (Session)
        Session->Status = IdleStatus;
    if (OnPassEnded)
        OnPassEnded();
}
