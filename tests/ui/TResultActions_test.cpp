// SPDX-License-Identifier: GPL-3.0-or-later
// ctest-labels: gui net
// The search window's filter page, check marks, deleting and flagging, in the real window
// against the site simulator.
#include "ui/TResultActions.h"

#include <array>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include <QAction>
#include <QDate>
#include <QLineEdit>
#include <QRadioButton>
#include <QSettings>
#include <QPushButton>
#include <QSpinBox>
#include <QTreeWidget>
#include <QTreeView>
#include <QtTest>

#include "TFailingProxy.h"
#include "TSiteSimulator.h"
#include "TestSupport.h"
#include "UiTestSupport.h"
#include "core/TBackgroundWork.h"
#include "refdata/TCategories.h"
#include "refdata/TPlaces.h"
#include "search/TSearch.h"
#include "search/TSearchRun.h"
#include "session/TSession.h"
#include "store/TSearches.h"
#include "ui/TMessageBoxes.h"
#include "ui/TResultsList.h"
#include "ui/TfrmAdvancedKeywords.h"
#include "ui/TfrmNewSearch.h"

namespace {

constexpr int Miami = 253;
constexpr int Tampa = 260;
const std::array<std::pair<const char*, const char*>, 7> SubAreas{{{"miami", "mdc"},
                                                                   {"miami", "brw"},
                                                                   {"miami", "pbc"},
                                                                   {"tampa", "hdo"},
                                                                   {"tampa", "hil"},
                                                                   {"tampa", "psc"},
                                                                   {"tampa", "pnl"}}};
const std::string Word = "zebracorn";

/// One search window on a session of its own over data, as the program builds it.
struct TWindow {
    TSession Session;
    TfrmAdvancedKeywords Advanced;
    TfrmNewSearch Window;

    TWindow(const TConfig& config, const TTempDataFolder& data) : Session(config), Window(Session, Advanced) {
        Session.SetTables(std::make_unique<TPlaces>(data.File("Places.tx")),
                          std::make_unique<TCategories>(data.File("Categories.tx")));
        Window.EndProgram = [] {};
        Window.Open();
    }
    ~TWindow() {
        WaitUntil([] { return TBackgroundWork::Running() == 0; });
    }

    QAction* Action(const char* name) const { return Window.findChild<QAction*>(QLatin1String(name)); }
    template <typename T> T* Find(const char* name) const { return Window.findChild<T*>(QLatin1String(name)); }
    TSearch& Search() const { return *Window.CurrentSearch(); }
    TResultsList& Results() const { return Window.Results(); }
    bool RunAndWait() {
        Action("actStartSearch")->trigger();
        const bool ended =
            WaitUntil([this] { return Search().CurrentRun().Idle && TBackgroundWork::Running() == 0; }, 60000);
        return ended;
    }
};

QStringList Titles(const TResultsList& list) {
    QStringList titles;
    for (int row = 0; row < list.RowCount(); ++row)
        titles << QString::fromStdString(list.EntryAt(row)->Name);
    return titles;
}

std::set<std::string> Links(const TEntryList& entries) {
    std::set<std::string> links;
    for (const auto& entry : entries)
        links.insert(entry->Link);
    return links;
}

} // namespace

class TResultActionsTest final : public QObject {
    Q_OBJECT

    std::unique_ptr<TTempDataFolder> folder;
    std::unique_ptr<TSiteSimulator> simulator;
    std::unique_ptr<TMessageBoxes> boxes;

    TConfig Config(const std::string& proxy = {}) const {
        TConfig config = folder->Config();
        config.ParserPauseMs = 0;
        config.BannerServer = "http://127.0.0.1:1";
        config.HttpProxy = proxy.empty() ? simulator->Proxy() : proxy;
        return config;
    }

