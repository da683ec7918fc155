// SPDX-License-Identifier: GPL-3.0-or-later
// ctest-labels: gui
// The live preview beside the results list: posting pages from the site simulator follow
// the selection, the show/hide box, removed postings, new-window requests, and the browser
// made only when a page is first to be shown.
#include "ui/TResultPreview.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "ResultsTestHarness.h"

#include <QApplication>
#include <QCheckBox>
#include <QOpenGLContext>
#include <QPrintPreviewWidget>
#include <QPushButton>
#include <QScreen>
#include <QSignalSpy>
#include <QWebEnginePage>
#include <QWebEngineSettings>
#include <QWebEngineView>
#include <QtTest>

namespace {

QUrl UrlOf(const TEntry& entry) {
    return QUrl(QString::fromStdString(entry.Link));
}

/// The window as the screen shows it (the browser draws outside the widget tree).
void SaveWindowShot(QWidget* window, const QString& name) {
    const QByteArray folder = qgetenv("TRAWLIX_SCREENSHOTS");
    if (folder.isEmpty())
        return;
    QTest::qWait(500);
    QApplication::processEvents();
    const QPixmap shot = window->screen()->grabWindow(window->winId());
    shot.save(QString::fromLocal8Bit(folder) + QLatin1Char('/') + name + QStringLiteral(".png"));
}

} // namespace

class TResultPreviewTest : public QObject {
    Q_OBJECT

    std::unique_ptr<TResultsHarness> harness;
    std::vector<TSimPosting> postings;

    /// Whether an earlier case of this process has made a browser (and so the GL context).
    bool browserMadeBefore = false;

    QWebEngineView* Browser() const { return harness->gbResultPreview->findChild<QWebEngineView*>("wbPreview"); }
    QWidget* BlankPanel() const { return harness->gbResultPreview->findChild<QWidget*>("pnlPreviewBlank"); }
    QCheckBox* ShowBox() const { return harness->gbResultPreview->findChild<QCheckBox*>("cbShowPreview"); }
    /// The page the preview shows: blank while there is no browser.
    QUrl Shown() const { return Browser() ? Browser()->url() : QUrl("about:blank"); }

    /// Selects the row of the posting and waits until the browser has loaded its page.
    bool SelectAndLoad(TResultsList& list, const TEntry& entry) {
        std::optional<QSignalSpy> loaded;
        if (Browser())
            loaded.emplace(Browser(), &QWebEngineView::loadFinished);
        list.SelectRow(list.FindRowByEntry(&entry));
        // A browser made by this selection starts loading the page only now.
        if (!loaded && Browser())
            loaded.emplace(Browser(), &QWebEngineView::loadFinished);
        return loaded && WaitUntil([&] { return Browser()->url() == UrlOf(entry) && !loaded->isEmpty(); });
    }

