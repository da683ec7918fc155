// SPDX-License-Identifier: GPL-3.0-or-later
#include "session/TSession.h"

#include <algorithm>
#include <exception>
#include <optional>
#include <stdexcept>
#include <chrono>

#include <QCoreApplication>
#include <QProcess>
#include <QSqlError>
#include <QSqlQuery>

#include "account/RemoteSearches.h"
#include "account/TAccountSearchStore.h"
#include "account/TGsmNetwork.h"
#include "account/TUser.h"
#include "core/IUserMessages.h"
#include "core/Log.h"
#include "core/TBackendConnection.h"
#include "core/TBackgroundWork.h"
#include "core/TDatabaseError.h"
#include "core/UiHandOver.h"
#include "notify/TMailMessage.h"
#include "notify/TSendMailThread.h"
#include "refdata/TCategories.h"
#include "refdata/TPlaces.h"
#include "search/TSearch.h"

TInitSessionThread::TInitSessionThread(TSession& session) : m_session(session) {}

void TInitSessionThread::Run(std::stop_token stop) {
    if (stop.stop_requested())
        return;
    std::unique_ptr<TPlaces> places;
    std::unique_ptr<TCategories> categories;
    bool loaded = false;
    try {
        places = std::make_unique<TPlaces>(m_session.DataFolder + "Places.tx");
        categories = std::make_unique<TCategories>(m_session.DataFolder + "Categories.tx");
        loaded = true;
    } catch (const std::exception&) {
        loaded = false;
    }
    if (stop.stop_requested())
        return;
    m_session.HandOver([&] {
        if (m_session.InitThread != this)
            return; // abandoned by CancelOpen: nothing more reaches the session
        if (loaded)
            m_session.AdoptLoadedData(this, std::move(places), std::move(categories));
        else
            m_session.OpenFailed();
    });
}

TFinishSessionThread::TFinishSessionThread(TSession& session, bool quitAfterwards)
    : QuitAfterwards(quitAfterwards), m_session(session) {}

void TFinishSessionThread::Run(std::stop_token) {
    bool wasOpen = false;
    m_session.HandOver([&] {
        wasOpen = m_session.SessionOpen;
        m_session.SignedIn = false;
        m_session.CancelOpen();
    });
    if (wasOpen) {
        std::unique_ptr<TPlaces> places;
        std::unique_ptr<TCategories> categories;
        m_session.HandOver([&] { m_session.ReleaseSessionData(places, categories); });
        // The tables are destroyed here, off the user-interface thread.
        places.reset();
        categories.reset();
    }
    m_session.HandOver([&] {
        if (m_session.ExitAction == 0 || m_session.ExitAction == 1)
            m_session.ExitWindows(m_session.ExitAction);
        if (QuitAfterwards)
            m_session.Quit();
    });
}

TSession::TSession() : TSession(TConfig::Load()) {}

TSession::TSession(TConfig config)
    : Config(std::move(config)), Settings(std::make_unique<TSettings>()), DataFolder(Config.DataFolder),
      ExitWindows(ExitWindowsAs), m_uiContext(std::make_unique<QObject>()) {
    ResetLog(DataFolder);
    OpenDatabase(TDatabaseThread::TMode::Inline);
    m_searchContext.SiteDomain = Config.SiteDomain;
    m_searchContext.Fetch = TFetchOptions::FromConfig(Config);
    m_searchContext.ParserPauseMs = Config.ParserPauseMs;
}

void TSession::OpenDatabase(TDatabaseThread::TMode mode) {
    // One connection of that name at a time: the old one goes first, with the store using it.
    m_remoteStore.reset();
    m_database.reset();
    m_database = std::make_unique<TDatabaseThread>(mode, Config.AccountDatabase, DataFolder,
                                                   std::chrono::seconds(Config.DatabaseTimeLimitSeconds));
    m_remoteStore = std::make_unique<TAccountSearchStore>(*m_database, [this] { return SignedInUserId(); });
    // Searches without a locations list read theirs back from the account database.
    m_searchContext.LocationsLoader = [this](TSearch& search, TPlaceList& list) {
        WithDatabase([&](TBackendConnection& db) { ReadSearchLocations(db, Places.get(), search, list); });
    };
}

void TSession::UseDatabaseThread(std::function<void(bool waiting)> onWait) {
    // The searches hold the account store, and the account its connection, both replaced here.
    if (Searches || User)
        throw std::logic_error("The database thread is set up before anyone signs in");
    OpenDatabase(TDatabaseThread::TMode::Threaded);
    m_database->OnMainThreadWait = std::move(onWait);
}

