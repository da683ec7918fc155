// SPDX-License-Identifier: GPL-3.0-or-later
#include "search/TDownloadURLThread.h"

#include <atomic>
#include <exception>
#include <mutex>
#include <utility>

#include <QCoreApplication>

#include "core/TBackgroundWork.h"
#include "core/UiHandOver.h"

namespace {

// Set when the application object is destroyed: a fetch that ends while the program is
// ending hands nothing over, since the user-interface thread's event loop is gone.
std::atomic<bool> s_applicationGone{false};

void WatchApplicationEnd() {
    static std::once_flag once;
    std::call_once(once, [] { qAddPostRoutine([] { s_applicationGone = true; }); });
}

} // namespace

TDownloadURLThread::TDownloadURLThread(TBrowser* browser, std::string url, TFetchOptions options)
    : Browser(browser), URL(std::move(url)), m_options(std::move(options)) {}

TDownloadURLThread::~TDownloadURLThread() = default;

void TDownloadURLThread::Start() {
    WatchApplicationEnd();
    // The object is freed on the user-interface thread by the hand-over, the worker's last
    // use of it.
    TBackgroundWork::Start([this](std::stop_token) { Run(); });
}

void TDownloadURLThread::Run() {
    std::string page;
    std::string error;
    try {
        TFetchResult result = FetchPage(URL, m_options);
        // A failed fetch reaches the owner as an empty page with its reason.
        if (result.Ok())
            page = std::move(result.Text);
        else
            error = std::move(result.Reason);
    } catch (const std::exception& failure) {
        error = failure.what();
    }
    if (s_applicationGone)
        return;
    // Browser is read on the user-interface thread, where detaching happens. Nothing of
    // this object is used after the hand-over, which frees it.
    const bool handedOver = RunOnUiThread(this, [this, &page, &error] {
        if (Browser)
            Browser->DownloadDone(this, std::move(page), std::move(error));
        // Freed before the job ends, so that no fetch is left over once none is counted.
        delete this;
    });
    // Asked to stop (the program is quitting): the page is dropped, the object still freed.
    if (!handedOver)
        PostToUiThread(this, [this] { delete this; });
}
