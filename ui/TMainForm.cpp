// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/TMainForm.h"

#include <algorithm>
#include <cstdint>
#include <limits>
#include <utility>

#include <QAbstractEventDispatcher>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QFile>
#include <QFormLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QScreen>
#include <QSettings>
#include <QStackedWidget>
#include <QStatusBar>
#include <QSystemTrayIcon>
#include <QTimer>
#include <QToolBar>
#include <QTreeWidget>
#include <QUrl>
#include <QVBoxLayout>
#include <QWindow>

#include "account/Credentials.h"
#include "core/IUserMessages.h"
#include "core/TDatabaseError.h"
#include "notify/TMailMessage.h"
#include "notify/TNewResultsMonitor.h"
#include "search/TSearch.h"
#include "session/TSession.h"
#include "store/TSearches.h"
#include "store/TSettings.h"
#include "ui/TAppIcon.h"
#include "ui/TDesktopNotifier.h"
#include "ui/TInputPause.h"
#include "ui/TSkins.h"

namespace {

constexpr int MonitorIntervalMs = 900000;
// Smaller than this the sign-in page no longer fits.
constexpr QSize MinimumOuterSize(237, 258);
constexpr int SearchPointerRole = Qt::UserRole;
const QColor NewResultsBackground(255, 255, 128);

QString Q(const std::string& text) {
    return QString::fromStdString(text);
}

std::string S(const QString& text) {
    return text.toStdString();
}

QSettings StoredValues() {
    return QSettings(QStringLiteral("Corvane"), QStringLiteral("Trawlix"));
}

/// What the list shows for a search: its name, or what it looks for.
QString SearchCaption(const TSearch& search) {
    if (!search.Name.empty())
        return Q(search.Name);
    QString caption = search.PositiveKeywords.empty() ? QStringLiteral("(any)") : Q(search.PositiveKeywords);
    if (search.Category)
        caption += QStringLiteral(" in ") + Q(search.Category->Name);
    return caption;
}

QAction* MakeAction(QObject* parent, const char* name, const QString& caption,
                    const QKeySequence& shortcut = QKeySequence()) {
    auto* action = new QAction(caption, parent);
    action->setObjectName(QLatin1String(name));
    action->setShortcut(shortcut);
    return action;
}

} // namespace

TMainForm::TMainForm(TSession& session, QWidget* parent) : QMainWindow(parent), m_session(session) {
    setObjectName(QStringLiteral("MainForm"));
    setWindowTitle(QStringLiteral("Trawlix"));
    setWindowIcon(TrawlixIcon());
    CreateActions();
    CreateSignInPage();
    CreateSearchesPage();
    pcMain = new QStackedWidget(this);
    pcMain->setObjectName(QStringLiteral("pcMain"));
    pcMain->addWidget(tsLogin);
    pcMain->addWidget(tsSearches);
    setCentralWidget(pcMain);
    CreateMenus();
    CreateStatusBar();
    CreateTray();
    setMinimumSize(MinimumOuterSize);
    resize(QSize(400, 380).expandedTo(sizeHint()));

    SearchTimer = new QTimer(this);
    SearchTimer->setObjectName(QStringLiteral("SearchTimer"));
    SearchTimer->setInterval(MonitorIntervalMs);
    connect(SearchTimer, &QTimer::timeout, this, [this] {
        if (m_monitor)
            m_monitor->TimerTick();
    });
    SearchTimer->start();

    // The enabling rules run whenever the event loop has nothing else to do.
    connect(QAbstractEventDispatcher::instance(), &QAbstractEventDispatcher::aboutToBlock, this,
            &TMainForm::ActionList1Update);
    // The end of the desktop session ends the program.
    connect(qApp, &QGuiApplication::commitDataRequest, this, [this] { m_session.Quit(); });
    ResetToSignIn();
}

TMainForm::~TMainForm() {
    disconnect(QAbstractEventDispatcher::instance(), nullptr, this, nullptr);
    CloseSearchesPage();
    if (m_session.OnSignInDone)
        m_session.OnSignInDone = nullptr;
}

