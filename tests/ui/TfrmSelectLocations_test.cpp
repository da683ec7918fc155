// SPDX-License-Identifier: GPL-3.0-or-later
// ctest-labels: gui
// The location picker over the shipped place table, used the way a person uses it.
#include "ui/TfrmSelectLocations.h"

#include <functional>
#include <memory>

#include "TestSupport.h"
#include "UiTestSupport.h"
#include "refdata/TPlaces.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScopeGuard>
#include <QStyleOptionViewItem>
#include <QTreeView>
#include <QtTest>

namespace {

const QStringList Alaska{"united states", "alaska"};
const QStringList Anchorage{"united states", "alaska", "anchorage / mat-su"};
const QStringList Fairbanks{"united states", "alaska", "fairbanks"};
const QStringList KenaiPeninsula{"united states", "alaska", "kenai peninsula"};
const QStringList SoutheastAlaska{"united states", "alaska", "southeast alaska"};
const QStringList Canada{"canada"};
const QStringList Ontario{"canada", "ontario"};
const QStringList Barrie{"canada", "ontario", "barrie"};
const QStringList UnitedStates{"united states"};
const QStringList UK{"UK"};

/// The place at the end of a path of names from a country down.
TPlace* PlaceAt(const TPlaces& places, const QStringList& path) {
    const TPlaceList* level = &places.Roots;
    TPlace* found = nullptr;
    for (const QString& name : path) {
        found = nullptr;
        for (TPlace* place : *level)
            if (QString::fromStdString(place->Name) == name)
                found = place;
        if (!found)
            return nullptr;
        level = &found->Children;
    }
    return found;
}

QStringList Names(const TPlaceList& places) {
    QStringList names;
    for (const TPlace* place : places)
        names << QString::fromStdString(place->FullName());
    return names;
}

TPlaceList LeavesOf(const TPlaceList& places) {
    TPlaceList leaves;
    ExpandToLeaves(places, leaves);
    return leaves;
}

/// Clicks the check mark of index, as a person does: press and release on its box.
void ClickMark(QTreeView* tree, const QModelIndex& index) {
    for (QModelIndex above = index.parent(); above.isValid(); above = above.parent())
        tree->expand(above);
    tree->scrollTo(index);
    QStyleOptionViewItem option;
    option.initFrom(tree);
    option.rect = tree->visualRect(index);
    option.features = QStyleOptionViewItem::HasCheckIndicator | QStyleOptionViewItem::HasDisplay;
    option.text = index.data().toString();
    const QRect mark = tree->style()->subElementRect(QStyle::SE_ItemViewItemCheckIndicator, &option, tree);
    QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, mark.center());
}

/// Selects index and presses the space key in the tree.
void PressSpace(QTreeView* tree, const QModelIndex& index) {
    tree->setFocus();
    tree->setCurrentIndex(index);
    QTest::keyClick(tree, Qt::Key_Space);
}

using TToggle = void (*)(QTreeView*, const QModelIndex&);

} // namespace

class TfrmSelectLocationsTest final : public QObject {
    Q_OBJECT

    TTempDataFolder folder;
    std::unique_ptr<TPlaces> places;
    std::unique_ptr<TfrmSelectLocations> picker;

    QTreeView* Tree() const { return picker->findChild<QTreeView*>(QStringLiteral("tvLocations")); }
    QLineEdit* SearchEdit() const { return picker->findChild<QLineEdit*>(QStringLiteral("edtSearch")); }
    QPushButton* Button(const char* name) const { return picker->findChild<QPushButton*>(QLatin1String(name)); }

    QModelIndex Node(const QStringList& path) const {
        const QAbstractItemModel* model = Tree()->model();
        QModelIndex node;
        for (const QString& name : path) {
            const QModelIndexList hits =
                model->match(model->index(0, 0, node), Qt::DisplayRole, name, 1, Qt::MatchExactly);
            if (hits.isEmpty())
                return {};
            node = hits.first();
        }
        return node;
    }
    Qt::CheckState Mark(const QStringList& path) const {
        return Node(path).data(Qt::CheckStateRole).value<Qt::CheckState>();
    }
    /// Every place below index shows mark.
    bool SubtreeShows(const QModelIndex& index, Qt::CheckState mark) const {
        const QAbstractItemModel* model = Tree()->model();
        for (int row = 0; row < model->rowCount(index); ++row) {
            const QModelIndex child = model->index(row, 0, index);
            if (child.data(Qt::CheckStateRole).value<Qt::CheckState>() != mark || !SubtreeShows(child, mark))
                return false;
        }
        return true;
    }
    int CountBelow(const QModelIndex& index) const {
        const QAbstractItemModel* model = Tree()->model();
        int count = 0;
        for (int row = 0; row < model->rowCount(index); ++row)
            count += 1 + CountBelow(model->index(row, 0, index));
        return count;
    }

