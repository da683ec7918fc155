// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

#include <QObject>

#include "search/TBrowser.h"

/// Runs one fetch for a TBrowser as a background job (core/TBackgroundWork.h) and hands the
/// page to the fetcher on the user-interface thread. The object lives on the
/// user-interface thread and is the context of its hand-over; the hand-over, the thread's
/// last use of it, frees it. When the program ends first, the thread is left to end with
/// the process.
class TDownloadURLThread final : public QObject {
    Q_OBJECT
public:
    /// Create on the user-interface thread; starts with Start().
    TDownloadURLThread(TBrowser* browser, std::string url, TFetchOptions options);
    ~TDownloadURLThread() override;

    /// The fetcher it reports to; null once detached. Read and written on the
    /// user-interface thread only.
    TBrowser* Browser;
    const std::string URL;

    /// Starts the thread; the object frees itself after the thread has ended.
    void Start();

private:
    void Run();

    const TFetchOptions m_options;
};
