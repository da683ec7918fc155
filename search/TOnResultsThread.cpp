// SPDX-License-Identifier: GPL-3.0-or-later
#include "search/TOnResultsThread.h"

#include <chrono>
#include <memory>
#include <utility>

#include "core/TBackgroundWork.h"
#include "core/UiHandOver.h"
#include "search/TEntry.h"
#include "search/TResultsPageParser.h"

TOnResultsThread::TOnResultsThread(IResultsSink* sink, std::string domain, int pauseMs)
    : Sink(sink), m_domain(std::move(domain)), m_pauseMs(pauseMs) {}

void TOnResultsThread::Start() {
    TBackgroundWork::Start([this](std::stop_token stop) { Run(std::move(stop)); });
}

void TOnResultsThread::HandPage(TFetchedPage page) {
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

void TOnResultsThread::Finish() {
    if (IResultsSink* sink = std::exchange(Sink, nullptr))
        sink->ParserDone(*this);
    delete this;
}

void TOnResultsThread::Run(std::stop_token stop) {
    {
        // Quitting ends the parse at the next posting.
        std::stop_callback quit(stop, [this] { Terminate(); });
        ParsePages();
    }
    // Nothing of this object is used after the hand-over, which frees it. A job asked to
    // stop does not wait for the user-interface thread: the end is posted instead.
    if (!RunOnUiThread(this, [this] { Finish(); }))
        PostToUiThread(this, [this] { Finish(); });
}

void TOnResultsThread::ParsePages() {
    TFetchedPage page;
    while (WaitForPage(page)) {
        if (TResultsPageParser::HasPostings(page.Text) && !ParsePage(page))
            return;
        if (m_terminated || !Advance())
            return;
    }
}

bool TOnResultsThread::WaitForPage(TFetchedPage& page) {
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

bool TOnResultsThread::ParsePage(const TFetchedPage& page) {
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
        const bool handedOver = RunOnUiThread(this, [&] {
            IResultsSink* sink = Sink;
            if (!sink || m_terminated)
                return;
            // The sink may be gone once this returns: only the count is touched after it.
            if (sink->AcceptPosting(std::move(entry), page, accepted == 0))
                ++accepted;
        });
        if (!handedOver)
            return false;
    }
}

bool TOnResultsThread::Advance() {
    bool more = false;
    RunOnUiThread(this, [&] {
        IResultsSink* sink = Sink;
        if (!sink || m_terminated)
            return;
        more = sink->AdvanceFromParser();
    });
    return more;
}