void TMainForm::CreateActions() {
    actAdd = MakeAction(this, "actAdd", QStringLiteral("New search"), QKeySequence(QStringLiteral("Ctrl+T")));
    actDelete = MakeAction(this, "actDelete", QStringLiteral("Delete search"), QKeySequence::Delete);
    actUp = MakeAction(this, "actUp", QStringLiteral("Move up"), QKeySequence(QStringLiteral("Ctrl+Up")));
    actDown = MakeAction(this, "actDown", QStringLiteral("Move down"), QKeySequence(QStringLiteral("Ctrl+Down")));
    qctQuit = MakeAction(this, "qctQuit", QStringLiteral("Quit"), QKeySequence(QStringLiteral("Alt+F4")));
    actCheckForUpdate = MakeAction(this, "actCheckForUpdate", QStringLiteral("Check for update"));
    actNotifySMS = MakeAction(this, "actNotifySMS", QStringLiteral("Notify me for new results by SMS"));
    actNotifyEMail = MakeAction(this, "actNotifyEMail", QStringLiteral("Notify me for new results by e-mail"));
    actNotifySMS->setCheckable(true);
    actNotifyEMail->setCheckable(true);
    actCheckForNewResults =
        MakeAction(this, "actCheckForNewResults", QStringLiteral("Check for new results"), QKeySequence(Qt::Key_F5));
    actSettings = MakeAction(this, "actSettings", QStringLiteral("Settings"));
    actMyAccount = MakeAction(this, "actMyAccount", QStringLiteral("My Trawlix account"));
    actSignOut = MakeAction(this, "actSignOut", QStringLiteral("Sign out"));
    actLogin = MakeAction(this, "actLogin", QStringLiteral("Log me in !"));
    actStop = MakeAction(this, "actStop", QStringLiteral("Stop"));
    actGetKey = MakeAction(this, "actGetKey", QStringLiteral("Get a login key now !"));
    actReloadSearches = MakeAction(this, "actReloadSearches", QStringLiteral("Reload searches"));
    actReloadSearches->setEnabled(false);
    actHelp = MakeAction(this, "actHelp", QStringLiteral("Help"), QKeySequence::HelpContents);
    actAbout = MakeAction(this, "actAbout", QStringLiteral("About.."));
    actOpenFromTray = MakeAction(this, "actOpenFromTray", QStringLiteral("Open Trawlix"));
    actShowSearchesList = MakeAction(this, "actShowSearchesList", QStringLiteral("Saved searches"));

    // Shortcuts work on whichever page shows; the list's Del only while the list has focus.
    for (QAction* action : {actAdd, actUp, actDown, qctQuit, actCheckForNewResults})
        addAction(action);
    actDelete->setShortcutContext(Qt::WidgetWithChildrenShortcut);

    connect(actLogin, &QAction::triggered, this, &TMainForm::actLoginExecute);
    connect(actStop, &QAction::triggered, this, &TMainForm::actStopExecute);
    connect(actGetKey, &QAction::triggered, this, &TMainForm::actGetKeyExecute);
    connect(actAdd, &QAction::triggered, this, &TMainForm::actAddExecute);
    connect(actDelete, &QAction::triggered, this, &TMainForm::actDeleteExecute);
    connect(actUp, &QAction::triggered, this, [this] { MoveSelected(-1); });
    connect(actDown, &QAction::triggered, this, [this] { MoveSelected(1); });
    connect(actNotifySMS, &QAction::triggered, this, [this] { ToggleNotify(&TSearch::NotifySms); });
    connect(actNotifyEMail, &QAction::triggered, this, [this] { ToggleNotify(&TSearch::NotifyEmail); });
    connect(actCheckForNewResults, &QAction::triggered, this, &TMainForm::actCheckForNewResultsExecute);
    connect(actSignOut, &QAction::triggered, this, &TMainForm::actSignOutExecute);
    connect(qctQuit, &QAction::triggered, this, [this] { m_session.Quit(); });
    connect(actSettings, &QAction::triggered, this, [this] { ShowModalFromMenu(ShowSettings); });
    connect(actMyAccount, &QAction::triggered, this, [this] { ShowModalFromMenu(ShowMyAccount); });
    connect(actAbout, &QAction::triggered, this, [this] {
        if (ShowAbout)
            ShowAbout(this);
    });
    connect(actCheckForUpdate, &QAction::triggered, this, [this] {
        if (CheckForUpdate)
            CheckForUpdate(this);
    });
    connect(actHelp, &QAction::triggered, this, [this] {
        QDesktopServices::openUrl(QUrl(Q(m_session.Config.MakerServer) + QStringLiteral("/to_how_it_works.php")));
    });
    connect(actOpenFromTray, &QAction::triggered, this, &TMainForm::RestoreFromTray);
    connect(actShowSearchesList, &QAction::triggered, this, &TMainForm::ShowSearchesList);
}

