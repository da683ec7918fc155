// SPDX-License-Identifier: GPL-3.0-or-later
// ctest-labels: gui db net
// The main window as a person uses it: signing in (with and without an account), the
// stored values, the searches page, the tray, the single instance, skins and the
// new-results check, with the real session, database, mail server and site simulator.
#include "ui/TMainForm.h"
#include "ui/TProgramWindows.h"
#include "ui/TfrmNewSearch.h"

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDir>
#include <QFile>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProcess>
#include <QScreen>
#include <QSettings>
#include <QStackedWidget>
#include <QTimer>
#include <QTreeWidget>
#include <QUuid>
#include <QtTest>

#include "TSiteSimulator.h"
#include "TSmtpTestServer.h"
#include "TTestDatabase.h"
#include "TestSupport.h"
#include "UiTestSupport.h"
#include "account/Credentials.h"
#include "account/TUser.h"
#include "core/TSingleInstance.h"
#include "notify/TNewResultsMonitor.h"
#include "refdata/TCategories.h"
#include "refdata/TPlaces.h"
#include "search/TLatestEntry.h"
#include "search/TSearch.h"
#include "search/TSearchRun.h"
#include "session/TSession.h"
#include "store/TSearches.h"
#include "store/TSettings.h"
#include "ui/TDesktopNotifier.h"
#include "ui/TfrmSelectLocations.h"
#include "ui/TMessageBoxes.h"
#include "ui/TSkins.h"

namespace {

constexpr int Miami = 253;
constexpr int Activities = 2; // "act"
const std::string Word = "zebracorn";
const QString Program = QStringLiteral(TRAWLIX_BINARY_DIR "/app/trawlix");

QSettings Stored() {
    return QSettings(QStringLiteral("Corvane"), QStringLiteral("Trawlix"));
}

struct TSearchSpec {
    std::string Name;
    /// A marker for the site's first page of Miami that the site no longer shows on top.
    bool StaleMarker = false;
    bool Marked = false;
};

/// Stands in for the desktop's notification service on the test's own session bus and
/// records what it is asked to show.
class TFakeNotifications final : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")
public:
    struct TNotice {
        QString App;
        QString Summary;
        QString Body;
        QStringList Actions;
    };
    std::vector<TNotice> Received;

    TFakeNotifications() : m_bus(QDBusConnection::connectToBus(QDBusConnection::SessionBus, QStringLiteral("fake"))) {
        m_bus.registerObject(QLatin1String(TDesktopNotifier::Path), this, QDBusConnection::ExportAllSlots);
        m_bus.registerService(QLatin1String(TDesktopNotifier::Service));
    }
    ~TFakeNotifications() override {
        m_bus.unregisterService(QLatin1String(TDesktopNotifier::Service));
        m_bus.unregisterObject(QLatin1String(TDesktopNotifier::Path));
        QDBusConnection::disconnectFromBus(QStringLiteral("fake"));
    }
    /// The user clicks the notice with this id.
    void Click(uint id) {
        QDBusMessage signal =
            QDBusMessage::createSignal(QLatin1String(TDesktopNotifier::Path), QLatin1String(TDesktopNotifier::Service),
                                       QStringLiteral("ActionInvoked"));
        signal << id << QStringLiteral("default");
        m_bus.send(signal);
    }

public Q_SLOTS:
    uint Notify(const QString& app, uint, const QString&, const QString& summary, const QString& body,
                const QStringList& actions, const QVariantMap&, int) {
        Received.push_back({app, summary, body, actions});
        return static_cast<uint>(Received.size());
    }
    QStringList GetCapabilities() { return {QStringLiteral("actions"), QStringLiteral("body")}; }

private:
    QDBusConnection m_bus;
};

} // namespace

