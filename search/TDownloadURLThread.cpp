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
    connect(this, &QThread::finished, this, &QObject::deleteLater);
    start();
}

int TDownloadURLThread::Running() {
    return s_running.load();
}

void TDownloadURLThread::run() {
    std::string page;
    try {
        page = FetchUrl(URL, m_options);
    } catch (const std::exception&) {
        // A failed fetch reaches the owner as an empty page.
        page.clear();
    }
    // This object lives on the user-interface thread and is freed only after run() has
    // returned, so it is a safe context; Browser is read there, where detaching happens.
    RunOnUiThread(this, [this, &page] {
        if (Browser)
            Browser->DownloadDone(this, std::move(page));
    });
}