void TMainForm::CreateSignInPage() {
    tsLogin = new QWidget;
    tsLogin->setObjectName(QStringLiteral("tsLogin"));
    auto* banner = new QLabel(QStringLiteral("Welcome to TrawlixFree"));
    banner->setObjectName(QStringLiteral("lblWelcome"));
    QFont bannerFont = banner->font();
    bannerFont.setPointSizeF(bannerFont.pointSizeF() * 1.4);
    bannerFont.setBold(true);
    banner->setFont(bannerFont);
    banner->setAlignment(Qt::AlignCenter);

    edtEMail = new QLineEdit;
    edtEMail->setObjectName(QStringLiteral("edtEMail"));
    edtEMail->setPlaceholderText(QStringLiteral("name@example.com"));
    edtLoginKey = new QLineEdit;
    edtLoginKey->setObjectName(QStringLiteral("edtLoginKey"));
    edtLoginKey->setEchoMode(QLineEdit::Password);
    auto* emailLabel = new QLabel(QStringLiteral("Your &e-mail:"));
    emailLabel->setBuddy(edtEMail);
    auto* keyLabel = new QLabel(QStringLiteral("Your &login key:"));
    keyLabel->setBuddy(edtLoginKey);

    auto* getKey = new QPushButton(actGetKey->text());
    getKey->setObjectName(QStringLiteral("btnGetKey"));
    connect(getKey, &QPushButton::clicked, actGetKey, &QAction::trigger);
    connect(actGetKey, &QAction::enabledChanged, getKey, &QPushButton::setEnabled);
    cbRememberMe = new QCheckBox(QStringLiteral("&Remember me at this computer"));
    cbRememberMe->setObjectName(QStringLiteral("cbRememberMe"));
    cbRunAtStartup = new QCheckBox(QStringLiteral("Run Trawlix at startup"));
    cbRunAtStartup->setObjectName(QStringLiteral("cbRunAtStartup"));
    cbRunAtStartup->setEnabled(false);

    auto* stop = new QPushButton(actStop->text());
    stop->setObjectName(QStringLiteral("btnStop"));
    connect(stop, &QPushButton::clicked, actStop, &QAction::trigger);
    // Stop breaks off a wait for the account database, so it takes clicks during one.
    stop->setProperty(TInputPause::StaysLive, true);
    connect(actStop, &QAction::enabledChanged, stop, &QPushButton::setEnabled);
    auto* login = new QPushButton(actLogin->text());
    login->setObjectName(QStringLiteral("btnLogin"));
    login->setDefault(true);
    login->setAutoDefault(true);
    connect(login, &QPushButton::clicked, actLogin, &QAction::trigger);
    connect(actLogin, &QAction::enabledChanged, login, &QPushButton::setEnabled);
    // Enter in either field signs in.
    connect(edtEMail, &QLineEdit::returnPressed, actLogin, &QAction::trigger);
    connect(edtLoginKey, &QLineEdit::returnPressed, actLogin, &QAction::trigger);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(stop);
    buttons->addWidget(login);

    auto* layout = new QVBoxLayout(tsLogin);
    layout->setContentsMargins(12, 12, 12, 12);
    layout->addWidget(banner);
    layout->addSpacing(8);
    layout->addWidget(emailLabel);
    layout->addWidget(edtEMail);
    layout->addWidget(keyLabel);
    layout->addWidget(edtLoginKey);
    layout->addWidget(getKey, 0, Qt::AlignLeft);
    layout->addSpacing(4);
    layout->addWidget(cbRememberMe);
    layout->addWidget(cbRunAtStartup);
    layout->addStretch();
    layout->addLayout(buttons);

    setTabOrder(edtEMail, edtLoginKey);
    setTabOrder(edtLoginKey, getKey);
    setTabOrder(getKey, cbRememberMe);
    setTabOrder(cbRememberMe, login);
    setTabOrder(login, stop);
}

void TMainForm::CreateSearchesPage() {
    tsSearches = new QWidget;
    tsSearches->setObjectName(QStringLiteral("tsSearches"));
    auto* tools = new QToolBar;
    tools->setObjectName(QStringLiteral("tbSearches"));
    tools->setToolButtonStyle(Qt::ToolButtonTextOnly);
    tools->addAction(actAdd);
    tools->addAction(actDelete);
    tools->addSeparator();
    tools->addAction(actUp);
    tools->addAction(actDown);

    slvSearches = new QTreeWidget;
    slvSearches->setObjectName(QStringLiteral("slvSearches"));
    slvSearches->setColumnCount(1);
    slvSearches->setHeaderLabels({QStringLiteral("My saved searches")});
    slvSearches->setRootIsDecorated(false);
    slvSearches->setSelectionBehavior(QAbstractItemView::SelectRows);
    slvSearches->setSelectionMode(QAbstractItemView::SingleSelection);
    slvSearches->setEditTriggers(QAbstractItemView::NoEditTriggers);
    slvSearches->setUniformRowHeights(true);
    slvSearches->header()->setStretchLastSection(true);
    // One column as wide as the list: never a horizontal scroll bar.
    slvSearches->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    slvSearches->addAction(actDelete);
    slvSearches->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(slvSearches, &QTreeWidget::itemDoubleClicked, this, &TMainForm::SearchesDoubleClicked);
    connect(slvSearches, &QTreeWidget::itemActivated, this, &TMainForm::SearchesDoubleClicked);

    pmSearches = new QMenu(this);
    pmSearches->setObjectName(QStringLiteral("pmSearches"));
    pmSearches->addAction(actNotifySMS);
    pmSearches->addAction(actNotifyEMail);
    pmSearches->addSeparator();
    pmSearches->addAction(actAdd);
    QAction* shortDelete = pmSearches->addAction(QStringLiteral("Delete"));
    shortDelete->setObjectName(QStringLiteral("pmSearchesDelete"));
    connect(shortDelete, &QAction::triggered, actDelete, &QAction::trigger);
    connect(actDelete, &QAction::enabledChanged, shortDelete, &QAction::setEnabled);
    pmSearches->addAction(actUp);
    pmSearches->addAction(actDown);
    connect(slvSearches, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
        ActionList1Update();
        pmSearches->popup(slvSearches->viewport()->mapToGlobal(at));
    });

    auto* layout = new QVBoxLayout(tsSearches);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(tools);
    layout->addWidget(slvSearches);
}

