// SPDX-License-Identifier: GPL-3.0-or-later
// ctest-labels: gui db
// An account database server that freezes (SIGSTOP) while the program signs in: the
// window goes on painting and answering its own events while the statement waits, takes no
// clicks meanwhile (nothing is started twice), says why the sign-in failed once the time
// limit is up, and signs in when the server runs again.
#include <memory>
#include <string>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSettings>
#include <QTimer>
#include <QtTest>

#include "TTestDatabase.h"
#include "TestSupport.h"
#include "UiTestSupport.h"
#include "account/TUser.h"
#include "core/TBackendConnection.h"
#include "session/TSession.h"
#include "ui/TMainForm.h"
#include "ui/TMessageBoxes.h"
#include "ui/TProgramWindows.h"

class TFrozenAccountDatabaseTest final : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<TTempDataFolder> folder;
    std::unique_ptr<TMessageBoxes> boxes;

    static void Type(TMainForm& form, const std::string& email, const std::string& key) {
        form.findChild<QLineEdit*>(QStringLiteral("edtEMail"))->setText(QString::fromStdString(email));
        form.findChild<QLineEdit*>(QStringLiteral("edtLoginKey"))->setText(QString::fromStdString(key));
        form.findChild<QCheckBox*>(QStringLiteral("cbRememberMe"))->setChecked(false);
    }

private Q_SLOTS:
    void init() {
        QSettings(QStringLiteral("Corvane"), QStringLiteral("Trawlix")).clear();
        folder = std::make_unique<TTempDataFolder>();
        folder->InstallShippedRefData();
        boxes = std::make_unique<TMessageBoxes>();
    }

    void cleanup() {
        boxes.reset();
        folder.reset();
    }

    void SigningInToAFrozenServerKeepsTheWindowAlive_data() {
        QTest::addColumn<bool>("stop");
        QTest::newRow("waiting for the time limit") << false;
        QTest::newRow("Stop clicked") << true;
    }
    void SigningInToAFrozenServerKeepsTheWindowAlive() {
        QFETCH(bool, stop);
        TTestServer server;
        server.Start();
        const std::string key = server.IssueLoginKey("Hal", "hal@example.com").second;
        TConfig config = folder->Config();
        config.AccountDatabase = server.Address();
        // Stopped, the sign-in must end long before a limit this long would end it.
        config.DatabaseTimeLimitSeconds = stop ? 120 : 3;
        TSession session(config);
        TProgramWindows windows(session);
        TMainForm& form = windows.MainForm();
        windows.Show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        QVERIFY(form.SignInPageShowing());
        // Connected, then frozen: the sign-in's statements get no answer.
        session.WithDatabase([](TBackendConnection& db) { db.Connection(); });
        server.Pause();

        auto* login = form.findChild<QAction*>(QStringLiteral("actLogin"));
        int loginsStarted = 0;
        connect(login, &QAction::triggered, this, [&loginsStarted] { ++loginsStarted; });
        TShownBox shown;
        bool ranDuringTheWait = false;
        bool answering = false;
        QTimer tick;
        tick.setInterval(50);
        connect(&tick, &QTimer::timeout, this, [&] {
            // The wait cursor is up exactly while the database is waited for.
            const bool waiting = QApplication::overrideCursor() != nullptr;
            if (!ranDuringTheWait && waiting) {
                ranDuringTheWait = true;
                form.ActionList1Update();
                QTest::mouseClick(form.findChild<QPushButton*>(QStringLiteral("btnLogin")), Qt::LeftButton);
                if (stop)
                    QTest::mouseClick(form.findChild<QPushButton*>(QStringLiteral("btnStop")), Qt::LeftButton);
            } else if (ranDuringTheWait && !waiting && !stop && !answering) {
                // The message follows the wait, however long the server took to give up.
                answering = true;
                AnswerNextBox(QStringLiteral("OK"), shown);
            }
        });
        tick.start();
        Type(form, "hal@example.com", key);
        login->trigger();
        QVERIFY(WaitUntil([&] { return ranDuringTheWait && !QApplication::overrideCursor(); }, 60000));
        if (!stop)
            QVERIFY(WaitUntil([&] { return shown.Answered; }));
        tick.stop();
        QVERIFY2(ranDuringTheWait, "the window's own events ran while the database was waited for");
        QCOMPARE(loginsStarted, 1);
        if (stop) {
            // Stopped by the user: no message, no question.
            QVERIFY(!WaitUntil([] { return QApplication::activeModalWidget() != nullptr; }, 500));
        } else {
            QVERIFY2(shown.Text.startsWith(QStringLiteral("Trawlix couldn't reach the account database")),
                     qPrintable(shown.Text));
        }
        QVERIFY(!session.User);
        QVERIFY(WaitUntil([&] { return !session.FinishThread && !session.SignedIn; }));
        QVERIFY(form.SignInPageShowing());

        server.Resume();
        login->trigger();
        QVERIFY(WaitUntil([&] { return !form.SignInPageShowing(); }, 60000));
        QVERIFY(session.User);
        QCOMPARE(session.User->EMail, std::string("hal@example.com"));
    }
};

QTEST_MAIN(TFrozenAccountDatabaseTest)
#include "FrozenAccountDatabase_test.moc"