    /// Opens the picker, runs steps while it shows, then presses the button named close
    /// (a failed step still closes it). Returns what Execute returned.
    bool Run(const std::function<void()>& steps, const char* close = "sButton2") {
        AnswerNextDialog([this, steps, close](QWidget* modal) {
            const auto closeAnyway = qScopeGuard([this] {
                if (picker->isVisible())
                    picker->reject();
            });
            QCOMPARE(modal, static_cast<QWidget*>(picker.get()));
            steps();
            if (QTest::currentTestFailed())
                return;
            QTest::mouseClick(Button(close), Qt::LeftButton);
        });
        return picker->Execute();
    }

    TPlace* At(const QStringList& path) const { return PlaceAt(*places, path); }

private Q_SLOTS:
    void initTestCase() {
        folder.InstallShippedRefData();
        places = std::make_unique<TPlaces>(folder.File("Places.tx"));
        QVERIFY(places->Items.size() > 1000);
    }
    void init() { picker = std::make_unique<TfrmSelectLocations>(*places); }
    void cleanup() { picker.reset(); }

    void TheTreeHoldsEveryPlaceCountriesFirst() {
        QCOMPARE(picker->windowTitle(), QStringLiteral("Specify locations"));
        QCOMPARE(picker->findChild<QLabel*>(QStringLiteral("sLabel1"))->text(), QStringLiteral("Locations:"));
        QCOMPARE(Button("btnSearch")->text(), QStringLiteral("Search"));
        QCOMPARE(Button("sButton1")->text(), QStringLiteral("Cancel"));
        QCOMPARE(Button("sButton2")->text(), QStringLiteral("Select"));
        QCOMPARE(Tree()->indentation(), 19);
        QCOMPARE(CountBelow({}), static_cast<int>(places->Items.size()));
        const QAbstractItemModel* model = Tree()->model();
        QCOMPARE(model->rowCount(), static_cast<int>(places->Roots.size()));
        for (int row = 0; row < model->rowCount(); ++row)
            QCOMPARE(model->index(row, 0).data().toString(), QString::fromStdString(places->Roots[row]->Name));
        QCOMPARE(model->index(0, 0).data().toString(), QStringLiteral("united states"));
        QCOMPARE(model->index(1, 0).data().toString(), QStringLiteral("canada"));
        QCOMPARE(model->index(2, 0).data().toString(), QStringLiteral("UK"));
        // The children in file order.
        const TPlace* alaska = At(Alaska);
        QVERIFY(alaska);
        for (std::size_t row = 0; row < alaska->Children.size(); ++row)
            QCOMPARE(model->index(static_cast<int>(row), 0, Node(Alaska)).data().toString(),
                     QString::fromStdString(alaska->Children[row]->Name));
    }