class TMainFormTest final : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<TTempDataFolder> folder;
    std::unique_ptr<TMessageBoxes> boxes;

    TConfig Config(const std::string& database = {}) const {
        TConfig config = folder->Config();
        if (!database.empty())
            config.AccountDatabase = database;
        config.ParserPauseMs = 0;
        return config;
    }

    /// Writes a searches file holding these searches, in this order.
    void WriteSearches(const std::vector<TSearchSpec>& specs) {
        TSession writer(Config());
        writer.SetTables(std::make_unique<TPlaces>(folder->File("Places.tx")),
                         std::make_unique<TCategories>(folder->File("Categories.tx")));
        TSearches searches(writer.SearchesContext());
        int id = 1;
        for (const TSearchSpec& spec : specs) {
            TSearch search(&writer.SearchContext());
            search.SearchId = id++;
            search.Name = spec.Name;
            search.Category = writer.Categories->FindById(Activities);
            search.PositiveKeywords = Word;
            const TPlaceList leaves{writer.Places->FindById(Miami)};
            search.SetLocations(leaves);
            search.SetLeafLocations(leaves);
            search.NewResultsAvailable = spec.Marked;
            if (spec.StaleMarker)
                search.LatestEntries.push_back(std::make_unique<TLatestEntry>(
                    Miami, "http://miami.craigslist.org/act/1.html", search.MakeSearchLink(leaves, 0, 1)));
            searches.Save(search, true, false);
        }
    }

    /// Five postings in Miami's activities, enough that the site fills its page with them.
    static void AddWalks(TSiteSimulator& simulator) {
        for (int i = 0; i < 5; ++i) {
            TSimPosting posting;
            posting.Site = "miami";
            posting.Category = "act";
            posting.Title = Word + " walk";
            posting.Body = "join us";
            simulator.AddPosting(posting);
        }
    }

    static QStringList ListCaptions(TMainForm& form) {
        auto* list = form.findChild<QTreeWidget*>(QStringLiteral("slvSearches"));
        QStringList captions;
        for (int row = 0; row < list->topLevelItemCount(); ++row)
            captions << list->topLevelItem(row)->text(0);
        return captions;
    }

    static QStringList ItemNames(TSession& session) {
        QStringList names;
        for (const auto& search : session.Searches->Items)
            names << QString::fromStdString(search->Name);
        return names;
    }

    static bool OnSearchesPage(TMainForm& form) { return !form.SignInPageShowing(); }

    static QAction* Action(TMainForm& form, const char* name) { return form.findChild<QAction*>(QLatin1String(name)); }

    static QString StatusPanel(TMainForm& form, const char* name) {
        form.ActionList1Update();
        return form.findChild<QLabel*>(QLatin1String(name))->text();
    }

    static void Type(TMainForm& form, const QString& email, const QString& key, bool remember) {
        form.findChild<QLineEdit*>(QStringLiteral("edtEMail"))->setText(email);
        form.findChild<QLineEdit*>(QStringLiteral("edtLoginKey"))->setText(key);
        form.findChild<QCheckBox*>(QStringLiteral("cbRememberMe"))->setChecked(remember);
    }

    static void Select(TMainForm& form, int row) {
        auto* list = form.findChild<QTreeWidget*>(QStringLiteral("slvSearches"));
        list->setCurrentItem(list->topLevelItem(row));
        list->topLevelItem(row)->setSelected(true);
        form.ActionList1Update();
    }

    static const TSearch* SearchWithId(const std::vector<std::unique_ptr<TSearch>>& searches, int searchId) {
        for (const auto& search : searches)
            if (search->SearchId == searchId)
                return search.get();
        return nullptr;
    }

    /// Chooses an item of one of the search window's lists, as a click does.
    static void ChooseInCombo(QWidget& window, const char* name, const QString& text) {
        auto* combo = window.findChild<QComboBox*>(QLatin1String(name));
        const int index = combo->findText(text);
        QVERIFY2(index >= 0, qPrintable(text));
        combo->setCurrentIndex(index);
        Q_EMIT combo->activated(index);
    }

    /// Issues a login key for a new account in the database.
    static std::string NewAccount(TSession& session, const std::string& email) {
        const std::optional<TIssuedLoginKey> issued =
            session.WithDatabase([&](TBackendConnection& db) { return IssueLoginKey(db, "Pat", email); });
        return issued ? issued->Key : std::string();
    }

    std::unique_ptr<QProcess> StartProgram(const TTempDataFolder& data, const QString& instance) const {
        auto process = std::make_unique<QProcess>();
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("TRAWLIX_DATA_DIR"), QString::fromStdString(data.Path()));
        environment.insert(QStringLiteral("TRAWLIX_INSTANCE_NAME"), instance);
        process->setProcessEnvironment(environment);
        process->start(Program, {});
        return process;
    }

