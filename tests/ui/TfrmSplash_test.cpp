// SPDX-License-Identifier: GPL-3.0-or-later
// ctest-labels: gui
// The About box: its version, the home page link, and closing by a click anywhere else.
#include "ui/TfrmSplash.h"

#include "UiTestSupport.h"

#include <QLabel>
#include <QTimer>
#include <QUrl>
#include <QtTest>

class TfrmSplashTest final : public QObject {
    Q_OBJECT

private:
    const std::string HomePage = "http://www.corvane.test/trawlix/";

private Q_SLOTS:
    void ShowsTheVersionAndTheHomePage() {
        TfrmSplash box(HomePage);
        QString version;
        QTimer::singleShot(0, &box, [&] {
            version = box.lblVersion->text();
            SaveScreenshot(&box, QStringLiteral("about-box"));
            box.accept();
        });
        box.ShowAbout();
        QCOMPARE(version, QStringLiteral(" version: 3.33"));
        QCOMPARE(version, QStringLiteral(" version: ") + QStringLiteral(TRAWLIX_VERSION));
        QVERIFY(box.Label5->text().contains(QString::fromStdString(HomePage)));
    }

    void AClickOnTheLinkOpensTheHomePageAndKeepsTheBox() {
        TOpenedLinks links;
        TfrmSplash box(HomePage);
        bool openAfterClick = false;
        QTimer::singleShot(0, &box, [&] {
            QVERIFY(QTest::qWaitForWindowExposed(&box));
            QTest::mouseClick(box.Label5, Qt::LeftButton, {}, QPoint(8, box.Label5->height() / 2));
            openAfterClick = box.isVisible();
            box.accept();
        });
        box.ShowAbout();
        QVERIFY(openAfterClick);
        QCOMPARE(links.Links, QList<QUrl>{QUrl(QString::fromStdString(HomePage))});
    }

    void AClickAnywhereElseClosesIt_data() {
        QTest::addColumn<QString>("target");
        QTest::newRow("version") << QStringLiteral("lblVersion");
        QTest::newRow("panel") << QStringLiteral("pnlAbout");
        QTest::newRow("box") << QString();
    }
    void AClickAnywhereElseClosesIt() {
        QFETCH(QString, target);
        TOpenedLinks links;
        TfrmSplash box(HomePage);
        QTimer::singleShot(0, &box, [&] {
            QWidget* widget = target.isEmpty() ? &box : box.findChild<QWidget*>(target);
            QVERIFY(widget);
            QTest::mouseClick(widget, Qt::LeftButton, {}, QPoint(2, 2));
        });
        // A box that does not close is closed after a while, and the test fails.
        QTimer::singleShot(5000, &box, [&] { box.reject(); });
        box.ShowAbout();
        QCOMPARE(box.result(), static_cast<int>(QDialog::Accepted));
        QVERIFY(links.Links.isEmpty());
    }
};

QTEST_MAIN(TfrmSplashTest)
#include "TfrmSplash_test.moc"
