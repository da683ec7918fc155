// SPDX-License-Identifier: GPL-3.0-or-later
// ctest-labels: gui db
// The account dialog against a real embedded database, used the way a person uses it.
#include "ui/TfrmMyAccount.h"

#include "UiTestSupport.h"

#include <cstdio>
#include <memory>

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QLineEdit>
#include <QPushButton>
#include <QStandardItemModel>
#include <QTimer>
#include <QtTest>

#include "TTestDatabase.h"
#include "TestSupport.h"
#include "account/Credentials.h"
#include "account/TUser.h"
#include "core/TBackendConnection.h"
#include "session/TSession.h"
#include "ui/TMessageBoxes.h"
#include "ui/TProgramWindows.h"

class TfrmMyAccountTest final : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<TTestDatabase> m_database;
    std::unique_ptr<TTempDataFolder> m_folder;
    std::unique_ptr<TSession> m_session;
    std::string m_address;
    std::string m_key;
    int m_accounts = 0;

    QVariant Column(const std::string& column) const {
        return m_database->Value("SELECT " + column + " FROM USERS WHERE USR_NAME = '" + m_address + "'");
    }

    /// Runs the dialog; act fills it in once it shows and presses what it presses.
    bool Run(TfrmMyAccount& dialog, const std::function<void()>& act) {
        QTimer::singleShot(0, &dialog, [&dialog, act] {
            QVERIFY(QTest::qWaitForWindowExposed(&dialog));
            act();
        });
        // A dialog that stays open is closed after a while, so that a failure cannot hang.
        QTimer::singleShot(15000, &dialog, [&dialog] { dialog.reject(); });
        return dialog.Execute();
    }

    static void Type(QLineEdit* edit, const QString& text) {
        edit->clear();
        QTest::keyClicks(edit, text);
    }

