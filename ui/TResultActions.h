// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <functional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include <QObject>

#include "core/TConfig.h"

class QAction;
class QLineEdit;
class QRadioButton;
class QSpinBox;
class QWidget;
class TEntry;
class TResultsList;
class TSearch;

/// The search window's actions on result rows: the filter page and the filtered list,
/// checking rows, deleting results so that later runs leave them out, and flagging postings
/// to the site. They act on the window's active list (lvResults in search mode,
/// lvFilteredResults in filter mode). The window creates it once its lists exist; the
/// actions are the window's, found by name. User-interface thread.
class TResultActions final : public QObject {
    Q_OBJECT

public:
    /// Flag codes the site knows.
    enum TFlag { Miscategorized = 16, Prohibited = 28, Spam = 15, BestOf = 9 };

    TResultActions(QWidget& window, TResultsList& results, TResultsList& filtered,
                   std::function<TResultsList&()> activeList, std::function<TSearch*()> currentSearch,
                   const TConfig& config);

    /// Fills the filter page (tsFilter) with its controls; btnFilter runs actFilter.
    void BuildFilterPage(QWidget& page, QAction& actFilter);
    /// At every opening: no keywords, no day limit, an empty filtered list (OR/AND stays).
    void ResetForOpening();

    void actFilterExecute();
    /// Ticks or clears every row of the active list.
    void SetAllChecked(bool checked);
    /// Deletes the active list's selected row, or every checked row when none is selected.
    void actDeleteResultExecute();
    void actDeleteAllCheckedExecute();
    /// Flags the selected row (or the checked rows) of the active list with code. The
    /// requests go out one after another off the user-interface thread; when all went
    /// through and deleteAfter is set, the flagged rows are deleted. A posting already
    /// flagged with code is not asked again. A failure stops the rest and is shown.
    void FlagResults(int code, bool useCheckedRows, bool deleteAfter);
    /// Flag requests are on their way.
    bool Flagging() const { return m_flagging; }

Q_SIGNALS:
    /// The flag requests of one action have ended (sent is how many went out).
    void FlaggingEnded(int sent, bool failed);

private:
    struct TFlagRequest {
        std::string Link;
        std::string Title;
        std::string Address;
    };
    void ConnectActions();
    /// The active list's selected row's entry (none or one), and its checked rows' in list order.
    std::vector<const TEntry*> SelectedEntries() const;
    std::vector<const TEntry*> CheckedEntries() const;
    void DeleteEntries(const std::vector<const TEntry*>& entries);
    /// sent of pending went out; failure says why the next did not (empty: all went).
    void FlagEnded(bool deleteAfter, const std::vector<TFlagRequest>& requests,
                   const std::vector<TFlagRequest>& pending, std::size_t sent, const std::string& failure);

    QWidget& m_window;
    TResultsList& m_results;
    TResultsList& m_filtered;
    std::function<TResultsList&()> m_activeList;
    std::function<TSearch*()> m_currentSearch;
    const TConfig& m_config;
    QLineEdit* edtFilter = nullptr;
    QRadioButton* rbFilterOR = nullptr;
    QRadioButton* rbFilterAND = nullptr;
    QSpinBox* edtDaysFrom = nullptr;
    bool m_flagging = false;
    /// Postings flagged this session, with their codes: asked once each.
    std::set<std::pair<std::string, int>> m_flagged;
};
