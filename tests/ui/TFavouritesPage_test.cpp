// SPDX-License-Identifier: GPL-3.0-or-later
// ctest-labels: gui
// The favourites page of the search window on a host of the left panel's size, over a
// search of a real session: rows in step with the search's favourites, adding, removing,
// moving, the note, opening, the preview link, the keyboard, and the visited colour kept
// through the searches file.
#include "ui/TFavouritesPage.h"

#include <memory>
#include <string>
#include <vector>

#include "TestSupport.h"
#include "UiTestSupport.h"
#include "refdata/TCategories.h"
#include "refdata/TPlaces.h"
#include "search/TSearch.h"
#include "session/TSession.h"
#include "store/TSearches.h"
#include "ui/TSkins.h"

#include <QAction>
#include <QApplication>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QScopeGuard>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTabBar>
#include <QTabWidget>
#include <QToolBar>
#include <QTreeView>
#include <QVBoxLayout>
#include <QtTest>

namespace {

constexpr int Miami = 253;
constexpr int Activities = 2;
const QColor SkyBlue(166, 202, 240);
const QUrl Blank(QStringLiteral("about:blank"));

std::string LinkOf(int number) {
    return "https://miami.craigslist.org/act/" + std::to_string(7000 + number) + ".html";
}

TEntry Posting(int number, double price = 40, bool hasImage = false) {
    return TEntry("Mar " + std::to_string(number + 1), "zebracorn walk " + std::to_string(number), LinkOf(number),
                  price, "Miami, Florida", hasImage);
}

} // namespace

class TFavouritesPageTest : public QObject {
    Q_OBJECT

    std::unique_ptr<TTempDataFolder> folder;
    std::unique_ptr<TSession> session;
    std::unique_ptr<TSearch> search;
    std::unique_ptr<QWidget> host;
    QWidget* tsFavouritesMain = nullptr;
    QAction* actRemove = nullptr;
    QAction* actUp = nullptr;
    QAction* actDown = nullptr;
    TFavouritesPage* page = nullptr;

    template <typename T> T* Find(const char* name) const {
        T* found = host->findChild<T*>(QLatin1String(name));
        if (!found)
            qWarning("no %s", name);
        return found;
    }
    QTreeView* List() const { return Find<QTreeView>("lvFavourites"); }
    QTabWidget* Tabs() const { return Find<QTabWidget>("pcFavourites"); }
    QWidget* NoteTab() const { return Find<QWidget>("tsNote"); }
    QPlainTextEdit* Memo() const { return Find<QPlainTextEdit>("memoFavNote"); }
    QLabel* NoteHeader() const { return Find<QLabel>("pnlNoteHeader"); }
    bool NoteTabShown() const { return Tabs()->isTabVisible(Tabs()->indexOf(NoteTab())); }

    QString Cell(int row, int column) const { return List()->model()->index(row, column).data().toString(); }
    QColor Background(int row) const {
        return List()->model()->index(row, 3).data(Qt::BackgroundRole).value<QBrush>().color();
    }

    /// Adds count favourites numbered from 0, in order.
    void AddFavourites(int count) {
        for (int i = 0; i < count; ++i)
            QVERIFY(page->AddFavourite(Posting(i)));
    }
    /// The numbers of the favourites in the search's order, as a text ("0 2 1").
    QString Order() const {
        QStringList numbers;
        for (const auto& favourite : search->Favourites)
            numbers << QString::fromStdString(favourite->Name).section(QLatin1Char(' '), -1);
        return numbers.join(QLatin1Char(' '));
    }
    /// Every row shows the element of the search's favourites at its index.
    bool RowsMatchTheSearch() const {
        if (List()->model()->rowCount() != static_cast<int>(search->Favourites.size()))
            return false;
        for (int row = 0; row < List()->model()->rowCount(); ++row)
            if (Cell(row, 3) != QString::fromStdString(search->Favourites[static_cast<std::size_t>(row)]->Name))
                return false;
        return true;
    }
    const TFavourite* Favourite(int index) const { return search->Favourites[static_cast<std::size_t>(index)].get(); }

