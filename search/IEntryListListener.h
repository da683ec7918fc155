// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <vector>

/// Hears every change of one entry list (TObservedList), in the shape a Qt item model passes
/// on: each "about to" call comes before the list changes (beginInsertRows and the like),
/// its partner right after it (endInsertRows). Rows are 0-based and ranges inclusive, as in
/// Qt. Called on the thread that owns the list (the user-interface thread); a listener reads
/// the list but must not change it, nor add or remove listeners, from inside a call.
class IEntryListListener {
public:
    virtual ~IEntryListListener() = default;

    /// Rows first..last are about to be inserted; the rows from first on move down.
    virtual void OnAboutToInsert(std::size_t first, std::size_t last) = 0;
    virtual void OnInserted(std::size_t first, std::size_t last) = 0;
    /// Rows first..last are about to go; their entries are freed in between.
    virtual void OnAboutToRemove(std::size_t first, std::size_t last) = 0;
    virtual void OnRemoved(std::size_t first, std::size_t last) = 0;
    /// Rows first..last move before the row destination, numbered as before the move (Qt's
    /// destinationChild); destination is never within first..last + 1.
    virtual void OnAboutToMove(std::size_t first, std::size_t last, std::size_t destination) = 0;
    virtual void OnMoved(std::size_t first, std::size_t last, std::size_t destination) = 0;
    /// The whole list is about to be replaced (emptied, say).
    virtual void OnAboutToReset() = 0;
    virtual void OnReset() = 0;
    /// The entries of rows first..last changed in place (a mark, say); the rows stay.
    virtual void OnChanged(std::size_t first, std::size_t last) = 0;
    /// Rows that need not be next to one another go in one step (rows ascending; their entries
    /// are freed in between). Unless a listener knows better, this is a reset.
    virtual void OnAboutToRemoveRows(const std::vector<std::size_t>& rows) {
        static_cast<void>(rows);
        OnAboutToReset();
    }
    virtual void OnRemovedRows(const std::vector<std::size_t>& rows) {
        static_cast<void>(rows);
        OnReset();
    }
    /// The list is being destroyed (its entries still live): forget it, remove nothing.
    virtual void OnListDestroyed() {}
};
