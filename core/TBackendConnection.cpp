// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/TBackendConnection.h"

#include <cstdlib>

#include <ibase.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>

#include "core/TDatabaseError.h"
#include "core/TStoredProc.h"

namespace {

const char* const EngineFolder = "/usr/lib/x86_64-linux-gnu/firebird/3.0";

std::string ErrorText(const QSqlError& error) {
    return error.text().toStdString();
}

/// Links name in folder to the installed engine's file of that name, unless present.
bool LinkEngineFile(const QString& folder, const char* name) {
    const QString link = folder + QLatin1Char('/') + QLatin1String(name);
    if (QFile::exists(link) || QFileInfo(link).isSymLink())
        return true;
    return QFile::link(QLatin1String(EngineFolder) + QLatin1Char('/') + QLatin1String(name), link);
}

} // namespace

TBackendConnection::TBackendConnection(std::string database, std::string dataFolder, std::chrono::seconds timeLimit)
    : m_database(std::move(database)), m_dataFolder(std::move(dataFolder)), m_watch(timeLimit, [this] { Abort(); }) {
    m_db = QSqlDatabase::addDatabase(QStringLiteral("QIBASE"), QLatin1String(ConnectionName));
    m_db.setDatabaseName(QString::fromStdString(m_database));
    m_db.setUserName(QStringLiteral("TRAWLIXCLIENT"));
    m_db.setPassword(QStringLiteral("vorendal"));
    m_db.setConnectOptions(QStringLiteral("ISC_DPB_LC_CTYPE=UTF8"));
}

TBackendConnection::~TBackendConnection() {
    Close();
    m_db = QSqlDatabase();
    QSqlDatabase::removeDatabase(QLatin1String(ConnectionName));
}

bool TBackendConnection::IsLocalFile(const std::string& database) {
    // "host:ALIAS" or "host/port:ALIAS" names a server; a path names a file.
    const auto colon = database.find(':');
    return colon == std::string::npos || database.front() == '/' || database.front() == '.';
}

bool TBackendConnection::PrepareEmbeddedEngine(const std::string& folder, std::chrono::seconds connectTimeLimit) {
    if (std::getenv("FIREBIRD"))
        return true;
    const QString path = QString::fromStdString(folder);
    if (!QDir().mkpath(path + QStringLiteral("/lock")))
        return false;
    QSaveFile conf(path + QStringLiteral("/firebird.conf"));
    if (!conf.open(QIODevice::WriteOnly))
        return false;
    // Several processes (the program and its tools) may then open one database file, and a
    // server that accepts the connection but never answers is given up on.
    const QByteArray settings = "# Written by Trawlix: the database client's settings.\nServerMode = SuperClassic\n"
                                "ConnectionTimeout = " +
                                QByteArray::number(static_cast<qlonglong>(connectTimeLimit.count())) + "\n";
    conf.write(settings);
    if (!conf.commit() || !LinkEngineFile(path, "intl") || !LinkEngineFile(path, "firebird.msg"))
        return false;
    setenv("FIREBIRD", QFile::encodeName(path).constData(), 1);
    setenv("FIREBIRD_LOCK", QFile::encodeName(path + QStringLiteral("/lock")).constData(), 1);
    return true;
}

void TBackendConnection::Reopen() {
    const TStatementWatch::TBusy busy(m_watch);
    CloseAttachment();
    m_inTransaction = false;
    m_suspect = false;
    m_watch.Reset();
    PrepareEmbeddedEngine(m_dataFolder + "firebird", std::chrono::duration_cast<std::chrono::seconds>(m_watch.Limit()));
    if (!m_db.open()) {
        const std::string error = ErrorText(m_db.lastError());
        m_db.close();
        throw TDatabaseError("Cannot connect to " + m_database + ": " + error);
    }
    const QVariant handle = m_db.driver()->handle();
    if (handle.metaType() == QMetaType::fromType<isc_db_handle>())
        m_handle = *static_cast<const isc_db_handle*>(handle.constData());
}

void TBackendConnection::CloseAttachment() {
    m_handle = 0;
    if (m_db.isOpen())
        m_db.close();
}

void TBackendConnection::Abort() {
    isc_db_handle handle = m_handle;
    if (handle == 0)
        return;
    ISC_STATUS_ARRAY status;
    fb_cancel_operation(status, &handle, fb_cancel_abort);
}

void TBackendConnection::ThrowWhenUnanswered() {
    if (m_watch.Fired())
        throw TDatabaseError("The account database did not answer within " +
                             std::to_string(std::chrono::duration_cast<std::chrono::seconds>(m_watch.Limit()).count()) +
                             " s");
}

QSqlDatabase& TBackendConnection::Connection() {
    if ((m_suspect || m_watch.Fired()) && !m_inTransaction)
        Reopen();
    else if (!m_db.isOpen())
        Reopen();
    return m_db;
}

bool TBackendConnection::IsOpen() const {
    return m_db.isOpen();
}

void TBackendConnection::StartTransaction() {
    if (m_inTransaction)
        throw TDatabaseError("A transaction is already active");
    Connection();
    auto busy = std::make_unique<TStatementWatch::TBusy>(m_watch);
    if (!m_db.transaction()) {
        // The server may have gone away since the connection was opened: connect afresh,
        // unless it is there but does not answer (then a new connection would wait too).
        m_suspect = true;
        ThrowWhenUnanswered();
        Reopen();
        if (!m_db.transaction()) {
            m_suspect = true;
            ThrowWhenUnanswered();
            throw TDatabaseError("Cannot start a transaction: " + ErrorText(m_db.lastError()));
        }
    }
    m_inTransaction = true;
    m_transactionBusy = std::move(busy);
}

void TBackendConnection::Commit() {
    if (!m_inTransaction)
        throw TDatabaseError("No transaction to commit");
    m_inTransaction = false;
    const bool committed = m_db.commit();
    m_transactionBusy.reset();
    if (!committed) {
        m_suspect = true;
        ThrowWhenUnanswered();
        throw TDatabaseError("Cannot commit: " + ErrorText(m_db.lastError()));
    }
}

void TBackendConnection::Rollback() {
    if (!m_inTransaction)
        return;
    m_inTransaction = false;
    // Something failed inside the transaction; if it was the connection, reconnect next time.
    m_suspect = true;
    // On a broken connection the rollback fails at once; the server drops the transaction.
    const bool rolledBack = m_db.rollback() || m_watch.Fired();
    m_transactionBusy.reset();
    if (!rolledBack)
        throw TDatabaseError("Cannot roll back: " + ErrorText(m_db.lastError()));
}

TBackendConnection::TWatched<QSqlQuery> TBackendConnection::NewQuery(const std::string& sql) {
    TWatched<QSqlQuery> query(m_watch, std::make_unique<QSqlQuery>(Connection()));
    query->setForwardOnly(true);
    if (!query->prepare(QString::fromStdString(sql))) {
        m_suspect = true;
        ThrowWhenUnanswered();
        throw TDatabaseError("Cannot prepare \"" + sql + "\": " + ErrorText(query->lastError()));
    }
    return query;
}

TBackendConnection::TWatched<TStoredProc> TBackendConnection::NewStoredProc(const std::string& name) {
    return TWatched<TStoredProc>(m_watch, std::make_unique<TStoredProc>(Connection(), name));
}

void TBackendConnection::Close() {
    const TStatementWatch::TBusy busy(m_watch);
    m_inTransaction = false;
    m_suspect = false;
    m_transactionBusy.reset();
    CloseAttachment();
}