    std::unique_ptr<TSearch> NewSearch() {
        auto made = std::make_unique<TSearch>(&session->SearchContext());
        made->SearchId = 1;
        made->Name = "kept";
        made->Category = session->Categories->FindById(Activities);
        const TPlaceList leaves{session->Places->FindById(Miami)};
        made->SetLocations(leaves);
        made->SetLeafLocations(leaves);
        return made;
    }

private Q_SLOTS:
    void init() {
        folder = std::make_unique<TTempDataFolder>();
        folder->InstallShippedRefData();
        session = std::make_unique<TSession>(folder->Config());
        session->SetTables(std::make_unique<TPlaces>(folder->File("Places.tx")),
                           std::make_unique<TCategories>(folder->File("Categories.tx")));
        search = NewSearch();

        // The left panel's page, as wide as the panel.
        host = std::make_unique<QWidget>();
        host->setWindowTitle(QStringLiteral("Favourites"));
        host->resize(233, 700);
        tsFavouritesMain = new QWidget(host.get());
        tsFavouritesMain->setObjectName(QStringLiteral("tsFavouritesMain"));
        auto* layout = new QVBoxLayout(host.get());
        layout->setContentsMargins(2, 2, 2, 2);
        layout->addWidget(tsFavouritesMain);
        actRemove = new QAction(QStringLiteral("Remove from favourites"), host.get());
        actRemove->setObjectName(QStringLiteral("actRemoveFromFavourites"));
        actUp = new QAction(QStringLiteral("Move up"), host.get());
        actUp->setObjectName(QStringLiteral("actMoveFavouriteUp"));
        actDown = new QAction(QStringLiteral("Move down"), host.get());
        actDown->setObjectName(QStringLiteral("actMoveFavouriteDown"));
        page = new TFavouritesPage(tsFavouritesMain, actRemove, actUp, actDown);
        page->FillFavouriteList(search.get());
        host->show();
        QVERIFY(QTest::qWaitForWindowExposed(host.get()));
    }
    void cleanup() {
        if (page)
            page->FillFavouriteList(nullptr);
        host.reset();
        search.reset();
        session.reset();
        folder.reset();
    }

    void ThePageHoldsTheNamedControls() {
        QVERIFY(Tabs());
        QCOMPARE(Tabs()->count(), 2);
        QCOMPARE(Tabs()->tabText(0), QStringLiteral("Favourites"));
        QCOMPARE(Tabs()->tabText(1), QStringLiteral("Note"));
        QCOMPARE(Tabs()->widget(0), Find<QWidget>("tsFavourites"));
        QCOMPARE(Tabs()->widget(1), NoteTab());
        auto* toolBar = Find<QToolBar>("sToolBar1");
        QVERIFY(toolBar);
        const QList<QAction*> tools = toolBar->actions();
        QCOMPARE(tools.size(), 4);
        QCOMPARE(tools[0], actRemove);
        QVERIFY(tools[1]->isSeparator());
        QCOMPARE(tools[2], actUp);
        QCOMPARE(tools[3], actDown);
        auto* menu = Find<QMenu>("pmFavourites");
        QVERIFY(menu);
        QCOMPARE(menu->actions(), (QList<QAction*>{actRemove, actUp, actDown}));
        // Captions of the columns; the first one is there but hidden.
        const QStringList captions{QString(), "Image", " Date", " Post", " Price"};
        QCOMPARE(List()->model()->columnCount(), captions.size());
        for (int column = 0; column < captions.size(); ++column)
            QCOMPARE(List()->model()->headerData(column, Qt::Horizontal).toString(), captions[column]);
        QVERIFY(List()->isColumnHidden(0));
        QCOMPARE(List()->header()->sectionSize(2), 65);
        QCOMPARE(List()->header()->sectionSize(3), 250);
        QCOMPARE(List()->selectionMode(), QAbstractItemView::SingleSelection);
        QCOMPARE(List()->selectionBehavior(), QAbstractItemView::SelectRows);
        QCOMPARE(NoteHeader()->height(), 26);
        QVERIFY(Memo());
        // Nothing selected: only the list tab.
        QVERIFY(!NoteTabShown());
    }