private Q_SLOTS:
    void initTestCase() {
        TTestDatabase::PrepareEmbeddedEngine();
        m_database = std::make_unique<TTestDatabase>();
    }

    void init() {
        m_folder = std::make_unique<TTempDataFolder>();
        TConfig config = m_folder->Config();
        config.AccountDatabase = m_database->File();
        m_session = std::make_unique<TSession>(config);
        m_address = "mia" + std::to_string(++m_accounts) + "@example.com";
        // As in the program: the account database on a thread of its own.
        TProgramWindows::UseDatabaseThread(*m_session);
        const std::optional<TIssuedLoginKey> issued = m_session->WithDatabase(
            [this](TBackendConnection& db) { return IssueLoginKey(db, "Mia Mustermann", m_address); });
        QVERIFY(issued);
        m_key = issued->Key;
        QVERIFY(m_session->BindAccount(m_address, m_key));
        m_session->User->Phone = "5550100";
        m_session->User->NetworkID = 4; // a discontinued carrier, still chosen
        QVERIFY(m_session->WithDatabase([this](TBackendConnection&) { return m_session->User->SaveAccount(""); }));
    }

    void cleanup() { m_session.reset(); }

    void ShowsTheAccountWithItsCarrier() {
        TfrmMyAccount dialog(*m_session);
        Run(dialog, [&] {
            QCOMPARE(dialog.edtLogin->text().toStdString(), m_address);
            QVERIFY(dialog.edtLogin->isReadOnly());
            QCOMPARE(dialog.edtRealName->text(), QStringLiteral("Mia Mustermann"));
            QCOMPARE(dialog.edtPhone->text(), QStringLiteral("5550100"));
            QVERIFY(dialog.edtOldPass->text().isEmpty());
            QCOMPARE(dialog.edtOldPass->echoMode(), QLineEdit::Password);
            QVERIFY(dialog.cbNetwork->isChecked());
            QCOMPARE(dialog.cboxNetworks->currentText(),
                     QStringLiteral("Sprint (US): messaging.sprintpcs.com (discontinued)"));
            QCOMPARE(dialog.cboxNetworks->count(), static_cast<int>(m_session->GsmNetworks.size()));
            auto* model = qobject_cast<QStandardItemModel*>(dialog.cboxNetworks->model());
            QVERIFY(model);
            QVERIFY(!model->item(dialog.cboxNetworks->currentIndex())->isEnabled());
            QCOMPARE(dialog.cboxNetworks->itemText(1), QStringLiteral("Verizon Wireless (US): vtext.com"));
            QVERIFY(model->item(1)->isEnabled());
            // Saving needs the current password; the carriers need the SMS box.
            QVERIFY(!dialog.btnSave->isEnabled());
            QTest::keyClicks(dialog.edtOldPass, QStringLiteral("x"));
            QVERIFY(dialog.btnSave->isEnabled());
            QTest::mouseClick(dialog.cbNetwork, Qt::LeftButton);
            QVERIFY(!dialog.cboxNetworks->isEnabled());
            QTest::mouseClick(dialog.cbNetwork, Qt::LeftButton);
            QVERIFY(dialog.cboxNetworks->isEnabled());
            // Letters typed into the phone are dropped.
            Type(dialog.edtPhone, QStringLiteral("55a5-12"));
            QCOMPARE(dialog.edtPhone->text(), QStringLiteral("55512"));
            dialog.edtOldPass->clear();
            SaveScreenshot(&dialog, QStringLiteral("account-dialog"));
            dialog.btnClose->click();
        });
        QCOMPARE(Column("USR_PHONE").toString(), QStringLiteral("5550100"));
    }

    void TheRightPasswordSavesEverything() {
        TfrmMyAccount dialog(*m_session);
        const bool saved = Run(dialog, [&] {
            Type(dialog.edtRealName, QStringLiteral("Mia M."));
            Type(dialog.edtPhone, QStringLiteral("5550199"));
            Type(dialog.edtEmail,
                 QStringLiteral("mia.alerts") + QString::number(m_accounts) + QStringLiteral("@example.com"));
            dialog.dtpBirthDate->setDate(QDate(1990, 7, 14));
            dialog.cboxNetworks->setCurrentIndex(1);
            Type(dialog.edtOldPass, QString::fromStdString(m_key));
            Type(dialog.edtNewPass, QStringLiteral("new secret"));
            Type(dialog.edtRepeatedNewPass, QStringLiteral("new secret"));
            QTest::mouseClick(dialog.btnSave, Qt::LeftButton);
        });
        QVERIFY(saved);
        QCOMPARE(Column("USR_REAL_NAME").toString(), QStringLiteral("Mia M."));
        QCOMPARE(Column("USR_PHONE").toString(), QStringLiteral("5550199"));
        QCOMPARE(Column("USR_BIRTHDATE").toDate(), QDate(1990, 7, 14));
        QCOMPARE(Column("USR_GSMNETWORKID").toInt(), 2);
        QCOMPARE(Column("USR_PASS").toString().toStdString(), StoredCredential(m_address, "new secret"));
        QCOMPARE(m_session->User->RealName, std::string("Mia M."));
    }

    void RefusedSavesKeepTheDialogAndTheRecord_data() {
        QTest::addColumn<QString>("password");
        QTest::addColumn<QString>("repeated");
        QTest::addColumn<QString>("email");
        QTest::addColumn<bool>("rightPassword");
        QTest::addColumn<QString>("message");
        QTest::newRow("wrong password") << ""
                                        << ""
                                        << "" << false << "The old password is incorrect.";
        QTest::newRow("new passwords differ") << "one"
                                              << "two"
                                              << "" << true << "The two entries of the new password differ.";
        QTest::newRow("only the repeat") << ""
                                         << "two"
                                         << "" << true << "The two entries of the new password differ.";
        QTest::newRow("another account's address")
            << ""
            << ""
            << "MIA1@example.com" << true
            << "This e-mail address is already used by another Trawlix account. Please enter another one.";
    }
    void RefusedSavesKeepTheDialogAndTheRecord() {
        QFETCH(QString, password);
        QFETCH(QString, repeated);
        QFETCH(QString, email);
        QFETCH(bool, rightPassword);
        QFETCH(QString, message);
        TMessageBoxes boxes;
        const QVariant passBefore = Column("USR_PASS");
        TfrmMyAccount dialog(*m_session);
        TShownBox shown;
        bool stayedOpen = false;
        const bool saved = Run(dialog, [&] {
            Type(dialog.edtRealName, QStringLiteral("Not Saved"));
            if (!email.isEmpty())
                Type(dialog.edtEmail, email);
            Type(dialog.edtOldPass, rightPassword ? QString::fromStdString(m_key) : QStringLiteral("wrong"));
            Type(dialog.edtNewPass, password);
            Type(dialog.edtRepeatedNewPass, repeated);
            AnswerNextBox(QStringLiteral("OK"), shown);
            QTest::mouseClick(dialog.btnSave, Qt::LeftButton);
            QVERIFY(WaitUntil([&] { return shown.Answered; }));
            stayedOpen = dialog.isVisible() && dialog.edtRealName->text() == QStringLiteral("Not Saved");
            dialog.btnClose->click();
        });
        QVERIFY(!saved);
        QVERIFY(stayedOpen);
        QCOMPARE(shown.Text, message);
        QCOMPARE(shown.Icon, QMessageBox::Warning);
        QCOMPARE(Column("USR_REAL_NAME").toString(), QStringLiteral("Mia Mustermann"));
        QCOMPARE(Column("USR_PASS"), passBefore);
        QCOMPARE(m_session->User->RealName, std::string("Mia Mustermann"));
    }

    void AnUnreachableDatabaseIsReportedAndChangesNothing() {
        TMessageBoxes boxes;
        TfrmMyAccount dialog(*m_session);
        TShownBox shown;
        const std::string moved = m_database->File() + ".away";
        const bool saved = Run(dialog, [&] {
            Type(dialog.edtRealName, QStringLiteral("Not Saved"));
            Type(dialog.edtOldPass, QString::fromStdString(m_key));
            m_session->WithDatabase([](TBackendConnection& db) { db.Close(); });
            QCOMPARE(std::rename(m_database->File().c_str(), moved.c_str()), 0);
            AnswerNextBox(QStringLiteral("OK"), shown);
            QTest::mouseClick(dialog.btnSave, Qt::LeftButton);
            QVERIFY(WaitUntil([&] { return shown.Answered; }));
            QCOMPARE(std::rename(moved.c_str(), m_database->File().c_str()), 0);
            QVERIFY(dialog.isVisible());
            dialog.btnClose->click();
        });
        QVERIFY(!saved);
        QCOMPARE(shown.Text, QStringLiteral("Error connecting to database server! Please try again later."));
        QCOMPARE(shown.Icon, QMessageBox::Critical);
        QCOMPARE(m_session->User->RealName, std::string("Mia Mustermann"));
        QCOMPARE(Column("USR_REAL_NAME").toString(), QStringLiteral("Mia Mustermann"));
    }
};

QTEST_MAIN(TfrmMyAccountTest)
#include "TfrmMyAccount_test.moc"
