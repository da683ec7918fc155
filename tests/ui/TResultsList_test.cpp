// SPDX-License-Identifier: GPL-3.0-or-later
// ctest-labels: gui
// The results list over a search's results: rows from a real run through the site
// simulator, colours, sorting, header clicks, selection, check marks, big lists.
#include "ui/TResultsList.h"

#include <memory>
#include <string>
#include <vector>

#include "ResultsTestHarness.h"
#include "core/TextHelpers.h"

#include <QAction>
#include <QApplication>
#include <QHeaderView>
#include <QMenu>
#include <QSignalSpy>
#include <QtTest>

namespace {

const QColor SkyBlue(166, 202, 240);
const QColor Yellow(255, 255, 0);

std::unique_ptr<TEntry> Entry(const std::string& date, const std::string& title, double price = 0,
                              const std::string& location = "miami", bool isNew = false) {
    auto entry = std::make_unique<TEntry>(date, title, "http://miami.craigslist.org/act/" + title + ".html", price,
                                          location, false);
    entry->New = isNew;
    return entry;
}

QStringList Column(const TResultsList& list, int column) {
    QStringList texts;
    for (int row = 0; row < list.RowCount(); ++row)
        texts << list.Model()->index(row, column).data().toString();
    return texts;
}

QStringList Titles(const TResultsList& list) {
    return Column(list, TResultsModel::ColumnPost);
}

QColor Background(const TResultsList& list, int row) {
    return list.Model()->index(row, TResultsModel::ColumnPost).data(Qt::BackgroundRole).value<QBrush>().color();
}

void ClickHeader(QTreeView* view, int column) {
    QHeaderView* header = view->header();
    const QPoint point(header->sectionViewportPosition(column) + header->sectionSize(column) / 2, header->height() / 2);
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, point);
}

} // namespace

class TResultsListTest : public QObject {
    Q_OBJECT

    std::unique_ptr<TResultsHarness> harness;

