// SPDX-License-Identifier: GPL-3.0-or-later
#include "search/TObservedList.h"

#include <functional>
#include <random>
#include <stdexcept>

#include <gtest/gtest.h>

#include "TShadowList.h"
#include "search/TEntry.h"

namespace {

std::unique_ptr<TEntry> Entry(const std::string& name) {
    return std::make_unique<TEntry>("Mar 1", name, "http://miami.craigslist.org/a/" + name + ".html", 1, "miami",
                                    false);
}

std::vector<std::string> Names(const TEntryList& list) {
    std::vector<std::string> names;
    for (const auto& entry : list)
        names.push_back(entry->Name);
    return names;
}

struct TChangeCase {
    const char* Name;
    std::function<void(TEntryList&)> Change;
    std::vector<std::string> Events;
    std::vector<std::string> After;
};

class TObservedListChangeTest : public testing::TestWithParam<TChangeCase> {};

// Each change of a list of a, b, c, d: what the listener hears, and the list after it.
TEST_P(TObservedListChangeTest, TheListenerHearsEachChangeAndKeepsUp) {
    TEntryList list;
    for (const char* name : {"a", "b", "c", "d"})
        list.push_back(Entry(name));
    TShadowList<TEntry> shadow(list);
    GetParam().Change(list);
    EXPECT_EQ(shadow.Events, GetParam().Events);
    EXPECT_EQ(Names(list), GetParam().After);
    EXPECT_TRUE(shadow.Matches());
}

const std::vector<std::string> Unchanged = {"a", "b", "c", "d"};

INSTANTIATE_TEST_SUITE_P(
    Changes, TObservedListChangeTest,
    testing::Values(
        TChangeCase{
            "Append", [](TEntryList& l) { l.push_back(Entry("e")); }, {"insert 4-4"}, {"a", "b", "c", "d", "e"}},
        TChangeCase{"Emplace",
                    [](TEntryList& l) { l.emplace_back("Mar 2", "e", "http://x/e.html", 0, "x", false); },
                    {"insert 4-4"},
                    {"a", "b", "c", "d", "e"}},
        TChangeCase{"InsertInTheMiddle",
                    [](TEntryList& l) { EXPECT_EQ((*l.insert(l.begin() + 1, Entry("e")))->Name, "e"); },
                    {"insert 1-1"},
                    {"a", "e", "b", "c", "d"}},
        TChangeCase{"EraseOne",
                    [](TEntryList& l) { EXPECT_EQ((*l.erase(l.begin() + 2))->Name, "d"); },
                    {"remove 2-2"},
                    {"a", "b", "d"}},
        TChangeCase{"EraseTheLast",
                    [](TEntryList& l) {
                        const auto next = l.erase(l.end() - 1);
                        EXPECT_TRUE(next == l.end());
                    },
                    {"remove 3-3"},
                    {"a", "b", "c"}},
        TChangeCase{
            "EraseARange", [](TEntryList& l) { l.erase(l.begin() + 1, l.begin() + 3); }, {"remove 1-2"}, {"a", "d"}},
        TChangeCase{"EraseNothing", [](TEntryList& l) { l.erase(l.begin() + 1, l.begin() + 1); }, {}, Unchanged},
        TChangeCase{"Clear", [](TEntryList& l) { l.clear(); }, {"reset"}, {}},
        TChangeCase{"EraseRowsApart",
                    [](TEntryList& l) {
                        l.EraseRows({0, 2, 3});
                    },
                    {"reset"},
                    {"b"}},
        TChangeCase{"EraseNoRows", [](TEntryList& l) { l.EraseRows({}); }, {}, Unchanged},
        TChangeCase{"MoveDown", [](TEntryList& l) { l.move(0, 2); }, {"move 0-0 before 3"}, {"b", "c", "a", "d"}},
        TChangeCase{"MoveToTheEnd", [](TEntryList& l) { l.move(1, 3); }, {"move 1-1 before 4"}, {"a", "c", "d", "b"}},
        TChangeCase{"MoveUp", [](TEntryList& l) { l.move(3, 1); }, {"move 3-3 before 1"}, {"a", "d", "b", "c"}},
        TChangeCase{"MoveOneDown", [](TEntryList& l) { l.move(1, 2); }, {"move 1-1 before 3"}, {"a", "c", "b", "d"}},
        TChangeCase{"MoveInPlace", [](TEntryList& l) { l.move(2, 2); }, {}, Unchanged},
        TChangeCase{"MoveOutOfTheList",
                    [](TEntryList& l) {
                        EXPECT_THROW(l.move(4, 0), std::out_of_range);
                        EXPECT_THROW(l.move(0, 4), std::out_of_range);
                    },
                    {},
                    Unchanged},
        TChangeCase{"ChangeInPlace",
                    [](TEntryList& l) {
                        l[1]->New = false;
                        l[2]->Visited = true;
                        l.NotifyChanged(1, 2);
                    },
                    {"change 1-2"},
                    Unchanged},
        TChangeCase{"ChangeOutOfTheList",
                    [](TEntryList& l) {
                        EXPECT_THROW(l.NotifyChanged(2, 4), std::out_of_range);
                        EXPECT_THROW(l.NotifyChanged(2, 1), std::out_of_range);
                    },
                    {},
                    Unchanged},
        TChangeCase{"ChangeAll", [](TEntryList& l) { l.NotifyAllChanged(); }, {"change 0-3"}, Unchanged}),
    [](const testing::TestParamInfo<TChangeCase>& info) { return std::string(info.param.Name); });

TEST(TObservedListTest, EraseRowsRefusesRowsThatAreNotAscendingInTheList) {
    TEntryList list;
    for (const char* name : {"a", "b", "c"})
        list.push_back(Entry(name));
    TShadowList<TEntry> shadow(list);
    for (const std::vector<std::size_t>& rows : {std::vector<std::size_t>{3}, {1, 0}, {1, 1}})
        EXPECT_THROW(list.EraseRows(rows), std::out_of_range);
    EXPECT_EQ(Names(list), (std::vector<std::string>{"a", "b", "c"}));
    EXPECT_TRUE(shadow.Events.empty());
}

TEST(TObservedListTest, AListenerHearsWhenTheListGoes) {
    struct TGoneListener final : IEntryListListener {
        void OnAboutToInsert(std::size_t, std::size_t) override {}
        void OnInserted(std::size_t, std::size_t) override {}
        void OnAboutToRemove(std::size_t, std::size_t) override {}
        void OnRemoved(std::size_t, std::size_t) override {}
        void OnAboutToMove(std::size_t, std::size_t, std::size_t) override {}
        void OnMoved(std::size_t, std::size_t, std::size_t) override {}
        void OnAboutToReset() override {}
        void OnReset() override {}
        void OnChanged(std::size_t, std::size_t) override {}
        void OnListDestroyed() override { ++Heard; }
        int Heard = 0;
    };
    TGoneListener removed, staying;
    {
        TEntryList list;
        list.push_back(Entry("a"));
        list.AddListener(&removed);
        list.AddListener(&staying);
        list.RemoveListener(&removed);
    }
    EXPECT_EQ(removed.Heard, 0);
    EXPECT_EQ(staying.Heard, 1);
}

TEST(TObservedListTest, AnEmptyListTellsNothingWhenClearedOrChanged) {
    TEntryList list;
    TShadowList<TEntry> shadow(list);
    list.clear();
    list.NotifyAllChanged();
    EXPECT_TRUE(shadow.Events.empty());
}

TEST(TObservedListTest, EveryListenerHearsUntilItIsRemoved) {
    TEntryList list;
    TShadowList<TEntry> first(list);
    std::vector<std::string> secondEvents;
    {
        TShadowList<TEntry> second(list);
        // Adding a listener again, or a null one, changes nothing.
        list.AddListener(&second);
        list.AddListener(nullptr);
        list.push_back(Entry("a"));
        secondEvents = second.Events;
    }
    list.push_back(Entry("b"));
    EXPECT_EQ(secondEvents, std::vector<std::string>{"insert 0-0"});
    EXPECT_EQ(first.Events, (std::vector<std::string>{"insert 0-0", "insert 1-1"}));
    EXPECT_TRUE(first.Matches());
}

// A long random mix of every change: a model kept from the notifications alone never
// differs from the list.
TEST(TObservedListTest, AShadowKeptFromTheNotificationsStaysEqualThroughARandomMix) {
    std::mt19937 random(21);
    auto below = [&](std::size_t n) { return std::uniform_int_distribution<std::size_t>(0, n - 1)(random); };
    auto at = [](const TEntryList& l, std::size_t row) { return l.begin() + static_cast<std::ptrdiff_t>(row); };
    TEntryList list;
    TShadowList<TEntry> shadow(list);
    for (int step = 0; step < 3000; ++step) {
        const std::string name = std::to_string(step);
        switch (below(8)) {
        case 0:
        case 1:
            list.push_back(Entry(name));
            break;
        case 2:
            list.insert(at(list, below(list.size() + 1)), Entry(name));
            break;
        case 3:
            if (!list.empty())
                list.erase(at(list, below(list.size())));
            break;
        case 4:
            if (!list.empty()) {
                const std::size_t first = below(list.size());
                list.erase(at(list, first), at(list, first + below(list.size() - first + 1)));
            }
            break;
        case 5:
            if (!list.empty())
                list.move(below(list.size()), below(list.size()));
            break;
        case 6:
            if (!list.empty()) {
                const std::size_t row = below(list.size());
                list[row]->Visited = !list[row]->Visited;
                list.NotifyChanged(row, row);
            }
            break;
        default:
            if (below(30) == 0)
                list.clear();
            break;
        }
        ASSERT_TRUE(shadow.Matches()) << "step " << step;
    }
}

} // namespace