TSession::~TSession() {
    m_closing = true;
    // Quitting: every fetch, parse, mail and session thread is asked to stop, and none of
    // them waits for this thread any more.
    TBackgroundWork::RequestStopAll();
    // The session threads refer to this session: each is waited for to its end.
    for (const auto& worker : m_workers)
        worker->Join();
    m_workers.clear();
    // The rest (a fetch or a mail still on its way) get a moment to finish; what is left
    // owns what it uses and ends with the process.
    TBackgroundWork::WaitForAll(std::chrono::seconds(5));
    // Saved while the places its default locations refer to still exist.
    Settings.reset();
    // The searches refer to the tables and the account store: written and gone first.
    Searches.reset();
    User.reset();
    GsmNetworks.clear();
    m_remoteStore.reset();
    m_database.reset();
}

TBackendConnection& TSession::Database() {
    return m_database->Connection();
}

void TSession::SetTables(std::unique_ptr<TPlaces> places, std::unique_ptr<TCategories> categories) {
    Places = std::move(places);
    Categories = std::move(categories);
    m_searchContext.Places = Places.get();
    m_searchContext.Categories = Categories.get();
}

int TSession::SignedInUserId() const {
    return User ? User->ID : -1;
}

TSearchesContext TSession::SearchesContext() {
    return {DataFolder, &m_searchContext, m_remoteStore.get(), [this] { return SignedInUserId(); }};
}

TSearches& TSession::LoadSearches() {
    Searches.reset();
    Searches = std::make_unique<TSearches>(SearchesContext());
    Searches->Load();
    return *Searches;
}

TMonitorContext TSession::MonitorContext() {
    TMonitorContext context;
    context.Status = &Status;
    context.Searches = [this]() -> TSearchItems* { return Searches ? &Searches->Items : nullptr; };
    context.User = [this] { return User.get(); };
    context.Networks = [this] { return &GsmNetworks; };
    context.SendMail = [this](std::unique_ptr<TMailMessage> message) {
        SendMail(std::move(message), Config.MailSender, Config.MailPassword);
    };
    context.MailSender = Config.MailSender;
    context.SiteDomain = Config.SiteDomain;
    context.Fetch = m_searchContext.Fetch;
    return context;
}

void TSession::HandOver(const std::function<void()>& work) {
    RunOnUiThread(m_uiContext.get(), [&] {
        if (!m_closing)
            work();
    });
}

void TSession::StartWorker(std::unique_ptr<TWorkerThread> thread) {
    TWorkerThread* worker = thread.get();
    m_workers.push_back(std::move(thread));
    QObject* context = m_uiContext.get();
    worker->Start([this, worker, context] { PostToUiThread(context, [this, worker] { WorkerFinished(worker); }); });
}

void TSession::WorkerFinished(TWorkerThread* thread) {
    if (m_closing)
        return; // the destructor joins every worker itself
    if (InitThread == thread)
        InitThreadDone();
    if (FinishThread == thread)
        FinishThread = nullptr;
    auto owned = std::find_if(m_workers.begin(), m_workers.end(),
                              [thread](const auto& worker) { return worker.get() == thread; });
    if (owned == m_workers.end())
        return;
    (*owned)->Join();
    m_workers.erase(owned);
}

void TSession::OpenSession() {
    Status = "Connecting...";
    auto thread = std::make_unique<TInitSessionThread>(*this);
    InitThread = thread.get();
    StartWorker(std::move(thread));
}

void TSession::AdoptLoadedData(TInitSessionThread*, std::unique_ptr<TPlaces> places,
                               std::unique_ptr<TCategories> categories) {
    SetTables(std::move(places), std::move(categories));
    OpenSucceeded();
}

void TSession::OpenSucceeded() {
    Status = "Idle";
    SignedIn = true;
    SessionOpen = true;
    // The stored default locations can be looked up only now that the place table exists.
    if (Settings && Places)
        Settings->LoadDefaultLocations(*Places);
    if (Places && !Places->ReadWarning.empty())
        UserMessages().Error(Places->ReadWarning);
    if (OnSignInDone)
        OnSignInDone();
}

void TSession::OpenFailed() {
    Status = "Idle";
    SignedIn = false;
    SessionOpen = false;
    if (User && User->LoggedIn)
        WithDatabase([this](TBackendConnection&) { User->SetLoggedIn(false); });
    if (OnSignInDone)
        OnSignInDone();
}

void TSession::CancelOpen() {
    if (InitThread) {
        InitThread->RequestInterruption();
        InitThread = nullptr;
        WithDatabase([](TBackendConnection& db) { db.Close(); });
    }
    OpenCancelled = 1;
    OpenFailed();
}

int TSession::TakeCancelled() {
    const int cancelled = OpenCancelled;
    OpenCancelled = 0;
    return cancelled;
}

void TSession::CloseSession(bool quitAfterwards) {
    // They refer to records of the place table, which the sign-out releases.
    if (Settings)
        Settings->DefaultLocations.clear();
    Status = "Disconnecting...";
    auto thread = std::make_unique<TFinishSessionThread>(*this, quitAfterwards);
    FinishThread = thread.get();
    StartWorker(std::move(thread));
}