    void ChecksPropagateUpAndDown_data() {
        QTest::addColumn<TToggle>("toggle");
        QTest::newRow("click on the mark") << TToggle(&ClickMark);
        QTest::newRow("space key") << TToggle(&PressSpace);
    }
    void ChecksPropagateUpAndDown() {
        QFETCH(TToggle, toggle);
        Run([&] {
            QTreeView* tree = Tree();
            QCOMPARE(Mark(UnitedStates), Qt::Unchecked);

            toggle(tree, Node(Anchorage));
            QCOMPARE(Mark(Anchorage), Qt::Checked);
            QCOMPARE(Tree()->currentIndex(), Node(Anchorage)); // the click selects too
            QCOMPARE(Mark(Alaska), Qt::PartiallyChecked);
            QCOMPARE(Mark(UnitedStates), Qt::PartiallyChecked);
            QCOMPARE(Mark(Canada), Qt::Unchecked);

            // Every city of the state: the state is checked, the country still partly.
            const QAbstractItemModel* model = tree->model();
            for (int row = 0; row < model->rowCount(Node(Alaska)); ++row)
                if (model->index(row, 0, Node(Alaska)) != Node(Anchorage))
                    toggle(tree, model->index(row, 0, Node(Alaska)));
            QCOMPARE(Mark(Alaska), Qt::Checked);
            QCOMPARE(Mark(UnitedStates), Qt::PartiallyChecked);

            // A partly checked country unchecks with everything below it.
            toggle(tree, Node(UnitedStates));
            QCOMPARE(Mark(UnitedStates), Qt::Unchecked);
            QVERIFY(SubtreeShows(Node(UnitedStates), Qt::Unchecked));

            // A country checks every place below it, down to the neighbourhoods.
            toggle(tree, Node(Canada));
            QCOMPARE(Mark(Canada), Qt::Checked);
            QVERIFY(SubtreeShows(Node(Canada), Qt::Checked));
            toggle(tree, Node(Barrie));
            QCOMPARE(Mark(Barrie), Qt::Unchecked);
            QCOMPARE(Mark(Ontario), Qt::PartiallyChecked);
            QCOMPARE(Mark(Canada), Qt::PartiallyChecked);
            QCOMPARE(Mark({"canada", "quebec"}), Qt::Checked);
            toggle(tree, Node(Barrie));
            QCOMPARE(Mark(Canada), Qt::Checked);
            toggle(tree, Node(Canada));
            QVERIFY(SubtreeShows({}, Qt::Unchecked));
        });
    }

