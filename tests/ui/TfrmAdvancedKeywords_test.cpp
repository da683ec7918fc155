// SPDX-License-Identifier: GPL-3.0-or-later
// ctest-labels: gui
// The advanced keywords dialog: fields typed, "GO!" or Cancel pressed, the line it gives.
#include "ui/TfrmAdvancedKeywords.h"

#include <algorithm>

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScopeGuard>
#include <QtTest>

#include "UiTestSupport.h"
#include "search/TSearch.h"

namespace {

const char* const FieldNames[] = {"edtAllThese", "edtOR1", "edtOR2", "edtOR3", "edtExact", "edtNoneOfThese"};

} // namespace

class TfrmAdvancedKeywordsTest final : public QObject {
    Q_OBJECT

    std::unique_ptr<TfrmAdvancedKeywords> dialog;

    QLineEdit* Edit(const char* name) const { return dialog->findChild<QLineEdit*>(QLatin1String(name)); }
    QPushButton* Button(const char* name) const { return dialog->findChild<QPushButton*>(QLatin1String(name)); }

    /// Types fields (name, text) into the dialog as a person does, then closes it with
    /// close: a button's name, or "Enter" / "Escape" pressed in the last field.
    void Answer(const QList<QPair<const char*, QString>>& fields, const QString& close) {
        AnswerNextDialog([this, fields, close](QWidget*) {
            const auto closeAnyway = qScopeGuard([this] {
                if (dialog->isVisible())
                    dialog->reject();
            });
            QLineEdit* last = nullptr;
            for (const auto& [name, text] : fields) {
                last = Edit(name);
                last->setFocus();
                last->selectAll();
                // Qt Test types ASCII only; other text goes in as an input method would.
                const bool ascii = std::all_of(text.begin(), text.end(), [](QChar c) { return c.unicode() < 128; });
                if (ascii)
                    QTest::keyClicks(last, text);
                else
                    last->insert(text);
            }
            if (close == QLatin1String("Enter"))
                QTest::keyClick(last, Qt::Key_Return);
            else if (close == QLatin1String("Escape"))
                QTest::keyClick(last, Qt::Key_Escape);
            else
                QTest::mouseClick(Button(close.toLatin1().constData()), Qt::LeftButton);
        });
    }

private Q_SLOTS:
    void init() { dialog = std::make_unique<TfrmAdvancedKeywords>(); }
    void cleanup() { dialog.reset(); }

    void ShowsTheSixFieldsUnderTheirCaptions() {
        QCOMPARE(dialog->windowTitle(), QStringLiteral("Advanced search"));
        const QList<QPair<const char*, QString>> captions{{"sLabel1", "Find postings that have..."},
                                                          {"sLabel2", "all these words:"},
                                                          {"sLabel3", "this exact wording or phrase:"},
                                                          {"sLabel4", "one or more of these words:"},
                                                          {"sLabel5", "OR"},
                                                          {"sLabel6", "OR"},
                                                          {"sLabel7", "But don't find postings that have..."},
                                                          {"sLabel8", "any of these unwanted words:"}};
        for (const auto& [name, caption] : captions)
            QCOMPARE(dialog->findChild<QLabel*>(QLatin1String(name))->text(), caption);
        for (const char* name : FieldNames) {
            QVERIFY2(Edit(name), name);
            QVERIFY(Edit(name)->text().isEmpty());
        }
        QCOMPARE(Button("sButton1")->text(), QStringLiteral("GO!"));
        QVERIFY(Button("sButton1")->isDefault());
        QCOMPARE(Button("sButton2")->text(), QStringLiteral("Cancel"));
    }