void TSession::ReleaseSessionData(std::unique_ptr<TPlaces>& places, std::unique_ptr<TCategories>& categories) {
    places = std::move(Places);
    categories = std::move(Categories);
    m_searchContext.Places = nullptr;
    m_searchContext.Categories = nullptr;
    // Destroying the collection writes the searches file; the search window's lists refer
    // to it, so this happens here on the user-interface thread.
    Searches.reset();
    ReleaseAccount();
    SessionOpen = false;
}

void TSession::InitThreadDone() {
    InitThread = nullptr;
}

void TSession::Quit() {
    InterruptDatabase();
    QCoreApplication::quit();
}

void TSession::InterruptDatabase() {
    m_database->Interrupt();
}

void TSession::SendMail(std::unique_ptr<TMailMessage> message, const std::string& userName,
                        const std::string& password) {
    TSendMailThread::Start(std::move(message), {Config.MailHost, Config.MailPort, userName, password});
}

void TSession::ReleaseAccount() {
    GsmNetworks.clear();
    WithDatabase([this](TBackendConnection& db) {
        if (User && User->LoggedIn)
            User->SetLoggedIn(false);
        db.Close();
    });
    User.reset();
}

std::string TSession::ReadProperty(const std::string& name) {
    // A failure to connect reaches the caller; a failed query is logged and gives nothing.
    const std::optional<std::string> value =
        WithDatabase([&name](TBackendConnection& db) -> std::optional<std::string> {
            db.Connection();
            try {
                const auto query = db.NewQuery("SELECT * FROM PROPERTIES WHERE PROP_NAME = :pPropName");
                query->bindValue(QStringLiteral(":pPropName"), QString::fromStdString(name));
                if (!query->exec())
                    throw TDatabaseError(query->lastError().text().toStdString());
                if (!query->next())
                    return std::string();
                return query->value(QStringLiteral("PROP_VALUE")).toString().toStdString();
            } catch (const std::exception& error) {
                db.NoteFailure();
                WriteLog(error.what());
                return std::nullopt;
            }
        });
    if (!value)
        UserMessages().Error("Error connecting to database server! Please try again later.");
    return value.value_or(std::string());
}

namespace {

/// What a sign-in found in the account database.
struct TBoundAccount {
    std::unique_ptr<TUser> User;
    std::vector<std::unique_ptr<TGsmNetwork>> Networks;
    TSession::TBindFailure Failure = TSession::TBindFailure::None;
    std::string Detail;
};

/// Looks the account up, marks it logged in (and previous logged out) and loads the carrier
/// networks; runs where the connection lives.
TBoundAccount FindAndMarkAccount(TBackendConnection& db, const std::string& email, const std::string& loginKey,
                                 TUser* previous) {
    TBoundAccount bound;
    try {
        if (!TUser::Find(db, 0, email, true, true, loginKey, bound.User) || !bound.User) {
            bound.Failure = TSession::TBindFailure::NoAccount;
            return bound;
        }
    } catch (const std::exception& error) {
        WriteLog(std::string("Account lookup failed: ") + error.what());
        bound.Failure = TSession::TBindFailure::Unreachable;
        bound.Detail = error.what();
        return bound;
    }
    if (previous && previous->LoggedIn)
        previous->SetLoggedIn(false);
    bound.User->SetLoggedIn(true);
    try {
        bound.Networks = TGsmNetwork::LoadAll(db);
    } catch (const std::exception& error) {
        // Without the list only SMS notifications are lost; the account stays bound.
        bound.Networks.clear();
        WriteLog(std::string("Carrier networks not loaded: ") + error.what());
    }
    return bound;
}

} // namespace

bool TSession::BindAccount(const std::string& email, const std::string& loginKey, TBindFailure* why,
                           std::string* detail) {
    TBoundAccount bound;
    if (email.empty() || loginKey.empty())
        bound.Failure = TBindFailure::NoAccount;
    else
        bound =
            WithDatabase([&](TBackendConnection& db) { return FindAndMarkAccount(db, email, loginKey, User.get()); });
    if (why)
        *why = bound.Failure;
    if (detail && !bound.Detail.empty())
        *detail = bound.Detail;
    if (bound.Failure != TBindFailure::None)
        return false;
    // Taken over here, on the session's thread, once the database work is done.
    User = std::move(bound.User);
    GsmNetworks = std::move(bound.Networks);
    return true;
}

bool ExitWindowsAs(int action) {
    QStringList arguments{QStringLiteral("call"), QStringLiteral("org.freedesktop.login1"),
                          QStringLiteral("/org/freedesktop/login1"), QStringLiteral("org.freedesktop.login1.Manager")};
    if (action == 0)
        arguments << QStringLiteral("TerminateSession") << QStringLiteral("s")
                  << qEnvironmentVariable("XDG_SESSION_ID");
    else if (action == 1)
        arguments << QStringLiteral("PowerOff") << QStringLiteral("b") << QStringLiteral("false");
    else
        return false;
    return QProcess::execute(QStringLiteral("busctl"), arguments) == 0;
}
