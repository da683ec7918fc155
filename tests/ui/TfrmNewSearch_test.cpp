// SPDX-License-Identifier: GPL-3.0-or-later
// ctest-labels: gui
// The search window as a person uses it: opening on the searches file, the criteria and
// their groups' extras, the range, clearing, bad input, a run against the site simulator,
// the actions and their enabling rules, the left-panel modes, the keyboard, the banner and
// the save when the program ends.
#include "ui/TfrmNewSearch.h"

#include <functional>
#include <set>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDesktopServices>
#include <QFileDialog>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QSettings>
#include <QSlider>
#include <QSpinBox>
#include <QStackedWidget>
#include <QStandardItemModel>
#include <QTextBrowser>
#include <QToolButton>
#include <QTreeView>
#include <QTreeWidget>
#include <QWebEngineView>
#include <QRegularExpression>
#include <QtTest>

#include "TSiteSimulator.h"
#include "TestSupport.h"
#include "UiTestSupport.h"
#include "refdata/TCategories.h"
#include "refdata/TPlaces.h"
#include "search/TAdvancedKeywords.h"
#include "search/TFavourite.h"
#include "search/TSearch.h"
#include "search/TSearchRun.h"
#include "session/TSession.h"
#include "store/TSearches.h"
#include "ui/TCriteriaPanel.h"
#include "ui/TMainForm.h"
#include "ui/TMessageBoxes.h"
#include "ui/TResultPreview.h"
#include "ui/TResultsList.h"
#include "ui/TResultsModel.h"
#include "ui/TProgramWindows.h"
#include "ui/TSideBanner.h"
#include "ui/TfrmAdvancedKeywords.h"
#include "ui/TfrmSelectLocations.h"

namespace {

constexpr int Miami = 253;
constexpr int Pueblo = 221;
constexpr int MiamiDade = 254;
constexpr int Broward = 255;
/// Nothing listens here: the banner cannot be had.
const std::string NoBannerServer = "http://127.0.0.1:1";

using TSearchSetup = std::function<void(TSearch&, const TSession&)>;

/// Entries a list can show, numbered from 0.
void AddEntries(TEntryList& list, int count, const std::string& prefix = "http://miami.craigslist.org/mdc/apa/") {
    for (int i = 0; i < count; ++i)
        list.push_back(std::make_unique<TEntry>("Mar 5", "Flat " + std::to_string(i),
                                                prefix + std::to_string(1000 + i) + ".html", 900 + i, "miami / dade",
                                                false));
}

/// Runs script in the page shown by browser and returns its value (invalid after 10 s).
QVariant RunScript(QWebEngineView* browser, const QString& script) {
    auto result = std::make_shared<std::optional<QVariant>>();
    browser->page()->runJavaScript(script, [result](const QVariant& value) { *result = value; });
    WaitUntil([&] { return result->has_value(); }, 10000);
    return result->value_or(QVariant());
}

} // namespace

Q_DECLARE_METATYPE(TSearchSetup)

/// One window on its own session, as the program block wires it.
struct TWindow {
    TSession Session;
    TfrmAdvancedKeywords Advanced;
    TfrmNewSearch Window;
    int EndProgramCalls = 0;

    explicit TWindow(const TConfig& config) : Session(config), Window(Session, Advanced) {
        Session.SetTables(std::make_unique<TPlaces>(config.DataFolder + "Places.tx"),
                          std::make_unique<TCategories>(config.DataFolder + "Categories.tx"));
        Window.EndProgram = [this] { ++EndProgramCalls; };
    }

    template <typename T> T* Find(const char* name) const {
        T* child = Window.findChild<T*>(QLatin1String(name));
        if (!child)
            qWarning("no child %s", name);
        return child;
    }
    QAction* Action(const char* name) const { return Find<QAction>(name); }
    QLineEdit* Edit(const char* name) const { return Find<QLineEdit>(name); }
    QCheckBox* Box(const char* name) const { return Find<QCheckBox>(name); }
    QComboBox* Combo(const char* name) const { return Find<QComboBox>(name); }
    QPlainTextEdit* Keywords() const { return Find<QPlainTextEdit>("edtPositiveKeywords"); }
    QStackedWidget* Stack(const char* name) const { return Find<QStackedWidget>(name); }

    /// Chooses a category or sub-category by its text, as a click in the list does.
    void Choose(const char* combo, const QString& text) {
        QComboBox* box = Combo(combo);
        const int index = box->findText(text);
        QVERIFY2(index >= 0, qPrintable(text));
        box->setCurrentIndex(index);
        Q_EMIT box->activated(index);
    }
    void ChoosePlaces(const std::vector<int>& ids) {
        TPlaceList places;
        for (int id : ids)
            places.push_back(Session.Places->FindById(id));
        Window.Picker()->ChosenPlaces = places;
        Window.Picker()->ChosenRoots = places;
    }
    void TypeInto(QLineEdit* edit, const QString& text) {
        edit->setFocus();
        edit->selectAll();
        QTest::keyClicks(edit, text);
    }
    TSearch& Current() const { return *Window.CurrentSearch(); }
    bool Enabled(const char* action) {
        Window.ActionList1Update();
        return Action(action)->isEnabled();
    }
};

class TfrmNewSearchTest final : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<TTempDataFolder> folder;
    std::unique_ptr<TMessageBoxes> boxes;
    QList<QUrl> openedUrls;

    TConfig Config(const std::string& proxy = {}) const {
        TConfig config = folder->Config();
        config.ParserPauseMs = 0;
        config.BannerServer = NoBannerServer;
        config.MakerServer = "https://maker.example";
        config.HttpProxy = proxy;
        return config;
    }

    /// Writes a searches file holding one search per setup, in this order.
    void WriteSearches(const std::vector<TSearchSetup>& setups) {
        TSession writer(Config());
        writer.SetTables(std::make_unique<TPlaces>(folder->File("Places.tx")),
                         std::make_unique<TCategories>(folder->File("Categories.tx")));
        TSearches searches(writer.SearchesContext());
        int id = 1;
        for (const TSearchSetup& setup : setups) {
            TSearch search(&writer.SearchContext());
            search.SearchId = id++;
            search.Name = "saved";
            search.Category = CategoryCoded(*writer.Categories, "apa");
            const TPlaceList leaves{writer.Places->FindById(MiamiDade)};
            search.SetLocations(leaves);
            search.SetLeafLocations(leaves);
            setup(search, writer);
            searches.Save(search, true, false);
        }
    }

    /// The searches file as the next sign-in reads it.
    std::vector<std::unique_ptr<TSearch>> ReadBack(TSession& session) {
        TSearches searches(session.SearchesContext());
        searches.Load();
        return std::move(searches.Items);
    }

public Q_SLOTS:
    void OpenUrl(const QUrl& url) { openedUrls << url; }

