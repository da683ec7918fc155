// SPDX-License-Identifier: GPL-3.0-or-later
// ctest-labels: gui db net
// "Check for update" end to end: the properties from a real embedded database, the
// installer from the site simulator, the installer handed to the desktop only when it
// came whole; every other end leaves a message and no file.
#include "ui/TfrmUpdate.h"

#include "UiTestSupport.h"

#include <memory>

#include <QDesktopServices>
#include <QDir>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QUrl>
#include <QtTest>

#include "TSiteSimulator.h"
#include "TTestDatabase.h"
#include "TestSupport.h"
#include "session/TSession.h"
#include "ui/TMessageBoxes.h"

/// Takes the files the program hands to the desktop instead of opening them.
class TOpenedFiles final : public QObject {
    Q_OBJECT
public:
    TOpenedFiles() { QDesktopServices::setUrlHandler(QStringLiteral("file"), this, "Open"); }
    ~TOpenedFiles() override { QDesktopServices::unsetUrlHandler(QStringLiteral("file")); }
    QList<QUrl> Opened;

public Q_SLOTS:
    void Open(const QUrl& url) { Opened << url; }
};

class TfrmUpdateTest final : public QObject {
    Q_OBJECT

private:
    static constexpr long long Size = 400 * 1024;
    std::unique_ptr<TTestDatabase> m_database;
    std::unique_ptr<TSiteSimulator> m_simulator;
    std::unique_ptr<TTempDataFolder> m_folder;
    std::unique_ptr<TSession> m_session;

    void Publish(const std::string& version, long long size) {
        m_database->Execute("UPDATE PROPERTIES SET PROP_VALUE = '" + version + "' WHERE PROP_NAME = 'TRAWLIX_VERSION'");
        m_database->Execute("UPDATE PROPERTIES SET PROP_VALUE = 'http://www.corvane.test/trawlix/setup.exe' "
                            "WHERE PROP_NAME = 'TRAWLIX_VERSION_URL'");
        m_database->Execute("UPDATE PROPERTIES SET PROP_VALUE = '" + std::to_string(size) +
                            "' WHERE PROP_NAME = 'TRAWLIX_VERSION_SIZE'");
    }

    QStringList FilesLeft() const {
        QStringList files = QDir(QString::fromStdString(m_folder->Path())).entryList(QDir::Files | QDir::Hidden);
        files.removeAll(QStringLiteral("log.tx"));
        return files;
    }

    /// Parent of the test's answering timers, which end with the test.
    std::unique_ptr<QObject> m_answering;

    /// Answers the boxes in turn, each once the one before has been answered.
    void AnswerBoxes(const QStringList& buttons, QList<TShownBox>& shown) {
        shown.clear();
        for (int i = 0; i < buttons.size(); ++i)
            shown.append(TShownBox());
        AnswerInTurn(buttons, shown, 0);
    }
    void AnswerInTurn(QStringList buttons, QList<TShownBox>& shown, int index) {
        if (index >= buttons.size())
            return;
        AnswerNextBox(buttons[index], shown[index]);
        auto* poll = new QTimer(m_answering.get());
        QObject::connect(poll, &QTimer::timeout, poll, [this, poll, buttons, &shown, index] {
            if (!shown[index].Answered)
                return;
            poll->deleteLater();
            AnswerInTurn(buttons, shown, index + 1);
        });
        poll->start(20);
    }

private Q_SLOTS:
    void initTestCase() {
        TTestDatabase::PrepareEmbeddedEngine();
        m_database = std::make_unique<TTestDatabase>();
        m_simulator = std::make_unique<TSiteSimulator>();
        QVERIFY(m_simulator->Start());
    }

    void init() {
        m_folder = std::make_unique<TTempDataFolder>();
        TConfig config = m_folder->Config();
        config.AccountDatabase = m_database->File();
        config.HttpProxy = m_simulator->Proxy();
        config.MakerServer = "http://www.corvane.test";
        m_session = std::make_unique<TSession>(config);
        m_answering = std::make_unique<QObject>();
    }

    void cleanup() {
        m_answering.reset();
        m_session.reset();
    }

    void TheRunningVersionNeedsNoUpdate() {
        Publish(TRAWLIX_VERSION, Size);
        TMessageBoxes boxes;
        QList<TShownBox> shown;
        AnswerBoxes({QStringLiteral("OK")}, shown);
        TfrmUpdate::CheckForUpdate(*m_session, nullptr, [] {});
        QCOMPARE(shown[0].Text, QStringLiteral("You are using the latest version of Trawlix!"));
        QCOMPARE(shown[0].Icon, QMessageBox::Information);
    }