    void RowsShowTheFavourite_data() {
        QTest::addColumn<double>("price");
        QTest::addColumn<bool>("hasImage");
        QTest::addColumn<QString>("imageText");
        QTest::addColumn<QString>("priceText");
        QTest::newRow("whole price, image") << 40.0 << true << "img"
                                            << "40";
        QTest::newRow("fraction, no image") << 12.5 << false << "-"
                                            << "12.5";
        QTest::newRow("no price shown") << 0.0 << false << "-"
                                        << "---";
        QTest::newRow("never filled") << -1.0 << true << "img"
                                      << "---";
    }
    void RowsShowTheFavourite() {
        QFETCH(double, price);
        QFETCH(bool, hasImage);
        QFETCH(QString, imageText);
        QFETCH(QString, priceText);
        QVERIFY(page->AddFavourite(Posting(3, price, hasImage)));
        QCOMPARE(Cell(0, 0), QString());
        QCOMPARE(Cell(0, 1), imageText);
        QCOMPARE(Cell(0, 2), QStringLiteral("Mar 4"));
        QCOMPARE(Cell(0, 3), QStringLiteral("zebracorn walk 3"));
        QCOMPARE(Cell(0, 4), priceText);
        QCOMPARE(List()->model()->index(0, 3).data(TFavouritesPage::LocationRole).toString(),
                 QStringLiteral("Miami, Florida"));
        QVERIFY(!List()->model()->index(0, 3).data(Qt::BackgroundRole).isValid());
    }

    void AddingAppendsAndRefusesAKnownPosting() {
        AddFavourites(2);
        TEntry visited = Posting(5);
        visited.Visited = true;
        QVERIFY(page->AddFavourite(visited));
        QCOMPARE(Order(), QStringLiteral("0 1 5"));
        QVERIFY(RowsMatchTheSearch());
        QCOMPARE(Favourite(2)->Note, std::string());
        QCOMPARE(Favourite(2)->Link, LinkOf(5));
        // It keeps the entry's marks: a visited posting is a visited favourite.
        QCOMPARE(Background(2), SkyBlue);
        // The same link once more, even with another title: refused, nothing changes.
        TEntry again = Posting(1);
        again.Name = "renamed";
        QVERIFY(!page->AddFavourite(again));
        QCOMPARE(Order(), QStringLiteral("0 1 5"));
        // A link differing in letter case is another posting.
        TEntry upper = Posting(9);
        upper.Link = "https://miami.craigslist.org/ACT/7001.html";
        QVERIFY(page->AddFavourite(upper));
        QCOMPARE(page->RowCount(), 4);
        // No search shown: nothing to add to.
        page->FillFavouriteList(nullptr);
        QVERIFY(!page->AddFavourite(Posting(20)));
        QCOMPARE(search->Favourites.size(), 4u);
    }

    void Moving_data() {
        QTest::addColumn<int>("selected");
        QTest::addColumn<bool>("up");
        QTest::addColumn<QString>("order");
        QTest::addColumn<int>("selectedAfter");
        QTest::newRow("up on the first") << 0 << true << "0 1 2 3" << 0;
        QTest::newRow("down on the last") << 3 << false << "0 1 2 3" << 3;
        QTest::newRow("up in the middle") << 2 << true << "0 2 1 3" << 1;
        QTest::newRow("up on the last") << 3 << true << "0 1 3 2" << 2;
        QTest::newRow("down on the first") << 0 << false << "1 0 2 3" << 1;
        QTest::newRow("down in the middle") << 1 << false << "0 2 1 3" << 2;
    }
    void Moving() {
        QFETCH(int, selected);
        QFETCH(bool, up);
        QFETCH(QString, order);
        QFETCH(int, selectedAfter);
        AddFavourites(4);
        page->SelectRow(selected);
        const TFavourite* moved = page->SelectedFavourite();
        (up ? actUp : actDown)->trigger();
        QCOMPARE(Order(), order);
        QVERIFY(RowsMatchTheSearch());
        QCOMPARE(page->SelectedRow(), selectedAfter);
        QCOMPARE(page->SelectedFavourite(), moved);
    }

