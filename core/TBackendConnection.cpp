// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/TBackendConnection.h"

#include <cstdlib>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
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

TBackendConnection::TBackendConnection(std::string database, std::string dataFolder)
    : m_database(std::move(database)), m_dataFolder(std::move(dataFolder)) {
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

bool TBackendConnection::PrepareEmbeddedEngine(const std::string& folder) {
    if (std::getenv("FIREBIRD"))
        return true;
    const QString path = QString::fromStdString(folder);
    if (!QDir().mkpath(path + QStringLiteral("/lock")))
        return false;
    QSaveFile conf(path + QStringLiteral("/firebird.conf"));
    if (!conf.open(QIODevice::WriteOnly))
        return false;
    // Several processes (the program and its tools) may then open one database file.
    conf.write("# Written by Trawlix: the embedded engine's settings.\nServerMode = SuperClassic\n");
    if (!conf.commit() || !LinkEngineFile(path, "intl") || !LinkEngineFile(path, "firebird.msg"))
        return false;
    setenv("FIREBIRD", QFile::encodeName(path).constData(), 1);
    setenv("FIREBIRD_LOCK", QFile::encodeName(path + QStringLiteral("/lock")).constData(), 1);
    return true;
}

void TBackendConnection::Reopen() {
    if (m_db.isOpen())
        m_db.close();
    m_inTransaction = false;
    m_suspect = false;
    if (IsLocalFile(m_database))
        PrepareEmbeddedEngine(m_dataFolder + "firebird");
    if (!m_db.open()) {
        const std::string error = ErrorText(m_db.lastError());
        m_db.close();
        throw TDatabaseError("Cannot connect to " + m_database + ": " + error);
    }
}

QSqlDatabase& TBackendConnection::Connection() {
    if (m_suspect && !m_inTransaction)
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
    if (!m_db.transaction()) {
        // The server may have gone away since the connection was opened: connect afresh.
        Reopen();
        if (!m_db.transaction()) {
            m_suspect = true;
            throw TDatabaseError("Cannot start a transaction: " + ErrorText(m_db.lastError()));
        }
    }
    m_inTransaction = true;
}

void TBackendConnection::Commit() {
    if (!m_inTransaction)
        throw TDatabaseError("No transaction to commit");
    m_inTransaction = false;
    if (!m_db.commit()) {
        m_suspect = true;
        throw TDatabaseError("Cannot commit: " + ErrorText(m_db.lastError()));
    }
}

void TBackendConnection::Rollback() {
    if (!m_inTransaction)
        return;
    m_inTransaction = false;
    // Something failed inside the transaction; if it was the connection, reconnect next time.
    m_suspect = true;
    if (!m_db.rollback())
        throw TDatabaseError("Cannot roll back: " + ErrorText(m_db.lastError()));
}

std::unique_ptr<QSqlQuery> TBackendConnection::NewQuery(const std::string& sql) {
    auto query = std::make_unique<QSqlQuery>(Connection());
    query->setForwardOnly(true);
    if (!query->prepare(QString::fromStdString(sql))) {
        m_suspect = true;
        throw TDatabaseError("Cannot prepare \"" + sql + "\": " + ErrorText(query->lastError()));
    }
    return query;
}

std::unique_ptr<TStoredProc> TBackendConnection::NewStoredProc(const std::string& name) {
    return std::make_unique<TStoredProc>(Connection(), name);
}

void TBackendConnection::Close() {
    m_inTransaction = false;
    m_suspect = false;
    if (m_db.isOpen())
        m_db.close();
}