    /// The searches file holds one search for the test word in the activities of Miami and Tampa, with
    /// the given results (title, date) already found.
    void WriteSearch(const std::vector<std::pair<std::string, std::string>>& results = {}) {
        TSession writer(Config());
        writer.SetTables(std::make_unique<TPlaces>(folder->File("Places.tx")),
                         std::make_unique<TCategories>(folder->File("Categories.tx")));
        TSearch search(&writer.SearchContext());
        search.SearchId = 1;
        search.Name = "walks";
        search.Category = writer.Categories->FindById(2); // "act"
        search.PositiveKeywords = Word;
        const TPlaceList places{writer.Places->FindById(Miami), writer.Places->FindById(Tampa)};
        search.SetLocations(places);
        search.SetLeafLocations(places);
        int number = 1000;
        for (const auto& [title, date] : results)
            search.Results.push_back(std::make_unique<TEntry>(
                date, title, "http://miami.craigslist.org/act/" + std::to_string(number++) + ".html", 10, "miami",
                false));
        TSearches searches(writer.SearchesContext());
        searches.Save(search, true, false);
    }

    std::vector<TSimPosting> AddPostings(int count) {
        std::vector<TSimPosting> postings;
        for (int i = 0; i < count; ++i) {
            TSimPosting posting;
            // A search of Miami and Tampa asks their seven sub-areas, a page of each.
            const auto& [site, subArea] = SubAreas[static_cast<std::size_t>(i) % SubAreas.size()];
            posting.Site = site;
            posting.SubArea = subArea;
            posting.Category = "act";
            posting.Title = Word + " walk " + std::to_string(i);
            postings.push_back(simulator->AddPosting(posting));
        }
        return postings;
    }

private Q_SLOTS:
    void init() {
        QSettings(QStringLiteral("Corvane"), QStringLiteral("Trawlix")).clear();
        folder = std::make_unique<TTempDataFolder>();
        folder->InstallShippedRefData();
        simulator = std::make_unique<TSiteSimulator>();
        QVERIFY(simulator->Start());
        boxes = std::make_unique<TMessageBoxes>();
    }
    void cleanup() {
        boxes.reset();
        simulator.reset();
        folder.reset();
    }

    // ---- Filter ----

    void FilterCopiesTheRowsWhoseTitleHoldsTheWords_data() {
        QTest::addColumn<QString>("words");
        QTest::addColumn<bool>("anyWord");
        QTest::addColumn<QStringList>("expected");
        const QStringList all{"Red bike", "blue BIKE", "red and blue kite", "green boat"};
        QTest::newRow("empty copies every row") << "" << true << all;
        QTest::newRow("OR keeps either word")
            << "red boat" << true << QStringList{"Red bike", "red and blue kite", "green boat"};
        QTest::newRow("AND keeps both words") << "blue red" << false << QStringList{"red and blue kite"};
        QTest::newRow("inside a longer word, any capitals") << "BIK" << true << QStringList{"Red bike", "blue BIKE"};
        QTest::newRow("a leading space with AND keeps nothing") << " bike" << false << QStringList{};
        QTest::newRow("a trailing space with OR lets the word decide") << "boat " << true << QStringList{"green boat"};
    }
    void FilterCopiesTheRowsWhoseTitleHoldsTheWords() {
        QFETCH(QString, words);
        QFETCH(bool, anyWord);
        QFETCH(QStringList, expected);
        const QString today = QDate::currentDate().toString(QStringLiteral("MMM d"));
        WriteSearch({{"Red bike", today.toStdString()},
                     {"blue BIKE", today.toStdString()},
                     {"red and blue kite", today.toStdString()},
                     {"green boat", today.toStdString()}});
        TWindow w(Config(), *folder);
        w.Action("actFilterSettings")->trigger();
        w.Find<QLineEdit>("edtFilter")->setText(words);
        w.Find<QRadioButton>(anyWord ? "rbFilterOR" : "rbFilterAND")->setChecked(true);
        QTest::keyClick(w.Find<QLineEdit>("edtFilter"), Qt::Key_Return);
        QStringList shown = Titles(w.Window.FilteredResults());
        shown.sort(Qt::CaseInsensitive);
        expected.sort(Qt::CaseInsensitive);
        QCOMPARE(shown, expected);
        // The first row is selected (and so previewed).
        QCOMPARE(w.Window.FilteredResults().SelectedRow(), expected.isEmpty() ? -1 : 0);
    }

