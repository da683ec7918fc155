// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <string>
#include <unordered_set>
#include <vector>

#include <QAbstractItemModel>

#include "refdata/TPlace.h"

/// The place table as a tree of three-state check marks: the countries at the top, each
/// place's children below it in file order. Built once per place table; a change of the
/// chosen places only resets the marks. Toggling a place marks its whole subtree and
/// recomputes its ancestors. User-interface thread only.
class TPlaceTreeModel final : public QAbstractItemModel {
    Q_OBJECT

public:
    /// The numbers are the state image indexes of the tree.
    enum class TMark : std::uint8_t { Unchecked = 1, Checked = 2, Partly = 3 };

    /// roots and the records below them must outlive the model.
    explicit TPlaceTreeModel(const TPlaceList& roots, QObject* parent = nullptr);

    QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override;
    QModelIndex parent(const QModelIndex& child) const override;
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    /// A check mark set by the view (a click on it, the space key) toggles the place,
    /// whatever mark the view asks for.
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    /// Marks the leaves found in chosenLeaves as checked, every other leaf unchecked, and
    /// each place with children from its children. Resets the model (the tree collapses).
    void ShowChosen(const TPlaceList& chosenLeaves);
    /// Unchecked becomes checked, checked or partly checked becomes unchecked, for the
    /// place and its whole subtree; the ancestors follow.
    void Toggle(const QModelIndex& index);
    TMark MarkOf(const QModelIndex& index) const;
    TPlace* PlaceOf(const QModelIndex& index) const;

    /// Every checked place with no collected place below it, in tree order.
    TPlaceList ChosenPlaces() const;
    /// Every checked place that is a country or whose parent is partly checked.
    TPlaceList ChosenRoots() const;
    /// The first place in tree order whose name contains text (letter case counts);
    /// invalid when none does.
    QModelIndex FindFirst(const std::string& text) const;
    /// Number of places in the tree.
    int PlaceCount() const { return static_cast<int>(m_nodes.size()); }

private:
    struct TNode {
        TPlace* Place = nullptr;
        int Parent = -1;
        int Row = 0;
        /// One past the last node of the subtree: nodes are stored in tree order.
        int SubtreeEnd = 0;
        std::vector<int> Children;
        TMark Mark = TMark::Unchecked;
    };

    int AddSubtree(TPlace* place, int parent, std::unordered_set<const TPlace*>& added);
    QModelIndex IndexOf(int node) const;
    int NodeOf(const QModelIndex& index) const;
    TMark MarkFromChildren(const TNode& node) const;
    void UpdateAncestors(int node);
    void AnnounceMarks(int first, int end);
    bool CollectPlaces(int node, TPlaceList& places) const;
    void CollectRoots(int node, TPlaceList& roots) const;

    std::vector<TNode> m_nodes;
    std::vector<int> m_roots;
};
