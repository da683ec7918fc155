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
    --s_running;
}

void TDownloadURLThread::Start() {
    // Detached: the object is freed on the user-interface thread by the hand-over, the
    // worker's last use of it.
    std::thread([this] { Run(); }).detach();
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
    // Browser is read on the user-interface thread, where detaching happens. Nothing of
    // this object is used after the hand-over, which frees it.
    RunOnUiThread(this, [this, &page] {
        if (Browser)
            Browser->DownloadDone(this, std::move(page));
        deleteLater();
    });
}