    void UpThenDownRestoresTheOrder() {
        AddFavourites(5);
        page->SelectRow(3);
        const TFavourite* moved = page->SelectedFavourite();
        QSignalSpy preview(page, &TFavouritesPage::PreviewRequested);
        actUp->trigger();
        QCOMPARE(Order(), QStringLiteral("0 1 3 2 4"));
        QCOMPARE(page->SelectedFavourite(), moved);
        actDown->trigger();
        QCOMPARE(Order(), QStringLiteral("0 1 2 3 4"));
        QVERIFY(RowsMatchTheSearch());
        QCOMPARE(page->SelectedRow(), 3);
        QCOMPARE(page->SelectedFavourite(), moved);
        // The same favourite all along: the preview is not sent anywhere again.
        QCOMPARE(preview.count(), 0);
    }

    void RemovingTakesExactlyTheSelected_data() {
        QTest::addColumn<int>("selected");
        QTest::addColumn<QString>("order");
        QTest::newRow("first") << 0 << "1 2 3";
        QTest::newRow("middle") << 2 << "0 1 3";
        QTest::newRow("last") << 3 << "0 1 2";
    }
    void RemovingTakesExactlyTheSelected() {
        QFETCH(int, selected);
        QFETCH(QString, order);
        AddFavourites(4);
        page->SelectRow(selected);
        QVERIFY(NoteTabShown());
        QSignalSpy preview(page, &TFavouritesPage::PreviewRequested);
        actRemove->trigger();
        QCOMPARE(Order(), order);
        QVERIFY(RowsMatchTheSearch());
        // No neighbour takes its place: nothing is selected, the preview goes blank.
        QCOMPARE(page->SelectedRow(), -1);
        QVERIFY(!page->HasSelection());
        QVERIFY(!NoteTabShown());
        QCOMPARE(preview.count(), 1);
        QCOMPARE(preview.front().front().toUrl(), Blank);
        // Nothing selected: Remove does nothing.
        actRemove->trigger();
        QCOMPARE(Order(), order);
    }

    void TheNoteTabShowsAndTakesTheNote() {
        AddFavourites(3);
        search->Favourites[1]->Note = "ask about the bay";
        page->SelectRow(1);
        QVERIFY(NoteTabShown());
        Tabs()->setCurrentWidget(NoteTab());
        QCOMPARE(NoteHeader()->text(), QStringLiteral("zebracorn walk 1"));
        QCOMPARE(Memo()->toPlainText(), QStringLiteral("ask about the bay"));
        // Typing changes the note at once.
        Memo()->moveCursor(QTextCursor::End);
        QTest::keyClicks(Memo(), QStringLiteral(" at 9"));
        QCOMPARE(Favourite(1)->Note, std::string("ask about the bay at 9"));
        // Another favourite selected while the note shows: its own note, and typing goes there.
        page->SelectNext();
        QCOMPARE(NoteHeader()->text(), QStringLiteral("zebracorn walk 2"));
        QCOMPARE(Memo()->toPlainText(), QString());
        QTest::keyClicks(Memo(), QStringLiteral("call"));
        QCOMPARE(Favourite(2)->Note, std::string("call"));
        QCOMPARE(Favourite(1)->Note, std::string("ask about the bay at 9"));
        // A note set by the program is taken too.
        Memo()->setPlainText(QStringLiteral("set"));
        QCOMPARE(Favourite(2)->Note, std::string("set"));
        // No selection: no note tab, the list in front.
        page->ClearSelection();
        QVERIFY(!NoteTabShown());
        QCOMPARE(Tabs()->currentWidget(), Find<QWidget>("tsFavourites"));
    }

