// SPDX-License-Identifier: GPL-3.0-or-later
// The results list with 10,000 rows: a run appending them one by one to the search's results
// while the list (model and tree view) follows, sorted newest first; re-sorting all of them
// by price (a header click); and showing a search of 10,000 results at once. Goal: each
// well under a second, so a run never waits on the list. Runs on the offscreen platform
// unless QT_QPA_PLATFORM says otherwise. Then the actions on 20,000 rows: filtering them
// (goal: under 50 ms) and deleting 5,000 checked ones (goal: under 200 ms).
#include <memory>
#include <string>

#include <benchmark/benchmark.h>

#include <QAction>
#include <QApplication>
#include <QLineEdit>
#include <QTreeView>

#include "search/TSearch.h"
#include "core/TConfig.h"
#include "ui/TResultActions.h"
#include "ui/TResultsList.h"

namespace {

constexpr int RowCount = 10000;
const char* const Months[] = {"Jan", "Feb", "Mar", "Nov", "Dec"};

std::unique_ptr<TEntry> MakeEntry(int i) {
    const std::string date = std::string(Months[(i * 7) % 5]) + " " + std::to_string(1 + (i * 13) % 28);
    auto entry = std::make_unique<TEntry>(date, "posting " + std::to_string(i),
                                          "http://miami.craigslist.org/act/" + std::to_string(i) + ".html",
                                          (i * 37) % 5000, i % 2 ? "miami" : "Fort Lauderdale", i % 3 == 0);
    entry->New = i % 4 == 0;
    return entry;
}

struct TShownList {
    TShownList() : list(&view, sortColumn, sortAscending, TResultsList::Follow) {
        view.resize(900, 600);
        view.show();
        list.FillEntryList(&search);
    }
    ~TShownList() { list.FillEntryList(nullptr); }
    int sortColumn = 2;
    bool sortAscending = false;
    TSearch search;
    QTreeView view;
    TResultsList list;
};

void AppendRowsOneByOne(benchmark::State& state) {
    for (auto _ : state) {
        TShownList shown;
        for (int i = 0; i < RowCount; ++i)
            shown.search.Results.push_back(MakeEntry(i));
        QApplication::processEvents();
        benchmark::DoNotOptimize(shown.list.RowCount());
    }
}
BENCHMARK(AppendRowsOneByOne)->Unit(benchmark::kMillisecond);

void SortByPrice(benchmark::State& state) {
    TShownList shown;
    for (int i = 0; i < RowCount; ++i)
        shown.search.Results.push_back(MakeEntry(i));
    shown.list.SelectRow(RowCount / 2);
    shown.sortColumn = 4;
    for (auto _ : state) {
        shown.sortAscending = !shown.sortAscending;
        shown.list.Sort();
        QApplication::processEvents();
    }
}
BENCHMARK(SortByPrice)->Unit(benchmark::kMillisecond);

void ShowASearchOfTenThousand(benchmark::State& state) {
    TShownList shown;
    shown.list.FillEntryList(nullptr);
    for (int i = 0; i < RowCount; ++i)
        shown.search.Results.push_back(MakeEntry(i));
    for (auto _ : state) {
        shown.list.FillEntryList(&shown.search);
        QApplication::processEvents();
    }
}
BENCHMARK(ShowASearchOfTenThousand)->Unit(benchmark::kMillisecond);

/// The search window's two lists and their actions over 20,000 results.
struct TActedList {
    static constexpr int Rows = 20000;
    TActedList()
        : results(&resultsView, sortColumn, sortAscending, TResultsList::Follow),
          filtered(&filteredView, sortColumn, sortAscending, TResultsList::Snapshot),
          actions(
              window, results, filtered, [this]() -> TResultsList& { return *active; }, [this] { return &search; },
              config) {
        actions.BuildFilterPage(page, filterAction);
        resultsView.resize(900, 600);
        resultsView.show();
        for (int i = 0; i < Rows; ++i)
            search.Results.push_back(MakeEntry(i));
        results.FillEntryList(&search);
        filtered.FillEntryList(&search);
    }
    ~TActedList() {
        results.FillEntryList(nullptr);
        filtered.FillEntryList(nullptr);
    }
    int sortColumn = 2;
    bool sortAscending = false;
    TConfig config;
    TSearch search;
    QWidget window;
    QWidget page;
    QAction filterAction;
    QTreeView resultsView;
    QTreeView filteredView;
    TResultsList results;
    TResultsList filtered;
    TResultsList* active = &results;
    TResultActions actions;
};

void FilterTwentyThousand(benchmark::State& state) {
    TActedList list;
    list.page.findChild<QLineEdit*>(QStringLiteral("edtFilter"))->setText(QStringLiteral("posting 1 9"));
    for (auto _ : state) {
        list.actions.actFilterExecute();
        QApplication::processEvents();
        benchmark::DoNotOptimize(list.filtered.RowCount());
    }
}
BENCHMARK(FilterTwentyThousand)->Unit(benchmark::kMillisecond);

void DeleteFiveThousandChecked(benchmark::State& state) {
    for (auto _ : state) {
        state.PauseTiming();
        auto list = std::make_unique<TActedList>();
        for (int row = 0; row < TActedList::Rows; row += 4)
            list->results.Model()->SetChecked(row, true);
        QApplication::processEvents();
        state.ResumeTiming();
        list->actions.actDeleteAllCheckedExecute();
        QApplication::processEvents();
        benchmark::DoNotOptimize(list->results.RowCount());
        state.PauseTiming();
        list.reset();
        state.ResumeTiming();
    }
}
BENCHMARK(DeleteFiveThousandChecked)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