    void ARightSizeDownloadIsHandedToTheDesktopAndEndsTheProgram() {
        Publish("3.40", Size);
        m_simulator->SetInstaller({Size, TInstallerMode::Whole});
        TMessageBoxes boxes;
        TOpenedFiles files;
        QList<TShownBox> shown;
        AnswerBoxes({QStringLiteral("Yes")}, shown);
        int ended = 0;
        TfrmUpdate::CheckForUpdate(*m_session, nullptr, [&] { ++ended; });
        QCOMPARE(shown[0].Text, QStringLiteral("There is a new Trawlix version available. Do you want to update?"));
        const QString installer = QString::fromStdString(m_folder->File("setup.exe"));
        QCOMPARE(files.Opened, QList<QUrl>{QUrl::fromLocalFile(installer)});
        QCOMPARE(ended, 1);
        QCOMPARE(m_folder->ReadFile("setup.exe"), TSiteSimulator::InstallerBytes(Size));
    }

    void AFailedDownloadIsReportedAndLeavesNothing_data() {
        QTest::addColumn<int>("mode");
        QTest::addColumn<QString>("reason");
        QTest::newRow("short") << static_cast<int>(TInstallerMode::Short) << "incomplete: 204800 of 409600 bytes";
        QTest::newRow("oversized") << static_cast<int>(TInstallerMode::Long) << "more than the published 409600";
        QTest::newRow("server stops half way") << static_cast<int>(TInstallerMode::Drop) << "";
    }
    void AFailedDownloadIsReportedAndLeavesNothing() {
        QFETCH(int, mode);
        QFETCH(QString, reason);
        Publish("3.40", Size);
        m_simulator->SetInstaller({Size, static_cast<TInstallerMode>(mode)});
        m_folder->WriteFile("setup.exe", "left from an earlier attempt");
        TMessageBoxes boxes;
        TOpenedFiles files;
        QList<TShownBox> shown;
        AnswerBoxes({QStringLiteral("Yes"), QStringLiteral("OK")}, shown);
        int ended = 0;
        TfrmUpdate::CheckForUpdate(*m_session, nullptr, [&] { ++ended; });
        QVERIFY(shown[1].Text.startsWith(QStringLiteral("Download error!")));
        QVERIFY2(shown[1].Text.contains(reason), qPrintable(shown[1].Text));
        QCOMPARE(shown[1].Icon, QMessageBox::Critical);
        QVERIFY(files.Opened.isEmpty());
        QCOMPARE(ended, 0);
        QCOMPARE(FilesLeft(), QStringList());
    }

    void AServerThatGoesSilentIsGivenUp() {
        m_simulator->SetInstaller({Size, TInstallerMode::Stall});
        TInstallerDownload download;
        download.URL = "http://www.corvane.test/trawlix/setup.exe";
        download.Target = m_folder->File("setup.exe");
        download.ExpectedSize = Size;
        download.Proxy = m_simulator->Proxy();
        download.MakerServer = "http://www.corvane.test";
        download.LowSpeedTimeSeconds = 2;
        TMessageBoxes boxes;
        TOpenedFiles files;
        QList<TShownBox> shown;
        AnswerBoxes({QStringLiteral("OK")}, shown);
        TfrmUpdate dialog(download);
        dialog.Execute();
        QCOMPARE(dialog.Outcome(), TDownloadOutcome::Failed);
        QVERIFY(shown[0].Text.startsWith(QStringLiteral("Download error!")));
        QVERIFY(files.Opened.isEmpty());
        QCOMPARE(FilesLeft(), QStringList());
    }

    void CancelStopsTheDownloadAndLeavesNothing() {
        const long long size = 2 << 20;
        Publish("3.40", size);
        m_simulator->SetInstaller({size, TInstallerMode::Slow});
        TMessageBoxes boxes;
        TOpenedFiles files;
        QList<TShownBox> shown;
        AnswerBoxes({QStringLiteral("Yes")}, shown);
        int progress = 0;
        auto* poll = new QTimer(m_answering.get());
        connect(poll, &QTimer::timeout, poll, [&, poll] {
            auto* dialog = qobject_cast<TfrmUpdate*>(QApplication::activeModalWidget());
            if (!dialog || dialog->pbDownload->value() < 250)
                return;
            poll->stop();
            progress = dialog->pbDownload->value();
            SaveScreenshot(dialog, QStringLiteral("update-download"));
            // Closing the window is refused while the download runs: it cancels instead.
            dialog->close();
            QVERIFY(dialog->isVisible());
            QTest::mouseClick(dialog->btnCancel, Qt::LeftButton);
        });
        poll->start(50);
        int ended = 0;
        TfrmUpdate::CheckForUpdate(*m_session, nullptr, [&] { ++ended; });
        QVERIFY(progress > 0 && progress < 1000);
        QVERIFY(files.Opened.isEmpty());
        QCOMPARE(ended, 0);
        QCOMPARE(FilesLeft(), QStringList());
    }
};

QTEST_MAIN(TfrmUpdateTest)
#include "TfrmUpdate_test.moc"
