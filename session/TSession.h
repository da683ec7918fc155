// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <QObject>

#include "core/TConfig.h"
#include "core/TDatabaseThread.h"
#include "core/TWorkerThread.h"
#include "notify/TMonitorContext.h"
#include "search/TSearchContext.h"
#include "store/TSearches.h"
#include "store/TSettings.h"

class TAccountSearchStore;
class TBackendConnection;
class TCategories;
class TGsmNetwork;
class TPlaces;
class TSession;
class TUser;
struct TMailMessage;

/// Loads the reference data for a sign-in on a worker thread; freed when it ends.
class TInitSessionThread final : public TWorkerThread {
public:
    explicit TInitSessionThread(TSession& session);

protected:
    void Run(std::stop_token stop) override;

private:
    TSession& m_session;
};

/// Signs out on a worker thread: releases what the session holds, then optionally ends
/// the program. Freed when it ends.
class TFinishSessionThread final : public TWorkerThread {
public:
    TFinishSessionThread(TSession& session, bool quitAfterwards);
    const bool QuitAfterwards;

protected:
    void Run(std::stop_token stop) override;

private:
    TSession& m_session;
};

/// The session context: owns the shared state of the program (configuration, reference
/// data, the account database connection, the signed-in state), runs sign-in and sign-out,
/// and wires the subsystems together: the searches, the new-results check and the account
/// store get everything they need from here, for the windows, the command-line tool and
/// the tests alike. Lives on the user-interface thread; the session threads reach it only
/// through synchronous hand-overs.
class TSession final {
public:
    /// Resolves the data folder from the environment, empties its "log.tx".
    TSession();
    /// Uses the given configuration (its data folder must exist). A "log.tx" that cannot be
    /// created is said once through UserMessages; the session starts all the same.
    explicit TSession(TConfig config);
    ~TSession();
    TSession(const TSession&) = delete;
    TSession& operator=(const TSession&) = delete;

    TConfig Config;
    /// Created (and loaded) with the session, saved when it is destroyed.
    std::unique_ptr<TSettings> Settings;
    std::unique_ptr<TPlaces> Places;
    std::unique_ptr<TCategories> Categories;
    /// The signed-in account (BindAccount); none while nobody is signed in.
    std::unique_ptr<TUser> User;
    /// The mobile carrier networks an account may refer to, loaded with the account.
    std::vector<std::unique_ptr<TGsmNetwork>> GsmNetworks;
    /// The user's searches: made by LoadSearches after sign-in, released (writing the
    /// searches file) at sign-out on the user-interface thread.
    std::unique_ptr<TSearches> Searches;
    bool SessionOpen = false;
    std::string Status = "Idle";
    bool SignedIn = false;
    /// The sign-in thread while it runs (not owned).
    TInitSessionThread* InitThread = nullptr;
    std::function<void()> OnSignInDone;
    /// The last sign-out thread while it runs (not owned).
    TFinishSessionThread* FinishThread = nullptr;
    int OpenCancelled = 0;
    /// Always ends in "/".
    std::string DataFolder;
    /// 0 logs the desktop user off and 1 powers the machine off after a sign-out.
    int ExitAction = 100;
    /// How ExitAction is carried out; tests put a recorder here.
    std::function<bool(int)> ExitWindows;

    void OpenSession();
    void OpenSucceeded();
    void OpenFailed();
    void CancelOpen();
    int TakeCancelled();
    void CloseSession(bool quitAfterwards);
    void InitThreadDone();
    /// Ends the application's event loop, breaking off a wait for the account database.
    void Quit();
    /// Breaks off the account database call running now (Stop): it fails at once.
    void InterruptDatabase();
    /// Hands a mail to a thread of its own that submits it to the configured mail server
    /// with the given login; returns at once, and nobody learns whether it went out.
    void SendMail(std::unique_ptr<TMailMessage> message, const std::string& userName, const std::string& password);

