// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <atomic>
#include <string>

#include <QThread>

#include "search/TBrowser.h"

/// Runs one FetchUrl for a TBrowser on its own thread and hands the page to the fetcher on
/// the user-interface thread. The object lives on the user-interface thread and frees
/// itself there after the thread has ended; it is also the context of its hand-over, so
/// that context outlives every hand-over.
class TDownloadURLThread final : public QThread {
    Q_OBJECT
public:
    /// Create on the user-interface thread; starts with Start().
    TDownloadURLThread(TBrowser* browser, std::string url, TFetchOptions options);
    ~TDownloadURLThread() override;

    /// The fetcher it reports to; null once detached. Read and written on the
    /// user-interface thread only.
    TBrowser* Browser;
    const std::string URL;

    /// Marks the thread to free itself when it ends and starts it.
    void Start();
    /// Fetch threads that exist now (for orderly shutdown and tests). Any thread.
    static int Running();

protected:
    void run() override;

private:
    const TFetchOptions m_options;
    static std::atomic<int> s_running;
};