void TMainForm::CreateMenus() {
    QMenu* file = menuBar()->addMenu(QStringLiteral("&File"));
    file->setObjectName(QStringLiteral("mnuFile"));
    file->addAction(actMyAccount);
    file->addAction(actSignOut);
    file->addAction(qctQuit);

    QMenu* searches = menuBar()->addMenu(QStringLiteral("&Searches"));
    searches->setObjectName(QStringLiteral("mnuSearches"));
    searches->addAction(actNotifySMS);
    searches->addAction(actNotifyEMail);
    searches->addSeparator();
    searches->addAction(actAdd);
    searches->addAction(actDelete);
    searches->addAction(actUp);
    searches->addAction(actDown);
    searches->addSeparator();
    searches->addAction(actCheckForNewResults);
    searches->addSeparator();
    searches->addAction(actReloadSearches);

    QMenu* tools = menuBar()->addMenu(QStringLiteral("&Tools"));
    tools->setObjectName(QStringLiteral("mnuTools"));
    tools->addAction(actSettings);

    QMenu* help = menuBar()->addMenu(QStringLiteral("&Help"));
    help->setObjectName(QStringLiteral("mnuHelp"));
    help->addAction(actHelp);
    help->addSeparator();
    help->addAction(actCheckForUpdate);
    help->addSeparator();
    help->addAction(actAbout);
}

void TMainForm::CreateStatusBar() {
    m_onlinePanel = new QLabel(QStringLiteral("Offline"));
    m_onlinePanel->setObjectName(QStringLiteral("StatusOnline"));
    m_onlinePanel->setAlignment(Qt::AlignCenter);
    m_onlinePanel->setMinimumWidth(50);
    m_statusPanel = new QLabel(Q(m_session.Status));
    m_statusPanel->setObjectName(QStringLiteral("StatusText"));
    m_statusPanel->setAlignment(Qt::AlignCenter);
    m_statusPanel->setMinimumWidth(150);
    statusBar()->setObjectName(QStringLiteral("StatusBar1"));
    auto* spare = new QLabel;
    spare->setObjectName(QStringLiteral("StatusSpare"));
    spare->setMinimumWidth(50);
    statusBar()->addWidget(m_onlinePanel);
    statusBar()->addWidget(m_statusPanel, 1);
    statusBar()->addWidget(spare);
}

void TMainForm::CreateTray() {
    pmTray = new QMenu(this);
    pmTray->setObjectName(QStringLiteral("pmTray"));
    pmTray->addAction(actOpenFromTray);
    pmTray->addAction(actShowSearchesList);
    pmTray->addSeparator();
    pmTray->addAction(qctQuit);
    m_tray = new QSystemTrayIcon(TrawlixIcon(), this);
    m_tray->setObjectName(QStringLiteral("TrayIcon"));
    m_tray->setToolTip(QStringLiteral("Trawlix"));
    m_tray->setContextMenu(pmTray);
    connect(m_tray, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
        if (reason == QSystemTrayIcon::DoubleClick || reason == QSystemTrayIcon::Trigger)
            RestoreFromTray();
    });
    m_tray->show();
    m_notifier = new TDesktopNotifier(m_tray, this);
    m_notifier->Activated = [this](int row) { NoticeActivated(row); };
}

bool TMainForm::SignInPageShowing() const {
    return pcMain->currentWidget() == tsLogin;
}

TSearch* TMainForm::SelectedSearch() const {
    QTreeWidgetItem* item = slvSearches->currentItem();
    if (!item || !item->isSelected())
        return nullptr;
    return reinterpret_cast<TSearch*>(item->data(0, SearchPointerRole).value<quintptr>());
}

// ---- Sign-in ----

void TMainForm::ResetToSignIn(bool signInAtOnce) {
    ShowOnRestore = true;
    ApplySkin();
    pcMain->setCurrentWidget(tsLogin);
    RestorePosition();
    QSettings stored = StoredValues();
    const bool remembered =
        stored.contains(QStringLiteral("LoginEMail")) && stored.contains(QStringLiteral("LoginKey"));
    edtEMail->setText(remembered ? stored.value(QStringLiteral("LoginEMail")).toString() : QString());
    edtLoginKey->setText(remembered ? stored.value(QStringLiteral("LoginKey")).toString() : QString());
    cbRememberMe->setChecked(remembered);
    // With nothing remembered (a first start) the page waits: the user may want a login key
    // first, or to sign in to an account, before going on without one.
    if (signInAtOnce && remembered)
        actLoginExecute();
}

