// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <functional>
#include <vector>

#include <QList>
#include <QObject>
#include <QPointer>

#include "search/IResultsView.h"
#include "ui/TResultsModel.h"

class QAction;
class QMenu;
class QTreeView;
class TSearch;

/// Marks the entry visited, then opens its link in the desktop's default browser. The
/// caller tells the list that holds the entry, so that its rows repaint.
void OpenEntryInBrowser(TEntry& entry);

/// Makes a QTreeView of the search window a results list (lvResults or lvFilteredResults):
/// the columns, row colours and sort order of TResultsModel, whole-row single selection that
/// stays visible without focus, a check box per row (space toggles it), header clicks that
/// sort, the results menu on a right click or a click on the first column's header, and a
/// double click that opens the posting in the desktop's browser.
///
/// The search window creates one per list, after its tree views exist, sharing its sort state:
///
///     Results = new TResultsList(lvResults, SortColumn, SortAscending, TResultsList::Follow);
///     FilteredResults = new TResultsList(lvFilteredResults, SortColumn, SortAscending,
///                                        TResultsList::Snapshot);
///     Results->SetPopupMenu(pmResults, {actDeleteResult, flagHighlightedMenu->menuAction()});
///     FilteredResults->SetPopupMenu(pmResults, {actDeleteResult, flagHighlightedMenu->menuAction()});
///
/// then shows a search with FillEntryList(search) on both (FillEntryList(nullptr) before
/// that search is destroyed) and runs it with search->Run(Results). The object is a child
/// of the view and goes with it. User-interface thread only.
class TResultsList final : public QObject, public IResultsView {
    Q_OBJECT

public:
    enum TMode {
        /// Every entry the search's results list gains becomes a row (lvResults).
        Follow,
        /// Rows come only through AppendRowFrom (lvFilteredResults); entries the results
        /// list drops still lose their rows.
        Snapshot,
    };

    /// view gets the model and its set-up; sortColumn and sortAscending are the window's
    /// shared sort state and must outlive the view.
    TResultsList(QTreeView* view, int& sortColumn, bool& sortAscending, TMode mode);

    QTreeView* View() const { return m_view; }
    TResultsModel* Model() const { return m_model; }

    /// Shows search (or nothing), replacing every row: a Follow list shows the search's
    /// results in sorted order and selects the row whose link is the search's SelectedEntry;
    /// a Snapshot list is emptied. Call with nullptr before the search is destroyed.
    void FillEntryList(TSearch* search);
    /// The search shown; null once its results list has been destroyed.
    TSearch* Search() const { return m_model->BoundList() ? m_search : nullptr; }
    /// A run added entry to the search's results: its row is there already (Follow) or is
    /// added now; it is selected when its link is the search's SelectedEntry.
    void AddEntryRow(TEntry& entry) override;
    /// Adds a copy of a row of source: the same entry, with its check mark.
    void AppendRowFrom(const TResultsList& source, int row);
    /// Replaces every row by copies of the rows of source that keep holds, in one step.
    void CopyRowsFrom(const TResultsList& source, const std::function<bool(const TEntry&)>& keep);
    /// Removes the entry's row; returns the row it had, or -1 when the list has none.
    int RemoveEntryRow(const TEntry* entry);
    void ClearRows();
    /// Re-sorts by the shared sort state (the other list changed it, say).
    void Sort();
    /// Marks the headers for the sort by date, newest first, that every opening starts with.
    void ResetSortMarks();

    int RowCount() const;
    TEntry* EntryAt(int row) const;
    int FindRowByEntry(const TEntry* entry) const;
    /// The selected row, or -1.
    int SelectedRow() const;
    /// The selected row's entry, or nullptr.
    TEntry* SelectedEntry() const;
    /// Selects row (and makes it current); -1 or a row out of range clears the selection.
    void SelectRow(int row);
    void ClearSelection();
    /// The keyboard's A and Z: the row before or after the selected one (Z with nothing
    /// selected: the first row); then the selected row is scrolled fully into view.
    void SelectPrevious();
    void SelectNext();
    /// Scrolls the columns by pixels (negative: to the left).
    void ScrollHorizontally(int pixels);

    /// The results menu for right clicks and for the first column's header; in header mode
    /// the actions of hiddenInHeaderMode are hidden (they act on the selected row, which a
    /// header click clears). The menu is not owned and may be shared by both lists.
    void SetPopupMenu(QMenu* menu, QList<QAction*> hiddenInHeaderMode);
    /// The menu was last opened from the first column's header.
    bool HeaderMode() const { return m_headerMode; }

public Q_SLOTS:
    /// What a click on the header of column does (public for the window's own use).
    void HeaderClicked(int column);

Q_SIGNALS:
    /// The selection changed (by mouse, keyboard, program, or because rows went); the
    /// preview follows it.
    void SelectionChanged(TResultsList* list);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void SetUpView();
    void ReportSelection(bool always);
    void OpenSelected();
    void ShowMenu(const QPoint& globalPosition, bool headerMode);
    /// Tells the list that holds entry that its row changed (its colour).
    void AnnounceChanged(const TEntry& entry);

    QTreeView* m_view;
    TResultsModel* m_model;
    int& m_sortColumn;
    bool& m_sortAscending;
    TMode m_mode;
    TSearch* m_search = nullptr;
    QPointer<QMenu> m_menu;
    QList<QAction*> m_hiddenInHeaderMode;
    bool m_headerMode = false;
    /// The entry last reported by SelectionChanged (compared, never used).
    quintptr m_reportedEntry = 0;
};
