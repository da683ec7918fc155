// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <algorithm>
#include <cstddef>
#include <memory>
#include <stdexcept>
#include <type_traits>
#include <utility>
#include <vector>

#include "search/IEntryListListener.h"

/// A list that owns its items and tells its listeners of every change of its rows: items
/// appended, inserted, removed, moved, the list emptied, and (when the owner says so) items
/// changed in place. Reads like a vector of unique_ptr, but only through const access, so
/// that no row can change without the list knowing. Used on the thread that owns it (the
/// user-interface thread). Listeners are not owned; whoever adds one removes it before
/// either goes.
template <typename T> class TObservedList final {
    using TItems = std::vector<std::unique_ptr<T>>;

public:
    using value_type = std::unique_ptr<T>;
    using size_type = std::size_t;
    using const_iterator = typename TItems::const_iterator;
    using iterator = const_iterator;

    TObservedList() = default;
    ~TObservedList() {
        const std::vector<IEntryListListener*> listeners = std::move(m_listeners);
        m_listeners.clear();
        for (IEntryListListener* listener : listeners)
            listener->OnListDestroyed();
    }
    // The listeners hold on to this list by address.
    TObservedList(const TObservedList&) = delete;
    TObservedList& operator=(const TObservedList&) = delete;

    std::size_t size() const { return m_items.size(); }
    bool empty() const { return m_items.empty(); }
    const_iterator begin() const { return m_items.cbegin(); }
    const_iterator end() const { return m_items.cend(); }
    const_iterator cbegin() const { return m_items.cbegin(); }
    const_iterator cend() const { return m_items.cend(); }
    const std::unique_ptr<T>& operator[](std::size_t row) const { return m_items[row]; }
    const std::unique_ptr<T>& front() const { return m_items.front(); }
    const std::unique_ptr<T>& back() const { return m_items.back(); }

    void push_back(std::unique_ptr<T> item) { insert(end(), std::move(item)); }
    template <typename... Args> void emplace_back(Args&&... args) {
        push_back(std::make_unique<T>(std::forward<Args>(args)...));
    }
    const_iterator insert(const_iterator position, std::unique_ptr<T> item) {
        const std::size_t row = RowOf(position);
        // Room first: once a listener has heard "about to insert", the insert cannot fail.
        MakeRoom();
        Notify(&IEntryListListener::OnAboutToInsert, row, row);
        m_items.insert(m_items.begin() + Offset(row), std::move(item));
        Notify(&IEntryListListener::OnInserted, row, row);
        return begin() + Offset(row);
    }

    const_iterator erase(const_iterator position) { return erase(position, position + 1); }
    const_iterator erase(const_iterator first, const_iterator last) {
        const std::size_t from = RowOf(first);
        if (first == last)
            return begin() + Offset(from);
        const std::size_t to = RowOf(last) - 1;
        Notify(&IEntryListListener::OnAboutToRemove, from, to);
        m_items.erase(first, last);
        Notify(&IEntryListListener::OnRemoved, from, to);
        return begin() + Offset(from);
    }
    /// Removes the items of rows (ascending, each once) in one step, however many and
    /// wherever they are. Throws std::out_of_range when a row is not in the list.
    void EraseRows(const std::vector<std::size_t>& rows) {
        if (rows.empty())
            return;
        if (rows.back() >= size() || !std::is_sorted(rows.begin(), rows.end()) ||
            std::adjacent_find(rows.begin(), rows.end()) != rows.end())
            throw std::out_of_range("TObservedList::EraseRows: rows not ascending in the list");
        Notify(&IEntryListListener::OnAboutToRemoveRows, rows);
        std::size_t next = 0;
        auto kept = m_items.begin();
        for (std::size_t row = 0; row < m_items.size(); ++row) {
            if (next < rows.size() && rows[next] == row)
                ++next;
            else
                *kept++ = std::move(m_items[row]);
        }
        m_items.erase(kept, m_items.end());
        Notify(&IEntryListListener::OnRemovedRows, rows);
    }
    void clear() {
        if (m_items.empty())
            return;
        Notify(&IEntryListListener::OnAboutToReset);
        m_items.clear();
        Notify(&IEntryListListener::OnReset);
    }
    /// Moves the item at row from so that it ends at row to (as QList::move does). Throws
    /// std::out_of_range when either row is not in the list.
    void move(std::size_t from, std::size_t to) {
        if (from >= size() || to >= size())
            throw std::out_of_range("TObservedList::move: no such row");
        if (from == to)
            return;
        const std::size_t destination = to > from ? to + 1 : to;
        Notify(&IEntryListListener::OnAboutToMove, from, from, destination);
        const auto at = m_items.begin();
        if (from < to)
            std::rotate(at + Offset(from), at + Offset(from) + 1, at + Offset(to) + 1);
        else
            std::rotate(at + Offset(to), at + Offset(from), at + Offset(from) + 1);
        Notify(&IEntryListListener::OnMoved, from, from, destination);
    }

    /// Tells the listeners that the items of rows first..last were changed in place. Throws
    /// std::out_of_range for a range that is empty or not in the list.
    void NotifyChanged(std::size_t first, std::size_t last) {
        if (first > last || last >= size())
            throw std::out_of_range("TObservedList::NotifyChanged: no such rows");
        Notify(&IEntryListListener::OnChanged, first, last);
    }
    /// NotifyChanged over every row; nothing when the list is empty.
    void NotifyAllChanged() {
        if (!empty())
            NotifyChanged(0, size() - 1);
    }

    /// Adds a listener (not owned); a null one or one already added is left as it is.
    void AddListener(IEntryListListener* listener) {
        if (listener && std::find(m_listeners.begin(), m_listeners.end(), listener) == m_listeners.end())
            m_listeners.push_back(listener);
    }
    void RemoveListener(IEntryListListener* listener) { std::erase(m_listeners, listener); }

private:
    static std::ptrdiff_t Offset(std::size_t row) { return static_cast<std::ptrdiff_t>(row); }
    std::size_t RowOf(const_iterator position) const { return static_cast<std::size_t>(position - m_items.cbegin()); }
    // Doubling keeps appends amortised constant, as the vector's own growth does.
    void MakeRoom() {
        if (m_items.size() == m_items.capacity())
            m_items.reserve(std::max<std::size_t>(8, 2 * m_items.capacity()));
    }
    template <typename... Args>
    void Notify(void (IEntryListListener::*call)(Args...), std::type_identity_t<Args>... args) {
        for (IEntryListListener* listener : m_listeners)
            (listener->*call)(args...);
    }

    TItems m_items;
    std::vector<IEntryListListener*> m_listeners;
};
