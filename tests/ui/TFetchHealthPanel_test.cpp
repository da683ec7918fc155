// SPDX-License-Identifier: GPL-3.0-or-later
// ctest-labels: gui
// The list of locations that could not be searched, as the user sees and uses it.
#include "ui/TFetchHealthPanel.h"

#include "UiTestSupport.h"

#include <QLabel>
#include <QPushButton>
#include <QRegularExpression>
#include <QScrollBar>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <QtTest>

namespace {

const std::string Tampa = "united states - florida - tampa bay area";
const std::string Miami = "united states - florida - south florida";

TFailedFetch Failure(const std::string& location, const std::string& reason, int page = 1) {
    return {location, "http://x.craigslist.org/search/act?query=bike&p=" + std::to_string(page), reason, 0, page};
}

using TRows = QList<QStringList>;

} // namespace

class TFetchHealthPanelTest final : public QObject {
    Q_OBJECT

private:
    /// The panel in a window of the search window's width, shown.
    struct TShownPanel {
        TShownPanel() {
            window.resize(760, 300);
            auto* layout = new QVBoxLayout(&window);
            layout->addStretch(1);
            panel = new TFetchHealthPanel(&window);
            layout->addWidget(panel);
            window.show();
        }
        QTreeWidget* List() const { return panel->findChild<QTreeWidget*>(QStringLiteral("lvFailedFetches")); }
        QPushButton* Retry() const { return panel->findChild<QPushButton*>(QStringLiteral("btnRetryFetch")); }
        TRows Rows() const {
            TRows rows;
            for (int i = 0; i < List()->topLevelItemCount(); ++i)
                rows.append({List()->topLevelItem(i)->text(0), List()->topLevelItem(i)->text(1)});
            return rows;
        }
        QWidget window;
        TFetchHealthPanel* panel = nullptr;
    };

private Q_SLOTS:
    void EachFailedLocationIsARowWithItsReason_data() {
        QTest::addColumn<std::vector<TFailedFetch>>("failures");
        QTest::addColumn<TRows>("rows");
        QTest::addColumn<QString>("caption");
        const QString tampa = QString::fromStdString(Tampa);
        const QString miami = QString::fromStdString(Miami);
        QTest::newRow("one") << std::vector<TFailedFetch>{Failure(Tampa, "HTTP status 500")}
                             << TRows{{tampa, QStringLiteral("HTTP status 500")}}
                             << QStringLiteral("1 location could not be searched:");
        QTest::newRow("two in run order")
            << std::vector<TFailedFetch>{Failure(Tampa, "Timeout was reached"), Failure(Miami, "Connection refused")}
            << TRows{{tampa, QStringLiteral("Timeout was reached")}, {miami, QStringLiteral("Connection refused")}}
            << QStringLiteral("2 locations could not be searched:");
        QTest::newRow("both pages of one location, one row")
            << std::vector<TFailedFetch>{Failure(Miami, "HTTP status 503", 1), Failure(Miami, "HTTP status 503", 2)}
            << TRows{{miami, QStringLiteral("HTTP status 503")}} << QStringLiteral("1 location could not be searched:");
        QTest::newRow("two pages, two reasons")
            << std::vector<TFailedFetch>{Failure(Miami, "HTTP status 503", 1), Failure(Miami, "HTTP status 404", 2)}
            << TRows{{miami, QStringLiteral("HTTP status 503; HTTP status 404")}}
            << QStringLiteral("1 location could not be searched:");
        QTest::newRow("UTF-8 names") << std::vector<TFailedFetch>{Failure("méxico - cancún", "HTTP status 500")}
                                     << TRows{{QStringLiteral("méxico - cancún"), QStringLiteral("HTTP status 500")}}
                                     << QStringLiteral("1 location could not be searched:");
    }
    void EachFailedLocationIsARowWithItsReason() {
        QFETCH(std::vector<TFailedFetch>, failures);
        QFETCH(TRows, rows);
        QFETCH(QString, caption);
        TShownPanel shown;
        shown.panel->ShowFailedFetches(failures);
        QVERIFY(shown.panel->isVisible());
        QCOMPARE(shown.Rows(), rows);
        QCOMPARE(shown.panel->findChild<QLabel*>(QStringLiteral("lblFailedFetches"))->text(), caption);
        // The first row is selected, so Retry works at once.
        QCOMPARE(shown.panel->SelectedLocation(), rows.front().front().toStdString());
        QVERIFY(shown.Retry()->isEnabled());
        QString tag = QString::fromLatin1(QTest::currentDataTag());
        tag.replace(QRegularExpression(QStringLiteral("[^A-Za-z0-9]+")), QStringLiteral("-"));
        SaveScreenshot(&shown.window, QStringLiteral("fetch-health-") + tag.toLower());
    }

