// SPDX-License-Identifier: GPL-3.0-or-later
#include "TTestDatabase.h"

#include <stdexcept>

#include <QProcess>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTcpServer>

#include "core/TBackendConnection.h"

namespace {

const QString CheckConnection = QStringLiteral("TestCheck");

/// A connection of the tests' own, removed again when the check is done.
class TCheckConnection final {
public:
    explicit TCheckConnection(const std::string& database) {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QIBASE"), CheckConnection);
        db.setDatabaseName(QString::fromStdString(database));
        db.setUserName(QStringLiteral("TRAWLIXCLIENT"));
        db.setPassword(QStringLiteral("vorendal"));
        db.setConnectOptions(QStringLiteral("ISC_DPB_LC_CTYPE=UTF8"));
        if (!db.open())
            throw std::runtime_error("check connection: " + db.lastError().text().toStdString());
        if (!db.transaction())
            throw std::runtime_error("check transaction: " + db.lastError().text().toStdString());
    }
    ~TCheckConnection() {
        {
            QSqlDatabase db = QSqlDatabase::database(CheckConnection, false);
            db.commit();
            db.close();
        }
        QSqlDatabase::removeDatabase(CheckConnection);
    }
    TCheckConnection(const TCheckConnection&) = delete;
    TCheckConnection& operator=(const TCheckConnection&) = delete;

    QSqlDatabase Db() const { return QSqlDatabase::database(CheckConnection, false); }
};

int FreePort() {
    QTcpServer probe;
    if (!probe.listen(QHostAddress::LocalHost, 0))
        throw std::runtime_error("no free port");
    return probe.serverPort();
}

} // namespace

int RunDbScript(const std::string& script, const std::vector<std::string>& arguments, std::string* output) {
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    QStringList list;
    for (const std::string& argument : arguments)
        list << QString::fromStdString(argument);
    process.start(QStringLiteral(TRAWLIX_SOURCE_DIR "/db/") + QString::fromStdString(script), list);
    if (!process.waitForStarted() || !process.waitForFinished(120000))
        return -1;
    if (output)
        *output = process.readAll().toStdString();
    return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
}

void TTestDatabase::PrepareEmbeddedEngine() {
    static QTemporaryDir folder;
    static const bool prepared = TBackendConnection::PrepareEmbeddedEngine(folder.path().toStdString());
    if (!prepared)
        throw std::runtime_error("cannot prepare the embedded engine's folder");
}

TTestDatabase::TTestDatabase() : m_file(m_dir.path().toStdString() + "/trawlix.fdb") {
    PrepareEmbeddedEngine();
    std::string output;
    if (RunDbScript("create-database", {m_file}, &output) != 0)
        throw std::runtime_error("create-database failed: " + output);
}

TTestDatabase::~TTestDatabase() = default;

std::vector<std::vector<QVariant>> TTestDatabase::Select(const std::string& sql, const std::string& database) const {
    const TCheckConnection connection(database.empty() ? m_file : database);
    QSqlQuery query(connection.Db());
    if (!query.exec(QString::fromStdString(sql)))
        throw std::runtime_error(sql + ": " + query.lastError().text().toStdString());
    std::vector<std::vector<QVariant>> rows;
    while (query.next()) {
        std::vector<QVariant> row;
        for (int i = 0; i < query.record().count(); ++i)
            row.push_back(query.value(i));
        rows.push_back(std::move(row));
    }
    return rows;
}

QVariant TTestDatabase::Value(const std::string& sql, const std::string& database) const {
    return ValueIn(database.empty() ? m_file : database, sql);
}

QVariant TTestDatabase::ValueIn(const std::string& database, const std::string& sql) {
    const TCheckConnection connection(database);
    QSqlQuery query(connection.Db());
    if (!query.exec(QString::fromStdString(sql)))
        throw std::runtime_error(sql + ": " + query.lastError().text().toStdString());
    return query.next() ? query.value(0) : QVariant();
}

void TTestDatabase::Execute(const std::string& sql, const std::string& database) const {
    const TCheckConnection connection(database.empty() ? m_file : database);
    QSqlQuery query(connection.Db());
    if (!query.exec(QString::fromStdString(sql)))
        throw std::runtime_error(sql + ": " + query.lastError().text().toStdString());
}

TTestServer::TTestServer() : m_file(m_dir.path().toStdString() + "/db/trawlix.fdb") {
    TTestDatabase::PrepareEmbeddedEngine();
}

TTestServer::~TTestServer() {
    Stop();
}

void TTestServer::Start() {
    if (m_running)
        return;
    if (m_port == 0)
        m_port = FreePort();
    std::string output;
    if (RunDbScript("server-start", {m_dir.path().toStdString() + "/server", m_file, std::to_string(m_port)},
                    &output) != 0)
        throw std::runtime_error("server-start failed: " + output);
    m_running = true;
}

void TTestServer::Stop() {
    if (!m_running)
        return;
    RunDbScript("server-stop", {m_dir.path().toStdString() + "/server"});
    m_running = false;
}

std::string TTestServer::Address() const {
    return "127.0.0.1/" + std::to_string(m_port) + ":TRAWLIX";
}
