// SPDX-License-Identifier: GPL-3.0-or-later
#include "search/TOnResultsThread.h"

#include <chrono>
#include <thread>
#include <utility>

#include "core/UiHandOver.h"
#include "search/IResultsView.h"
#include "search/TEntry.h"
#include "search/TResultsPageParser.h"
#include "search/TSearch.h"

std::atomic<int> TOnResultsThread::s_running{0};

TOnResultsThread::TOnResultsThread(TSearch* search, std::string domain, int pauseMs)
    : Search(search), m_domain(std::move(domain)), m_pauseMs(pauseMs) {
    ++s_running;
}

TOnResultsThread::~TOnResultsThread() {
    --s_running;
}

int TOnResultsThread::Running() {
    return s_running.load();
}

void TOnResultsThread::Start() {
    std::thread([this] { Run(); }).detach();
}

void TOnResultsThread::HandPage(TPage page) {
    {
        std::lock_guard lock(m_mutex);
        m_page = std::move(page);
        m_pageReady = true;
    }
    m_wake.notify_all();
}

void TOnResultsThread::Terminate() {
    {
        std::lock_guard lock(m_mutex);
        m_terminated = true;
    }
    m_wake.notify_all();
}

void TOnResultsThread::ParserDone() {
    if (Search && Search->Parser == this) {
        Search->Parser = nullptr;
        Search->Idle = true;
        if (Search->OnIdle)
            Search->OnIdle();
    }
    Search = nullptr;
}

void TOnResultsThread::Run() {
    ParsePages();
    // Nothing of this object is used after this hand-over, which frees it.
    RunOnUiThread(this, [this] {
        ParserDone();
        deleteLater();
    });
}

void TOnResultsThread::ParsePages() {
    TPage page;
    while (WaitForPage(page)) {
        if (TResultsPageParser::HasPostings(page.Text) && !ParsePage(page))
            return;
        if (m_terminated || !Advance())
            return;
    }
}

bool TOnResultsThread::WaitForPage(TPage& page) {
    std::unique_lock lock(m_mutex);
    // A page handed over before the wait began is already marked ready.
    m_wake.wait(lock, [this] { return m_pageReady || m_terminated; });
    if (m_terminated)
        return false;
    page = std::move(m_page);
    m_pageReady = false;
    return true;
}

bool TOnResultsThread::Pause() {
    if (m_pauseMs <= 0)
        return !m_terminated;
    std::unique_lock lock(m_mutex);
    m_wake.wait_for(lock, std::chrono::milliseconds(m_pauseMs), [this] { return m_terminated.load(); });
    return !m_terminated;
}

bool TOnResultsThread::ParsePage(const TPage& page) {
    TResultsPageParser parser(page.Text, page.Link, m_domain);
    TParsedPosting posting;
    int accepted = 0;
    while (true) {
        if (m_terminated)
            return false;
        if (!parser.Next(posting))
            return true;
        if (!Pause())
            return false;
        auto entry = std::make_unique<TEntry>(posting.Date, std::move(posting.Title), posting.Link, posting.Price,
                                              page.LocationText, posting.HasImage);
        // The search's lists are read and changed only on the user-interface thread.
        if (!RunOnUiThread(this, [&] { Accept(std::move(entry), page, accepted); }))
            return false;
    }
}

void TOnResultsThread::Accept(std::unique_ptr<TEntry> entry, const TPage& page, int& accepted) {
    TSearch* search = Search;
    if (!search || m_terminated)
        return;
    if (m_deletedLinks.Find(search->DeletedResults, entry->Link))
        return;
    if (accepted == 0 && page.Page == 1)
        search->LatestEntries.push_back(std::make_unique<TLatestEntry>(page.LocationIndex, entry->Link, page.Link));
    entry->New = !m_resultLinks.Find(search->Results, entry->Link);
    if (!search->KeepOldResults || entry->New) {
        search->Results.push_back(std::move(entry));
        if (page.View)
            page.View->AddEntryRow(*search->Results.back());
    }
    ++accepted;
}

bool TOnResultsThread::Advance() {
    bool more = false;
    RunOnUiThread(this, [&] {
        TSearch* search = Search;
        if (!search || m_terminated)
            return;
        more = search->AdvanceFromParser();
    });
    return more;
}