    void GoComposesTheLine_data() {
        QTest::addColumn<QString>("allThese");
        QTest::addColumn<QString>("exact");
        QTest::addColumn<QString>("or1");
        QTest::addColumn<QString>("or2");
        QTest::addColumn<QString>("or3");
        QTest::addColumn<QString>("noneOfThese");
        QTest::addColumn<QString>("line");
        QTest::newRow("every field") << "bike red"
                                     << "mountain bike"
                                     << "trek"
                                     << "giant"
                                     << ""
                                     << "kids used"
                                     << "bike red \"mountain bike\" (trek | giant) -kids -used";
        QTest::newRow("one alternative") << ""
                                         << ""
                                         << ""
                                         << ""
                                         << "trek"
                                         << ""
                                         << "trek";
        QTest::newRow("only unwanted words") << ""
                                             << ""
                                             << ""
                                             << ""
                                             << ""
                                             << "kids used"
                                             << "-kids -used";
        QTest::newRow("blanks trimmed, inner ones kept") << "  bike "
                                                         << " mountain  bike "
                                                         << ""
                                                         << ""
                                                         << ""
                                                         << "  kids  used  "
                                                         << "bike \"mountain  bike\" -kids - -used";
        QTest::newRow("typed syntax passes as typed") << "a|b"
                                                      << "say \"hi\""
                                                      << "-x"
                                                      << ""
                                                      << "y"
                                                      << "-used"
                                                      << "a|b \"say \"hi\"\" (-x | y) --used";
        QTest::newRow("text beyond ASCII") << "café"
                                           << "crème brûlée"
                                           << ""
                                           << ""
                                           << ""
                                           << ""
                                           << "café \"crème brûlée\"";
        QTest::newRow("only blanks") << " "
                                     << "  "
                                     << ""
                                     << " "
                                     << ""
                                     << "   "
                                     << "";
    }
    void GoComposesTheLine() {
        QFETCH(QString, allThese);
        QFETCH(QString, exact);
        QFETCH(QString, or1);
        QFETCH(QString, or2);
        QFETCH(QString, or3);
        QFETCH(QString, noneOfThese);
        QFETCH(QString, line);
        TSearch search;
        search.AdvAllThese = "stale";
        search.AdvOr2 = "stale";
        Answer({{"edtAllThese", allThese},
                {"edtExact", exact},
                {"edtOR1", or1},
                {"edtOR2", or2},
                {"edtOR3", or3},
                {"edtNoneOfThese", noneOfThese}},
               QStringLiteral("sButton1"));
        QCOMPARE(QString::fromStdString(dialog->Compose(&search)), line);
        // The fields show, and the search keeps, the trimmed texts (emptied when blank).
        const TAdvancedKeywords trimmed =
            TAdvancedKeywords{allThese.toStdString(), exact.toStdString(), or1.toStdString(),
                              or2.toStdString(),      or3.toStdString(),   noneOfThese.toStdString()}
                .Trimmed();
        QVERIFY(dialog->Fields() == trimmed);
        QCOMPARE(Edit("edtExact")->text(), QString::fromStdString(trimmed.Exact));
        QVERIFY(TAdvancedKeywords::Of(search) == trimmed);
    }

    void EnterInAFieldIsGo() {
        Answer({{"edtAllThese", "bike"}, {"edtOR1", "trek"}}, QStringLiteral("Enter"));
        QCOMPARE(dialog->Compose(nullptr), std::string("bike trek"));
        // Without a search the fields stay in the dialog only.
        QCOMPARE(dialog->Fields().AllThese, std::string("bike"));
    }

    void CancelUndoesTheTyping_data() {
        QTest::addColumn<bool>("withSearch");
        QTest::addColumn<QString>("close");
        QTest::newRow("with a search, Cancel") << true << "sButton2";
        QTest::newRow("with a search, Escape") << true << "Escape";
        QTest::newRow("without a search, Cancel") << false << "sButton2";
        QTest::newRow("without a search, Escape") << false << "Escape";
    }
    void CancelUndoesTheTyping() {
        QFETCH(bool, withSearch);
        QFETCH(QString, close);
        TSearch search;
        const TAdvancedKeywords kept{"bike", "mountain bike", "trek", "giant", "", "kids"};
        kept.StoreInto(search);
        dialog->SetFields(kept);
        Answer({{"edtAllThese", "car"}, {"edtOR3", "ford"}, {"edtNoneOfThese", "  "}}, close);
        QCOMPARE(dialog->Compose(withSearch ? &search : nullptr), std::string());
        QVERIFY(dialog->Fields() == (withSearch ? kept : TAdvancedKeywords{}));
        QVERIFY(TAdvancedKeywords::Of(search) == kept);
    }

    void ClearFieldsEmptiesAllSix() {
        dialog->SetFields({"a", "b", "c", "d", "e", "f"});
        QCOMPARE(Edit("edtOR3")->text(), QStringLiteral("e"));
        dialog->ClearFields();
        for (const char* name : FieldNames)
            QVERIFY2(Edit(name)->text().isEmpty(), name);
    }

    void Screenshot() {
        dialog->SetFields({"bike red", "mountain bike", "trek", "giant", "", "kids used"});
        AnswerNextDialog([this](QWidget*) {
            Edit("edtAllThese")->setFocus();
            SaveScreenshot(dialog.get(), QStringLiteral("advanced-keywords"));
            dialog->reject();
        });
        dialog->Compose(nullptr);
    }
};

QTEST_MAIN(TfrmAdvancedKeywordsTest)
#include "TfrmAdvancedKeywords_test.moc"