    void ClickingBesideTheMarkOnlySelects() {
        Run([&] {
            QTreeView* tree = Tree();
            const QRect row = tree->visualRect(Node(Canada));
            QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, QPoint(row.right() - 5, row.center().y()));
            QCOMPARE(tree->currentIndex(), Node(Canada));
            QCOMPARE(Mark(Canada), Qt::Unchecked);
            // The branch arrow unfolds without selecting or checking.
            const QRect us = tree->visualRect(Node(UnitedStates));
            QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, QPoint(us.left() - 10, us.center().y()));
            QVERIFY(tree->isExpanded(Node(UnitedStates)));
            QCOMPARE(tree->currentIndex(), Node(Canada));
            QCOMPARE(Mark(UnitedStates), Qt::Unchecked);
        });
    }

    void SelectGivesTheLeavesAndTheHighestChosenPlaces_data() {
        QTest::addColumn<QList<QStringList>>("toggled");
        QTest::addColumn<QList<QStringList>>("roots");
        QTest::newRow("nothing") << QList<QStringList>{} << QList<QStringList>{};
        QTest::newRow("one city") << QList<QStringList>{Fairbanks} << QList<QStringList>{Fairbanks};
        QTest::newRow("a whole state") << QList<QStringList>{Alaska} << QList<QStringList>{Alaska};
        QTest::newRow("every city of a state")
            << QList<QStringList>{Anchorage, Fairbanks, KenaiPeninsula, SoutheastAlaska} << QList<QStringList>{Alaska};
        QTest::newRow("a country") << QList<QStringList>{UK} << QList<QStringList>{UK};
        QTest::newRow("tree order, not click order")
            << QList<QStringList>{Barrie, Canada, Barrie, Fairbanks, UK} << QList<QStringList>{Fairbanks, Barrie, UK};
        QTest::newRow("a state less one city")
            << QList<QStringList>{Alaska, Anchorage} << QList<QStringList>{Fairbanks, KenaiPeninsula, SoutheastAlaska};
    }
    void SelectGivesTheLeavesAndTheHighestChosenPlaces() {
        QFETCH(QList<QStringList>, toggled);
        QFETCH(QList<QStringList>, roots);
        TPlaceList expectedRoots;
        for (const QStringList& path : roots)
            expectedRoots.push_back(At(path));
        QVERIFY(Run([&] {
            for (const QStringList& path : toggled)
                PressSpace(Tree(), Node(path));
        }));
        QCOMPARE(Names(picker->ChosenRoots), Names(expectedRoots));
        QCOMPARE(Names(picker->ChosenPlaces), Names(LeavesOf(expectedRoots)));
    }

    void CancelKeepsBothLists_data() {
        QTest::addColumn<bool>("escape");
        QTest::newRow("Cancel") << false;
        QTest::newRow("Escape") << true;
    }
    void CancelKeepsBothLists() {
        QFETCH(bool, escape);
        picker->ChosenPlaces = {At(Fairbanks)};
        // Not read by the dialog: whatever the caller left there stays.
        picker->ChosenRoots = {At(Canada)};
        AnswerNextDialog([this, escape](QWidget*) {
            PressSpace(Tree(), Node(Canada));
            PressSpace(Tree(), Node(Fairbanks));
            if (escape)
                QTest::keyClick(Tree(), Qt::Key_Escape);
            else
                QTest::mouseClick(Button("sButton1"), Qt::LeftButton);
            if (picker->isVisible())
                picker->reject();
        });
        QVERIFY(!picker->Execute());
        QCOMPARE(Names(picker->ChosenPlaces), Names({At(Fairbanks)}));
        QCOMPARE(Names(picker->ChosenRoots), Names({At(Canada)}));

        // The marks of the cancelled opening are gone at the next.
        Qt::CheckState fairbanks = Qt::Unchecked;
        Qt::CheckState canada = Qt::Checked;
        Run([&] {
            fairbanks = Mark(Fairbanks);
            canada = Mark(Canada);
        });
        QCOMPARE(fairbanks, Qt::Checked);
        QCOMPARE(canada, Qt::Unchecked);
    }

    void ReopeningShowsThePreviousChoice() {
        const QAbstractItemModel* builtOnce = Tree()->model();
        QVERIFY(Run([&] {
            PressSpace(Tree(), Node(Alaska));
            PressSpace(Tree(), Node(Barrie));
        }));
        const QStringList places = Names(picker->ChosenPlaces);
        const QStringList roots = Names(picker->ChosenRoots);
        QVERIFY(Run([&] {
            QCOMPARE(Mark(Alaska), Qt::Checked);
            QCOMPARE(Mark(UnitedStates), Qt::PartiallyChecked);
            QCOMPARE(Mark(Barrie), Qt::Checked);
            QCOMPARE(Mark(Ontario), Qt::PartiallyChecked);
            QCOMPARE(Mark(Canada), Qt::PartiallyChecked);
            QCOMPARE(Mark(UK), Qt::Unchecked);
            // Each opening starts with the tree folded and nothing selected.
            QVERIFY(!Tree()->isExpanded(Node(UnitedStates)));
            QVERIFY(!Tree()->currentIndex().isValid());
            QCOMPARE(Tree()->model(), builtOnce);
        }));
        QCOMPARE(Names(picker->ChosenPlaces), places);
        QCOMPARE(Names(picker->ChosenRoots), roots);
    }

    void AChosenPlaceWithChildrenTakesItsMarkFromThem() {
        picker->ChosenPlaces = {At(Alaska), At(Barrie)};
        QVERIFY(Run([&] {
            QCOMPARE(Mark(Alaska), Qt::Unchecked);
            QCOMPARE(Mark(UnitedStates), Qt::Unchecked);
            QCOMPARE(Mark(Canada), Qt::PartiallyChecked);
        }));
        QCOMPARE(Names(picker->ChosenPlaces), Names({At(Barrie)}));
        QCOMPARE(Names(picker->ChosenRoots), Names({At(Barrie)}));
    }

    void SearchFindsAndSelectsThePlace_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("enter");
        QTest::addColumn<QStringList>("found");
        QTest::newRow("a city, button") << QStringLiteral("fairbanks") << false << Fairbanks;
        QTest::newRow("a city, Enter") << QStringLiteral("fairbanks") << true << Fairbanks;
        QTest::newRow("part of a name") << QStringLiteral("banks") << false << Fairbanks;
        QTest::newRow("the first in tree order")
            << QStringLiteral("ala") << true << QStringList{"united states", "alabama"};
        QTest::newRow("a country in capitals") << QStringLiteral("UK") << false << UK;
        QTest::newRow("letter case counts") << QStringLiteral("Fairbanks") << true << QStringList{};
        QTest::newRow("no such place") << QStringLiteral("atlantis") << false << QStringList{};
    }
    void SearchFindsAndSelectsThePlace() {
        QFETCH(QString, text);
        QFETCH(bool, enter);
        QFETCH(QStringList, found);
        Run([&] {
            // Focus moves only inside the active window: on a busy machine activation lags.
            picker->activateWindow();
            QVERIFY(QTest::qWaitForWindowActive(picker.get()));
            QTreeView* tree = Tree();
            tree->setCurrentIndex(Node(Canada));
            // Twice: every search starts again from the top and finds the same place.
            for (int round = 0; round < 2; ++round) {
                SearchEdit()->setFocus();
                SearchEdit()->clear();
                QTest::keyClicks(SearchEdit(), text);
                if (enter)
                    QTest::keyClick(SearchEdit(), Qt::Key_Return);
                else
                    QTest::mouseClick(Button("btnSearch"), Qt::LeftButton);
                QVERIFY(picker->isVisible());
                if (found.isEmpty()) {
                    QCOMPARE(tree->currentIndex(), Node(Canada));
                    QVERIFY(!tree->isExpanded(Node(UnitedStates)));
                    QVERIFY(!tree->hasFocus());
                    continue;
                }
                const QModelIndex node = Node(found);
                QCOMPARE(tree->currentIndex(), node);
                QVERIFY(tree->selectionModel()->isSelected(node));
                QVERIFY(tree->hasFocus());
                for (QModelIndex above = node.parent(); above.isValid(); above = above.parent())
                    QVERIFY(tree->isExpanded(above));
                QVERIFY(tree->viewport()->rect().intersects(tree->visualRect(node)));
            }
            QCOMPARE(QApplication::overrideCursor(), nullptr);
        });
    }

    void SearchWaitsForText() {
        SearchEdit()->setText(QStringLiteral("left from before"));
        Run([&] {
            QVERIFY(SearchEdit()->text().isEmpty());
            QVERIFY(!Button("btnSearch")->isEnabled());
            SearchEdit()->setFocus();
            // Enter in the empty edit neither searches nor closes the dialog.
            QTest::keyClick(SearchEdit(), Qt::Key_Return);
            QVERIFY(picker->isVisible());
            QVERIFY(!Tree()->currentIndex().isValid());
            QTest::keyClicks(SearchEdit(), QStringLiteral("a"));
            QVERIFY(Button("btnSearch")->isEnabled());
            QTest::keyClick(SearchEdit(), Qt::Key_Backspace);
            QVERIFY(!Button("btnSearch")->isEnabled());
        });
    }

    void ATableWithAParentLoopShowsEachPlaceOnce() {
        TTempDataFolder odd;
        // "a" is a country and the child of its own child "b".
        odd.WriteFile("Places.tx", EncodeRefFile({Place(1, 2, "a", 1), Place(2, 1, "b", 2), Place(3, 0, "c", 1)}));
        TPlaces oddPlaces(odd.File("Places.tx"));
        picker = std::make_unique<TfrmSelectLocations>(oddPlaces);
        const auto beforeTheTable = qScopeGuard([this] { picker.reset(); });
        QVERIFY(Run([&] {
            QCOMPARE(CountBelow({}), 3);
            PressSpace(Tree(), Node({"a"}));
            QCOMPARE(Mark({"a", "b"}), Qt::Checked);
        }));
        QCOMPARE(picker->ChosenRoots.size(), 1u);
        QCOMPARE(picker->ChosenRoots.front()->Name, std::string("a"));
        QCOMPARE(picker->ChosenPlaces.size(), 1u);
        QCOMPARE(picker->ChosenPlaces.front()->Name, std::string("b"));
    }

    void Screenshot() {
        picker->ChosenPlaces = {At(Anchorage), At(Fairbanks), At(Barrie)};
        Run([&] {
            Tree()->expand(Node(UnitedStates));
            Tree()->expand(Node(Alaska));
            Tree()->setCurrentIndex(Node(Fairbanks));
            Tree()->setFocus();
            SaveScreenshot(picker.get(), QStringLiteral("location-picker"));
        });
    }
};

QTEST_MAIN(TfrmSelectLocationsTest)
#include "TfrmSelectLocations_test.moc"
