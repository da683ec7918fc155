// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <vector>

#include <QFrame>

#include "search/TSearchRun.h"

class QLabel;
class QPushButton;
class QTreeWidget;

/// Under the search window's results after a run: the locations whose results page could
/// not be fetched, one row each with the reason, and a "Retry" button for the selected one.
/// Hidden while nothing failed. User-interface thread.
class TFetchHealthPanel final : public QFrame {
    Q_OBJECT

public:
    explicit TFetchHealthPanel(QWidget* parent = nullptr);

    /// Shows one row per location of failures (in run order; a location's pages share a
    /// row), the first selected; hides the panel when there are none.
    void ShowFailedFetches(const std::vector<TFailedFetch>& failures);
    /// The location of the selected row; empty when there is none.
    std::string SelectedLocation() const;
    /// Retrying is possible (no run is active); the button follows.
    void SetRetryEnabled(bool enabled);

Q_SIGNALS:
    /// The user asked to fetch location's pages again (a TFailedFetch::Location).
    void RetryRequested(std::string location);

private:
    void btnRetryFetchClick();
    void UpdateRetryButton();

    QLabel* lblFailedFetches = nullptr;
    QTreeWidget* lvFailedFetches = nullptr;
    QPushButton* btnRetryFetch = nullptr;
    bool m_retryEnabled = true;
};