    void FilterByDaysKeepsWhatIsYoungerThanTheLimit() {
        const QDate today = QDate::currentDate();
        const auto date = [](QDate day) { return day.toString(QStringLiteral("MMM d")).toStdString(); };
        WriteSearch(
            {{"today", date(today)}, {"two days", date(today.addDays(-2))}, {"ten days", date(today.addDays(-10))}});
        TWindow w(Config(), *folder);
        w.Action("actFilterSettings")->trigger();
        w.Find<QSpinBox>("edtDaysFrom")->setValue(7);
        w.Action("actFilter")->trigger();
        QStringList shown = Titles(w.Window.FilteredResults());
        shown.sort();
        QCOMPARE(shown, (QStringList{"today", "two days"}));
        // Opening the window again forgets the filter.
        w.Window.Open();
        QCOMPARE(w.Find<QSpinBox>("edtDaysFrom")->value(), 0);
        QCOMPARE(w.Window.FilteredResults().RowCount(), 0);
    }

    // ---- Check marks and deleting ----

    void DeletingTakesTheSelectedRowElseTheCheckedOnes_data() {
        QTest::addColumn<int>("rows");
        QTest::addColumn<int>("selected");
        QTest::addColumn<QList<int>>("checked");
        QTest::addColumn<QStringList>("left");
        QTest::addColumn<int>("selectedAfter");
        QTest::newRow("the highlighted row although others are checked")
            << 4 << 1 << QList<int>{0, 3} << QStringList{"a", "c", "d"} << 1;
        QTest::newRow("no highlighted row: the checked ones")
            << 4 << -1 << QList<int>{0, 2} << QStringList{"b", "d"} << 1;
        QTest::newRow("the last of three: the new last is selected")
            << 3 << 2 << QList<int>{} << QStringList{"a", "b"} << 1;
        QTest::newRow("row 1 of two: row 0 stays unselected") << 2 << 1 << QList<int>{} << QStringList{"a"} << -1;
        QTest::newRow("nothing highlighted or checked: nothing")
            << 2 << -1 << QList<int>{} << QStringList{"a", "b"} << -1;
    }
    void DeletingTakesTheSelectedRowElseTheCheckedOnes() {
        QFETCH(int, rows);
        QFETCH(int, selected);
        QFETCH(QList<int>, checked);
        QFETCH(QStringList, left);
        QFETCH(int, selectedAfter);
        const std::string date = QDate::currentDate().toString(QStringLiteral("MMM d")).toStdString();
        std::vector<std::pair<std::string, std::string>> results;
        for (int i = 0; i < rows; ++i)
            results.emplace_back(std::string(1, static_cast<char>('a' + i)), date);
        WriteSearch(results);
        TWindow w(Config(), *folder);
        w.Window.SortColumn = 3; // by title, a first
        w.Window.SortAscending = true;
        w.Results().Sort();
        for (int row : checked)
            w.Results().Model()->SetChecked(row, true);
        w.Results().SelectRow(selected);
        w.Action("actDeleteResult")->trigger();
        QCOMPARE(Titles(w.Results()), left);
        QCOMPARE(w.Results().SelectedRow(), selectedAfter);
        QCOMPARE(static_cast<int>(w.Search().DeletedResults.size()), rows - static_cast<int>(left.size()));
    }