    TEntry& ResultOf(const TSimPosting& posting) const {
        TEntry* entry = FindEntryByLink(harness->search->Results, harness->simulator.LinkOf(posting));
        return *entry;
    }

private Q_SLOTS:
    void init() {
        harness = std::make_unique<TResultsHarness>(true);
        postings = harness->AddPostings(8, 40);
        harness->window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&harness->window));
        QVERIFY(harness->RunAndWait());
        QCOMPARE(harness->Results->RowCount(), 8);
    }
    void cleanup() {
        browserMadeBefore = browserMadeBefore || Browser();
        harness.reset();
    }

    void TheBrowserIsMadeForTheFirstPageToShow() {
        // Nothing selected: a white panel stands for the blank page, and the web engine and
        // the GL driver are not started.
        QVERIFY(!Browser());
        QWidget* blank = BlankPanel();
        QVERIFY(blank && blank->isVisible());
        QWidget* panel = harness->gbResultPreview->findChild<QWidget*>("pnlPreview");
        QCOMPARE(blank->geometry(), panel->rect());
        QCOMPARE(blank->palette().color(QPalette::Window), QColor(Qt::white));
        QOpenGLContext* shared = QOpenGLContext::globalShareContext();
        QVERIFY(shared);
        if (!browserMadeBefore)
            QVERIFY(!shared->isValid());
        // Blank pages, scrolling and unticking and ticking make no browser either.
        harness->Preview->Blank();
        harness->Preview->ShowLink(QUrl());
        harness->Preview->ShowLink(QUrl("about:blank"));
        harness->Preview->ScrollPageBy(0, 10);
        harness->Preview->SetShowPreview(false);
        harness->Preview->SetShowPreview(true);
        harness->Results->ClearSelection();
        QTest::qWait(100);
        QVERIFY(!Browser());
        QVERIFY(BlankPanel()->isVisible());
        const QRect place = BlankPanel()->geometry();

        // The first posting selected: the browser takes the panel's place with its page.
        const TEntry& entry = ResultOf(postings[3]);
        QVERIFY(SelectAndLoad(*harness->Results, entry));
        QVERIFY(shared->isValid());
        QVERIFY(!BlankPanel());
        QVERIFY(Browser()->isVisible());
        QVERIFY(WaitUntil([&] { return Browser()->geometry() == place; }, 3000));
        const QString title = QString::fromStdString(postings[3].Title);
        QVERIFY2(WaitUntil([&] { return Browser()->title() == title; }), qPrintable(Browser()->title()));
        // From then on the same browser shows every page, blank ones too.
        QWebEngineView* browser = Browser();
        harness->Results->ClearSelection();
        QVERIFY(WaitUntil([&] { return browser->url() == QUrl("about:blank"); }));
        QVERIFY(SelectAndLoad(*harness->Results, ResultOf(postings[4])));
        QCOMPARE(Browser(), browser);
    }

    void MakingTheBrowserKeepsTheWindowActiveAndTheListFocused() {
        // Going down the list by keyboard: the browser made for the first posting does not
        // take the window's activation or the list's focus.
        harness->window.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&harness->window));
        harness->lvResults->setFocus();
        QVERIFY(WaitUntil([&] { return QApplication::focusWidget() == harness->lvResults; }, 3000));
        QTest::keyClick(harness->lvResults, Qt::Key_Down);
        QVERIFY(Browser());
        QVERIFY(WaitUntil([&] { return harness->window.isActiveWindow(); }, 5000));
        QVERIFY(WaitUntil([&] { return QApplication::focusWidget() == harness->lvResults; }, 5000));
        const int row = harness->Results->SelectedRow();
        QTest::keyClick(harness->lvResults, Qt::Key_Down);
        QCOMPARE(harness->Results->SelectedRow(), row + 1);
        QVERIFY(WaitUntil([&] { return Shown() == UrlOf(*harness->Results->EntryAt(row + 1)); }));
    }

    void ALinkShownMakesTheBrowserWhileTicked() {
        // A favourite shown: the browser is made for it, unless the preview is off.
        harness->Preview->SetShowPreview(false);
        const TEntry& entry = ResultOf(postings[6]);
        harness->Preview->ShowLink(UrlOf(entry));
        QTest::qWait(100);
        QVERIFY(!Browser());
        harness->Preview->SetShowPreview(true);
        harness->Preview->ShowLink(UrlOf(entry));
        QVERIFY(Browser());
        QVERIFY(WaitUntil([&] { return Browser()->title() == QString::fromStdString(postings[6].Title); }));
    }

    void PrintingTheBlankPreviewGivesOneBlankPage() {
        // Nothing previewed yet: the print preview shows the blank page without a browser.
        QString dialogName;
        int pages = -1;
        AnswerNextDialog([&](QWidget* dialog) {
            dialogName = dialog->objectName();
            if (auto* preview = dialog->findChild<QPrintPreviewWidget*>())
                pages = preview->pageCount();
            dialog->close();
        });
        harness->gbResultPreview->findChild<QPushButton*>("btnPrint")->click();
        QCOMPARE(dialogName, QStringLiteral("dlgPrintPreview"));
        QCOMPARE(pages, 1);
        QVERIFY(!Browser());
        QVERIFY(!QApplication::overrideCursor());
    }

    void TheBoxHoldsTheNamedControls() {
        QVERIFY(ShowBox());
        QCOMPARE(ShowBox()->text(), QStringLiteral("Show preview"));
        QVERIFY(ShowBox()->isChecked());
        QVERIFY(harness->gbResultPreview->findChild<QWidget*>("pnlPreview")->isVisible());
        auto* print = harness->gbResultPreview->findChild<QPushButton*>("btnPrint");
        QVERIFY(print && print->isVisible());
        QCOMPARE(print->text(), QStringLiteral("Print preview"));
        QCOMPARE(Shown(), QUrl("about:blank"));
    }

    void TheSelectedPostingIsShown() {
        const TEntry& entry = ResultOf(postings[2]);
        QVERIFY(SelectAndLoad(*harness->Results, entry));
        // The document the browser holds is the posting's (its title is the posting's title,
        // which the page gives before it paints; asking the page by script can wait on a busy
        // software renderer).
        const QString title = QString::fromStdString(postings[2].Title);
        QVERIFY2(WaitUntil([&] { return Browser()->title() == title; }), qPrintable(Browser()->title()));
        // Nothing selected: a blank page.
        harness->Results->ClearSelection();
        QVERIFY(WaitUntil([&] { return Shown() == QUrl("about:blank"); }));
    }

    void TheFilteredListDrivesThePreviewToo() {
        harness->Filtered->AppendRowFrom(*harness->Results, 3);
        QVERIFY(SelectAndLoad(*harness->Filtered, *harness->Results->EntryAt(3)));
    }

    void UntickingBlanksAndTickingShowsTheResultsSelection() {
        QVERIFY(SelectAndLoad(*harness->Results, ResultOf(postings[1])));
        const int windowHeight = harness->window.height();
        QCOMPARE(harness->gbResultPreview->height(), qRound(windowHeight * 0.6));
        QTest::mouseClick(ShowBox(), Qt::LeftButton, {}, QPoint(8, ShowBox()->height() / 2));
        QVERIFY(!ShowBox()->isChecked());
        QVERIFY(WaitUntil([&] { return Shown() == QUrl("about:blank"); }));
        QVERIFY(!harness->gbResultPreview->findChild<QWidget*>("pnlPreview")->isVisible());
        QVERIFY(harness->gbResultPreview->height() < 40);
        QVERIFY(!harness->splPreview->handle(1)->isEnabled());
        // Selecting now leaves the browser blank.
        harness->Results->SelectRow(harness->Results->FindRowByEntry(&ResultOf(postings[4])));
        QTest::qWait(200);
        QCOMPARE(Shown(), QUrl("about:blank"));
        // Ticking shows the results list's selection, not the filtered list's.
        harness->Filtered->AppendRowFrom(*harness->Results, 0);
        harness->Filtered->SelectRow(0);
        ShowBox()->click();
        QVERIFY(WaitUntil([&] { return Browser()->url() == UrlOf(ResultOf(postings[4])); }));
        QCOMPARE(harness->gbResultPreview->height(), qRound(windowHeight * 0.6));
        QVERIFY(harness->splPreview->handle(1)->isEnabled());
        // A resize of the window keeps the preview at 60 %.
        harness->window.resize(1000, 800);
        QVERIFY(WaitUntil([&] { return harness->gbResultPreview->height() == qRound(800 * 0.6); }, 3000));
    }

    void ShowLinkShowsAPageOnlyWhileTicked_data() {
        QTest::addColumn<bool>("ticked");
        QTest::newRow("ticked: the page") << true;
        QTest::newRow("unticked: stays blank") << false;
    }
    void ShowLinkShowsAPageOnlyWhileTicked() {
        QFETCH(bool, ticked);
        // A link of no list's row (a favourite's), shown over the results list's selection.
        QVERIFY(SelectAndLoad(*harness->Results, ResultOf(postings[1])));
        harness->Preview->SetShowPreview(ticked);
        const TEntry& shown = ResultOf(postings[5]);
        harness->Preview->ShowLink(UrlOf(shown));
        if (ticked) {
            QVERIFY(WaitUntil([&] { return Browser()->url() == UrlOf(shown); }));
            QVERIFY(WaitUntil([&] { return Browser()->title() == QString::fromStdString(postings[5].Title); }));
        } else {
            QTest::qWait(200);
            QCOMPARE(Shown(), QUrl("about:blank"));
        }
        // Nothing to show: a blank page either way.
        harness->Preview->ShowLink(QUrl("about:blank"));
        QVERIFY(WaitUntil([&] { return Shown() == QUrl("about:blank"); }));
        harness->Preview->ShowLink(QUrl());
        QTest::qWait(100);
        QCOMPARE(Shown(), QUrl("about:blank"));
    }

    void RemovedPostingsLeaveTheResults_data() {
        QTest::addColumn<int>("how");
        QTest::newRow("deleted by its author") << static_cast<int>(TRemoval::Deleted);
        QTest::newRow("flagged for removal") << static_cast<int>(TRemoval::Flagged);
        QTest::newRow("expired") << static_cast<int>(TRemoval::Expired);
        QTest::newRow("404 Error") << static_cast<int>(TRemoval::NotFound);
    }
    void RemovedPostingsLeaveTheResults() {
        QFETCH(int, how);
        // The first of the search's results goes like any other.
        const TSimPosting& gone = postings[0];
        QVERIFY(harness->simulator.RemovePosting(gone.Id, static_cast<TRemoval>(how)));
        const std::string link = harness->simulator.LinkOf(gone);
        TEntry* entry = FindEntryByLink(harness->search->Results, link);
        QCOMPARE(entry, harness->search->Results.front().get());
        harness->Filtered->AppendRowFrom(*harness->Results, harness->Results->FindRowByEntry(entry));
        QSignalSpy dropped(harness->Preview, &TResultPreview::RemovedPostingDropped);
        harness->Results->SelectRow(harness->Results->FindRowByEntry(entry));
        QVERIFY(WaitUntil([&] { return !dropped.isEmpty(); }));
        QCOMPARE(dropped.front().front().toString(), QString::fromStdString(link));
        QVERIFY(!FindEntryByLink(harness->search->Results, link));
        QCOMPARE(harness->Results->RowCount(), 7);
        QCOMPARE(harness->Filtered->RowCount(), 0);
        QCOMPARE(harness->Results->SelectedRow(), -1);
        QVERIFY(WaitUntil([&] { return Shown() == QUrl("about:blank"); }));
        // Not a deleted result: a later run lists it again should the site show it.
        QVERIFY(!FindEntryByLink(harness->search->DeletedResults, link));
    }

    void ALivePostingStays() {
        QVERIFY(SelectAndLoad(*harness->Results, ResultOf(postings[3])));
        QTest::qWait(300);
        QCOMPARE(harness->search->Results.size(), 8u);
        QVERIFY(harness->Results->SelectedEntry());
    }

    void RemovalTexts_data() {
        QTest::addColumn<QString>("markup");
        QTest::addColumn<bool>("removed");
        QTest::newRow("deleted") << "<h2>This posting has been deleted by its author.</h2>" << true;
        QTest::newRow("flagged") << "This posting has been <a>flagged</a> for removal" << true;
        QTest::newRow("been, without removal") << "This posting has been updated" << false;
        QTest::newRow("removal, without been") << "flagged for removal" << false;
        QTest::newRow("expired") << "<p>This posting has expired.</p>" << true;
        QTest::newRow("404 anywhere") << "<div>cars</div><!-- 404 Error -->" << true;
        QTest::newRow("letter case counts") << "DELETED BY ITS AUTHOR" << false;
        QTest::newRow("a live posting") << "<h2>zebracorn walk</h2>" << false;
    }
    void RemovalTexts() {
        QFETCH(QString, markup);
        QFETCH(bool, removed);
        QCOMPARE(TResultPreview::IsRemovedPosting(markup), removed);
    }

    void ANewWindowOpensThePreviewsOwnAddressInTheDesktopBrowser() {
        TOpenedLinks opened;
        const TEntry& entry = ResultOf(postings[1]);
        QVERIFY(SelectAndLoad(*harness->Results, entry));
        Browser()->settings()->setAttribute(QWebEngineSettings::JavascriptCanOpenWindows, true);
        Browser()->page()->runJavaScript(QStringLiteral("window.open('http://elsewhere.example/');"));
        QVERIFY(WaitUntil([&] { return !opened.Links.isEmpty(); }));
        QCOMPARE(opened.Links, QList<QUrl>{UrlOf(entry)});
        QCOMPARE(Browser()->url(), UrlOf(entry));
        QVERIFY(!QApplication::overrideCursor());
    }

    void ScriptDialogsStaySilent() {
        QVERIFY(SelectAndLoad(*harness->Results, ResultOf(postings[1])));
        bool done = false;
        Browser()->page()->runJavaScript(QStringLiteral("alert('hi'); confirm('sure?');"),
                                         [&](const QVariant&) { done = true; });
        QVERIFY(WaitUntil([&] { return done; }, 5000));
        QVERIFY(!QApplication::activeModalWidget());
    }

    void Screenshots() {
        harness->search->Results[1]->Visited = true;
        harness->search->Results[2]->New = false;
        harness->search->Results[5]->New = false;
        harness->search->Results.NotifyAllChanged();
        harness->Results->Model()->SetChecked(3, true);
        harness->Results->Model()->SetHeaderImage(2, TResultsModel::ImageDescending);
        // Before any posting is previewed the white panel stands for the blank page.
        SaveWindowShot(&harness->window, QStringLiteral("results-preview-blank"));
        harness->Preview->SetShowPreview(false);
        harness->Results->SelectRow(4);
        harness->lvResults->setFocus();
        SaveWindowShot(&harness->window, QStringLiteral("results-list"));
        harness->Preview->SetShowPreview(true);
        QVERIFY(SelectAndLoad(*harness->Results, *harness->Results->EntryAt(4)));
        SaveWindowShot(&harness->window, QStringLiteral("results-preview"));
    }
};

// As the program starts: the web engine's GL context is made with the first browser.
int main(int argc, char** argv) {
    TResultPreview::PrepareWebEngine();
    QApplication application(argc, argv);
    TResultPreviewTest test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}
#include "TResultPreview_test.moc"
