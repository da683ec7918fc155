// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <utility>
#include <vector>

#include <QAbstractTableModel>

#include "search/IEntryListListener.h"
#include "search/TEntry.h"

/// The rows of a results list: each row refers to an entry of a search's results (never
/// owning it) and carries its own check mark. Rows are kept in the order of the shared sort
/// state (sortColumn, sortAscending, owned by the search window); a row that arrives takes
/// its sorted place without a reset, so a run adding thousands of rows stays fast.
///
/// Bound to a search's results list it hears every change of that list: in following mode
/// (the results list) every entry appended to the list becomes a row; in snapshot mode (the
/// filtered list) rows are added only by AppendRow, and the list's removals, resets and
/// changes are still followed so that no row ever outlives its entry.
///
/// User-interface thread only. The bound list must outlive the binding: call Bind(nullptr)
/// before the search that owns the list is destroyed.
class TResultsModel final : public QAbstractTableModel, private IEntryListListener {
    Q_OBJECT

public:
    enum TColumn { ColumnCheck = 0, ColumnImage, ColumnDate, ColumnPost, ColumnPrice, ColumnLocation, ColumnCount };
    /// The header pictures: ImageDescending marks the sorted column, later, higher or greater
    /// first; ImageAscending the reverse.
    static constexpr int ImageNone = -1;
    static constexpr int ImageDescending = 22;
    static constexpr int ImageAscending = 23;
    /// Data role giving the row's entry as a TEntry* (in a QVariant of quintptr).
    static constexpr int EntryRole = Qt::UserRole + 1;

    /// sortColumn (2, 4, 5 or -1) and sortAscending are the search window's sort state, shared
    /// by both result lists; they must outlive the model.
    TResultsModel(const int& sortColumn, const bool& sortAscending, QObject* parent = nullptr);
    ~TResultsModel() override;

    /// Binds the model to list (or to nothing) and replaces every row in one reset: in
    /// following mode with the list's entries in sorted order, in snapshot mode with none.
    void Bind(TEntryList* list, bool following);
    TEntryList* BoundList() const { return m_list; }
    bool Following() const { return m_following; }

    /// Adds a row for entry at its sorted place (at the end while no sort applies); returns
    /// its row. entry must belong to the bound list.
    int AppendRow(TEntry& entry, bool checked = false);
    /// Replaces every row by rows (entry and check mark), sorted, in one reset.
    void SetRows(const std::vector<std::pair<TEntry*, bool>>& rows);
    /// Removes a row; its entry stays where it is. Rows out of range are ignored.
    void RemoveRow(int row);
    /// Removes every row (the bound list stays bound).
    void ClearRows();
    /// Re-sorts every row by the shared sort state; persistent indexes (the selection) move
    /// with their rows.
    void Sort();

    /// The row's entry, or nullptr for a row out of range.
    TEntry* EntryAt(int row) const;
    /// The first row whose entry is entry, or -1.
    int FindRowByEntry(const TEntry* entry) const;
    bool IsChecked(int row) const;
    void SetChecked(int row, bool checked);
    void SetAllChecked(bool checked);
    /// The entries of the checked rows, in row order.
    std::vector<TEntry*> CheckedEntries() const;

    /// The picture the column's header shows (ImageNone, ImageDescending, ImageAscending).
    int HeaderImage(int column) const;
    void SetHeaderImage(int column, int image);

    /// Whether month a (0 for none, 1 to 12) is later than month b when a year boundary may
    /// lie between September to December and January to March; the year is not known.
    static bool IsLaterMonth(int a, int b);
    /// Ranks of the months 0 to 12 for sorting by date, later months ranked higher.
    /// IsLaterMonth runs in a circle when months of April to August, September to December
    /// and January to March all occur (September is later than April, January later than
    /// September, April later than January): no sort can follow it then. The ranks follow
    /// IsLaterMonth wherever the months that occur allow it, and otherwise put the year
    /// boundary into the widest gap between the months that occur.
    using TMonthRanks = std::array<int, 13>;
    static TMonthRanks MonthRanks(const std::array<int, 13>& monthCounts);
    /// Where entry a goes relative to b under a sort: negative when a comes first, positive
    /// when b does, 0 when the sort leaves them in any order.
    static int CompareEntries(const TEntry& a, const TEntry& b, int sortColumn, bool sortAscending,
                              const TMonthRanks& months);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    /// Only the check mark of column 0 can be set.
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    struct TRow {
        TEntry* Entry = nullptr;
        bool Checked = false;
    };

    void OnAboutToInsert(std::size_t first, std::size_t last) override;
    void OnInserted(std::size_t first, std::size_t last) override;
    void OnAboutToRemove(std::size_t first, std::size_t last) override;
    void OnRemoved(std::size_t first, std::size_t last) override;
    void OnAboutToMove(std::size_t first, std::size_t last, std::size_t destination) override;
    void OnMoved(std::size_t first, std::size_t last, std::size_t destination) override;
    void OnAboutToReset() override;
    void OnReset() override;
    void OnChanged(std::size_t first, std::size_t last) override;
    void OnListDestroyed() override;
    void OnAboutToRemoveRows(const std::vector<std::size_t>& rows) override;
    void OnRemovedRows(const std::vector<std::size_t>& rows) override;

    int SortedPlace(const TEntry& entry) const;
    void CountMonth(const TEntry& entry, int change);
    /// Re-ranks the months after a change of the months that occur; re-sorts when the date
    /// order changed.
    void UpdateMonthRanks();
    bool Sorts() const;
    void FillFromList();
    void Unbind();

    const int& m_sortColumn;
    const bool& m_sortAscending;
    TEntryList* m_list = nullptr;
    bool m_following = true;
    std::vector<TRow> m_rows;
    std::array<int, 13> m_monthCounts{};
    TMonthRanks m_monthRanks{};
    // The lists start sorted by date, newest first.
    int m_headerImages[ColumnCount] = {ImageNone, ImageNone, ImageDescending, ImageNone, ImageNone, ImageNone};
};