    void CheckAllAndDeleteAllCheckedInFilterModeDeleteFromBothLists() {
        const std::string date = QDate::currentDate().toString(QStringLiteral("MMM d")).toStdString();
        WriteSearch({{"red one", date}, {"blue one", date}, {"red two", date}});
        TWindow w(Config(), *folder);
        w.Action("actFilterSettings")->trigger();
        w.Find<QLineEdit>("edtFilter")->setText(QStringLiteral("red"));
        w.Action("actFilter")->trigger();
        QCOMPARE(w.Window.FilteredResults().RowCount(), 2);
        w.Action("actCheckAll")->trigger();
        QVERIFY(w.Window.FilteredResults().Model()->IsChecked(1));
        QVERIFY(!w.Results().Model()->IsChecked(0)); // only the active list
        w.Action("actDeleteAllChecked")->trigger();
        QCOMPARE(w.Window.FilteredResults().RowCount(), 0);
        QCOMPARE(Titles(w.Results()), QStringList{"blue one"});
        w.Action("actSearchSettings")->trigger();
        w.Action("actCheckAll")->trigger();
        w.Action("actUncheckAll")->trigger();
        QVERIFY(!w.Results().Model()->IsChecked(0));
    }

    void FiveHundredDeletedPostingsNeverComeBack() {
        AddPostings(520);
        WriteSearch();
        std::set<std::string> deleted;
        {
            TWindow w(Config(), *folder);
            // Hidden while hundreds of rows arrive: repainting the whole window under the
            // software renderer for each of them is what would take this test's time.
            w.Window.hide();
            QVERIFY(w.RunAndWait());
            QCOMPARE(w.Results().RowCount(), 520);
            for (int row = 0; row < 500; ++row) {
                w.Results().Model()->SetChecked(row, true);
                deleted.insert(w.Results().EntryAt(row)->Link);
            }
            w.Results().SelectRow(3);
            w.Action("actDeleteAllChecked")->trigger();
            QCOMPARE(w.Results().RowCount(), 20);
            w.Window.close();
            w.Window.SaveOnExit();
        }
        // The program starts again: the same results less the deleted ones, also after a run.
        TWindow w(Config(), *folder);
        QCOMPARE(w.Results().RowCount(), 20);
        QCOMPARE(Links(w.Search().DeletedResults), deleted);
        w.Search().KeepOldResults = false;
        QVERIFY(w.RunAndWait());
        QCOMPARE(w.Results().RowCount(), 20);
        for (const auto& entry : w.Search().Results)
            QVERIFY2(!deleted.contains(entry->Link), entry->Link.c_str());
    }

    // ---- Fetch health ----

    void AnUnreachableSiteIsListedAfterTheRunAndRetriedAlone() {
        AddPostings(14); // two in each sub-area
        WriteSearch();
        TFailingProxy proxy(*simulator, "tampa.craigslist.org");
        proxy.SetFailing(true);
        TWindow w(Config(proxy.Proxy()), *folder);
        auto* panel = w.Find<QWidget>("pnlFetchHealth");
        auto* failed = w.Find<QTreeWidget>("lvFailedFetches");
        QVERIFY(!panel->isVisible());
        QVERIFY(w.RunAndWait());
        QCOMPARE(w.Results().RowCount(), 6); // Miami's three sub-areas
        w.Window.ActionList1Update();
        QVERIFY(panel->isVisible());
        QCOMPARE(failed->topLevelItemCount(), 4); // Tampa's four
        QCOMPARE(failed->topLevelItem(0)->text(1), QStringLiteral("HTTP status 500"));
        SaveScreenshot(&w.Window, QStringLiteral("fetch-health-after-run"));
        const std::size_t savedBefore = w.Search().Results.size();

        // The site is back: Retry searches the chosen place alone.
        proxy.SetFailing(false);
        failed->setCurrentItem(failed->topLevelItem(1));
        const QString retried = failed->topLevelItem(1)->text(0);
        QTest::mouseClick(w.Find<QPushButton>("btnRetryFetch"), Qt::LeftButton);
        // The window's rules run whenever its event loop waits; here the test's loop runs them.
        QVERIFY(WaitUntil([&] {
            w.Window.ActionList1Update();
            return w.Search().CurrentRun().Idle && TBackgroundWork::Running() == 0 && failed->topLevelItemCount() == 3;
        }));
        QCOMPARE(w.Search().Results.size(), savedBefore + 2);
        for (int row = 0; row < failed->topLevelItemCount(); ++row)
            QVERIFY(failed->topLevelItem(row)->text(0) != retried);
    }