private Q_SLOTS:
    void init() {
        Stored().clear();
        RememberSignInWithoutAccount();
        folder = std::make_unique<TTempDataFolder>();
        folder->InstallShippedRefData();
        boxes = std::make_unique<TMessageBoxes>();
        TSkins::Apply(folder->Path(), "");
    }

    void cleanup() {
        boxes.reset();
        folder.reset();
    }

    void ARememberedSignInWithoutAnAccountStartsAtOnce() {
        TSession session(Config());
        TProgramWindows::UseDatabaseThread(session);
        TMainForm form(session);
        form.show();
        // Signing in has started before the window is even shown.
        QCOMPARE(session.Status, std::string("Connecting..."));
        QVERIFY(form.SignInPageShowing());
        QVERIFY(form.findChild<QLineEdit*>(QStringLiteral("edtEMail"))->text().isEmpty());
        QVERIFY(form.findChild<QLineEdit*>(QStringLiteral("edtLoginKey"))->text().isEmpty());
        QVERIFY(form.findChild<QCheckBox*>(QStringLiteral("cbRememberMe"))->isChecked());
        QVERIFY(!form.findChild<QCheckBox*>(QStringLiteral("cbRunAtStartup"))->isEnabled());
        form.ActionList1Update();
        QVERIFY(Action(form, "actStop")->isEnabled());
        QVERIFY(!Action(form, "actGetKey")->isEnabled());

        QVERIFY(WaitUntil([&] { return OnSearchesPage(form); }));
        QCOMPARE(StatusPanel(form, "StatusOnline"), QStringLiteral("Online"));
        QCOMPARE(StatusPanel(form, "StatusText"), QStringLiteral("Idle"));
        QCOMPARE(session.SignedInUserId(), -1);
        QVERIFY(session.Searches);
        QVERIFY(!Action(form, "actStop")->isEnabled());
        QVERIFY(Action(form, "actSignOut")->isEnabled());
        QVERIFY2(!Action(form, "actMyAccount")->isEnabled(), "no account to show");
        // No key is stored for a sign-in without an account.
        QVERIFY(Stored().value(QStringLiteral("LoginKey")).toString().isEmpty());
    }

    void StopGivesNoQuestionAndAFailureAsksToReconnect() {
        {
            TSession session(Config());
            TProgramWindows::UseDatabaseThread(session);
            TMainForm form(session);
            // The sign-in thread is still loading: Stop ends it as stopped by the user.
            Action(form, "actStop")->trigger();
            QVERIFY(!WaitUntil([] { return QApplication::activeModalWidget() != nullptr; }, 500));
            QVERIFY(form.SignInPageShowing());
            QCOMPARE(session.Status, std::string("Idle"));
            QVERIFY(!session.SignedIn);
            QCOMPARE(session.TakeCancelled(), 0);
            QCOMPARE(StatusPanel(form, "StatusOnline"), QStringLiteral("Offline"));
        }
        // Without reference data the sign-in fails: Yes tries again with the same fields.
        QFile::remove(QString::fromStdString(folder->File("Places.tx")));
        Stored().setValue(QStringLiteral("LoginEMail"), QStringLiteral("ann@example.com"));
        Stored().setValue(QStringLiteral("LoginKey"), QStringLiteral("the key"));
        TShownBox first;
        TShownBox second;
        AnswerNextBox(QStringLiteral("Yes"), first);
        TSession session(Config());
        TProgramWindows::UseDatabaseThread(session);
        TMainForm form(session);
        QVERIFY(WaitUntil([&] { return first.Answered; }));
        QCOMPARE(first.Text, QStringLiteral("Trawlix wasn't able to connect. Reconnect?"));
        AnswerNextBox(QStringLiteral("No"), second);
        QVERIFY(WaitUntil([&] { return second.Answered; }));
        QCOMPARE(second.Text, first.Text);
        QVERIFY(form.SignInPageShowing());
        QCOMPARE(form.findChild<QLineEdit*>(QStringLiteral("edtEMail"))->text(), QStringLiteral("ann@example.com"));
        QVERIFY(!form.findChild<QLineEdit*>(QStringLiteral("edtEMail"))->isReadOnly());
    }

    void SignInWithAnAccountAndTheValuesKeptForTheNextStart_data() {
        QTest::addColumn<bool>("remember");
        QTest::newRow("Remember me ticked") << true;
        QTest::newRow("Remember me unticked") << false;
    }
    void SignInWithAnAccountAndTheValuesKeptForTheNextStart() {
        QFETCH(bool, remember);
        TTestDatabase database;
        std::string key;
        {
            TSession session(Config(database.File()));
            key = NewAccount(session, "pat@example.com");
            QVERIFY(!key.empty());
        }
        {
            TSession session(Config(database.File()));
            TProgramWindows::UseDatabaseThread(session);
            TMainForm form(session);
            QVERIFY(WaitUntil([&] { return OnSearchesPage(form); }));
            Action(form, "actSignOut")->trigger();
            QVERIFY(form.SignInPageShowing());
            QVERIFY(WaitUntil([&] { return !session.FinishThread; }));
            QVERIFY2(form.SignInPageShowing(), "after signing out the page waits for the user");
            Type(form, QStringLiteral("Pat@Example.com"), QString::fromStdString(key), remember);
            Action(form, "actLogin")->trigger();
            QVERIFY(WaitUntil([&] { return OnSearchesPage(form); }));
            QVERIFY(session.User);
            QCOMPARE(session.User->EMail, std::string("pat@example.com"));
        }
        // The next start fills the fields only when the user asked for it.
        TSession session(Config(database.File()));
        TProgramWindows::UseDatabaseThread(session);
        TMainForm form(session);
        const auto* email = form.findChild<QLineEdit*>(QStringLiteral("edtEMail"));
        QCOMPARE(email->text(), remember ? QStringLiteral("Pat@Example.com") : QString());
        QCOMPARE(form.findChild<QCheckBox*>(QStringLiteral("cbRememberMe"))->isChecked(), remember);
        if (!remember) {
            // Nothing remembered: the page waits for the user.
            QTest::qWait(300);
            QVERIFY(form.SignInPageShowing());
            return;
        }
        QVERIFY(WaitUntil([&] { return OnSearchesPage(form); }));
        QVERIFY(session.User);
        if (remember) {
            const QFile::Permissions permissions = QFile::permissions(Stored().fileName());
            QVERIFY2(!(permissions & (QFile::ReadGroup | QFile::ReadOther)), "the stored key is the user's alone");
        }
    }

    void AWrongKeyOrAnUnreachableDatabaseSaysSoAndSignsNobodyIn_data() {
        QTest::addColumn<bool>("reachable");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("message");
        QTest::newRow("wrong key") << true << QStringLiteral("not the key")
                                   << QStringLiteral("No Trawlix account matches this e-mail and login key");
        QTest::newRow("key missing") << true << QString() << QStringLiteral("Please enter both your e-mail");
        QTest::newRow("database unreachable")
            << false << QStringLiteral("any key") << QStringLiteral("Trawlix couldn't reach the account database");
    }
    void AWrongKeyOrAnUnreachableDatabaseSaysSoAndSignsNobodyIn() {
        QFETCH(bool, reachable);
        QFETCH(QString, key);
        QFETCH(QString, message);
        TTestDatabase database;
        {
            TSession session(Config(database.File()));
            QVERIFY(!NewAccount(session, "pat@example.com").empty());
        }
        Stored().setValue(QStringLiteral("LoginEMail"), QStringLiteral("pat@example.com"));
        Stored().setValue(QStringLiteral("LoginKey"), key);
        TShownBox shown;
        AnswerNextBox(QStringLiteral("OK"), shown);
        TSession session(Config(reachable ? database.File() : std::string("127.0.0.1/1:TRAWLIX")));
        TProgramWindows::UseDatabaseThread(session);
        TMainForm form(session);
        form.show();
        QVERIFY(WaitUntil([&] { return shown.Answered; }, 60000));
        QVERIFY2(shown.Text.startsWith(message), qPrintable(shown.Text));
        QCOMPARE(shown.Icon, QMessageBox::Critical);
        QVERIFY(WaitUntil([&] { return !session.FinishThread && !session.SignedIn; }));
        // No reconnect question follows, and the page keeps what was typed.
        QVERIFY(!WaitUntil([] { return QApplication::activeModalWidget() != nullptr; }, 300));
        QVERIFY(form.SignInPageShowing());
        QVERIFY(!session.User);
        QCOMPARE(StatusPanel(form, "StatusOnline"), QStringLiteral("Offline"));
        QCOMPARE(form.findChild<QLineEdit*>(QStringLiteral("edtEMail"))->text(), QStringLiteral("pat@example.com"));
        if (reachable && !key.isEmpty())
            SaveScreenshot(&form, QStringLiteral("main-window-sign-in"));
    }

    void TheLoginKeyComesByMailAndSignsIn() {
        TTestDatabase database;
        TConfig config = Config(database.File());
        TSmtpTestServer mail("login", config.MailSender, config.MailPassword);
        config.MailHost = "127.0.0.1";
        config.MailPort = mail.Port();
        TSession session(config);
        TProgramWindows::UseDatabaseThread(session);
        TMainForm form(session);
        QVERIFY(WaitUntil([&] { return OnSearchesPage(form); }));
        Action(form, "actSignOut")->trigger();
        QVERIFY(WaitUntil([&] { return !session.FinishThread; }));
        Type(form, QStringLiteral("quinn@example.com"), QString(), true);
        form.ActionList1Update();
        QVERIFY(Action(form, "actGetKey")->isEnabled());

        // An empty name is refused before anything is issued.
        TShownBox question;
        TShownBox refusal;
        AnswerNextBox(QStringLiteral("Yes"), question);
        AnswerNextDialog([&](QWidget* dialog) {
            auto* input = qobject_cast<QInputDialog*>(dialog);
            QVERIFY(input);
            QCOMPARE(input->windowTitle(), QStringLiteral("Getting login key.."));
            QCOMPARE(input->labelText(), QStringLiteral("Please enter your name:"));
            AnswerNextBox(QStringLiteral("OK"), refusal);
            input->accept();
        });
        Action(form, "actGetKey")->trigger();
        QCOMPARE(question.Text, QStringLiteral("The login key will be sent to your e-mail. Is it valid one?"));
        QCOMPARE(refusal.Text, QStringLiteral("Please enter a valid name!"));

        TShownBox sent;
        AnswerNextBox(QStringLiteral("Yes"), question);
        AnswerNextDialog([&](QWidget* dialog) {
            auto* input = qobject_cast<QInputDialog*>(dialog);
            input->setTextValue(QStringLiteral("Quinn"));
            AnswerNextBox(QStringLiteral("OK"), sent);
            input->accept();
        });
        Action(form, "actGetKey")->trigger();
        QCOMPARE(sent.Text, QStringLiteral("An e-mail containing you login key is being sent to your address."));
        const std::vector<TSmtpTestServer::Mail> mails = mail.WaitForMails(1);
        QCOMPARE(mails.size(), std::size_t(1));
        const TSmtpTestServer::Mail& received = mails[0];
        QCOMPARE(received.To, std::vector<std::string>{"quinn@example.com"});
        QVERIFY(received.Data.find("Subject: Login key for TrawlixFree") != std::string::npos);
        const std::string marker = "TrawlixFree login key: ";
        const std::size_t at = received.Data.find(marker);
        QVERIFY(at != std::string::npos);
        const std::string key =
            received.Data.substr(at + marker.size(), received.Data.find('\r', at) - at - marker.size());
        QVERIFY(!key.empty());
        QVERIFY(received.Data.find("Here is your login key dear Quinn.") != std::string::npos);

        // The key from the mail is the one the database issued: it signs in.
        form.findChild<QLineEdit*>(QStringLiteral("edtLoginKey"))->setText(QString::fromStdString(key));
        Action(form, "actLogin")->trigger();
        QVERIFY(WaitUntil([&] { return OnSearchesPage(form); }));
        QVERIFY(session.User);
        QCOMPARE(session.User->RealName, std::string("Quinn"));
        QVERIFY2(folder->ReadFile("log.tx").find(key) == std::string::npos, "the key never reaches the log");
    }

    void TheCheckRunsAtTheStoredIntervalFromTheSignIn_data() {
        QTest::addColumn<QVariant>("stored");
        QTest::addColumn<int>("interval");
        QTest::newRow("20 minutes stored") << QVariant(1200000) << 1200000;
        QTest::newRow("none stored") << QVariant() << 900000;
    }
    void TheCheckRunsAtTheStoredIntervalFromTheSignIn() {
        QFETCH(QVariant, stored);
        QFETCH(int, interval);
        if (stored.isValid())
            Stored().setValue(QStringLiteral("SearchRefreshInterval"), stored);
        TSession session(Config());
        TProgramWindows::UseDatabaseThread(session);
        TMainForm form(session);
        QCOMPARE(form.SearchTimer->interval(), 900000);
        QVERIFY(WaitUntil([&] { return OnSearchesPage(form); }));
        QCOMPARE(form.SearchTimer->interval(), interval);
        QVERIFY(form.SearchTimer->isActive());
    }

    void MovingSearchesKeepsTheListAndTheSearchesInOneOrder_data() {
        QTest::addColumn<int>("row");
        QTest::addColumn<QString>("action");
        QTest::addColumn<QStringList>("order");
        QTest::addColumn<int>("selectedAfter");
        const QStringList unchanged{QStringLiteral("one"), QStringLiteral("two"), QStringLiteral("three")};
        QTest::newRow("up at the top") << 0 << QStringLiteral("actUp") << unchanged << 0;
        QTest::newRow("down at the bottom") << 2 << QStringLiteral("actDown") << unchanged << 2;
        QTest::newRow("up") << 2 << QStringLiteral("actUp")
                            << QStringList{QStringLiteral("one"), QStringLiteral("three"), QStringLiteral("two")} << 1;
        QTest::newRow("down") << 0 << QStringLiteral("actDown")
                              << QStringList{QStringLiteral("two"), QStringLiteral("one"), QStringLiteral("three")}
                              << 1;
    }
    void MovingSearchesKeepsTheListAndTheSearchesInOneOrder() {
        QFETCH(int, row);
        QFETCH(QString, action);
        QFETCH(QStringList, order);
        QFETCH(int, selectedAfter);
        WriteSearches({{"one"}, {"two"}, {"three"}});
        TSession session(Config());
        TProgramWindows::UseDatabaseThread(session);
        TMainForm form(session);
        QVERIFY(WaitUntil([&] { return OnSearchesPage(form); }));
        Select(form, row);
        form.findChild<QAction*>(action)->trigger();
        QCOMPARE(ListCaptions(form), order);
        QCOMPARE(ItemNames(session), order);
        auto* list = form.findChild<QTreeWidget*>(QStringLiteral("slvSearches"));
        QCOMPARE(list->indexOfTopLevelItem(list->currentItem()), selectedAfter);
    }

    void DeletingASearchAsksFirst() {
        WriteSearches({{"one"}, {"two"}});
        TSession session(Config());
        TProgramWindows::UseDatabaseThread(session);
        TMainForm form(session);
        QVERIFY(WaitUntil([&] { return OnSearchesPage(form); }));
        for (const QString& answer : {QStringLiteral("No"), QStringLiteral("Yes")}) {
            Select(form, 0);
            TShownBox shown;
            AnswerNextBox(answer, shown);
            Action(form, "actDelete")->trigger();
            QCOMPARE(shown.Text, QStringLiteral("Do you confirm deletion?"));
        }
        QCOMPARE(ListCaptions(form), QStringList{QStringLiteral("two")});
        QCOMPARE(ItemNames(session), QStringList{QStringLiteral("two")});
        session.Searches.reset();
        QVERIFY(folder->ReadFile("SearchesTXF.tx").find("\"one\"") == std::string::npos);
    }

    void TheNotifyActionsShowTheSelectedSearchesChoice() {
        WriteSearches({{"one"}, {"two"}});
        TSession session(Config());
        TProgramWindows::UseDatabaseThread(session);
        TMainForm form(session);
        QVERIFY(WaitUntil([&] { return OnSearchesPage(form); }));
        form.ActionList1Update();
        QVERIFY2(!Action(form, "actNotifySMS")->isEnabled(), "nothing selected");
        Select(form, 1);
        Action(form, "actNotifySMS")->trigger();
        QVERIFY(session.Searches->Items[1]->NotifySms);
        QVERIFY(Action(form, "actNotifySMS")->isChecked());
        QVERIFY(!Action(form, "actNotifyEMail")->isChecked());
        Select(form, 0);
        QVERIFY(!Action(form, "actNotifySMS")->isChecked());
        Action(form, "actNotifyEMail")->trigger();
        QVERIFY(session.Searches->Items[0]->NotifyEmail);
        Action(form, "actNotifyEMail")->trigger();
        QVERIFY(!session.Searches->Items[0]->NotifyEmail);
        QVERIFY(!Action(form, "actNotifyEMail")->isChecked());
    }

    void F5ChecksTheSearchesAndMarksOneWithNewResultsYellow() {
        TSiteSimulator simulator;
        QVERIFY(simulator.Start());
        AddWalks(simulator);
        WriteSearches({{"Beach walks"}, {"Zebracorn sightings", true}, {"Never run yet"}});
        TConfig config = Config();
        config.HttpProxy = simulator.Proxy();
        config.BannerServer = "http://127.0.0.1:1";
        TSession session(config);
        // The windows as the program builds them, so that the actions are as a user sees them;
        // the page of saved searches stays after the sign-in.
        TProgramWindows windows(session);
        TMainForm& form = windows.MainForm();
        form.OpenSearchWindow = nullptr;
        form.show();
        QVERIFY(WaitUntil([&] { return OnSearchesPage(form); }));
        auto* list = form.findChild<QTreeWidget*>(QStringLiteral("slvSearches"));
        QVERIFY(!list->topLevelItem(1)->background(0).color().isValid() ||
                list->topLevelItem(1)->background(0).style() == Qt::NoBrush);

        form.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&form));
        QTest::keyClick(&form, Qt::Key_F5);
        QCOMPARE(session.Status, std::string(TNewResultsMonitor::CheckingStatus));
        form.ActionList1Update();
        QVERIFY(!Action(form, "actUp")->isEnabled() && !Action(form, "actAdd")->isEnabled());
        QVERIFY(WaitUntil([&] { return session.Status == "Idle"; }));
        QVERIFY(session.Searches->Items[1]->NewResultsAvailable);
        QVERIFY(!session.Searches->Items[0]->NewResultsAvailable);
        form.ActionList1Update();
        QCOMPARE(list->topLevelItem(1)->background(0).color(), QColor(255, 255, 128));
        QCOMPARE(list->topLevelItem(0)->background(0).style(), Qt::NoBrush);
        Select(form, 0);
        QVERIFY(Action(form, "actAdd")->isEnabled());
        SaveScreenshot(&form, QStringLiteral("main-window-searches"));

        // The same pass in a dark skin, as a person would see it.
        TSkins::Apply(folder->Path(), "");
        InstallShippedSkins(folder->Path());
        QVERIFY(TSkins::Available(folder->Path()).contains(QStringLiteral("Dark")));
        session.Settings->CustomSkin = "Dark";
        form.ApplySkin();
        QVERIFY(!qApp->styleSheet().isEmpty());
        QCOMPARE(TSkins::Current(), QStringLiteral("Dark"));
        SaveScreenshot(&form, QStringLiteral("main-window-dark-skin"));
        session.Settings->CustomSkin = "Missing";
        form.ApplySkin();
        QVERIFY2(qApp->styleSheet().isEmpty(), "an unknown skin falls back to the default");
        session.Settings->CustomSkin.clear();
    }

    void NewResultsShowANoticeOnTheDesktopThatBringsTheSearchBack_data() {
        QTest::addColumn<bool>("noticesOn");
        QTest::newRow("notices on") << true;
        QTest::newRow("notices turned off") << false;
    }
    void NewResultsShowANoticeOnTheDesktopThatBringsTheSearchBack() {
        QFETCH(bool, noticesOn);
        TFakeNotifications service;
        TSiteSimulator simulator;
        QVERIFY(simulator.Start());
        AddWalks(simulator);
        WriteSearches({{"Beach walks"}, {"Zebracorn sightings", true}});
        TConfig config = Config();
        config.HttpProxy = simulator.Proxy();
        config.BannerServer = "http://127.0.0.1:1";
        TSession session(config);
        session.Settings->DesktopNotices = noticesOn;
        // The windows as the program builds them: the search window opens from the notice.
        TProgramWindows windows(session);
        TMainForm& form = windows.MainForm();
        form.OpenSearchWindow = nullptr; // stay on the searches page after the sign-in
        form.show();
        QVERIFY(WaitUntil([&] { return OnSearchesPage(form); }));
        form.OpenSearchWindow = [&windows](int searchId) { windows.SearchWindow().Open(searchId); };
        Action(form, "actCheckForNewResults")->trigger();
        QVERIFY(WaitUntil([&] { return session.Status == "Idle"; }));
        QVERIFY(session.Searches->Items[1]->NewResultsAvailable);
        if (!noticesOn) {
            QVERIFY(!WaitUntil([&] { return !service.Received.empty(); }, 500));
            return;
        }
        QVERIFY(WaitUntil([&] { return service.Received.size() == 1; }));
        const TFakeNotifications::TNotice& notice = service.Received[0];
        QCOMPARE(notice.App, QStringLiteral("Trawlix"));
        QCOMPARE(notice.Summary, QStringLiteral("New results for \"Zebracorn sightings\""));
        QVERIFY2(notice.Body.startsWith(QStringLiteral("zebracorn walk")), qPrintable(notice.Body));
        QVERIFY(notice.Actions.contains(QStringLiteral("default")));

        // Clicked while the program is in the tray: the search window opens on that search.
        const int marked = session.Searches->Items[1]->SearchId;
        form.HideToTray();
        service.Click(1);
        TfrmNewSearch& searchWindow = windows.SearchWindow();
        QVERIFY(WaitUntil([&] { return searchWindow.isVisible(); }));
        QVERIFY(searchWindow.CurrentSearch());
        QCOMPARE(searchWindow.CurrentSearch()->SearchId, marked);
        QVERIFY(!form.isVisible());
    }

    void OpeningFromTheListKeepsTheSearchWindowsWork() {
        TSiteSimulator simulator;
        QVERIFY(simulator.Start());
        AddWalks(simulator);
        WriteSearches({{"one"}, {"two"}});
        TConfig config = Config();
        config.HttpProxy = simulator.Proxy();
        config.BannerServer = "http://127.0.0.1:1";
        TSession session(config);
        TProgramWindows windows(session);
        TMainForm& form = windows.MainForm();
        TfrmNewSearch& window = windows.SearchWindow();
        windows.Show();
        QVERIFY(WaitUntil([&] { return window.isVisible(); }));
        QVERIFY2(!window.CurrentSearch(), "two saved searches: the window starts blank");

        // A search of the user's own, made and run by Start and never saved.
        auto* keywords = window.findChild<QPlainTextEdit*>(QStringLiteral("edtPositiveKeywords"));
        keywords->setPlainText(QString::fromStdString(Word));
        ChooseInCombo(window, "cboxCategories", QStringLiteral("community"));
        ChooseInCombo(window, "cboxSubCategories", QStringLiteral("activities"));
        window.Picker()->ChosenPlaces = {session.Places->FindById(Miami)};
        window.Picker()->ChosenRoots = window.Picker()->ChosenPlaces;
        window.ActionList1Update();
        window.findChild<QAction*>(QStringLiteral("actStartSearch"))->trigger();
        QVERIFY(window.CurrentSearch());
        QVERIFY(WaitUntil([&] { return window.CurrentSearch()->CurrentRun().Idle; }));
        const std::size_t found = window.CurrentSearch()->Results.size();
        QVERIFY(found > 0);

        // The second saved search opened from the list (Enter, as a double click does) shows
        // that search; the run's search is saved.
        form.ShowSearchesList();
        auto* list = form.findChild<QTreeWidget*>(QStringLiteral("slvSearches"));
        Select(form, 1);
        list->setFocus();
        QTest::keyClick(list, Qt::Key_Return);
        QVERIFY(WaitUntil([&] { return window.CurrentSearch() != nullptr && !form.isVisible(); }));
        QCOMPARE(window.CurrentSearch()->SearchId, 2);
        QCOMPARE(session.Searches->Items.size(), std::size_t(3));
        QCOMPARE(list->topLevelItemCount(), 3);
        const TSearch* kept = SearchWithId(session.Searches->Items, -1);
        QVERIFY2(kept, "a new search gets an id none of the saved ones has");
        QCOMPARE(kept->Results.size(), found);
        QCOMPARE(kept->PositiveKeywords, Word);

        // "New search" saves what was typed into the second one and shows an empty search.
        keywords->setPlainText(QStringLiteral("changed"));
        form.ShowSearchesList();
        Action(form, "actAdd")->trigger();
        QVERIFY(!window.CurrentSearch());
        QVERIFY(keywords->toPlainText().isEmpty());
        QVERIFY(window.isVisible() && !form.isVisible());
        session.Searches.reset();
        TSession reader(Config());
        reader.SetTables(std::make_unique<TPlaces>(folder->File("Places.tx")),
                         std::make_unique<TCategories>(folder->File("Categories.tx")));
        TSearches saved(reader.SearchesContext());
        saved.Load();
        QCOMPARE(saved.Items.size(), std::size_t(3));
        QCOMPARE(SearchWithId(saved.Items, 2)->PositiveKeywords, std::string("changed"));
        QCOMPARE(SearchWithId(saved.Items, -1)->Results.size(), found);
    }

    void ASignInReadsTheSearchesFileOnce() {
        WriteSearches({{"one"}});
        // Each search read from the file leaves this line in the log.
        const auto reads = [this] {
            const std::string log = folder->ReadFile("log.tx");
            const std::string line = "constructor TSearch.Create(_XMLNode";
            int count = 0;
            for (std::size_t at = log.find(line); at != std::string::npos; at = log.find(line, at + 1))
                ++count;
            return count;
        };
        const int before = reads();
        TConfig config = Config();
        config.BannerServer = "http://127.0.0.1:1";
        TSession session(config);
        TProgramWindows windows(session);
        windows.Show();
        QVERIFY(WaitUntil([&] { return windows.SearchWindow().isVisible(); }));
        QCOMPARE(reads() - before, 1);
        QCOMPARE(ListCaptions(windows.MainForm()), QStringList{QStringLiteral("one")});
        QVERIFY(windows.SearchWindow().CurrentSearch() == session.Searches->Items[0].get());
    }

    void AFirstStartWaitsOnTheSignInPageForTheUsersChoice() {
        Stored().clear(); // nothing remembered: the program's first start
        TSession session(Config());
        TProgramWindows::UseDatabaseThread(session);
        TMainForm form(session);
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        QTest::qWait(300);
        QVERIFY(form.SignInPageShowing());
        QVERIFY(!session.SignedIn);
        QVERIFY(Action(form, "actGetKey")->isEnabled());
        // "Log me in !" with empty fields goes on without an account.
        Action(form, "actLogin")->trigger();
        QVERIFY(WaitUntil([&] { return OnSearchesPage(form); }));
        QVERIFY(session.SignedIn);
    }

    void TheCloseBoxAndMinimizeHideInTheTrayAndARestoreBringsItBack() {
        TSession session(Config());
        TProgramWindows::UseDatabaseThread(session);
        TMainForm form(session);
        form.TrayAvailable = [] { return true; };
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        QVERIFY(!form.close());
        QVERIFY(!form.isVisible());
        form.RestoreFromTray();
        QVERIFY(form.isVisible());
        form.showMinimized();
        QVERIFY(WaitUntil([&] { return !form.isVisible(); }));
        form.RestoreFromTray();
        QVERIFY(form.isVisible());
        QVERIFY(!form.isMinimized());
    }

    void WithoutATrayMinimizeOnlyMinimizesAndTheCloseBoxEnds() {
        TSession session(Config());
        TProgramWindows::UseDatabaseThread(session);
        TMainForm form(session);
        form.TrayAvailable = [] { return false; };
        QSignalSpy quits(Action(form, "qctQuit"), &QAction::triggered);
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        form.showMinimized();
        QTest::qWait(200);
        QVERIFY2(form.isVisible(), "nothing but the taskbar could bring it back");
        // The search window's minimize asks for the same.
        form.HideToTray();
        QVERIFY(form.isVisible());
        QCOMPARE(quits.count(), 0);
        form.showNormal();
        QVERIFY(form.close());
        QCOMPARE(quits.count(), 1);
    }

    void WindowsSnapToTheWorkAreaEdges_data() {
        QTest::addColumn<QRect>("window");
        QTest::addColumn<QPoint>("expected");
        // Work area 0,0 1280x1000.
        QTest::newRow("free") << QRect(100, 100, 300, 400) << QPoint(100, 100);
        QTest::newRow("near the left") << QRect(20, 100, 300, 400) << QPoint(0, 100);
        QTest::newRow("just beyond the distance") << QRect(21, 100, 300, 400) << QPoint(21, 100);
        QTest::newRow("near the right") << QRect(965, 100, 300, 400) << QPoint(980, 100);
        QTest::newRow("out at the top") << QRect(100, -50, 300, 400) << QPoint(100, 0);
        QTest::newRow("near the bottom") << QRect(100, 590, 300, 400) << QPoint(100, 600);
        QTest::newRow("wider than the area") << QRect(0, 100, 1400, 400) << QPoint(-120, 100);
        QTest::newRow("taller than the area") << QRect(100, 0, 300, 1100) << QPoint(100, -100);
    }
    void WindowsSnapToTheWorkAreaEdges() {
        QFETCH(QRect, window);
        QFETCH(QPoint, expected);
        QCOMPARE(TMainForm::SnapToWorkArea(window, QRect(0, 0, 1280, 1000)), expected);
    }

    void AWindowWiderThanTheScreenEndsOnItsRightEdge() {
        TSession session(Config());
        TProgramWindows::UseDatabaseThread(session);
        TMainForm form(session);
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        const QRect area = form.screen()->availableGeometry();
        form.resize(area.width() + 200, 300);
        form.move(area.x() + 50, area.y() + 200);
        QVERIFY(WaitUntil([&] { return form.frameGeometry().right() == area.right(); }, 2000));
        form.resize(300, 400);
        form.move(area.x() + 12, area.y() + 200);
        QVERIFY(WaitUntil([&] { return form.frameGeometry().left() == area.left(); }, 2000));
    }

    void ASecondStartBringsTheFirstBackAndTouchesNothing() {
        const QString name = QStringLiteral("Trawlix-test-") + QUuid::createUuid().toString(QUuid::WithoutBraces);
        TSingleInstance instance(name);
        QVERIFY(instance.Acquire());
        TSession session(Config());
        TProgramWindows::UseDatabaseThread(session);
        TMainForm form(session);
        form.TrayAvailable = [] { return true; };
        QObject::connect(&instance, &TSingleInstance::BringToFrontRequested, &form, &TMainForm::RestoreFromTray);
        form.show();
        form.HideToTray();
        QVERIFY(!form.isVisible());

        TTempDataFolder secondFolder;
        auto second = StartProgram(secondFolder, name);
        QVERIFY(second->waitForStarted());
        QVERIFY(WaitUntil([&] { return second->state() == QProcess::NotRunning; }));
        QCOMPARE(second->exitCode(), 0);
        QVERIFY(WaitUntil([&] { return form.isVisible(); }));
        QVERIFY(!QFile::exists(QString::fromStdString(secondFolder.File("log.tx"))));
    }

    void WithoutADisplayTheProgramSaysSoInOneLine() {
        QProcess program;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        for (const char* variable : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
            environment.remove(QLatin1String(variable));
        environment.insert(QStringLiteral("TRAWLIX_DATA_DIR"), QString::fromStdString(folder->Path()));
        program.setProcessEnvironment(environment);
        program.start(Program, {});
        QVERIFY(program.waitForFinished(20000));
        QCOMPARE(program.exitCode(), 1);
        const QString said = QString::fromLocal8Bit(program.readAllStandardError()).trimmed();
        QVERIFY2(!said.contains(QLatin1Char('\n')) && said.contains(QStringLiteral("no display")) &&
                     said.contains(QStringLiteral("trawlix-cli")),
                 qPrintable(said));
        QVERIFY2(!QFile::exists(QString::fromStdString(folder->File("log.tx"))), "nothing was started");
    }

    void ACrashedInstanceDoesNotStopTheNextStart() {
        const QString name = QStringLiteral("Trawlix-test-") + QUuid::createUuid().toString(QUuid::WithoutBraces);
        TTempDataFolder data;
        data.InstallShippedRefData();
        auto first = StartProgram(data, name);
        QVERIFY(first->waitForStarted());
        QVERIFY(WaitUntil([&] { return QFile::exists(QString::fromStdString(data.File("log.tx"))); }));
        QVERIFY2(!TSingleInstance(name).Acquire(), "the running program holds the instance");
        first->kill();
        QVERIFY(first->waitForFinished(10000));
        QVERIFY(TSingleInstance(name).Acquire());
    }
};

// The tests run on a session bus of their own, where a fake notification service can be.
int main(int argc, char** argv) {
    FILE* daemon = popen("dbus-daemon --session --fork --print-address=1 --print-pid=1", "r");
    char address[512] = {};
    char pid[32] = {};
    if (!daemon || !fgets(address, sizeof address, daemon) || !fgets(pid, sizeof pid, daemon)) {
        std::fprintf(stderr, "no dbus-daemon for the tests' session bus\n");
        return 2;
    }
    pclose(daemon);
    address[std::strcspn(address, "\n")] = 0;
    setenv("DBUS_SESSION_BUS_ADDRESS", address, 1);
    int result = 0;
    {
        QApplication application(argc, argv);
        TMainFormTest test;
        result = QTest::qExec(&test, argc, argv);
    }
    kill(static_cast<pid_t>(std::atoi(pid)), SIGTERM);
    return result;
}
#include "TMainForm_test.moc"