    void TheListShowsAllButScrollsPastFourRows() {
        TShownPanel shown;
        std::vector<TFailedFetch> failures;
        for (int i = 0; i < 9; ++i)
            failures.push_back(Failure("place " + std::to_string(i), "HTTP status 500"));
        shown.panel->ShowFailedFetches(failures);
        QCOMPARE(shown.List()->topLevelItemCount(), 9);
        QVERIFY(shown.List()->height() < shown.List()->sizeHintForRow(0) * 6 + 40);
        QVERIFY(shown.List()->verticalScrollBar()->maximum() > 0);
    }

    void ThePanelIsHiddenWhileNothingFailed() {
        TShownPanel shown;
        QVERIFY(!shown.panel->isVisible());
        shown.panel->ShowFailedFetches({Failure(Tampa, "HTTP status 500")});
        QVERIFY(shown.panel->isVisible());
        // The next run (or a retry) fetched everything.
        shown.panel->ShowFailedFetches({});
        QVERIFY(!shown.panel->isVisible());
        QCOMPARE(shown.List()->topLevelItemCount(), 0);
        QCOMPARE(shown.panel->SelectedLocation(), std::string());
    }

    void RetryAsksForTheSelectedLocation_data() {
        QTest::addColumn<int>("row");
        QTest::addColumn<bool>("byKeyboard");
        QTest::newRow("first, button") << 0 << false;
        QTest::newRow("second, button") << 1 << false;
        QTest::newRow("second, Enter on the row") << 1 << true;
    }
    void RetryAsksForTheSelectedLocation() {
        QFETCH(int, row);
        QFETCH(bool, byKeyboard);
        TShownPanel shown;
        shown.panel->ShowFailedFetches(
            {Failure(Tampa, "HTTP status 500"), Failure(Miami, "Connection refused"), Failure(Miami, "x", 2)});
        std::vector<std::string> asked;
        connect(shown.panel, &TFetchHealthPanel::RetryRequested, this,
                [&](const std::string& location) { asked.push_back(location); });
        shown.List()->setCurrentItem(shown.List()->topLevelItem(row));
        if (byKeyboard) {
            shown.List()->setFocus();
            QTest::keyClick(shown.List(), Qt::Key_Return);
        } else {
            QTest::mouseClick(shown.Retry(), Qt::LeftButton);
        }
        QCOMPARE(asked, (std::vector<std::string>{row == 0 ? Tampa : Miami}));
    }

    void NoRetryWhileARunIsActive() {
        TShownPanel shown;
        shown.panel->ShowFailedFetches({Failure(Tampa, "HTTP status 500")});
        int asked = 0;
        connect(shown.panel, &TFetchHealthPanel::RetryRequested, this, [&] { ++asked; });
        shown.panel->SetRetryEnabled(false);
        QVERIFY(!shown.Retry()->isEnabled());
        shown.List()->setFocus();
        QTest::keyClick(shown.List(), Qt::Key_Return);
        QCOMPARE(asked, 0);
        shown.panel->SetRetryEnabled(true);
        QVERIFY(shown.Retry()->isEnabled());
        QTest::mouseClick(shown.Retry(), Qt::LeftButton);
        QCOMPARE(asked, 1);
    }
};

QTEST_MAIN(TFetchHealthPanelTest)
#include "TFetchHealthPanel_test.moc"
