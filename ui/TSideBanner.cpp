// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/TSideBanner.h"

#include <QTextBrowser>
#include <QVBoxLayout>

TSideBanner::TSideBanner(QWidget* parent) : QFrame(parent) {
    setObjectName(QStringLiteral("pnlBannerHTML"));
    wbBanner = new QTextBrowser(this);
    wbBanner->setObjectName(QStringLiteral("wbBanner"));
    wbBanner->setOpenExternalLinks(true);
    wbBanner->setFrameShape(QFrame::NoFrame);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(wbBanner);
    setFixedWidth(0);
    m_fetcher.OnDone = [this] { wbBannerDocumentComplete(); };
}

TSideBanner::~TSideBanner() = default;

void TSideBanner::ShowSideBanner(const std::string& server, const TFetchOptions& options) {
    setFixedWidth(0);
    m_settled = false;
    m_fetcher.Options = options;
    m_fetcher.Fetch(server + BannerPath);
}

void TSideBanner::wbBannerDocumentComplete() {
    m_settled = true;
    const std::string& page = m_fetcher.PageText;
    if (!m_fetcher.Error.empty() || page.empty() || page.find("The page cannot be found") != std::string::npos) {
        setFixedWidth(0);
        wbBanner->clear();
        return;
    }
    wbBanner->setHtml(QString::fromStdString(page));
    setFixedWidth(BannerWidth);
}
