// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <memory>
#include <string>

#include <QSqlDatabase>

class QSqlQuery;
class TStoredProc;

/// The one connection to the account database (Qt SQL, QIBASE driver, connection
/// "IBConnection"): a Firebird server for "host[/port]:ALIAS", the embedded engine for a
/// local file. Opens on demand. A QSqlDatabase belongs to the thread that made it, so this
/// object is made and used on the user-interface thread only.
class TBackendConnection final {
public:
    static constexpr const char* ConnectionName = "IBConnection";

    /// Configures the connection, which stays closed. dataFolder holds the embedded
    /// engine's settings when database is a local file.
    TBackendConnection(std::string database, std::string dataFolder);
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
    std::unique_ptr<QSqlQuery> NewQuery(const std::string& sql);
    std::unique_ptr<TStoredProc> NewStoredProc(const std::string& name);
    /// After a failed statement the connection may be dead (server stopped): the next use
    /// closes and reopens it rather than failing on a stale handle.
    void NoteFailure() { m_suspect = true; }
    void Close();
    bool IsOpen() const;

    /// True when database names a local file, opened with the embedded engine.
    static bool IsLocalFile(const std::string& database);
    /// Lets several processes share an embedded database file: unless FIREBIRD is set
    /// already, writes folder/firebird.conf (SuperClassic) with the engine's "intl" folder
    /// linked beside it and sets FIREBIRD and FIREBIRD_LOCK to it. Returns false when the
    /// folder cannot be prepared.
    static bool PrepareEmbeddedEngine(const std::string& folder);

private:
    void Reopen();

    std::string m_database;
    std::string m_dataFolder;
    QSqlDatabase m_db;
    bool m_inTransaction = false;
    bool m_suspect = false;
};
