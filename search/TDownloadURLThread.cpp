// SPDX-License-Identifier: GPL-3.0-or-later
#include "search/TDownloadURLThread.h"

#include <exception>
#include <utility>

#include "core/UiHandOver.h"

std::atomic<int> TDownloadURLThread::s_running{0};

TDownloadURLThread::TDownloadURLThread(TBrowser* browser, std::string url, TFetchOptions options)
    : Browser(browser), URL(std::move(url)), m_options(std::move(options)) {
    ++s_running;
}

TDownloadURLThread::~TDownloadURLThread() {
    if (m_thread.joinable())
        m_thread.join();
    --s_running;
}

void TDownloadURLThread::Start() {
    m_thread = std::thread([this] { Run(); });
}

int TDownloadURLThread::Running() {
    return s_running.load();
}

void TDownloadURLThread::Run() {
    std::string page;
    try {
        page = FetchUrl(URL, m_options);
    } catch (const std::exception&) {
        // A failed fetch reaches the owner as an empty page.
        page.clear();
    }
    // Browser is read on the user-interface thread, where detaching happens.
    RunOnUiThread(this, [this, &page] {
        if (Browser)
            Browser->DownloadDone(this, std::move(page));
    });
    // The last use of this object on the worker: the user-interface thread joins the
    // thread before freeing it.
    QMetaObject::invokeMethod(
        this, [this] { Finish(); }, Qt::QueuedConnection);
}

void TDownloadURLThread::Finish() {
    m_thread.join();
    deleteLater();
}