void TMainForm::actLoginExecute() {
    if (m_pendingSignIn || m_checkingAccount)
        return; // a sign-in is on its way already
    m_signingIn = true;
    setCursor(Qt::WaitCursor);
    SetSignInFieldsReadOnly(true);
    StartSignInWhenFree();
}

void TMainForm::StartSignInWhenFree() {
    if (!m_signingIn || m_pendingSignIn)
        return;
    // The last sign-in or sign-out is still ending (a sign-out would stop a new sign-in):
    // start once it has.
    if (m_session.InitThread || m_session.FinishThread) {
        QTimer::singleShot(20, this, &TMainForm::StartSignInWhenFree);
        return;
    }
    // A stop mark left by a session this window closed must not silence this sign-in.
    m_session.TakeCancelled();
    m_pendingSignIn = true;
    m_session.OnSignInDone = [this] { SignInDone(); };
    m_session.OpenSession();
}

void TMainForm::actStopExecute() {
    if (m_checkingAccount) {
        // Breaks off the account lookup; the sign-in then ends without a word.
        m_accountCheckStopped = true;
        m_session.InterruptDatabase();
        return;
    }
    if (m_pendingSignIn) {
        m_session.CancelOpen();
        return;
    }
    // Still waiting for the last session to end: nothing was started yet.
    m_signingIn = false;
    unsetCursor();
    SetSignInFieldsReadOnly(false);
}

void TMainForm::SetSignInFieldsReadOnly(bool readOnly) {
    edtEMail->setReadOnly(readOnly);
    edtLoginKey->setReadOnly(readOnly);
    cbRememberMe->setEnabled(!readOnly);
}

void TMainForm::SignInDone() {
    if (!m_pendingSignIn) {
        m_session.TakeCancelled(); // the end of a session this window closed itself
        return;
    }
    m_pendingSignIn = false;
    std::string refusal;
    if (m_session.SignedIn) {
        // The lookup may wait on the database; the hourglass and Stop stay meanwhile.
        m_checkingAccount = true;
        m_accountCheckStopped = false;
        refusal = BindTypedAccount();
        m_checkingAccount = false;
    }
    m_signingIn = false;
    unsetCursor();
    SetSignInFieldsReadOnly(false);
    if (m_session.SignedIn) {
        if (refusal.empty()) {
            StoreSignInValues();
            ShowSearchesPage();
            return;
        }
        // The session opened for the reference data closes again; its end asks nothing.
        m_session.CloseSession(false);
        if (m_accountCheckStopped)
            return;
        UserMessages().Error(refusal);
        (edtEMail->text().trimmed().isEmpty() ? edtEMail : edtLoginKey)->setFocus();
        return;
    }
    if (m_session.TakeCancelled() == 1)
        return;
    if (UserMessages().Question("Trawlix wasn't able to connect. Reconnect?"))
        actLoginExecute();
}

std::string TMainForm::BindTypedAccount() {
    const std::string email = S(edtEMail->text().trimmed());
    const std::string key = S(edtLoginKey->text().trimmed());
    if (email.empty() && key.empty())
        return {}; // no account: the searches stay on this computer, no notifications
    if (email.empty() || key.empty())
        return "Please enter both your e-mail and your login key, or leave both empty to use Trawlix "
               "without an account.";
    TSession::TBindFailure why = TSession::TBindFailure::None;
    std::string detail;
    if (m_session.BindAccount(email, key, &why, &detail))
        return {};
    if (why == TSession::TBindFailure::Unreachable)
        return "Trawlix couldn't reach the account database, so you are not signed in (" + detail +
               "). Try again later, or leave both fields empty to use Trawlix without an account.";
    return "No Trawlix account matches this e-mail and login key. Check both, or click \"Get a "
           "login key now !\" to have a new key mailed to you.";
}

void TMainForm::StoreSignInValues() {
    QSettings stored = StoredValues();
    if (cbRememberMe->isChecked()) {
        stored.setValue(QStringLiteral("LoginEMail"), edtEMail->text());
        stored.setValue(QStringLiteral("LoginKey"), edtLoginKey->text());
    } else {
        // The box unticked means: do not keep the key on this computer.
        stored.remove(QStringLiteral("LoginEMail"));
        stored.remove(QStringLiteral("LoginKey"));
    }
    stored.sync();
    // The file holds a login key: for the user's eyes only.
    QFile::setPermissions(stored.fileName(), QFileDevice::ReadOwner | QFileDevice::WriteOwner);
}

