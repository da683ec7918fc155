// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <atomic>
#include <chrono>
#include <memory>
#include <string>

#include <QSqlDatabase>

#include "core/TStatementWatch.h"

class QSqlQuery;
class TStoredProc;

/// The one connection to the account database (Qt SQL, QIBASE driver, connection
/// "IBConnection"): a Firebird server for "host[/port]:ALIAS", the embedded engine for a
/// local file. Opens on demand. A QSqlDatabase belongs to the thread that made it, so this
/// object is used only on the thread that made it (see TDatabaseThread).
class TBackendConnection final {
public:
    static constexpr const char* ConnectionName = "IBConnection";
    static constexpr int DefaultTimeLimitSeconds = 20;

    /// A statement object with the connection kept busy while it lives: the object is
    /// destroyed first, so freeing it on the server is watched too.
    template <class T> class TWatched final {
    public:
        TWatched(TStatementWatch& watch, std::unique_ptr<T> object)
            : m_busy(std::make_unique<TStatementWatch::TBusy>(watch)), m_object(std::move(object)) {}
        T* operator->() const { return m_object.get(); }
        T& operator*() const { return *m_object; }

    private:
        std::unique_ptr<TStatementWatch::TBusy> m_busy;
        std::unique_ptr<T> m_object;
    };

    /// Configures the connection, which stays closed. dataFolder holds the client's and the
    /// embedded engine's settings. A call that hears nothing from the server for timeLimit
    /// fails (the connection is broken and made afresh on the next use).
    TBackendConnection(std::string database, std::string dataFolder,
                       std::chrono::seconds timeLimit = std::chrono::seconds(DefaultTimeLimitSeconds));
    ~TBackendConnection();
    TBackendConnection(const TBackendConnection&) = delete;
    TBackendConnection& operator=(const TBackendConnection&) = delete;

    /// Opens the connection when it is not open; throws TDatabaseError when that fails.
    QSqlDatabase& Connection();
    /// Begins a transaction, reconnecting once when the connection has gone stale.
    /// Throws TDatabaseError when no transaction could be begun.
    void StartTransaction();
    /// Throws TDatabaseError when the commit fails; the transaction is over either way.
    void Commit();
    /// Rolls back the active transaction, if any. Throws TDatabaseError when that fails.
    void Rollback();
    bool InTransaction() const { return m_inTransaction; }
    /// A prepared query on the connection; throws TDatabaseError.
    TWatched<QSqlQuery> NewQuery(const std::string& sql);
    TWatched<TStoredProc> NewStoredProc(const std::string& name);
    /// After a failed statement the connection may be dead (server stopped): the next use
    /// closes and reopens it rather than failing on a stale handle.
    void NoteFailure() { m_suspect = true; }
    void Close();
    bool IsOpen() const;
    /// Breaks the open connection's socket, so that a call waiting on the server returns
    /// with an error at once; the connection is made afresh on its next use. Any thread.
    void Abort();

    /// True when database names a local file, opened with the embedded engine.
    static bool IsLocalFile(const std::string& database);
    /// Lets several processes share an embedded database file and bounds the wait for a
    /// server to accept a connection: unless FIREBIRD is set already, writes
    /// folder/firebird.conf (SuperClassic, the connect time-out) with the engine's "intl"
    /// folder linked beside it and sets FIREBIRD and FIREBIRD_LOCK to it. Returns false when
    /// the folder cannot be prepared.
    static bool
    PrepareEmbeddedEngine(const std::string& folder,
                          std::chrono::seconds connectTimeLimit = std::chrono::seconds(DefaultTimeLimitSeconds));

private:
    void Reopen();
    void CloseAttachment();
    /// Throws the time-out's own error when the watch has broken the connection.
    void ThrowWhenUnanswered();

    std::string m_database;
    std::string m_dataFolder;
    QSqlDatabase m_db;
    bool m_inTransaction = false;
    bool m_suspect = false;
    /// The client library's handle of the open attachment (0 when closed), read by the watch.
    std::atomic<unsigned> m_handle{0};
    TStatementWatch m_watch;
    std::unique_ptr<TStatementWatch::TBusy> m_transactionBusy;
};
