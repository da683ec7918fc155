// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "search/IEntryListListener.h"
#include "search/TObservedList.h"

/// What a list model shows of an observed list, kept purely from the list's notifications
/// the way a Qt model keeps its rows: rows are read from the list only where a notification
/// says they are new, changed or reset. Every "about to" call must find the list still as
/// the shadow shows it, and every partner must leave the two equal; a failure is reported
/// to the running test. Records each finished change in Events ("insert 2-2", "remove 0-1",
/// "move 3-3 before 0", "reset", "change 0-4").
template <typename T> class TShadowList final : public IEntryListListener {
public:
    /// What a row shows of its entry: the entry and the fields a view draws.
    struct TRow {
        const T* Item = nullptr;
        std::string Link;
        std::string Name;
        bool New = false;
        bool Visited = false;
        bool operator==(const TRow&) const = default;
    };

    explicit TShadowList(TObservedList<T>& list) : m_list(list), m_rows(ReadAll()) { m_list.AddListener(this); }
    ~TShadowList() override { m_list.RemoveListener(this); }
    TShadowList(const TShadowList&) = delete;
    TShadowList& operator=(const TShadowList&) = delete;

    const std::vector<TRow>& Rows() const { return m_rows; }
    /// The shadow shows the list as it is now.
    bool Matches() const { return m_rows == ReadAll(); }

    std::vector<std::string> Events;

    void OnAboutToInsert(std::size_t first, std::size_t last) override {
        Begin("insert " + Range(first, last));
        EXPECT_LE(first, m_rows.size());
        EXPECT_LE(first, last);
    }
    void OnInserted(std::size_t first, std::size_t last) override {
        End("insert " + Range(first, last));
        for (std::size_t row = first; row <= last && row < m_list.size(); ++row)
            m_rows.insert(m_rows.begin() + Offset(row), Read(row));
        ExpectMatch();
    }
    void OnAboutToRemove(std::size_t first, std::size_t last) override {
        Begin("remove " + Range(first, last));
        EXPECT_LE(first, last);
        EXPECT_LT(last, m_rows.size());
    }
    void OnRemoved(std::size_t first, std::size_t last) override {
        End("remove " + Range(first, last));
        if (first <= last && last < m_rows.size())
            m_rows.erase(m_rows.begin() + Offset(first), m_rows.begin() + Offset(last) + 1);
        ExpectMatch();
    }
    void OnAboutToMove(std::size_t first, std::size_t last, std::size_t destination) override {
        Begin("move " + Range(first, last) + " before " + std::to_string(destination));
        EXPECT_LT(last, m_rows.size());
        EXPECT_TRUE(destination < first || destination > last + 1) << "Qt refuses such a move";
        EXPECT_LE(destination, m_rows.size());
    }
    void OnMoved(std::size_t first, std::size_t last, std::size_t destination) override {
        End("move " + Range(first, last) + " before " + std::to_string(destination));
        if (first <= last && last < m_rows.size() && destination <= m_rows.size()) {
            std::vector<TRow> moved(m_rows.begin() + Offset(first), m_rows.begin() + Offset(last) + 1);
            m_rows.erase(m_rows.begin() + Offset(first), m_rows.begin() + Offset(last) + 1);
            const std::size_t at = destination > last ? destination - moved.size() : destination;
            m_rows.insert(m_rows.begin() + Offset(at), moved.begin(), moved.end());
        }
        ExpectMatch();
    }
    void OnAboutToReset() override { Begin("reset"); }
    void OnReset() override {
        End("reset");
        m_rows = ReadAll();
    }
    void OnChanged(std::size_t first, std::size_t last) override {
        EXPECT_TRUE(m_pending.empty()) << "a change inside " << m_pending;
        Events.push_back("change " + Range(first, last));
        for (std::size_t row = first; row <= last && row < m_rows.size() && row < m_list.size(); ++row)
            m_rows[row] = Read(row);
        ExpectMatch();
    }

private:
    static std::ptrdiff_t Offset(std::size_t row) { return static_cast<std::ptrdiff_t>(row); }
    static std::string Range(std::size_t first, std::size_t last) {
        return std::to_string(first) + "-" + std::to_string(last);
    }

    TRow Read(std::size_t row) const {
        const T* item = m_list[row].get();
        if (!item)
            return {};
        return {item, item->Link, item->Name, item->New, item->Visited};
    }
    std::vector<TRow> ReadAll() const {
        std::vector<TRow> rows;
        for (std::size_t row = 0; row < m_list.size(); ++row)
            rows.push_back(Read(row));
        return rows;
    }
    void ExpectMatch() const { EXPECT_TRUE(Matches()) << "the shadow differs from the list after " << Events.back(); }
    void Begin(const std::string& change) {
        EXPECT_TRUE(m_pending.empty()) << change << " inside " << m_pending;
        EXPECT_TRUE(Matches()) << "the list changed unheard before " << change;
        m_pending = change;
    }
    void End(const std::string& change) {
        EXPECT_EQ(m_pending, change) << "a change ended that did not begin";
        m_pending.clear();
        Events.push_back(change);
    }

    TObservedList<T>& m_list;
    std::vector<TRow> m_rows;
    /// The change announced and not yet done.
    std::string m_pending;
};