void TMainForm::actGetKeyExecute() {
    if (!UserMessages().Question("The login key will be sent to your e-mail. Is it valid one?"))
        return;
    bool ok = false;
    const QString name = QInputDialog::getText(this, QStringLiteral("Getting login key.."),
                                               QStringLiteral("Please enter your name:"), QLineEdit::Normal, {}, &ok)
                             .trimmed();
    if (!ok)
        return;
    if (name.isEmpty()) {
        UserMessages().Error("Please enter a valid name!");
        return;
    }
    const std::string email = S(edtEMail->text().trimmed());
    std::optional<TIssuedLoginKey> issued;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    try {
        issued = m_session.WithDatabase([&](TBackendConnection& db) { return IssueLoginKey(db, S(name), email); });
    } catch (const std::exception& error) {
        QApplication::restoreOverrideCursor();
        UserMessages().Error(error.what());
        return;
    }
    QApplication::restoreOverrideCursor();
    if (!issued)
        return; // the connection's message has been shown
    const TConfig& config = m_session.Config;
    // On a server the key service mails the key; the program never sees it.
    if (!issued->MailedByKeyService)
        m_session.SendMail(std::make_unique<TMailMessage>(LoginKeyMail(config.MailSender, email, S(name), issued->Key)),
                           config.MailSender, config.MailPassword);
    UserMessages().Information("An e-mail containing you login key is being sent to your address.");
}

// ---- The searches page ----

void TMainForm::ShowSearchesPage() {
    TMonitorContext context = m_session.MonitorContext();
    context.SearchMarked = [this](TSearch& search, const std::string& title, const std::string& link) {
        NoticeNewResults(search, title, link);
    };
    m_monitor = std::make_unique<TNewResultsMonitor>(std::move(context));
    m_monitor->SignInPageShowing = [this] { return SignInPageShowing(); };
    m_monitor->SearchWindowVisible = [this] {
        QWidget* window = SearchWindow ? SearchWindow() : nullptr;
        return window && window->isVisible();
    };
    m_monitor->OnPassEnded = [this] { RefreshSearchMarks(); };
    ApplyStoredInterval();
    pcMain->setCurrentWidget(tsSearches);
    // The search window reads the searches file as it opens, and the list refills from it.
    if (!OpenSearchWindow) {
        m_session.LoadSearches();
        FillSearchList();
    }
    if (OpenSearchWindow) {
        ShowOnRestore = false;
        hide();
        OpenSearchWindow(0);
    } else {
        slvSearches->setFocus();
    }
}

void TMainForm::ApplyStoredInterval() {
    const std::int64_t interval = m_session.Settings ? m_session.Settings->SearchRefreshInterval : 0;
    // None stored (0) keeps the 15 minutes: a timer of 0 ms would check without a pause.
    if (interval > 0)
        SearchTimer->setInterval(static_cast<int>(std::min<std::int64_t>(interval, std::numeric_limits<int>::max())));
}

void TMainForm::CloseSearchesPage() {
    m_monitor.reset();
    slvSearches->clear();
    StorePosition();
}

void TMainForm::FillSearchList() {
    slvSearches->clear();
    if (!m_session.Searches)
        return;
    for (const auto& search : m_session.Searches->Items) {
        auto* item = new QTreeWidgetItem(slvSearches, {SearchCaption(*search)});
        item->setData(0, SearchPointerRole, QVariant::fromValue(reinterpret_cast<quintptr>(search.get())));
    }
    RefreshSearchMarks();
}

void TMainForm::RefreshSearchMarks() {
    for (int row = 0; row < slvSearches->topLevelItemCount(); ++row) {
        QTreeWidgetItem* item = slvSearches->topLevelItem(row);
        const auto* search = reinterpret_cast<const TSearch*>(item->data(0, SearchPointerRole).value<quintptr>());
        const bool marked = search && search->NewResultsAvailable;
        if (item->data(0, Qt::BackgroundRole).isValid() == marked)
            continue;
        // Dark text on the yellow, whatever the skin's text colour.
        item->setData(0, Qt::BackgroundRole, marked ? QVariant(QBrush(NewResultsBackground)) : QVariant());
        item->setData(0, Qt::ForegroundRole, marked ? QVariant(QBrush(Qt::black)) : QVariant());
    }
}

void TMainForm::NoticeNewResults(const TSearch& search, const std::string& title, const std::string& link) {
    if (!m_session.Settings || !m_session.Settings->DesktopNotices || !m_session.Searches)
        return;
    const auto& items = m_session.Searches->Items;
    const auto found =
        std::find_if(items.begin(), items.end(), [&](const auto& item) { return item.get() == &search; });
    if (found == items.end())
        return;
    m_notifier->Notify(QStringLiteral("New results for \"%1\"").arg(SearchCaption(search)),
                       Q(title.empty() ? link : title), search.SearchId);
}