    /// The account database ("IBConnection"), opened on first use. Used where it lives:
    /// on the calling thread unless UseDatabaseThread moved it; otherwise only from inside
    /// WithDatabase (elsewhere this throws std::logic_error).
    TBackendConnection& Database();
    /// Runs work(connection) where the account database lives and returns its result.
    template <class F> auto WithDatabase(F&& work) { return m_database->Run(std::forward<F>(work)); }
    /// Gives the account database a thread of its own, so that the windows go on painting
    /// and answering while it is slow or silent; onWait(true/false) brackets each wait of
    /// the user-interface thread. Called by the windows before the first sign-in.
    void UseDatabaseThread(std::function<void(bool waiting)> onWait);
    /// What every search of this session takes: the configured site and fetching, the
    /// tables while signed in, and the read-back of a saved search's locations.
    const TSearchContext& SearchContext() const { return m_searchContext; }
    /// Where the searches file lives, the account store and the signed-in user's id.
    TSearchesContext SearchesContext();
    /// Makes Searches afresh from the searches file and loads the signed-in user's
    /// searches; the collection it replaces writes its file first.
    TSearches& LoadSearches();
    /// What the new-results check takes: the status line, Searches, the account, the
    /// carrier networks and the mail thread.
    TMonitorContext MonitorContext();
    /// The signed-in account's id, -1 when nobody is signed in.
    int SignedInUserId() const;
    /// Makes these the session's tables, as a sign-in does once it has loaded them.
    void SetTables(std::unique_ptr<TPlaces> places, std::unique_ptr<TCategories> categories);
    /// PROP_VALUE of the PROPERTIES row of that name, or empty. A failure to connect is
    /// thrown; a failed query shows the connection error message and gives empty.
    std::string ReadProperty(const std::string& name);
    /// Why BindAccount bound nobody.
    enum class TBindFailure { None, NoAccount, Unreachable };
    /// After a successful sign-in: finds the account of the typed address and login key,
    /// makes it User, marks it logged in and loads GsmNetworks; from then until sign-out the
    /// searches carry the account's id. False (nobody bound) for an unknown address or a
    /// wrong key (NoAccount), or a database that cannot be reached or read (Unreachable,
    /// with the database's words in detail).
    bool BindAccount(const std::string& email, const std::string& loginKey, TBindFailure* why = nullptr,
                     std::string* detail = nullptr);

    /// Runs work on the user-interface thread and waits for it; skipped once the session
    /// is being destroyed. For the session threads.
    void HandOver(const std::function<void()>& work);

private:
    friend class TInitSessionThread;
    friend class TFinishSessionThread;

    /// Takes the loaded tables from the sign-in thread, unless that thread was abandoned.
    void AdoptLoadedData(TInitSessionThread* thread, std::unique_ptr<TPlaces> places,
                         std::unique_ptr<TCategories> categories);
    void StartWorker(std::unique_ptr<TWorkerThread> thread);
    /// Joins and frees a worker that has ended.
    void WorkerFinished(TWorkerThread* thread);
    /// Releases the reference data and the account; runs on the user-interface thread.
    void ReleaseSessionData(std::unique_ptr<TPlaces>& places, std::unique_ptr<TCategories>& categories);
    /// Marks the account logged out, releases it with the networks and closes the
    /// connection; on the user-interface thread.
    void ReleaseAccount();
    /// Makes m_database afresh in that mode, with the account store and the search
    /// context's location reader on it.
    void OpenDatabase(TDatabaseThread::TMode mode);

    /// Lives on the user-interface thread; receives the hand-overs of the session threads.
    std::unique_ptr<QObject> m_uiContext;
    std::unique_ptr<TDatabaseThread> m_database;
    std::unique_ptr<TAccountSearchStore> m_remoteStore;
    TSearchContext m_searchContext;
    std::vector<std::unique_ptr<TWorkerThread>> m_workers;
    bool m_closing = false;
};

/// Carries out ExitAction 0 (end the desktop session) or 1 (power off) through logind.
bool ExitWindowsAs(int action);