    void Add(std::unique_ptr<TEntry> entry) { harness->search->Results.push_back(std::move(entry)); }

private Q_SLOTS:
    void init() {
        harness = std::make_unique<TResultsHarness>(false);
        harness->window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&harness->window));
    }
    void cleanup() { harness.reset(); }

    void TheColumnsAndCaptionsAreSetUp() {
        QTreeView* view = harness->lvResults;
        QCOMPARE(view->model()->columnCount(), 6);
        QStringList captions;
        for (int column = 0; column < 6; ++column)
            captions << view->model()->headerData(column, Qt::Horizontal).toString();
        QCOMPARE(captions, (QStringList{"", "Image", " Date", " Post", " Price", "Location"}));
        QCOMPARE(view->header()->sectionSize(0), 30);
        QCOMPARE(view->header()->sectionResizeMode(0), QHeaderView::Fixed);
        QCOMPARE(view->header()->sectionSize(2), 65);
        QCOMPARE(view->header()->sectionSize(3), 250);
        QCOMPARE(view->selectionBehavior(), QAbstractItemView::SelectRows);
        QCOMPARE(view->selectionMode(), QAbstractItemView::SingleSelection);
        // Sorted by date, newest first, from the start, and the header says so.
        QCOMPARE(harness->Results->Model()->HeaderImage(2), TResultsModel::ImageDescending);
        for (int column : {0, 1, 3, 4, 5})
            QCOMPARE(harness->Results->Model()->HeaderImage(column), TResultsModel::ImageNone);
    }

    void RowsArriveWhileTheRunGoesAndShowThePostings() {
        harness->AddPostings(30, 100);
        int rowsSeenWhileRunning = 0;
        int resets = 0;
        connect(harness->Results->Model(), &QAbstractItemModel::rowsInserted, this, [&] {
            if (!harness->search->CurrentRun().Idle)
                ++rowsSeenWhileRunning;
        });
        connect(harness->Results->Model(), &QAbstractItemModel::modelReset, this, [&] { ++resets; });
        QVERIFY(harness->RunAndWait());
        QCOMPARE(harness->Results->RowCount(), 30);
        QCOMPARE(rowsSeenWhileRunning, 30);
        QCOMPARE(resets, 0);
        const int row = harness->Results->FindRowByEntry(harness->search->Results.front().get());
        const TEntry& first = *harness->search->Results.front();
        const QAbstractItemModel* model = harness->Results->Model();
        QCOMPARE(model->index(row, 1).data().toString(), first.HasImage ? "img" : "-");
        QCOMPARE(model->index(row, 2).data().toString(), QString::fromStdString(first.Date.str()));
        QCOMPARE(model->index(row, 3).data().toString(), QString::fromStdString(first.Name));
        QCOMPARE(model->index(row, 4).data().toString(),
                 first.Price > 0 ? QString::fromStdString(FormatDecimal(first.Price)) : QStringLiteral("---"));
        QCOMPARE(model->index(row, 5).data().toString(), QString::fromStdString(first.Location));
        QCOMPARE(model->index(row, 0).data(Qt::CheckStateRole).value<Qt::CheckState>(), Qt::Unchecked);
        for (int i = 0; i < harness->Results->RowCount(); ++i)
            QCOMPARE(Background(*harness->Results, i), Yellow); // every posting is new
    }

    void ARunSelectsThePreviouslySelectedPostingWhenItArrives() {
        const auto postings = harness->AddPostings(12);
        harness->search->SelectedEntry = harness->simulator.LinkOf(postings[5]);
        QSignalSpy selections(harness->Results, &TResultsList::SelectionChanged);
        QVERIFY(harness->RunAndWait());
        QVERIFY(harness->Results->SelectedEntry());
        QCOMPARE(harness->Results->SelectedEntry()->Link, harness->search->SelectedEntry);
        QVERIFY(!selections.isEmpty());
        // Showing the search again selects it as well.
        harness->Results->FillEntryList(nullptr);
        QCOMPARE(harness->Results->SelectedRow(), -1);
        harness->Results->FillEntryList(harness->search.get());
        QCOMPARE(harness->Results->SelectedEntry()->Link, harness->search->SelectedEntry);
    }

    void RowColours() {
        Add(Entry("Mar 5", "plain"));
        Add(Entry("Mar 5", "fresh", 0, "miami", true));
        auto both = Entry("Mar 5", "seen", 0, "miami", true);
        both->Visited = true;
        Add(std::move(both));
        const TResultsList& list = *harness->Results;
        QVERIFY(!list.Model()
                     ->index(list.FindRowByEntry(harness->search->Results[0].get()), 3)
                     .data(Qt::BackgroundRole)
                     .isValid());
        QCOMPARE(Background(list, list.FindRowByEntry(harness->search->Results[1].get())), Yellow);
        QCOMPARE(Background(list, list.FindRowByEntry(harness->search->Results[2].get())), SkyBlue);
        // The next run's start takes the new marks: the rows repaint without them.
        harness->search->ResetResults(false);
        QVERIFY(!list.Model()
                     ->index(list.FindRowByEntry(harness->search->Results[1].get()), 3)
                     .data(Qt::BackgroundRole)
                     .isValid());
    }

    void PricesShowShortestOrDashes_data() {
        QTest::addColumn<double>("price");
        QTest::addColumn<QString>("shown");
        QTest::newRow("whole") << 1500.0 << "1500";
        QTest::newRow("fraction") << 12.5 << "12.5";
        QTest::newRow("none on the page") << 0.0 << "---";
        QTest::newRow("never filled") << -1.0 << "---";
    }
    void PricesShowShortestOrDashes() {
        QFETCH(double, price);
        QFETCH(QString, shown);
        Add(Entry("Mar 5", "a", price));
        QCOMPARE(Column(*harness->Results, 4), QStringList{shown});
    }

    void Sorting_data() {
        QTest::addColumn<int>("column");
        QTest::addColumn<bool>("ascending");
        QTest::addColumn<QStringList>("dates");
        QTest::addColumn<QList<double>>("prices");
        QTest::addColumn<QStringList>("locations");
        QTest::addColumn<QStringList>("expected");
        const QStringList sameDay{"Mar 5", "Mar 5", "Mar 5"};
        const QList<double> noPrices{0, 0, 0};
        const QStringList sameLocation{"x", "x", "x"};
        // Titles are "e0", "e1", ... in the order given; e1 is new in every case.
        QTest::newRow("date newest first over the new year")
            << 2 << false << QStringList{"Nov 30", "Jan 2", "Dec 24"} << noPrices << sameLocation
            << QStringList{"e1", "e2", "e0"};
        QTest::newRow("date oldest first over the new year")
            << 2 << true << QStringList{"Nov 30", "Jan 2", "Dec 24"} << noPrices << sameLocation
            << QStringList{"e0", "e2", "e1"};
        QTest::newRow("March is later than September") << 2 << false << QStringList{"Sep 1", "Mar 1", "Sep 3"}
                                                       << noPrices << sameLocation << QStringList{"e1", "e2", "e0"};
        QTest::newRow("September is later than April") << 2 << false << QStringList{"Apr 9", "Sep 1", "Apr 20"}
                                                       << noPrices << sameLocation << QStringList{"e1", "e2", "e0"};
        QTest::newRow("April is later than March") << 2 << false << QStringList{"Mar 30", "Apr 1", "Mar 2"} << noPrices
                                                   << sameLocation << QStringList{"e1", "e0", "e2"};
        QTest::newRow("same day: new first, newest first")
            << 2 << false << sameDay << noPrices << sameLocation << QStringList{"e1", "e0", "e2"};
        QTest::newRow("same day: new first, oldest first")
            << 2 << true << sameDay << noPrices << sameLocation << QStringList{"e1", "e0", "e2"};
        QTest::newRow("price highest first, unfilled last")
            << 4 << false << sameDay << QList<double>{-1, 20, 0} << sameLocation << QStringList{"e1", "e2", "e0"};
        QTest::newRow("price lowest first, unfilled first")
            << 4 << true << sameDay << QList<double>{20, -1, 0} << sameLocation << QStringList{"e1", "e2", "e0"};
        QTest::newRow("location ascending: capitals before small letters")
            << 5 << true << sameDay << noPrices << QStringList{"apple", "Zebra", "Mango"}
            << QStringList{"e2", "e1", "e0"};
        QTest::newRow("location descending") << 5 << false << sameDay << noPrices
                                             << QStringList{"apple", "Zebra", "Mango"} << QStringList{"e0", "e1", "e2"};
    }
    void Sorting() {
        QFETCH(int, column);
        QFETCH(bool, ascending);
        QFETCH(QStringList, dates);
        QFETCH(QList<double>, prices);
        QFETCH(QStringList, locations);
        QFETCH(QStringList, expected);
        harness->SortColumn = column;
        harness->SortAscending = ascending;
        // Rows take their sorted place as they arrive, and a full re-sort agrees.
        for (int i = 0; i < dates.size(); ++i)
            Add(Entry(dates[i].toStdString(), "e" + std::to_string(i), prices[i], locations[i].toStdString(), i == 1));
        QCOMPARE(Titles(*harness->Results), expected);
        harness->Results->Sort();
        QCOMPARE(Titles(*harness->Results), expected);
        harness->Results->FillEntryList(harness->search.get());
        QCOMPARE(Titles(*harness->Results), expected);
    }

    void MonthsOfAllThreeSeasonsStillSortConsistently() {
        // September > April > March > January > December > September: a circle. The list
        // stays ordered the same way however the rows arrive.
        harness->SortColumn = 2;
        const QStringList dates{"Sep 10", "Apr 2", "Mar 3", "Jan 4", "Dec 5", "Sep 9", "Apr 3"};
        for (int i = 0; i < dates.size(); ++i)
            Add(Entry(dates[i].toStdString(), "e" + std::to_string(i)));
        const QStringList arrived = Column(*harness->Results, 2);
        harness->Results->Sort();
        QCOMPARE(Column(*harness->Results, 2), arrived);
        harness->Results->FillEntryList(harness->search.get());
        QCOMPARE(Column(*harness->Results, 2), arrived);
        // The year starts after the widest gap between the months, April to September.
        QCOMPARE(arrived, (QStringList{"Apr 3", "Apr 2", "Mar 3", "Jan 4", "Dec 5", "Sep 10", "Sep 9"}));
    }

    void HeaderClicks_data() {
        QTest::addColumn<QList<int>>("clicks");
        QTest::addColumn<int>("sortColumn");
        QTest::addColumn<bool>("ascending");
        QTest::addColumn<QList<int>>("images"); // of columns 1 to 5
        const int D = TResultsModel::ImageDescending, A = TResultsModel::ImageAscending, N = TResultsModel::ImageNone;
        QTest::newRow("date once") << QList<int>{2} << 2 << false << QList<int>{N, D, N, N, N};
        QTest::newRow("date twice") << QList<int>{2, 2} << 2 << true << QList<int>{N, A, N, N, N};
        QTest::newRow("date three times") << QList<int>{2, 2, 2} << 2 << false << QList<int>{N, D, N, N, N};
        QTest::newRow("price twice") << QList<int>{4, 4} << 4 << true << QList<int>{N, N, N, A, N};
        QTest::newRow("price three times") << QList<int>{4, 4, 4} << -1 << true << QList<int>{N, N, N, N, N};
        QTest::newRow("location after date") << QList<int>{2, 5} << 5 << false << QList<int>{N, N, N, N, D};
        QTest::newRow("post drops the sort, keeps the picture")
            << QList<int>{4, 3} << -1 << false << QList<int>{N, N, N, D, N};
        QTest::newRow("image drops the sort") << QList<int>{5, 1} << -1 << false << QList<int>{N, N, N, N, D};
    }
    void HeaderClicks() {
        QFETCH(QList<int>, clicks);
        QFETCH(int, sortColumn);
        QFETCH(bool, ascending);
        QFETCH(QList<int>, images);
        // From no sort at all.
        harness->SortColumn = -1;
        for (int column = 0; column < TResultsModel::ColumnCount; ++column)
            harness->Results->Model()->SetHeaderImage(column, TResultsModel::ImageNone);
        for (int column : clicks)
            ClickHeader(harness->lvResults, column);
        QCOMPARE(harness->SortColumn, sortColumn);
        QCOMPARE(harness->SortAscending, ascending);
        QList<int> shown;
        for (int column = 1; column <= 5; ++column)
            shown << harness->Results->Model()->HeaderImage(column);
        QCOMPARE(shown, images);
    }

    void HeaderClicksSortTheClickedListAndKeepTheSelection() {
        for (const double price : {30.0, 10.0, 20.0})
            Add(Entry("Mar 5", "p" + std::to_string(static_cast<int>(price)), price));
        harness->SortColumn = -1;
        harness->Results->SelectRow(harness->Results->FindRowByEntry(harness->search->Results[2].get())); // p20
        ClickHeader(harness->lvResults, 4);
        QCOMPARE(Titles(*harness->Results), (QStringList{"p30", "p20", "p10"}));
        QCOMPARE(harness->Results->SelectedEntry()->Name, std::string("p20"));
        ClickHeader(harness->lvResults, 4);
        QCOMPARE(Titles(*harness->Results), (QStringList{"p10", "p20", "p30"}));
        QCOMPARE(harness->Results->SelectedRow(), 1);
        QCOMPARE(harness->Results->SelectedEntry()->Name, std::string("p20"));
        // Unsorted now: the order stays, and a row that arrives goes last.
        ClickHeader(harness->lvResults, 4);
        Add(Entry("Mar 5", "p25", 25));
        QCOMPARE(Titles(*harness->Results), (QStringList{"p10", "p20", "p30", "p25"}));
    }

    void TheFirstHeaderOpensTheMenuWithoutTheSelectedRowItems() {
        QMenu pmResults;
        QAction* deleteSelected = pmResults.addAction(QStringLiteral("Delete selected"));
        QAction* checkAll = pmResults.addAction(QStringLiteral("Check all"));
        QMenu* flagHighlighted = pmResults.addMenu(QStringLiteral("Flag highlighted as..."));
        harness->Results->SetPopupMenu(&pmResults, {deleteSelected, flagHighlighted->menuAction()});
        Add(Entry("Mar 5", "a"));
        harness->Results->SelectRow(0);
        ClickHeader(harness->lvResults, 0);
        QVERIFY(QTest::qWaitFor([&] { return pmResults.isVisible(); }));
        QVERIFY(harness->Results->HeaderMode());
        QCOMPARE(harness->Results->SelectedRow(), -1);
        QVERIFY(!deleteSelected->isVisible());
        QVERIFY(!flagHighlighted->menuAction()->isVisible());
        QVERIFY(checkAll->isVisible());
        QCOMPARE(harness->SortColumn, 2); // the sort is left alone
        pmResults.close();
        // A right click on a row opens it with every item.
        const QRect row = harness->lvResults->visualRect(harness->Results->Model()->index(0, 3));
        Q_EMIT harness->lvResults->customContextMenuRequested(row.center());
        QVERIFY(QTest::qWaitFor([&] { return pmResults.isVisible(); }));
        QVERIFY(!harness->Results->HeaderMode());
        QVERIFY(deleteSelected->isVisible());
        QVERIFY(flagHighlighted->menuAction()->isVisible());
        pmResults.close();
    }

    void DoubleClickOpensThePostingAndColoursItVisited() {
        TOpenedLinks opened;
        Add(Entry("Mar 5", "a", 0, "miami", true));
        const QRect row = harness->lvResults->visualRect(harness->Results->Model()->index(0, 3));
        QTest::mouseClick(harness->lvResults->viewport(), Qt::LeftButton, {}, row.center());
        QTest::mouseDClick(harness->lvResults->viewport(), Qt::LeftButton, {}, row.center());
        QCOMPARE(opened.Links, QList<QUrl>{QUrl(QString::fromStdString(harness->search->Results[0]->Link))});
        QVERIFY(harness->search->Results[0]->Visited);
        QCOMPARE(Background(*harness->Results, 0), SkyBlue);
        QVERIFY(!QApplication::overrideCursor());
    }

    void SpaceTicksTheCurrentRowAndTheKeysMoveTheSelection() {
        for (const char* title : {"a", "b", "c"})
            Add(Entry("Mar 5", title));
        harness->SortColumn = -1;
        harness->Results->FillEntryList(harness->search.get());
        harness->lvResults->setFocus();
        harness->Results->SelectNext();
        QCOMPARE(harness->Results->SelectedRow(), 0);
        harness->Results->SelectNext();
        QTest::keyClick(harness->lvResults, Qt::Key_Space);
        QVERIFY(harness->Results->Model()->IsChecked(1));
        QCOMPARE(harness->Results->Model()->CheckedEntries(), std::vector<TEntry*>{harness->search->Results[1].get()});
        harness->Results->SelectNext();
        harness->Results->SelectNext();
        QCOMPARE(harness->Results->SelectedRow(), 2);
        harness->Results->SelectPrevious();
        harness->Results->SelectPrevious();
        harness->Results->SelectPrevious();
        QCOMPARE(harness->Results->SelectedRow(), 0);
        QTest::keyClick(harness->lvResults, Qt::Key_Down);
        QCOMPARE(harness->Results->SelectedRow(), 1);
    }

    void TheFilteredListCopiesRowsAndLosesWhatTheResultsLose() {
        for (const char* title : {"a", "b", "c"})
            Add(Entry("Mar 5", title));
        TResultsList& results = *harness->Results;
        TResultsList& filtered = *harness->Filtered;
        QCOMPARE(filtered.RowCount(), 0); // a later row of the results does not show here
        results.Model()->SetChecked(1, true);
        for (int row = 0; row < results.RowCount(); ++row)
            filtered.AppendRowFrom(results, row);
        QCOMPARE(Titles(filtered), Titles(results));
        QVERIFY(filtered.Model()->IsChecked(1));
        filtered.SelectRow(1);
        // Deleting a result takes it out of both lists at once.
        TEntry* b = filtered.SelectedEntry();
        harness->search->MarkDeleted(*b);
        QCOMPARE(results.FindRowByEntry(b), -1);
        QCOMPARE(filtered.RowCount(), 2);
        QCOMPARE(filtered.SelectedRow(), -1);
        Add(Entry("Mar 5", "d"));
        QCOMPARE(filtered.RowCount(), 2);
        QCOMPARE(results.RowCount(), 3);
        harness->search->ResetResults(true);
        QCOMPARE(filtered.RowCount(), 0);
        QCOMPARE(results.RowCount(), 0);
    }

    void ASearchFreedWhileShownLeavesBothListsEmpty() {
        for (const char* title : {"a", "b"})
            Add(Entry("Mar 5", title));
        harness->Filtered->AppendRowFrom(*harness->Results, 0);
        harness->Results->SelectRow(1);
        harness->search.reset();
        QCOMPARE(harness->Results->RowCount(), 0);
        QCOMPARE(harness->Filtered->RowCount(), 0);
        QVERIFY(harness->Results->Search() == nullptr);
        QCOMPARE(harness->Results->SelectedEntry(), nullptr);
        harness->Results->FillEntryList(nullptr); // letting go again is harmless
    }

    void ThousandsOfRowsArriveInOrderWithoutResets() {
        int resets = 0;
        connect(harness->Results->Model(), &QAbstractItemModel::modelReset, this, [&] { ++resets; });
        const char* months[] = {"Jan", "Feb", "Mar", "Nov", "Dec"};
        constexpr int Count = 5000;
        for (int i = 0; i < Count; ++i)
            Add(Entry(std::string(months[(i * 7) % 5]) + " " + std::to_string(1 + (i * 13) % 28),
                      "e" + std::to_string(i), 0, "miami", i % 3 == 0));
        QCOMPARE(resets, 0);
        QCOMPARE(harness->Results->RowCount(), Count);
        const TResultsModel& model = *harness->Results->Model();
        const TResultsModel::TMonthRanks ranks = TResultsModel::MonthRanks({0, 1, 1, 1, 0, 0, 0, 0, 0, 0, 0, 1, 1});
        for (int row = 1; row < Count; ++row)
            QVERIFY2(TResultsModel::CompareEntries(*model.EntryAt(row - 1), *model.EntryAt(row), 2, false, ranks) <= 0,
                     qPrintable(QString::number(row)));
        harness->lvResults->scrollToBottom();
        QApplication::processEvents();
        // Deleting every other row leaves the rest in order.
        std::vector<TEntry*> gone;
        for (int row = 0; row < Count; row += 2)
            gone.push_back(model.EntryAt(row));
        for (TEntry* entry : gone)
            harness->search->MarkDeleted(*entry);
        QCOMPARE(harness->Results->RowCount(), Count / 2);
        QCOMPARE(harness->search->Results.size(), static_cast<std::size_t>(Count / 2));
        for (int row = 1; row < Count / 2; ++row)
            QVERIFY(TResultsModel::CompareEntries(*model.EntryAt(row - 1), *model.EntryAt(row), 2, false, ranks) <= 0);
    }
};

QTEST_MAIN(TResultsListTest)
#include "TResultsList_test.moc"