    void ALongTitleIsCutInTheHeader() {
        TEntry entry = Posting(0);
        entry.Name = std::string(200, 'w');
        QVERIFY(page->AddFavourite(entry));
        page->SelectRow(0);
        Tabs()->setCurrentWidget(NoteTab());
        QVERIFY(NoteHeader()->text().endsWith(QChar(0x2026)));
        QCOMPARE(NoteHeader()->toolTip(), QString::fromStdString(entry.Name));
        QVERIFY(NoteHeader()->sizeHint().width() <= NoteHeader()->width());
    }

    void TheSelectionAsksThePreview() {
        AddFavourites(3);
        QSignalSpy preview(page, &TFavouritesPage::PreviewRequested);
        const QRect row = List()->visualRect(List()->model()->index(2, 2));
        QTest::mouseClick(List()->viewport(), Qt::LeftButton, {}, row.center());
        QCOMPARE(preview.count(), 1);
        QCOMPARE(preview.takeFirst().front().toUrl(), QUrl(QString::fromStdString(LinkOf(2))));
        page->ClearSelection();
        QCOMPARE(preview.count(), 1);
        QCOMPARE(preview.takeFirst().front().toUrl(), Blank);
        // Emptying the list takes the selection too.
        page->SelectRow(0);
        preview.clear();
        page->FillFavouriteList(nullptr);
        QCOMPARE(preview.count(), 1);
        QCOMPARE(preview.front().front().toUrl(), Blank);
        QCOMPARE(page->RowCount(), 0);
        QVERIFY(!page->Search());
    }

    void ADoubleClickOpensAndColoursAndTheColourIsSaved() {
        AddFavourites(3);
        search->Favourites[0]->Note = "first";
        TOpenedLinks opened;
        const QRect row = List()->visualRect(List()->model()->index(1, 2));
        QTest::mouseClick(List()->viewport(), Qt::LeftButton, {}, row.center());
        QTest::mouseDClick(List()->viewport(), Qt::LeftButton, {}, row.center());
        QCOMPARE(opened.Links, QList<QUrl>{QUrl(QString::fromStdString(LinkOf(1)))});
        QVERIFY(Favourite(1)->Visited);
        QCOMPARE(Background(1), SkyBlue);
        QVERIFY(!List()->model()->index(0, 3).data(Qt::BackgroundRole).isValid());
        QVERIFY(!QApplication::overrideCursor());

        // Through the searches file and back, as at program end and the next sign-in.
        page->FillFavouriteList(nullptr);
        {
            TSearches searches(session->SearchesContext());
            searches.Save(*search, true, false);
        }
        search.reset();
        TSearches searches(session->SearchesContext());
        searches.Load();
        QCOMPARE(searches.Items.size(), 1u);
        search = std::move(searches.Items.front());
        searches.Items.clear();
        page->FillFavouriteList(search.get());
        QCOMPARE(Order(), QStringLiteral("0 1 2"));
        QVERIFY(RowsMatchTheSearch());
        QCOMPARE(Background(1), SkyBlue);
        QVERIFY(!List()->model()->index(0, 3).data(Qt::BackgroundRole).isValid());
        QCOMPARE(Favourite(0)->Note, std::string("first"));
        QCOMPARE(Tabs()->currentWidget(), Find<QWidget>("tsFavourites"));
    }

    void ADoubleClickOnNothingOpensNothing() {
        AddFavourites(1);
        TOpenedLinks opened;
        page->OpenSelected();
        QVERIFY(opened.Links.isEmpty());
        QVERIFY(!Favourite(0)->Visited);
    }

    void ShiftKeysStepTheSelection_data() {
        QTest::addColumn<int>("selected");
        QTest::addColumn<bool>("next");
        QTest::addColumn<int>("selectedAfter");
        QTest::newRow("A on the first stays") << 0 << false << 0;
        QTest::newRow("A goes up") << 2 << false << 1;
        QTest::newRow("A with none selected") << -1 << false << -1;
        QTest::newRow("Z goes down") << 1 << true << 2;
        QTest::newRow("Z on the last stays") << 3 << true << 3;
        QTest::newRow("Z with none selected: the first") << -1 << true << 0;
    }
    void ShiftKeysStepTheSelection() {
        QFETCH(int, selected);
        QFETCH(bool, next);
        QFETCH(int, selectedAfter);
        AddFavourites(4);
        page->SelectRow(selected);
        next ? page->SelectNext() : page->SelectPrevious();
        QCOMPARE(page->SelectedRow(), selectedAfter);
        QCOMPARE(page->HasSelection(), selectedAfter >= 0);
        QCOMPARE(NoteTabShown(), selectedAfter >= 0);
    }

