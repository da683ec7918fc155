// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <memory>
#include <string>

#include <QFrame>

#include "search/TBrowser.h"

class QTextBrowser;

/// The side banner of the search window: the maker's banner page, fetched in the
/// background and shown at its width once it has come; collapsed to nothing while it is
/// on its way and when it cannot be had. User-interface thread.
class TSideBanner final : public QFrame {
    Q_OBJECT

public:
    static constexpr int BannerWidth = 200;
    static constexpr const char* BannerPath = "/sidescreen/index.html";

    explicit TSideBanner(QWidget* parent = nullptr);
    ~TSideBanner() override;

    /// Collapses the panel and starts fetching server + BannerPath with options; returns at
    /// once.
    void ShowSideBanner(const std::string& server, const TFetchOptions& options);
    /// The banner page has come (or failed) and the panel shows its outcome.
    bool Settled() const { return m_settled; }

private:
    void wbBannerDocumentComplete();

    QTextBrowser* wbBanner = nullptr;
    TBrowser m_fetcher;
    bool m_settled = false;
};