    // ---- Flagging ----

    void FlagsReachTheSiteOncePerPostingAndCode() {
        const std::vector<TSimPosting> postings = AddPostings(5);
        WriteSearch();
        TWindow w(Config(), *folder);
        QVERIFY(w.RunAndWait());
        QCOMPARE(w.Results().RowCount(), 5);
        QSignalSpy ended(&w.Window.ResultActions(), &TResultActions::FlaggingEnded);
        const auto idOf = [&](int row) {
            const std::string link = w.Results().EntryAt(row)->Link;
            return link.substr(link.rfind('/') + 1, link.rfind('.') - link.rfind('/') - 1);
        };

        // Ctrl+R: the highlighted row as spam, then it goes.
        w.Results().SelectRow(0);
        const std::string first = idOf(0);
        QTest::keyClick(w.Results().View(), Qt::Key_R, Qt::ControlModifier);
        QVERIFY(ended.wait(20000));
        QCOMPARE(w.Results().RowCount(), 4);
        // Best of: the checked rows are flagged and stay.
        w.Results().Model()->SetChecked(0, true);
        w.Results().Model()->SetChecked(1, true);
        const std::string second = idOf(0), third = idOf(1);
        w.Results().ClearSelection();
        w.Action("actBestChecked")->trigger();
        QVERIFY(ended.wait(20000));
        QCOMPARE(w.Results().RowCount(), 4);
        // Again: those two were flagged as best already and are not asked twice.
        w.Action("actBestChecked")->trigger();
        QVERIFY(ended.wait(20000));
        QCOMPARE(ended.last().at(0).toInt(), 0);
        // Ctrl+Shift+R: the checked rows as spam, then they go.
        QTest::keyClick(w.Results().View(), Qt::Key_R, Qt::ControlModifier | Qt::ShiftModifier);
        QVERIFY(ended.wait(20000));
        QCOMPARE(w.Results().RowCount(), 2);

        std::vector<std::string> seen;
        for (const TFlagRequest& flag : simulator->FlagRequests())
            seen.push_back(flag.FlagCode + " " + flag.PostingId);
        const std::vector<std::string> expected{"15 " + first, "9 " + second, "9 " + third, "15 " + second,
                                                "15 " + third};
        QCOMPARE(seen, expected);
    }

    void AFlagThatCannotBeSentIsShownAndDeletesNothing() {
        AddPostings(3);
        WriteSearch();
        TWindow w(Config(), *folder);
        QVERIFY(w.RunAndWait());
        simulator->Stop(); // the site can no longer be reached
        w.Results().ClearSelection();
        w.Action("actCheckAll")->trigger();
        QSignalSpy ended(&w.Window.ResultActions(), &TResultActions::FlaggingEnded);
        TShownBox shown;
        AnswerNextBox(QStringLiteral("OK"), shown);
        w.Action("actSpamChecked")->trigger();
        QVERIFY(ended.wait(30000));
        QVERIFY(WaitUntil([&] { return shown.Answered; }));
        QVERIFY2(shown.Text.startsWith(QStringLiteral("Cannot open URL http://miami.craigslist.org/flag/?flagCode=15")),
                 qPrintable(shown.Text));
        QVERIFY2(shown.Text.contains(QStringLiteral("nor the 2 after it")), qPrintable(shown.Text));
        QCOMPARE(w.Results().RowCount(), 3);
        QVERIFY(w.Search().DeletedResults.empty());
    }
};

QTEST_MAIN(TResultActionsTest)
#include "TResultActions_test.moc"
