// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <functional>
#include <memory>
#include <vector>

#include <QMainWindow>
#include <QPoint>
#include <QRect>
#include <QSystemTrayIcon>

class QAction;
class QCheckBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QStackedWidget;
class QTimer;
class QTreeWidget;
class QTreeWidgetItem;
class TDesktopNotifier;
class TNewResultsMonitor;
class TSearch;
class TSession;

/// The program's main window: the sign-in page, the page of saved searches, the menus, the
/// tray icon and the timer of the new-results check. It lives as long as the program;
/// closing or minimizing it hides the program in the tray, or, on a desktop without a tray,
/// closing ends the program and minimizing only minimizes. User-interface thread.
class TMainForm final : public QMainWindow {
    Q_OBJECT
public:
    explicit TMainForm(TSession& session, QWidget* parent = nullptr);
    ~TMainForm() override;

    /// Whether a restore from the tray shows this window as well as the search window.
    bool ShowOnRestore = true;
    /// Starts a pass of the new-results check every 15 minutes, or at the stored interval
    /// once signed in, or at the one the settings dialog gives it.
    QTimer* SearchTimer = nullptr;

    /// The search window, once the program has one: opened from the searches page, shown
    /// on a restore from the tray while signed in, and hidden with the program.
    std::function<QWidget*()> SearchWindow;
    /// Opens the search window after a sign-in (searchId 0: on the file's search when it
    /// holds exactly one), or on the saved search with searchId.
    std::function<void(int searchId)> OpenSearchWindow;
    /// Opens the search window on the saved search with searchId from the list or a notice;
    /// the search window saves the search it shows first.
    std::function<void(int searchId)> OpenSavedSearch;
    /// Opens the search window on a new, empty search ("New search"); the search window
    /// saves the search it shows first.
    std::function<void()> OpenNewSearch;
    /// The dialogs this window opens; each is modal and gets this window as parent.
    std::function<void(QWidget*)> ShowSettings, ShowMyAccount, ShowAbout, CheckForUpdate;
    /// Whether the desktop shows a tray, where a hidden program can be brought back from.
    std::function<bool()> TrayAvailable = [] { return QSystemTrayIcon::isSystemTrayAvailable(); };

    /// Brings the program back from the tray (also when a second start asks for it).
    void RestoreFromTray();
    /// Brings this window (the sign-in page or the saved searches) to the front, beside the
    /// search window; the search window and the tray menu offer it.
    void ShowSearchesList();
    /// Hides every window of the program; the tray icon (or a second start) brings it back.
    /// Without a tray the windows are minimized instead.
    void HideToTray();
    /// Applies the skin of the settings to every window.
    void ApplySkin();
    /// Shows the sign-in page with the stored position and sign-in values, and signs in at
    /// once when signInAtOnce is set and sign-in values were remembered.
    void ResetToSignIn(bool signInAtOnce = true);
    /// Runs the enabling rules and refreshes the status bar and the marks of the list;
    /// called whenever the event loop goes idle.
    void ActionList1Update();

    bool SignInPageShowing() const;
    /// The check of the searches while the searches page shows; null otherwise.
    TNewResultsMonitor* Monitor() const { return m_monitor.get(); }
    /// Shows the notices of new results on the desktop.
    TDesktopNotifier* Notifier() const { return m_notifier; }
    /// The search shown by the selected row of the list, or null.
    TSearch* SelectedSearch() const;
    /// Refills the list from the session's searches (after another window reloaded them).
    void FillSearchList();

    /// Where a window whose frame is window lands in workArea: each edge within distance
    /// of the matching side of the area (or beyond it) is put on that side, and then the
    /// window is kept inside the area, its right and bottom edges winning.
    static QPoint SnapToWorkArea(const QRect& window, const QRect& workArea, int distance = 20);

protected:
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void CreateActions();
    void CreateSignInPage();
    void CreateSearchesPage();
    void CreateMenus();
    void CreateStatusBar();
    void CreateTray();

    void actLoginExecute();
    void StartSignInWhenFree();
    void actStopExecute();
    void actGetKeyExecute();
    void actAddExecute();
    void actDeleteExecute();
    void MoveSelected(int step);
    void ToggleNotify(bool TSearch::*flag);
    void actCheckForNewResultsExecute();
    void actSignOutExecute();
    void ShowModalFromMenu(const std::function<void(QWidget*)>& show);
    void SearchesDoubleClicked();
    /// A notice on the desktop that the check has marked search (unless turned off).
    void NoticeNewResults(const TSearch& search, const std::string& title, const std::string& link);
    /// The user clicked the notice of the saved search with searchId.
    void NoticeActivated(int searchId);

    /// Called by the session when a sign-in ends, whatever its outcome.
    void SignInDone();
    /// Binds the typed account to the signed-in session. Gives why it did not (the fields
    /// name no account, the account database cannot be reached), empty when it did.
    std::string BindTypedAccount();
    void StoreSignInValues();
    void ShowSearchesPage();
    /// The check's timer takes the stored interval, as saving the settings gives it.
    void ApplyStoredInterval();
    void CloseSearchesPage();
    /// Hides this window while open shows the search window.
    void OpenSearchWindowFromList(const std::function<void()>& open);
    void RefreshSearchMarks();
    void SetSignInFieldsReadOnly(bool readOnly);
    void StorePosition();
    void RestorePosition();
    void SnapToScreen();

    TSession& m_session;
    std::unique_ptr<TNewResultsMonitor> m_monitor;
    /// The user asked to sign in and has not had the answer yet (the hourglass shows).
    bool m_signingIn = false;
    /// This window's sign-in is running in the session.
    bool m_pendingSignIn = false;
    /// The typed account is being looked up in the account database; Stop breaks it off.
    bool m_checkingAccount = false;
    bool m_accountCheckStopped = false;
    bool m_snapping = false;

    QStackedWidget* pcMain = nullptr;
    QWidget* tsLogin = nullptr;
    QWidget* tsSearches = nullptr;
    QLineEdit* edtEMail = nullptr;
    QLineEdit* edtLoginKey = nullptr;
    QCheckBox* cbRememberMe = nullptr;
    QCheckBox* cbRunAtStartup = nullptr;
    QTreeWidget* slvSearches = nullptr;
    QMenu* pmSearches = nullptr;
    QMenu* pmTray = nullptr;
    QSystemTrayIcon* m_tray = nullptr;
    TDesktopNotifier* m_notifier = nullptr;
    QLabel* m_onlinePanel = nullptr;
    QLabel* m_statusPanel = nullptr;

    QAction* actAdd = nullptr;
    QAction* actDelete = nullptr;
    QAction* actUp = nullptr;
    QAction* actDown = nullptr;
    QAction* qctQuit = nullptr;
    QAction* actCheckForUpdate = nullptr;
    QAction* actNotifySMS = nullptr;
    QAction* actNotifyEMail = nullptr;
    QAction* actCheckForNewResults = nullptr;
    QAction* actSettings = nullptr;
    QAction* actMyAccount = nullptr;
    QAction* actSignOut = nullptr;
    QAction* actLogin = nullptr;
    QAction* actStop = nullptr;
    QAction* actGetKey = nullptr;
    QAction* actReloadSearches = nullptr;
    QAction* actHelp = nullptr;
    QAction* actAbout = nullptr;
    QAction* actOpenFromTray = nullptr;
    QAction* actShowSearchesList = nullptr;
};
