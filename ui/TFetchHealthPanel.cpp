// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/TFetchHealthPanel.h"

#include <algorithm>

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {

constexpr int LocationColumn = 0;
constexpr int ReasonColumn = 1;
/// Rows shown before the list scrolls: the panel stays compact under the results.
constexpr int VisibleRows = 4;

} // namespace

TFetchHealthPanel::TFetchHealthPanel(QWidget* parent) : QFrame(parent) {
    setObjectName(QStringLiteral("pnlFetchHealth"));
    setFrameShape(QFrame::StyledPanel);

    auto* icon = new QLabel(this);
    const int iconSize = style()->pixelMetric(QStyle::PM_SmallIconSize, nullptr, this);
    icon->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxWarning, nullptr, this).pixmap(iconSize, iconSize));
    lblFailedFetches = new QLabel(this);
    lblFailedFetches->setObjectName(QStringLiteral("lblFailedFetches"));
    btnRetryFetch = new QPushButton(QStringLiteral("&Retry"), this);
    btnRetryFetch->setObjectName(QStringLiteral("btnRetryFetch"));
    btnRetryFetch->setToolTip(QStringLiteral("Search the selected location again"));

    lvFailedFetches = new QTreeWidget(this);
    lvFailedFetches->setObjectName(QStringLiteral("lvFailedFetches"));
    lvFailedFetches->setColumnCount(2);
    lvFailedFetches->setHeaderLabels({QStringLiteral("Location"), QStringLiteral("Reason")});
    lvFailedFetches->setRootIsDecorated(false);
    lvFailedFetches->setUniformRowHeights(true);
    lvFailedFetches->setAllColumnsShowFocus(true);
    lvFailedFetches->setSelectionMode(QAbstractItemView::SingleSelection);
    lvFailedFetches->header()->setStretchLastSection(true);
    lvFailedFetches->header()->setSectionResizeMode(LocationColumn, QHeaderView::Interactive);

    auto* top = new QHBoxLayout;
    top->addWidget(icon);
    top->addWidget(lblFailedFetches, 1);
    top->addWidget(btnRetryFetch);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(6, 4, 6, 6);
    layout->setSpacing(4);
    layout->addLayout(top);
    layout->addWidget(lvFailedFetches);
    setTabOrder(lvFailedFetches, btnRetryFetch);

    connect(btnRetryFetch, &QPushButton::clicked, this, &TFetchHealthPanel::btnRetryFetchClick);
    connect(lvFailedFetches, &QTreeWidget::itemActivated, this, [this] { btnRetryFetchClick(); });
    connect(lvFailedFetches, &QTreeWidget::itemSelectionChanged, this, &TFetchHealthPanel::UpdateRetryButton);
    hide();
}

void TFetchHealthPanel::ShowFailedFetches(const std::vector<TFailedFetch>& failures) {
    lvFailedFetches->clear();
    for (const TFailedFetch& failure : failures) {
        const QString location = QString::fromStdString(failure.Location);
        const QString reason = QString::fromStdString(failure.Reason);
        // A location's pages are retried together: one row, each different reason once.
        const auto same = lvFailedFetches->findItems(location, Qt::MatchExactly, LocationColumn);
        if (!same.isEmpty()) {
            QTreeWidgetItem* row = same.front();
            if (!row->text(ReasonColumn).split(QStringLiteral("; ")).contains(reason))
                row->setText(ReasonColumn, row->text(ReasonColumn) + QStringLiteral("; ") + reason);
            continue;
        }
        auto* row = new QTreeWidgetItem(lvFailedFetches, {location, reason});
        row->setToolTip(LocationColumn, location);
        row->setToolTip(ReasonColumn, QString::fromStdString(failure.Link));
    }
    const int rows = lvFailedFetches->topLevelItemCount();
    lblFailedFetches->setText(rows == 1 ? QStringLiteral("1 location could not be searched:")
                                        : QStringLiteral("%1 locations could not be searched:").arg(rows));
    if (rows > 0) {
        lvFailedFetches->setCurrentItem(lvFailedFetches->topLevelItem(0));
        // Room between the location and its reason.
        lvFailedFetches->resizeColumnToContents(LocationColumn);
        lvFailedFetches->setColumnWidth(LocationColumn, lvFailedFetches->columnWidth(LocationColumn) + 24);
        const int rowHeight = lvFailedFetches->sizeHintForRow(0);
        lvFailedFetches->setFixedHeight(lvFailedFetches->header()->sizeHint().height() +
                                        rowHeight * std::min(rows, VisibleRows) + 2 * lvFailedFetches->frameWidth());
    }
    UpdateRetryButton();
    setVisible(rows > 0);
}

std::string TFetchHealthPanel::SelectedLocation() const {
    const auto selected = lvFailedFetches->selectedItems();
    return selected.isEmpty() ? std::string() : selected.front()->text(LocationColumn).toStdString();
}

void TFetchHealthPanel::SetRetryEnabled(bool enabled) {
    m_retryEnabled = enabled;
    UpdateRetryButton();
}

void TFetchHealthPanel::UpdateRetryButton() {
    btnRetryFetch->setEnabled(m_retryEnabled && !lvFailedFetches->selectedItems().isEmpty());
}

void TFetchHealthPanel::btnRetryFetchClick() {
    const std::string location = SelectedLocation();
    if (m_retryEnabled && !location.empty())
        Q_EMIT RetryRequested(location);
}
