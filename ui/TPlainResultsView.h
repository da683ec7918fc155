// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

#include <QObject>

#include "search/IResultsView.h"
#include "search/TEntry.h"

class QStandardItemModel;
class QTreeView;
class TSearch;

/// A plain row list for a result list of the search window: one row per entry with the
/// columns of the results list, the entry's link kept with the row. Rows are text only, so
/// a row never refers to an entry that has gone. It stands in until the list gets its
/// full model (colours, sorting, preview); the window talks to it only through
/// IResultsView and the functions below. User-interface thread.
class TPlainResultsView final : public QObject, public IResultsView {
    Q_OBJECT

public:
    /// Gives list a model of its own (owned by this object).
    explicit TPlainResultsView(QTreeView& list);

    /// The search whose SelectedEntry is selected again as its row arrives; may be null.
    TSearch* Search = nullptr;

    void AddEntryRow(TEntry& entry) override;
    /// Replaces every row by one row per entry of entries, in order.
    void FillEntryList(const TEntryList& entries);
    void Clear();
    int RowCount() const;
    /// The link of the selected row, empty when no row is selected.
    std::string SelectedLink() const;

    static constexpr int LinkRole = Qt::UserRole + 1;

private:
    QTreeView& m_list;
    QStandardItemModel* m_model = nullptr;
};