    void ShiftKeysScrollTheSelectedIntoViewAndTheColumnsAside() {
        AddFavourites(80);
        page->SelectRow(0);
        for (int i = 0; i < 60; ++i)
            page->SelectNext();
        QCOMPARE(page->SelectedRow(), 60);
        const QRect row = List()->visualRect(List()->model()->index(60, 3));
        QVERIFY(List()->viewport()->rect().contains(QRect(0, row.top(), 1, row.height())));
        for (int i = 0; i < 60; ++i)
            page->SelectPrevious();
        QCOMPARE(page->SelectedRow(), 0);
        QVERIFY(List()->viewport()->rect().contains(
            QRect(0, List()->visualRect(List()->model()->index(0, 3)).top(), 1, 1)));
        // The columns are wider than the panel: N and M move them by 5 pixels.
        QScrollBar* bar = List()->horizontalScrollBar();
        QVERIFY(bar->maximum() > 10);
        page->ScrollHorizontally(5);
        QCOMPARE(bar->value(), 5);
        page->ScrollHorizontally(5);
        QCOMPARE(bar->value(), 10);
        page->ScrollHorizontally(-5);
        QCOMPARE(bar->value(), 5);
    }

    void AFreedSearchLeavesAnEmptyList() {
        AddFavourites(3);
        page->SelectRow(1);
        search.reset();
        QCOMPARE(page->RowCount(), 0);
        QVERIFY(!page->Search());
        QVERIFY(!page->HasSelection());
        // Nothing to act on now.
        actRemove->trigger();
        actUp->trigger();
        QVERIFY(!page->AddFavourite(Posting(1)));
    }

    void Screenshots() {
        const std::vector<std::pair<const char*, double>> postings{
            {"Sunset kayak tour of Biscayne Bay", 45},  {"Salsa night at the Wharf - free entry", 0},
            {"Sunday bike ride, Key Biscayne loop", 0}, {"Beach volleyball pickup game", 10},
            {"Zebracorn walk along the bay", 12.5},     {"Chess in the park, all levels welcome", -1}};
        for (int i = 0; i < static_cast<int>(postings.size()); ++i) {
            TEntry entry = Posting(i, postings[static_cast<std::size_t>(i)].second, i % 2 == 0);
            entry.Name = postings[static_cast<std::size_t>(i)].first;
            QVERIFY(page->AddFavourite(entry));
        }
        search->Favourites[2]->Visited = true;
        search->Favourites[4]->Visited = true;
        search->Favourites.NotifyAllChanged();
        search->Favourites[1]->Note = "Ask whether the walk goes past the lighthouse.\n\nBring water.";
        page->SelectRow(1);
        List()->setFocus();
        SaveScreenshot(host.get(), QStringLiteral("favourites-page"));
        Tabs()->setCurrentWidget(NoteTab());
        Memo()->setFocus();
        SaveScreenshot(host.get(), QStringLiteral("favourites-note"));
        // The same under the dark skin the program ships.
        InstallShippedSkins(folder->Path());
        QVERIFY(TSkins::Apply(folder->Path(), "Dark"));
        const auto plain = qScopeGuard([this] { TSkins::Apply(folder->Path(), ""); });
        Tabs()->setCurrentWidget(Find<QWidget>("tsFavourites"));
        List()->setFocus();
        SaveScreenshot(host.get(), QStringLiteral("favourites-page-dark"));
        Tabs()->setCurrentWidget(NoteTab());
        SaveScreenshot(host.get(), QStringLiteral("favourites-note-dark"));
    }
};

QTEST_MAIN(TFavouritesPageTest)
#include "TFavouritesPage_test.moc"