private Q_SLOTS:
    void init() {
        QSettings(QStringLiteral("Corvane"), QStringLiteral("Trawlix")).clear();
        folder = std::make_unique<TTempDataFolder>();
        folder->InstallShippedRefData();
        boxes = std::make_unique<TMessageBoxes>();
        openedUrls.clear();
    }

    void cleanup() {
        boxes.reset();
        folder.reset();
    }

    // ---- Opening ----

    void OpensOnTheFilesSearchOnlyWhenItHoldsExactlyOne_data() {
        QTest::addColumn<int>("searches");
        QTest::newRow("no search") << 0;
        QTest::newRow("one search") << 1;
        QTest::newRow("two searches") << 2;
    }
    void OpensOnTheFilesSearchOnlyWhenItHoldsExactlyOne() {
        QFETCH(int, searches);
        std::vector<TSearchSetup> setups;
        for (int i = 0; i < searches; ++i)
            setups.push_back([](TSearch& search, const TSession&) {
                search.PositiveKeywords = "balcony";
                search.Distance = 25;
            });
        WriteSearches(setups);
        TWindow w(Config());
        w.Window.Open();
        QVERIFY(w.Window.isVisible());
        QCOMPARE(w.Window.windowTitle(), QStringLiteral("FREE Trawlix Reader PRO v3.33 by Trawlix"));
        QCOMPARE(w.Find<QLabel>("lblCurrVersion")->text(), QStringLiteral("local version is: 3.33"));
        QCOMPARE(w.Stack("pcLeft")->currentWidget()->objectName(), QStringLiteral("tsSearchCriteria"));
        QCOMPARE(w.Combo("cboxCategories")->count(), 9);
        if (searches == 1) {
            QVERIFY(w.Window.CurrentSearch() == w.Session.Searches->Items[0].get());
            QCOMPARE(w.Keywords()->toPlainText(), QStringLiteral("balcony"));
            QCOMPARE(w.Combo("cboxCategories")->currentText(), QStringLiteral("housing"));
            QCOMPARE(w.Combo("cboxSubCategories")->currentText(), QStringLiteral("apts / housing"));
            QVERIFY(w.Box("cbRange")->isChecked());
            QCOMPARE(w.Edit("edtRange")->text(), QStringLiteral("25"));
            QCOMPARE(w.Find<QSlider>("tbRange")->value(), 25);
            QCOMPARE(w.Window.Picker()->ChosenPlaces.size(), std::size_t(1));
        } else {
            QVERIFY(!w.Window.CurrentSearch());
            QCOMPARE(w.Combo("cboxCategories")->currentIndex(), -1);
            QCOMPARE(w.Combo("cboxSubCategories")->count(), 0);
            QVERIFY(w.Keywords()->toPlainText().isEmpty());
            QCOMPARE(w.Edit("edtRange")->text(), QStringLiteral("0"));
            QVERIFY(w.Window.Picker()->ChosenPlaces.empty());
            QVERIFY(w.Find<QWidget>("pnlNoLocations")->isVisibleTo(&w.Window) ||
                    (w.Window.ActionList1Update(), w.Find<QWidget>("pnlNoLocations")->isVisible()));
        }
    }

    void ASavedSearchOpensByItsIdAfterTheShownOneIsSaved() {
        WriteSearches({[](TSearch& search, const TSession&) { search.PositiveKeywords = "balcony"; },
                       [](TSearch& search, const TSession&) { search.PositiveKeywords = "garden"; }});
        TWindow w(Config());
        w.Window.Open(1);
        QCOMPARE(w.Current().SearchId, 1);
        QCOMPARE(w.Keywords()->toPlainText(), QStringLiteral("balcony"));
        w.Keywords()->setPlainText(QStringLiteral("balcony view"));
        w.Window.OpenSavedSearch(2);
        QCOMPARE(w.Current().SearchId, 2);
        QCOMPARE(w.Keywords()->toPlainText(), QStringLiteral("garden"));
        // What was typed into the first one was saved before it went.
        const auto keywordsOfFirst = [](const auto& searches) {
            for (const auto& search : searches)
                if (search->SearchId == 1)
                    return search->PositiveKeywords;
            return std::string("(none)");
        };
        QCOMPARE(keywordsOfFirst(w.Session.Searches->Items), std::string("balcony view"));
        TSession reader(Config());
        reader.SetTables(std::make_unique<TPlaces>(folder->File("Places.tx")),
                         std::make_unique<TCategories>(folder->File("Categories.tx")));
        QCOMPARE(keywordsOfFirst(ReadBack(reader)), std::string("balcony view"));
        // The search shown already only comes forward.
        w.Keywords()->setPlainText(QStringLiteral("garden shed"));
        w.Window.OpenSavedSearch(2);
        QCOMPARE(w.Keywords()->toPlainText(), QStringLiteral("garden shed"));
    }

    void ANewSearchSavesTheShownOneAndStartsEmpty() {
        WriteSearches({[](TSearch& search, const TSession&) { search.PositiveKeywords = "balcony"; }});
        TWindow w(Config());
        w.Window.Open();
        QCOMPARE(w.Current().SearchId, 1);
        w.Keywords()->setPlainText(QStringLiteral("balcony view"));
        // The file holds exactly one search, yet a new search is an empty one.
        w.Window.NewSearch();
        QVERIFY(!w.Window.CurrentSearch());
        QVERIFY(w.Keywords()->toPlainText().isEmpty());
        QVERIFY(w.Window.isVisible());
        QCOMPARE(w.Session.Searches->Items.size(), std::size_t(1));
        QCOMPARE(w.Session.Searches->Items[0]->PositiveKeywords, std::string("balcony view"));
    }

    void ANewSearchStartsWithTheDefaultLocations_data() {
        QTest::addColumn<int>("searches");
        QTest::addColumn<bool>("newSearch");
        QTest::newRow("opened on a file of two searches") << 2 << false;
        QTest::newRow("New search") << 1 << true;
    }
    void ANewSearchStartsWithTheDefaultLocations() {
        QFETCH(int, searches);
        QFETCH(bool, newSearch);
        WriteSearches(std::vector<TSearchSetup>(static_cast<std::size_t>(searches), [](TSearch&, const TSession&) {}));
        TWindow w(Config());
        const TPlaceList defaults{w.Session.Places->FindById(Miami), w.Session.Places->FindById(Pueblo)};
        w.Session.Settings->DefaultLocations = defaults;
        w.Window.Open();
        if (newSearch)
            w.Window.NewSearch();
        QVERIFY(!w.Window.CurrentSearch());
        TPlaceList leaves;
        ExpandToLeaves(defaults, leaves);
        QVERIFY(leaves.size() > defaults.size());
        QVERIFY(w.Window.Picker()->ChosenRoots == defaults);
        QVERIFY(w.Window.Picker()->ChosenPlaces == leaves);
        // Shown as a choice made in the picker: the count to search and no "choose" panel.
        w.Window.ActionList1Update();
        QVERIFY(!w.Find<QWidget>("pnlNoLocations")->isVisible());
        QCOMPARE(w.Find<QLabel>("lblRunLocations")->text(),
                 QStringLiteral("%1 locations to search.").arg(leaves.size()));
        w.Choose("cboxCategories", QStringLiteral("housing"));
        QVERIFY(w.Enabled("actStartSearch"));
    }

    void TheDateColumnShowsTheOpeningSortAtEveryOpening() {
        WriteSearches({[](TSearch& search, const TSession&) { AddEntries(search.Results, 3); }});
        TWindow w(Config());
        w.Window.Open();
        auto* view = w.Find<QTreeView>("lvResults");
        const auto marked = [view](int column) {
            return !view->model()->headerData(column, Qt::Horizontal, Qt::DecorationRole).isNull();
        };
        QVERIFY(marked(TResultsModel::ColumnDate));
        QVERIFY(!marked(TResultsModel::ColumnCheck));
        QCOMPARE(w.Window.SortColumn, int(TResultsModel::ColumnDate));
        QVERIFY(!w.Window.SortAscending);
        // The first click on " Date" turns the order round, as its mark says it will.
        QHeaderView* header = view->header();
        const auto click = [header](int column) {
            QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                              QPoint(header->sectionViewportPosition(column) + header->sectionSize(column) / 2,
                                     header->height() / 2));
        };
        click(TResultsModel::ColumnDate);
        QVERIFY(w.Window.SortAscending);
        click(TResultsModel::ColumnPrice);
        QCOMPARE(w.Window.SortColumn, int(TResultsModel::ColumnPrice));
        QVERIFY(!marked(TResultsModel::ColumnDate));
        // Opened again: sorted by date, newest first, and marked so in both lists.
        w.Window.Open();
        QCOMPARE(w.Window.SortColumn, int(TResultsModel::ColumnDate));
        QVERIFY(!w.Window.SortAscending);
        QVERIFY(marked(TResultsModel::ColumnDate));
        QVERIFY(!marked(TResultsModel::ColumnPrice));
        QCOMPARE(w.Window.FilteredResults().Model()->HeaderImage(TResultsModel::ColumnDate),
                 TResultsModel::ImageDescending);
        QCOMPARE(w.Window.FilteredResults().Model()->HeaderImage(TResultsModel::ColumnPrice), TResultsModel::ImageNone);
    }

    void TheMainWindowOpensItAfterSignInAndHides() {
        WriteSearches({[](TSearch& search, const TSession&) { search.PositiveKeywords = "loft"; }});
        RememberSignInWithoutAccount();
        TSession session(Config());
        TProgramWindows windows(session);
        windows.MainForm().TrayAvailable = [] { return true; };
        windows.Show();
        TfrmNewSearch& window = windows.SearchWindow();
        QVERIFY(WaitUntil([&] { return window.isVisible(); }));
        QVERIFY(!windows.MainForm().isVisible());
        QCOMPARE(window.findChild<QPlainTextEdit*>(QStringLiteral("edtPositiveKeywords"))->toPlainText(),
                 QStringLiteral("loft"));
        // The main window's list shows the searches the window works on, not freed ones.
        QCOMPARE(windows.MainForm().findChild<QTreeWidget*>(QStringLiteral("slvSearches"))->topLevelItemCount(), 1);
        windows.MainForm().ActionList1Update();
        QCOMPARE(session.Searches->Items.size(), std::size_t(1));
        // Minimized, the program goes to the tray; restored, the search window comes back.
        windows.MainForm().HideToTray();
        QVERIFY(!window.isVisible());
        windows.MainForm().RestoreFromTray();
        QVERIFY(window.isVisible());
        QVERIFY(!windows.MainForm().isVisible());
        // "Saved searches" brings the main window back beside the search window.
        QTest::mouseClick(window.findChild<QToolButton*>(QStringLiteral("btnSavedSearches")), Qt::LeftButton);
        QVERIFY(windows.MainForm().isVisible());
        QVERIFY(window.isVisible());
    }

    // ---- Criteria and their groups ----

    void LoadsAndStoresTheExtrasOfTheSearchsGroup_data() {
        QTest::addColumn<QString>("category");
        QTest::addColumn<QString>("page");
        QTest::addColumn<TSearchSetup>("setup");
        QTest::addColumn<QStringList>("shown");

        QTest::newRow("personals") << "ppp"
                                   << "tsPersonals" << TSearchSetup([](TSearch& s, const TSession&) {
                                          s.MinAge = 30;
                                          s.MaxAge = 45;
                                      })
                                   << QStringList{"edtPersonalsMinAge=30", "edtPersonalsMaxAge=45"};
        QTest::newRow("housing") << "apa"
                                 << "tsHousing" << TSearchSetup([](TSearch& s, const TSession&) {
                                        s.MinRent = 12.5;
                                        s.MaxRent = 1500;
                                        s.Bedrooms = 2;
                                        s.Cats = true;
                                    })
                                 << QStringList{"edtHousingMinRent=12.5", "edtHousingMaxRent=1500",
                                                "cboxHousingBathrooms=2 BR", "cbHousingCats=1", "cbHousingDogs=0"};
        QTest::newRow("for sale") << "sss"
                                  << "tsForSale" << TSearchSetup([](TSearch& s, const TSession&) { s.MaxPrice = 250; })
                                  << QStringList{"edtForSaleMinPrice=", "edtForSaleMaxPrice=250"};
        QTest::newRow("jobs") << "jjj"
                              << "tsJobs" << TSearchSetup([](TSearch& s, const TSession&) {
                                     s.Telecommuting = true;
                                     s.PartTime = true;
                                 })
                              << QStringList{"cbJobsTelecomute=1", "cbJobsContract=0", "cbJobsPartTime=1"};
        QTest::newRow("other group") << "act"
                                     << "" << TSearchSetup([](TSearch&, const TSession&) {}) << QStringList{};
    }
    void LoadsAndStoresTheExtrasOfTheSearchsGroup() {
        QFETCH(QString, category);
        QFETCH(QString, page);
        QFETCH(TSearchSetup, setup);
        QFETCH(QStringList, shown);
        WriteSearches({[&](TSearch& search, const TSession& session) {
            search.Category = CategoryCoded(*session.Categories, category.toStdString());
            setup(search, session);
        }});
        TWindow w(Config());
        w.Window.Open();
        QStackedWidget* extras = w.Stack("pcAditional");
        QCOMPARE(extras->isVisible(), !page.isEmpty());
        if (!page.isEmpty())
            QCOMPARE(extras->currentWidget()->objectName(), page);
        for (const QString& pair : shown) {
            const QString name = pair.section(QLatin1Char('='), 0, 0);
            const QString value = pair.section(QLatin1Char('='), 1);
            QWidget* control = w.Find<QWidget>(name.toLatin1().constData());
            QVERIFY2(control, qPrintable(name));
            if (auto* edit = qobject_cast<QLineEdit*>(control))
                QCOMPARE(edit->text(), value);
            else if (auto* spin = qobject_cast<QSpinBox*>(control))
                QCOMPARE(QString::number(spin->value()), value);
            else if (auto* combo = qobject_cast<QComboBox*>(control))
                QCOMPARE(combo->currentText(), value);
            else if (auto* box = qobject_cast<QCheckBox*>(control))
                QCOMPARE(box->isChecked() ? QStringLiteral("1") : QStringLiteral("0"), value);
        }
        // Stored back unchanged, named after its criteria; another group's fields are left alone.
        TSearch expected(&w.Session.SearchContext());
        setup(expected, w.Session);
        const bool housing = page == QLatin1String("tsHousing");
        (housing ? w.Current().MinPrice : w.Current().MinRent) = 700;
        (housing ? expected.MinPrice : expected.MinRent) = 700;
        QVERIFY(w.Window.StoreCriteria());
        const TSearch& stored = w.Current();
        QCOMPARE(QString::fromStdString(stored.Name.str()),
                 QString::fromStdString(
                     TCriteriaPanel::NameFor(QString::fromStdString(stored.PositiveKeywords), stored.Category)));
        QCOMPARE(stored.MinAge, expected.MinAge);
        QCOMPARE(stored.MaxAge, expected.MaxAge);
        QCOMPARE(stored.MinRent, expected.MinRent);
        QCOMPARE(stored.MaxRent, expected.MaxRent);
        QCOMPARE(stored.Bedrooms, expected.Bedrooms);
        QCOMPARE(stored.Cats, expected.Cats);
        QCOMPARE(stored.MinPrice, expected.MinPrice);
        QCOMPARE(stored.MaxPrice, expected.MaxPrice);
        QCOMPARE(stored.Telecommuting, expected.Telecommuting);
        QCOMPARE(stored.PartTime, expected.PartTime);
    }

    void ChangingTheCategoryShowsItsExtrasAndStoresTheChosenLevel() {
        TWindow w(Config());
        w.Window.Open();
        const int boxWithout = w.Find<QGroupBox>("gbCriteria")->sizeHint().height();
        w.Choose("cboxCategories", QStringLiteral("housing"));
        QCOMPARE(w.Combo("cboxSubCategories")->currentText(), QStringLiteral("- whole category -"));
        QVERIFY(w.Stack("pcAditional")->isVisible());
        QCOMPARE(w.Stack("pcAditional")->currentWidget()->objectName(), QStringLiteral("tsHousing"));
        QCOMPARE(w.Combo("cboxHousingBathrooms")->currentText(), QStringLiteral("0+ BR"));
        QCOMPARE(w.Combo("cboxHousingBathrooms")->count(), 9);
        QVERIFY(w.Edit("edtHousingMinRent")->text().isEmpty());
        QCOMPARE(w.Edit("edtHousingMinRent")->placeholderText(), QStringLiteral("min"));
        QVERIFY2(w.Find<QGroupBox>("gbCriteria")->sizeHint().height() > boxWithout, "the box grows with its extras");

        w.ChoosePlaces({MiamiDade});
        w.Window.ActionList1Update();
        w.Action("actStartSearch")->trigger(); // makes the window's own search
        w.Action("actStopSearch")->trigger();
        QCOMPARE(w.Current().Category->Link, std::string("hhh"));
        w.Choose("cboxSubCategories", QStringLiteral("rooms / shared"));
        QVERIFY(w.Window.StoreCriteria());
        QCOMPARE(w.Current().Category->Link, std::string("roo"));
        QCOMPARE(w.Session.Searches->Items.size(), std::size_t(0)); // not added to the collection

        w.Choose("cboxCategories", QStringLiteral("community"));
        QVERIFY(!w.Stack("pcAditional")->isVisible());
        QCOMPARE(w.Find<QGroupBox>("gbCriteria")->sizeHint().height(), boxWithout);
    }

    void ClearAllFieldsAsksAndLeavesRangeMiscAndRootsAlone_data() {
        QTest::addColumn<QString>("answer");
        QTest::newRow("No") << "No";
        QTest::newRow("Yes") << "Yes";
    }
    void ClearAllFieldsAsksAndLeavesRangeMiscAndRootsAlone() {
        QFETCH(QString, answer);
        WriteSearches({[](TSearch& search, const TSession&) {
            search.PositiveKeywords = "garden";
            search.Distance = 40;
            search.KeepOldResults = true;
            search.HasImage = true;
            search.AdvAllThese = "garden";
        }});
        TWindow w(Config());
        w.Window.Open();
        TShownBox shown;
        AnswerNextBox(answer, shown);
        QTest::mouseClick(w.Find<QPushButton>("btnClearFields"), Qt::LeftButton);
        QVERIFY(shown.Answered);
        QCOMPARE(shown.Text, QStringLiteral("Are you sure you want to clear all the fields"));
        const bool cleared = answer == QLatin1String("Yes");
        QCOMPARE(w.Keywords()->toPlainText().isEmpty(), cleared);
        QCOMPARE(w.Window.Picker()->ChosenPlaces.empty(), cleared);
        QCOMPARE(w.Window.Picker()->ChosenRoots.size(), std::size_t(1));
        QCOMPARE(w.Combo("cboxSubCategories")->count() == 0, cleared);
        QCOMPARE(w.Combo("cboxCategories")->currentIndex() == -1, cleared);
        QCOMPARE(w.Box("cbHasImage")->isChecked(), !cleared);
        QCOMPARE(w.Advanced.Fields().AllThese.empty(), cleared);
        QCOMPARE(w.Edit("edtRange")->text(), QStringLiteral("40"));
        QVERIFY(w.Box("cbKeepOldResults")->isChecked());
        QVERIFY(w.Window.CurrentSearch());
    }

    void TheRangeBoxTrackBarAndEditFollowEachOther() {
        TWindow w(Config());
        w.Window.Open();
        auto* slider = w.Find<QSlider>("tbRange");
        QLineEdit* edit = w.Edit("edtRange");
        QVERIFY(!slider->isEnabled() && !edit->isEnabled());
        QTest::mouseClick(w.Box("cbRange"), Qt::LeftButton, {}, QPoint(5, 5));
        QVERIFY(slider->isEnabled() && edit->isEnabled());
        QCOMPARE(edit->text(), QStringLiteral("0"));
        w.TypeInto(edit, QStringLiteral("250"));
        QCOMPARE(slider->value(), 250);
        slider->setValue(600);
        QCOMPARE(edit->text(), QStringLiteral("600"));
        w.TypeInto(edit, QStringLiteral("far"));
        QCOMPARE(slider->value(), 0);
        QCOMPARE(edit->text(), QStringLiteral("far"));
        QTest::mouseClick(w.Box("cbRange"), Qt::LeftButton, {}, QPoint(5, 5));
        QVERIFY(!slider->isEnabled());
        QCOMPARE(edit->text(), QStringLiteral("0"));
    }

    void WideningByDistanceNamesTheAddedPlacesBeforeTheRun() {
        TWindow w(Config());
        w.Window.Open();
        w.Choose("cboxCategories", QStringLiteral("housing"));
        w.ChoosePlaces({MiamiDade});
        auto* label = w.Find<QLabel>("lblRunLocations");
        w.Window.findChild<TCriteriaPanel*>()->UpdateRunLocations();
        QCOMPARE(label->text(), QStringLiteral("1 location to search."));
        QTest::mouseClick(w.Box("cbRange"), Qt::LeftButton, {}, QPoint(5, 5));
        w.TypeInto(w.Edit("edtRange"), QStringLiteral("30"));
        QVERIFY(WaitUntil([&] { return label->text().contains(QStringLiteral("added within 30 miles")); }, 3000));
        QVERIFY2(label->text().contains(QStringLiteral("broward county")), qPrintable(label->text()));
        const int announced = label->text().section(QLatin1Char(' '), 0, 0).toInt();
        QVERIFY(announced > 1);

        // The run searches exactly the places announced.
        w.Window.ActionList1Update();
        w.Action("actStartSearch")->trigger();
        std::set<const TPlace*> searched(w.Current().CurrentRun().LocationsToSearch.begin(),
                                         w.Current().CurrentRun().LocationsToSearch.end());
        w.Action("actStopSearch")->trigger();
        QCOMPARE(static_cast<int>(searched.size()), announced);
        QVERIFY(searched.count(w.Session.Places->FindById(Broward)));
    }

    // ---- Bad input ----

    void BadInputIsExplainedAndKeptWithoutStartingARun_data() {
        QTest::addColumn<QString>("category");
        QTest::addColumn<QStringList>("typed");
        QTest::addColumn<QString>("message");
        QTest::newRow("minimum rent above maximum")
            << "housing" << QStringList{"edtHousingMinRent=2000", "edtHousingMaxRent=1500"}
            << "The minimum rent (2000) is above the maximum rent (1500).";
        QTest::newRow("price not a number")
            << "for sale" << QStringList{"edtForSaleMaxPrice=cheap"} << "The maximum price \"cheap\" is not an amount.";
        QTest::newRow("distance not a number")
            << "housing" << QStringList{"edtRange=ten"} << "The distance \"ten\" is not a whole number of miles.";
        QTest::newRow("minimum age above maximum")
            << "personals" << QStringList{"edtPersonalsMinAge=40", "edtPersonalsMaxAge=30"}
            << "The minimum age (40) is above the maximum age (30).";
    }
    void BadInputIsExplainedAndKeptWithoutStartingARun() {
        QFETCH(QString, category);
        QFETCH(QStringList, typed);
        QFETCH(QString, message);
        WriteSearches({[](TSearch& search, const TSession&) {
            search.KeepOldResults = false;
            AddEntries(search.Results, 3);
        }});
        TWindow w(Config());
        w.Window.Open();
        w.Choose("cboxCategories", category);
        QTest::mouseClick(w.Box("cbRange"), Qt::LeftButton, {}, QPoint(5, 5));
        for (const QString& pair : typed) {
            const QByteArray name = pair.section(QLatin1Char('='), 0, 0).toLatin1();
            const QString text = pair.section(QLatin1Char('='), 1);
            if (auto* spin = w.Find<QSpinBox>(name.constData()))
                spin->setValue(text.toInt());
            else
                w.TypeInto(w.Edit(name.constData()), text);
        }
        QVERIFY(w.Enabled("actStartSearch"));
        TShownBox shown;
        AnswerNextBox(QStringLiteral("OK"), shown);
        QTest::mouseClick(w.Find<QPushButton>("btnStartSearch"), Qt::LeftButton);
        QVERIFY(shown.Answered);
        QCOMPARE(shown.Text, message);
        QVERIFY(w.Current().CurrentRun().Idle);
        QCOMPARE(w.Current().Results.size(), std::size_t(3)); // nothing dropped
        QCOMPARE(w.Window.Results().RowCount(), 3);
        for (const QString& pair : typed) {
            const QByteArray name = pair.section(QLatin1Char('='), 0, 0).toLatin1();
            if (QLineEdit* edit = w.Window.findChild<QLineEdit*>(QLatin1String(name)))
                QCOMPARE(edit->text(), pair.section(QLatin1Char('='), 1));
        }
    }

    void WithoutLocationsOrCategoryStartIsOffAndSaysWhy() {
        TWindow w(Config());
        w.Window.Open();
        auto* hint = w.Find<QLabel>("lblStartHint");
        QVERIFY(!w.Enabled("actStartSearch"));
        QVERIFY(w.Find<QWidget>("pnlNoLocations")->isVisible());
        QVERIFY(w.Find<QPushButton>("btnStartSearch")->isEnabled() == false);
        QCOMPARE(hint->text(), QStringLiteral("Choose the locations to search in to start a search."));
        w.ChoosePlaces({MiamiDade});
        QVERIFY(!w.Enabled("actStartSearch"));
        QVERIFY(!w.Find<QWidget>("pnlNoLocations")->isVisible());
        QCOMPARE(hint->text(), QStringLiteral("Choose a category to start a search."));
        w.Choose("cboxCategories", QStringLiteral("jobs"));
        QVERIFY(w.Enabled("actStartSearch"));
        QVERIFY(!hint->isVisible());
    }

    void TheNoLocationsButtonOpensThePicker() {
        TWindow w(Config());
        w.Window.Open();
        w.Window.ActionList1Update();
        bool pickerShown = false;
        AnswerNextDialog([&](QWidget* dialog) {
            pickerShown = qobject_cast<TfrmSelectLocations*>(dialog) != nullptr;
            static_cast<QDialog*>(dialog)->reject();
        });
        QTest::mouseClick(w.Find<QPushButton>("sBitBtn1"), Qt::LeftButton);
        QVERIFY(pickerShown);
    }

    // ---- Running ----

    void StartThenStopAgainstTheSimulatorFollowsTheEnablingRules() {
        TSiteSimulator simulator;
        QVERIFY(simulator.Start());
        TConfig config = Config(simulator.Proxy());
        config.ParserPauseMs = 20;
        WriteSearches({[](TSearch& search, const TSession&) { search.KeepOldResults = false; }});
        TWindow w(config);
        w.Window.Open();
        QVERIFY(w.Enabled("actStartSearch"));
        QVERIFY(!w.Enabled("actStopSearch"));
        QVERIFY(!w.Enabled("actFilterSettings"));

        QVERIFY(w.Find<QLabel>("lblRunProgress")->text().isEmpty());
        QTest::mouseClick(w.Find<QPushButton>("btnStartSearch"), Qt::LeftButton);
        QVERIFY(!w.Action("actStartSearch")->isEnabled()); // at once, before the rules run
        QVERIFY(!w.Enabled("actStartSearch"));
        QVERIFY(w.Enabled("actStopSearch"));
        // While it runs, the progress line says where it stands.
        const QRegularExpression running(
            QStringLiteral("^Searching location 1 of 1: \\d+ pages? fetched, \\d+ new postings?, \\d+\\.\\d s$"));
        QVERIFY2(running.match(w.Find<QLabel>("lblRunProgress")->text()).hasMatch(),
                 qPrintable(w.Find<QLabel>("lblRunProgress")->text()));
        QVERIFY(WaitUntil([&] { return w.Window.Results().RowCount() > 0; }));
        w.Window.ActionList1Update();
        SaveScreenshot(&w.Window, QStringLiteral("search-window-run-progress"));
        QVERIFY(WaitUntil([&] { return w.Window.Results().RowCount() > 0; }));
        QVERIFY(w.Enabled("actFilterSettings"));
        QTest::mouseClick(w.Find<QPushButton>("sBitBtn2"), Qt::LeftButton);
        QVERIFY(w.Current().CurrentRun().Idle);
        QVERIFY(w.Enabled("actStartSearch"));
        QVERIFY(!w.Enabled("actStopSearch"));
        const int rows = w.Window.Results().RowCount();
        QCOMPARE(static_cast<int>(w.Current().Results.size()), rows);

        // A run left to finish makes Start available again by itself.
        config.ParserPauseMs = 0;
        QTest::mouseClick(w.Find<QPushButton>("btnStartSearch"), Qt::LeftButton);
        QVERIFY(WaitUntil([&] { return w.Enabled("actStartSearch"); }, 60000));
        QVERIFY(!w.Enabled("actStopSearch"));
        QVERIFY(w.Window.Results().RowCount() > 0);
        // Its end is kept: every posting of the page is new, the time no longer runs.
        const QString ended = w.Find<QLabel>("lblRunProgress")->text();
        QVERIFY2(ended.startsWith(QStringLiteral("Search ended: 1 location, ")) &&
                     ended.contains(QStringLiteral(" new postings in ")),
                 qPrintable(ended));
        QTest::qWait(150);
        w.Enabled("actStartSearch");
        QCOMPARE(w.Find<QLabel>("lblRunProgress")->text(), ended);
    }

    void ThePreviewFollowsTheSelectedRowOfTheActiveList() {
        // Links to a closed port: the preview asks for them and nothing leaves the machine.
        WriteSearches({[](TSearch& search, const TSession&) {
            AddEntries(search.Results, 4, "http://127.0.0.1:9/mdc/apa/");
            search.ShowPreview = true;
        }});
        TWindow w(Config());
        w.Window.Open();
        // The browser is made for the first posting previewed.
        QVERIFY(!w.Window.Preview().Browser());
        const auto shows = [&](const TEntry* entry) {
            return WaitUntil(
                [&] {
                    const QWebEngineView* browser = w.Window.Preview().Browser();
                    return browser && browser->url() == QUrl(QString::fromStdString(entry->Link));
                },
                10000);
        };
        TResultsList& results = w.Window.Results();
        QCOMPARE(results.RowCount(), 4);
        results.SelectRow(2);
        QVERIFY(shows(results.EntryAt(2)));

        // In filter mode the filtered list is the one followed and acted on.
        w.Action("actFilterSettings")->trigger();
        TResultsList& filtered = w.Window.FilteredResults();
        QVERIFY(&w.Window.ActiveList() == &filtered);
        filtered.AppendRowFrom(results, 0);
        filtered.AppendRowFrom(results, 3);
        filtered.SelectRow(1);
        QVERIFY(shows(filtered.EntryAt(1)));

        // Unticked, the preview shows nothing and the choice is stored with the search.
        w.Find<QCheckBox>("cbShowPreview")->click();
        QWebEngineView* browser = w.Window.Preview().Browser();
        QVERIFY(WaitUntil([&] { return browser->url() == QUrl(QStringLiteral("about:blank")); }, 10000));
        w.Window.StoreCriteria();
        QVERIFY(!w.Current().ShowPreview);
        QCOMPARE(w.Current().SelectedEntry, results.EntryAt(2)->Link);
    }

    void ExportWritesTheActiveListOrTheFavouritesToTheFileChosen_data() {
        QTest::addColumn<QString>("action");
        QTest::addColumn<QString>("file");
        QTest::addColumn<int>("lines");
        QTest::newRow("results as CSV") << "actExportResults"
                                        << "results.csv" << 1 + 4;
        QTest::newRow("favourites as JSON") << "actExportFavourites"
                                            << "kept.json" << 2;
    }
    void ExportWritesTheActiveListOrTheFavouritesToTheFileChosen() {
        QFETCH(QString, action);
        QFETCH(QString, file);
        QFETCH(int, lines);
        WriteSearches({[](TSearch& search, const TSession&) {
            AddEntries(search.Results, 4);
            for (int i : {1, 3})
                search.Favourites.push_back(std::make_unique<TFavourite>(*search.Results[i]));
        }});
        TWindow w(Config());
        w.Window.Open();
        const QString path = QString::fromStdString(folder->Path()) + file;
        AnswerNextDialog([&](QWidget* dialog) {
            auto* files = qobject_cast<QFileDialog*>(dialog);
            QVERIFY(files);
            files->selectFile(path);
            static_cast<QDialog*>(files)->accept(); // as the Save button does
        });
        w.Action(action.toLatin1().constData())->trigger();
        QFile written(path);
        QVERIFY(written.open(QIODevice::ReadOnly));
        const QList<QByteArray> rows = written.readAll().trimmed().split('\n');
        QCOMPARE(rows.size(), lines);
        QVERIFY2(rows.last().contains("miami.craigslist.org/mdc/apa/"), rows.last().constData());
    }

    // ---- The frame ----

    void EveryActionHasItsCaptionCategoryAndShortcut_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QString>("category");
        QTest::addColumn<QKeySequence>("shortcut");
        const struct {
            const char* Name;
            const char* Caption;
            const char* Category;
            const char* Shortcut;
        } rows[] = {
            {"actStartSearch", "Start search", "Search", ""},
            {"actStopSearch", "Stop search", "Search", ""},
            {"actAddToFavourites", "Add to favourites", "Favourites", ""},
            {"actRemoveFromFavourites", "Remove from favourites", "Favourites", ""},
            {"actMoveFavouriteUp", "Move up", "Favourites", ""},
            {"actMoveFavouriteDown", "Move down", "Favourites", ""},
            {"actFilter", "Filter", "", ""},
            {"actMiscat", "Miscategorized", "Flag selected", ""},
            {"actProhibited", "Prohibited", "Flag selected", ""},
            {"actSpam", "Spam / Overpost", "Flag selected", "Ctrl+R"},
            {"actBest", "Best of craigslist", "Flag selected", ""},
            {"actSearchSettings", "Search settings", "Menu", ""},
            {"actFilterSettings", "Filter settings", "Menu", ""},
            {"actFavourites", "Favourites", "Menu", ""},
            {"actDeleteResult", "Delete selected", "", "Ctrl+Del"},
            {"actDeleteAllChecked", "Delete all checked", "", "Shift+Del"},
            {"actCheckAll", "Check all", "", "Ctrl+A"},
            {"actUncheckAll", "Uncheck all", "", "Ctrl+Shift+A"},
            {"actMiscatChecked", "Miscategorized", "Flag checked", ""},
            {"actProhibitedChecked", "Prohibited", "Flag checked", ""},
            {"actSpamChecked", "Spam / Overpost", "Flag checked", "Ctrl+Shift+R"},
            {"actBestChecked", "Best of craigslist", "Flag checked", ""},
            {"actSavedSearches", "Saved searches", "Menu", ""},
            {"actExportResults", "Export results...", "", ""},
            {"actExportFavourites", "Export favourites...", "", ""},
        };
        for (const auto& row : rows)
            QTest::newRow(row.Name) << row.Name << row.Caption << row.Category
                                    << QKeySequence(QLatin1String(row.Shortcut));
    }
    void EveryActionHasItsCaptionCategoryAndShortcut() {
        QFETCH(QString, name);
        QFETCH(QString, caption);
        QFETCH(QString, category);
        QFETCH(QKeySequence, shortcut);
        TWindow w(Config());
        const QList<QAction*> actions = w.Window.findChildren<QAction*>(name);
        QCOMPARE(actions.size(), 1);
        QCOMPARE(actions[0]->text(), caption);
        QCOMPARE(actions[0]->property("category").toString(), category);
        QCOMPARE(actions[0]->shortcut(), shortcut);
        QVERIFY(w.Window.actions().contains(actions[0]));
        if (name.startsWith(QLatin1String("actMiscat")) || name.startsWith(QLatin1String("actSpam")) ||
            name.contains(QLatin1String("Check")) || name.startsWith(QLatin1String("actDelete")) ||
            name == QLatin1String("actAddToFavourites") || name == QLatin1String("actSearchSettings"))
            QVERIFY2(w.Enabled(name.toLatin1().constData()), "always enabled");
    }

    void TheLeftPanelModesSwitchPagesAndTheActiveList() {
        WriteSearches({[](TSearch& search, const TSession&) { AddEntries(search.Results, 4); }});
        TWindow w(Config());
        w.Window.Open();
        auto* results = w.Find<QTreeView>("lvResults");
        QVERIFY(w.Enabled("actFilterSettings"));
        QVERIFY(!w.Enabled("actFavourites"));
        QVERIFY(w.Find<QToolButton>("btnSearchSettings")->isChecked());
        QVERIFY(&w.Window.ActiveList() == &w.Window.Results());

        QTest::mouseClick(w.Find<QToolButton>("btnFilterSettings"), Qt::LeftButton);
        QCOMPARE(w.Stack("pcLeft")->currentWidget()->objectName(), QStringLiteral("tsFilter"));
        QCOMPARE(w.Stack("pcMain")->currentWidget()->objectName(), QStringLiteral("tsFilterM"));
        QVERIFY(w.Find<QToolButton>("btnFilterSettings")->isChecked());
        QVERIFY(!w.Find<QToolButton>("btnSearchSettings")->isChecked());
        QVERIFY(w.Window.ActiveList().View() == w.Find<QTreeView>("lvFilteredResults"));

        QTest::mouseClick(w.Find<QToolButton>("btnSearchSettings"), Qt::LeftButton);
        QCOMPARE(w.Stack("pcLeft")->currentWidget()->objectName(), QStringLiteral("tsSearchCriteria"));
        QCOMPARE(w.Stack("pcMain")->currentWidget()->objectName(), QStringLiteral("tsSearchM"));
        QVERIFY(&w.Window.ActiveList() == &w.Window.Results());

        results->setCurrentIndex(results->model()->index(1, 0));
        QVERIFY(w.Enabled("actFavourites"));
        QTest::mouseClick(w.Find<QToolButton>("btnFavourites"), Qt::LeftButton);
        QCOMPARE(w.Stack("pcLeft")->currentWidget()->objectName(), QStringLiteral("tsFavouritesMain"));

        // Hiding the left panel remembers its width for showing it again.
        auto* left = w.Find<QWidget>("pnlLeft");
        const int width = left->width();
        QTest::mouseClick(w.Find<QToolButton>("btnShowHide"), Qt::LeftButton);
        QVERIFY(!left->isVisible());
        QCOMPARE(w.Window.LeftPanelWidth, width);
        QTest::mouseClick(w.Find<QToolButton>("btnShowHide"), Qt::LeftButton);
        QVERIFY(left->isVisible());
        QCOMPARE(left->width(), width);
    }

    void TheWindowCannotBeMadeSmallerThanItsMinimum() {
        TWindow w(Config());
        w.Window.Open();
        w.Window.showNormal();
        w.Window.resize(800, 300);
        QVERIFY(WaitUntil([&] { return w.Window.width() >= 1001; }, 2000));
        QVERIFY(w.Window.width() >= 1001);
        QVERIFY(w.Window.height() >= 370);
    }

    void HowItWorksOpensTheHelpPage() {
        QDesktopServices::setUrlHandler(QStringLiteral("https"), this, "OpenUrl");
        TWindow w(Config());
        w.Window.Open();
        QTest::mouseClick(w.Find<QPushButton>("BitBtn1"), Qt::LeftButton);
        QDesktopServices::unsetUrlHandler(QStringLiteral("https"));
        QCOMPARE(openedUrls, QList<QUrl>{QUrl(QStringLiteral("https://maker.example/to_how_it_works.php"))});
    }

    void TheBannerShowsWhenItComesAndStaysCollapsedOtherwise_data() {
        QTest::addColumn<bool>("reachable");
        QTest::newRow("reachable") << true;
        QTest::newRow("unreachable") << false;
    }
    void TheBannerShowsWhenItComesAndStaysCollapsedOtherwise() {
        QFETCH(bool, reachable);
        TSiteSimulator simulator;
        QVERIFY(simulator.Start());
        TConfig config = Config(reachable ? simulator.Proxy() : std::string());
        if (reachable)
            config.BannerServer = "http://www.corvane.com";
        TWindow w(config);
        w.Window.Open();
        auto* banner = w.Find<QWidget>("pnlBannerHTML");
        // Opening never waits for the banner.
        QCOMPARE(banner->width(), 0);
        QVERIFY(WaitUntil([&] { return w.Window.findChild<TSideBanner*>()->Settled(); }));
        QCOMPARE(banner->width(), reachable ? 200 : 0);
        QCOMPARE(w.Find<QTextBrowser>("wbBanner")->toPlainText().isEmpty(), !reachable);
    }

    // ---- Keyboard ----

    void KeysMoveTheActiveListsSelection_data() {
        QTest::addColumn<QString>("list");
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("modifiers");
        QTest::addColumn<int>("from");
        QTest::addColumn<int>("to");
        QTest::addColumn<QString>("focus");
        const int none = Qt::NoModifier;
        const int shift = Qt::ShiftModifier;
        QTest::newRow("A selects the row before") << "lvResults" << int(Qt::Key_A) << none << 2 << 1 << "list";
        QTest::newRow("A stays on the first row") << "lvResults" << int(Qt::Key_A) << none << 0 << 0 << "list";
        QTest::newRow("Z selects the row after") << "lvResults" << int(Qt::Key_Z) << none << 1 << 2 << "list";
        QTest::newRow("Z stays on the last row") << "lvResults" << int(Qt::Key_Z) << none << 4 << 4 << "list";
        QTest::newRow("Z without a selection takes the first")
            << "lvResults" << int(Qt::Key_Z) << none << -1 << 0 << "list";
        QTest::newRow("a typed into the keywords moves too")
            << "lvResults" << int(Qt::Key_A) << none << 3 << 2 << "keywords";
        QTest::newRow("filter mode moves the filtered list")
            << "lvFilteredResults" << int(Qt::Key_Z) << none << 0 << 1 << "list";
        QTest::newRow("Shift+Z moves the favourites") << "lvFavourites" << int(Qt::Key_Z) << shift << 0 << 1 << "list";
        QTest::newRow("Shift+A moves the favourites") << "lvFavourites" << int(Qt::Key_A) << shift << 1 << 0 << "list";
        QTest::newRow("Shift+Z leaves the results") << "lvResults" << int(Qt::Key_Z) << shift << 1 << 1 << "list";
        QTest::newRow("Ctrl+Z moves nothing")
            << "lvResults" << int(Qt::Key_Z) << int(Qt::ControlModifier) << 1 << 1 << "list";
    }
    void KeysMoveTheActiveListsSelection() {
        QFETCH(QString, list);
        QFETCH(int, key);
        QFETCH(int, modifiers);
        QFETCH(int, from);
        QFETCH(int, to);
        QFETCH(QString, focus);
        WriteSearches({[](TSearch& search, const TSession&) {
            AddEntries(search.Results, 5);
            TEntryList kept;
            AddEntries(kept, 3, "http://miami.craigslist.org/mdc/apa/fav");
            for (const auto& entry : kept)
                search.Favourites.push_back(std::make_unique<TFavourite>(*entry));
        }});
        TWindow w(Config());
        w.Window.Open();
        w.Window.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&w.Window));
        if (list == QLatin1String("lvFilteredResults")) {
            for (int i = 0; i < 3; ++i)
                w.Window.FilteredResults().AppendRowFrom(w.Window.Results(), i);
            w.Window.ActionList1Update();
            w.Action("actFilterSettings")->trigger();
        }
        auto* view = w.Window.findChild<QAbstractItemView*>(list);
        if (from >= 0)
            view->selectionModel()->setCurrentIndex(view->model()->index(from, 0),
                                                    QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        QWidget* target =
            focus == QLatin1String("keywords") ? static_cast<QWidget*>(w.Keywords()) : w.Window.ActiveList().View();
        target->setFocus();
        QVERIFY(WaitUntil([&] { return QApplication::focusWidget() == target; }, 3000));
        QTest::keyClick(target, Qt::Key(key), Qt::KeyboardModifiers(modifiers));
        const QModelIndexList selected = view->selectionModel()->selectedRows();
        QCOMPARE(selected.isEmpty() ? -1 : selected.first().row(), to);
        if (focus == QLatin1String("keywords"))
            QCOMPARE(w.Keywords()->toPlainText(), QStringLiteral("a")); // the key still reaches the memo
    }

    void KeysScrollTheListSidewaysAndThePreview_data() {
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("modifiers");
        QTest::addColumn<int>("listScroll");
        QTest::addColumn<QPoint>("preview");
        QTest::newRow("N") << int(Qt::Key_N) << int(Qt::NoModifier) << -5 << QPoint();
        QTest::newRow("M") << int(Qt::Key_M) << int(Qt::NoModifier) << 5 << QPoint();
        QTest::newRow("S") << int(Qt::Key_S) << int(Qt::NoModifier) << 0 << QPoint(0, -10);
        QTest::newRow("Ctrl+X") << int(Qt::Key_X) << int(Qt::ControlModifier) << 0 << QPoint(0, 10);
        QTest::newRow("comma") << int(Qt::Key_Comma) << int(Qt::NoModifier) << 0 << QPoint(-5, 0);
        QTest::newRow("Alt+full stop") << int(Qt::Key_Period) << int(Qt::AltModifier) << 0 << QPoint(5, 0);
        QTest::newRow("Shift+C") << int(Qt::Key_C) << int(Qt::ShiftModifier) << 0 << QPoint(0, 30000);
    }
    void KeysScrollTheListSidewaysAndThePreview() {
        QFETCH(int, key);
        QFETCH(int, modifiers);
        QFETCH(int, listScroll);
        QFETCH(QPoint, preview);
        WriteSearches({[](TSearch& search, const TSession&) { AddEntries(search.Results, 5); }});
        TWindow w(Config());
        w.Window.Open();
        w.Window.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&w.Window));
        // A page far larger than the preview, scrolled into its middle.
        w.Window.Preview().SetShowPreview(true);
        w.Window.Preview().ShowLink(
            QUrl(QStringLiteral("data:text/html,<body style='margin:0;width:90000px;height:90000px'></body>")));
        QWebEngineView* browser = w.Window.Preview().Browser();
        QVERIFY(browser);
        QVERIFY(WaitUntil([&] { return RunScript(browser, QStringLiteral("document.body.scrollHeight")) == 90000; }));
        RunScript(browser, QStringLiteral("window.scrollTo(100, 100)"));
        QTreeView* results = w.Find<QTreeView>("lvResults");
        results->setColumnWidth(5, 3000); // wider than the window: the list scrolls sideways
        QVERIFY(WaitUntil([&] { return results->horizontalScrollBar()->maximum() > 200; }, 3000));
        results->horizontalScrollBar()->setValue(100);
        results->setFocus();
        QVERIFY(WaitUntil([&] { return QApplication::focusWidget() == results; }, 3000));
        QTest::keyClick(results, Qt::Key(key), Qt::KeyboardModifiers(modifiers));
        QCOMPARE(results->horizontalScrollBar()->value(), 100 + listScroll);
        // Scripts run in order: this reads the page after whatever scroll the key asked for.
        const QVariantList at = RunScript(browser, QStringLiteral("[window.scrollX, window.scrollY]")).toList();
        QCOMPARE(at.size(), 2);
        QCOMPARE(QPoint(at[0].toInt(), at[1].toInt()), QPoint(100, 100) + preview);
    }

    void EscapeAnywhereClosesTheWindowAndEndsTheProgram() {
        TWindow w(Config());
        w.Window.Open();
        w.Window.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&w.Window));
        w.Keywords()->setFocus();
        QVERIFY(WaitUntil([&] { return QApplication::focusWidget() == w.Keywords(); }, 3000));
        QTest::keyClick(w.Keywords(), Qt::Key_Escape);
        QVERIFY(!w.Window.isVisible());
        QCOMPARE(w.EndProgramCalls, 1);
    }

    // ---- Closing and the exit save ----

    void ClosingSavesTheCriteriaAsTypedWithNoSelectedEntry_data() {
        QTest::addColumn<QString>("distance");
        QTest::addColumn<int>("savedDistance");
        QTest::newRow("whole distance") << "35" << 35;
        QTest::newRow("distance not a number keeps the old one") << "near" << 12;
    }
    void ClosingSavesTheCriteriaAsTypedWithNoSelectedEntry() {
        QFETCH(QString, distance);
        QFETCH(int, savedDistance);
        WriteSearches({[](TSearch& search, const TSession&) {
            AddEntries(search.Results, 3);
            search.Distance = 12;
            search.SelectedEntry = "http://miami.craigslist.org/mdc/apa/1001.html";
        }});
        {
            TWindow w(Config());
            w.Window.Open();
            auto* results = w.Find<QTreeView>("lvResults");
            QVERIFY2(results->selectionModel()->hasSelection(), "the saved selection is shown again");
            w.Keywords()->setPlainText(QStringLiteral("sunny \"sea view\""));
            w.Choose("cboxSubCategories", QStringLiteral("rooms / shared"));
            w.TypeInto(w.Edit("edtHousingMaxRent"), QStringLiteral("1800"));
            w.TypeInto(w.Edit("edtRange"), distance);
            w.Box("cbKeepOldResults")->setChecked(true);
            QVERIFY(w.Window.close());
            QCOMPARE(w.EndProgramCalls, 1);
            QVERIFY(!results->selectionModel()->hasSelection());
            w.Window.SaveOnExit();
            QVERIFY(!w.Session.Searches);
            QVERIFY(!w.Window.CurrentSearch());
        }
        TSession reader(Config());
        reader.SetTables(std::make_unique<TPlaces>(folder->File("Places.tx")),
                         std::make_unique<TCategories>(folder->File("Categories.tx")));
        auto saved = ReadBack(reader);
        QCOMPARE(saved.size(), std::size_t(1));
        QCOMPARE(saved[0]->PositiveKeywords, std::string("sunny \"sea view\""));
        QCOMPARE(saved[0]->Category->Link, std::string("roo"));
        QCOMPARE(saved[0]->MaxRent, 1800.0);
        QCOMPARE(saved[0]->Distance, savedDistance);
        QVERIFY(saved[0]->KeepOldResults);
        QVERIFY(saved[0]->SelectedEntry.empty());
        QCOMPARE(saved[0]->Name.str(), std::string("sunny \"sea view\" (rooms / shared)"));
        QCOMPARE(saved[0]->Results.size(), std::size_t(3));
    }

    void ClosingWithoutASearchWritesNothing() {
        TWindow w(Config());
        w.Window.Open();
        QVERIFY(w.Window.close());
        w.Window.SaveOnExit();
        QVERIFY(w.Session.Searches); // nothing released
        TSession reader(Config());
        QVERIFY(ReadBack(reader).empty());
    }

    // ---- As a person sees it ----

    void Screenshots_data() {
        QTest::addColumn<QString>("name");
        QTest::newRow("housing") << "search-window-housing";
        QTest::newRow("jobs") << "search-window-jobs";
    }
    void Screenshots() {
        QFETCH(QString, name);
        const bool housing = name.endsWith(QLatin1String("housing"));
        TSiteSimulator simulator;
        QVERIFY(simulator.Start());
        TConfig config = Config(simulator.Proxy());
        config.BannerServer = "http://www.corvane.com";
        WriteSearches({[housing](TSearch& search, const TSession& session) {
            search.KeepOldResults = false;
            search.Distance = housing ? 30 : 0;
            search.PositiveKeywords = housing ? "loft | cottage" : "";
            if (housing) {
                search.Category = CategoryCoded(*session.Categories, "apa");
                search.MinRent = 800;
                search.MaxRent = 1600;
                search.Bedrooms = 2;
                search.Dogs = true;
            } else {
                search.Category = CategoryCoded(*session.Categories, "sof");
                search.Telecommuting = true;
                search.Contract = true;
            }
        }});
        TWindow w(config);
        w.Window.Open();
        w.Window.showNormal();
        w.Window.setGeometry(0, 0, 1280, 800);
        w.Window.ActionList1Update();
        QVERIFY(w.Enabled("actStartSearch"));
        QTest::mouseClick(w.Find<QPushButton>("btnStartSearch"), Qt::LeftButton);
        QVERIFY(WaitUntil([&] { return w.Current().CurrentRun().Idle; }, 60000));
        QVERIFY(w.Window.Results().RowCount() > 0);
        QVERIFY(WaitUntil([&] { return w.Window.findChild<TSideBanner*>()->Settled(); }));
        auto* results = w.Find<QTreeView>("lvResults");
        results->setCurrentIndex(results->model()->index(2, 0));
        w.Window.ActionList1Update();
        QTest::qWait(200);
        SaveScreenshot(&w.Window, name);
    }
};

QTEST_MAIN(TfrmNewSearchTest)
#include "TfrmNewSearch_test.moc"