void TMainForm::NoticeActivated(int searchId) {
    int row = -1;
    for (std::size_t i = 0; m_session.Searches && i < m_session.Searches->Items.size() && row < 0; ++i)
        if (m_session.Searches->Items[i]->SearchId == searchId)
            row = static_cast<int>(i);
    if (SignInPageShowing() || row < 0 || !OpenSavedSearch) {
        RestoreFromTray();
        return;
    }
    slvSearches->setCurrentItem(slvSearches->topLevelItem(row));
    OpenSearchWindowFromList([this, searchId] { OpenSavedSearch(searchId); });
}

void TMainForm::SearchesDoubleClicked() {
    const TSearch* search = SelectedSearch();
    if (!search || !OpenSavedSearch || m_session.Status == TNewResultsMonitor::CheckingStatus)
        return;
    const int searchId = search->SearchId;
    OpenSearchWindowFromList([this, searchId] { OpenSavedSearch(searchId); });
}

void TMainForm::actAddExecute() {
    if (OpenNewSearch)
        OpenSearchWindowFromList(OpenNewSearch);
}

void TMainForm::OpenSearchWindowFromList(const std::function<void()>& open) {
    ShowOnRestore = false;
    hide();
    open();
    ShowOnRestore = true;
}

void TMainForm::actDeleteExecute() {
    TSearch* search = SelectedSearch();
    if (!search || !m_session.Searches || !UserMessages().Question("Do you confirm deletion?"))
        return;
    // The search leaves the list, the searches file and the account database; then it is gone.
    try {
        std::unique_ptr<TSearch> removed = m_session.Searches->Delete(*search);
    } catch (const std::exception& error) {
        UserMessages().Error(error.what());
        return;
    }
    delete slvSearches->currentItem();
}

void TMainForm::MoveSelected(int step) {
    QTreeWidgetItem* item = slvSearches->currentItem();
    if (!item || !m_session.Searches)
        return;
    const int from = slvSearches->indexOfTopLevelItem(item);
    const int to = from + step;
    auto& items = m_session.Searches->Items;
    if (to < 0 || to >= slvSearches->topLevelItemCount() || to >= static_cast<int>(items.size()))
        return;
    std::swap(items[static_cast<std::size_t>(from)], items[static_cast<std::size_t>(to)]);
    slvSearches->takeTopLevelItem(from);
    slvSearches->insertTopLevelItem(to, item);
    slvSearches->setCurrentItem(item);
    item->setSelected(true);
}

void TMainForm::ToggleNotify(bool TSearch::*flag) {
    if (TSearch* search = SelectedSearch())
        search->*flag = !(search->*flag);
    ActionList1Update();
}

void TMainForm::actCheckForNewResultsExecute() {
    if (m_monitor && !SignInPageShowing())
        m_monitor->StartPass();
}

void TMainForm::actSignOutExecute() {
    CloseSearchesPage();
    m_session.CloseSession(false);
    // Signing out is a wish to sign in differently: the page waits for the user.
    ResetToSignIn(false);
}

void TMainForm::ShowModalFromMenu(const std::function<void(QWidget*)>& show) {
    if (!show)
        return;
    ShowOnRestore = false;
    show(this);
    ShowOnRestore = true;
}

// ---- Enabling rules and the status bar ----

void TMainForm::ActionList1Update() {
    const bool signInPage = SignInPageShowing();
    const bool searchesPage = !signInPage;
    const bool checking = m_session.Status == TNewResultsMonitor::CheckingStatus;
    TSearch* selected = searchesPage ? SelectedSearch() : nullptr;
    actLogin->setEnabled(true);
    actStop->setEnabled(signInPage && m_signingIn);
    actSignOut->setEnabled(searchesPage);
    actAdd->setEnabled(searchesPage && !checking && OpenNewSearch);
    for (QAction* action : {actDelete, actUp, actDown})
        action->setEnabled(selected && !checking);
    actGetKey->setEnabled(!edtEMail->text().trimmed().isEmpty() && !m_signingIn);
    actNotifySMS->setEnabled(selected != nullptr);
    actNotifyEMail->setEnabled(selected != nullptr);
    actNotifySMS->setChecked(selected && selected->NotifySms);
    actNotifyEMail->setChecked(selected && selected->NotifyEmail);
    actCheckForNewResults->setEnabled(searchesPage);
    actMyAccount->setEnabled(searchesPage && m_session.User && ShowMyAccount);
    actSettings->setEnabled(ShowSettings != nullptr);
    actCheckForUpdate->setEnabled(CheckForUpdate != nullptr);
    actAbout->setEnabled(ShowAbout != nullptr);

    const QString online = m_session.SignedIn ? QStringLiteral("Online") : QStringLiteral("Offline");
    if (m_onlinePanel->text() != online)
        m_onlinePanel->setText(online);
    const QString status = Q(m_session.Status);
    if (m_statusPanel->text() != status)
        m_statusPanel->setText(status);
    if (searchesPage)
        RefreshSearchMarks();
}

// ---- Skin, tray and window life ----

void TMainForm::ApplySkin() {
    const std::string skin = m_session.Settings ? m_session.Settings->CustomSkin : std::string();
    TSkins::Apply(m_session.DataFolder, skin);
}

void TMainForm::RestoreFromTray() {
    QWidget* searchWindow = SearchWindow ? SearchWindow() : nullptr;
    if (searchWindow && m_session.SignedIn) {
        searchWindow->showNormal();
        searchWindow->raise();
        searchWindow->activateWindow();
    }
    if (ShowOnRestore || !searchWindow || !m_session.SignedIn) {
        showNormal();
        raise();
        activateWindow();
    }
}

void TMainForm::ShowSearchesList() {
    // Asked for by the user: from now on a restore shows this window too.
    ShowOnRestore = true;
    showNormal();
    raise();
    activateWindow();
}

void TMainForm::HideToTray() {
    QWidget* searchWindow = SearchWindow ? SearchWindow() : nullptr;
    if (!TrayAvailable()) {
        // Nothing on the desktop would bring hidden windows back: the taskbar keeps them.
        for (QWidget* window : {searchWindow, static_cast<QWidget*>(this)})
            if (window && window->isVisible())
                window->showMinimized();
        return;
    }
    if (searchWindow)
        searchWindow->hide();
    hide();
}

void TMainForm::closeEvent(QCloseEvent* event) {
    if (TrayAvailable()) {
        event->ignore();
        HideToTray();
        return;
    }
    // Without a tray a hidden program could not be brought back: the close box ends it, as
    // closing the search window does.
    event->accept();
    QWidget* searchWindow = SearchWindow ? SearchWindow() : nullptr;
    if (searchWindow && searchWindow->isVisible())
        searchWindow->close();
    else
        qctQuit->trigger();
}

void TMainForm::changeEvent(QEvent* event) {
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange && isMinimized() && TrayAvailable()) {
        // Hidden from the event that reported the minimize: the window system is done with it.
        QTimer::singleShot(0, this, [this] {
            setWindowState(windowState() & ~Qt::WindowMinimized);
            HideToTray();
        });
    }
}

QPoint TMainForm::SnapToWorkArea(const QRect& window, const QRect& area, int distance) {
    // Edges as the window system counts them: right = left + width, bottom = top + height.
    int left = window.x();
    int top = window.y();
    const int width = window.width();
    const int height = window.height();
    const int areaRight = area.x() + area.width();
    const int areaBottom = area.y() + area.height();
    bool snapped = false;
    if (left < area.x() + distance + 1) {
        left = area.x();
        snapped = true;
    }
    if (left + width > areaRight - distance - 1) {
        left = areaRight - width;
        snapped = true;
    }
    if (top < area.y() + distance + 1) {
        top = area.y();
        snapped = true;
    }
    if (top + height > areaBottom - distance - 1) {
        top = areaBottom - height;
        snapped = true;
    }
    if (snapped) {
        left = std::max(left, area.x());
        if (left + width > areaRight)
            left = areaRight - width;
        top = std::max(top, area.y());
        if (top + height > areaBottom)
            top = areaBottom - height;
    }
    return {left, top};
}

void TMainForm::SnapToScreen() {
    if (m_snapping || !isVisible() || !screen())
        return;
    const QRect frame = frameGeometry();
    const QPoint snapped = SnapToWorkArea(frame, screen()->availableGeometry());
    if (snapped == frame.topLeft())
        return;
    m_snapping = true;
    move(snapped);
    m_snapping = false;
}

void TMainForm::moveEvent(QMoveEvent* event) {
    QMainWindow::moveEvent(event);
    SnapToScreen();
}

void TMainForm::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    SnapToScreen();
}

void TMainForm::StorePosition() {
    QSettings stored = StoredValues();
    const QRect frame = frameGeometry();
    stored.setValue(QStringLiteral("MainForm.Top"), frame.y());
    stored.setValue(QStringLiteral("MainForm.Left"), frame.x());
    stored.setValue(QStringLiteral("MainForm.Width"), width());
    stored.setValue(QStringLiteral("MainForm.Height"), height());
}

void TMainForm::RestorePosition() {
    QSettings stored = StoredValues();
    bool ok = false;
    QRect frame = frameGeometry();
    QSize size = this->size();
    if (const int top = stored.value(QStringLiteral("MainForm.Top")).toInt(&ok); ok)
        frame.moveTop(top);
    if (const int left = stored.value(QStringLiteral("MainForm.Left")).toInt(&ok); ok)
        frame.moveLeft(left);
    if (const int width = stored.value(QStringLiteral("MainForm.Width")).toInt(&ok); ok)
        size.setWidth(width);
    if (const int height = stored.value(QStringLiteral("MainForm.Height")).toInt(&ok); ok)
        size.setHeight(height);
    resize(size.expandedTo(minimumSize()));
    move(frame.topLeft());
}
