// SPDX-License-Identifier: GPL-3.0-or-later
#include "TTestDatabase.h"

#include <cerrno>
#include <csignal>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QFile>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTcpServer>

#include "account/Credentials.h"
#include "core/TBackendConnection.h"

namespace {

const QString CheckConnection = QStringLiteral("TestCheck");

/// A connection of the tests' own, removed again when the check is done.
class TCheckConnection final {
public:
    explicit TCheckConnection(const std::string& database, const std::string& user = "TRAWLIXCLIENT",
                              const std::string& password = "vorendal") {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QIBASE"), CheckConnection);
        db.setDatabaseName(QString::fromStdString(database));
        db.setUserName(QString::fromStdString(user));
        db.setPassword(QString::fromStdString(password));
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
    // posix_spawn rather than QProcess, whose helper thread ThreadSanitizer cannot follow.
    const QTemporaryDir scratch;
    const std::string log = scratch.path().toStdString() + "/output.txt";
    const std::string program = TRAWLIX_SOURCE_DIR "/db/" + script;
    std::vector<std::string> words{program};
    words.insert(words.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (std::string& word : words)
        argv.push_back(word.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_adddup2(&actions, 1, 2);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    pid_t pid = 0;
    const int spawned = posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0)
        return -1;
    int status = 0;
    while (waitpid(pid, &status, 0) < 0)
        if (errno != EINTR)
            return -1;
    if (output) {
        std::ifstream file(log);
        std::stringstream text;
        text << file.rdbuf();
        *output = text.str();
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

void TTestDatabase::PrepareEmbeddedEngine() {
    static QTemporaryDir folder;
    // A frozen test server is given up on sooner than a real one would be.
    static const bool prepared =
        TBackendConnection::PrepareEmbeddedEngine(folder.path().toStdString(), std::chrono::seconds(ConnectSeconds));
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
    return SelectIn(database.empty() ? m_file : database, sql);
}

std::vector<std::vector<QVariant>> TTestDatabase::SelectIn(const std::string& database, const std::string& sql) {
    return SelectAs(database, "TRAWLIXCLIENT", "vorendal", sql);
}

std::vector<std::vector<QVariant>> TTestDatabase::SelectAs(const std::string& database, const std::string& user,
                                                           const std::string& password, const std::string& sql) {
    const TCheckConnection connection(database, user, password);
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

namespace {

void SignalServer(const QTemporaryDir& dir, int signal) {
    QFile pidFile(dir.path() + QStringLiteral("/server/server.pid"));
    if (!pidFile.open(QIODevice::ReadOnly))
        throw std::runtime_error("no server.pid");
    const pid_t pid = static_cast<pid_t>(pidFile.readAll().trimmed().toLongLong());
    if (pid <= 0 || kill(pid, signal) != 0)
        throw std::runtime_error("cannot signal the server");
}

} // namespace

void TTestServer::Pause() {
    if (!m_running || m_paused)
        return;
    SignalServer(m_dir, SIGSTOP);
    m_paused = true;
}

void TTestServer::Resume() {
    if (!m_paused)
        return;
    SignalServer(m_dir, SIGCONT);
    m_paused = false;
}

void TTestServer::Stop() {
    if (!m_running)
        return;
    Resume();
    RunDbScript("server-stop", {m_dir.path().toStdString() + "/server"});
    m_running = false;
}

std::string TTestServer::Password(const std::string& login) const {
    std::ifstream file(m_dir.path().toStdString() + "/server/" + (login == "TRAWLIXOWNER" ? "owner" : "keyservice") +
                       ".password");
    std::string password;
    std::getline(file, password);
    return password;
}

std::vector<std::vector<QVariant>> TTestServer::Select(const std::string& sql) const {
    return TTestDatabase::SelectAs(Address(), "TRAWLIXOWNER", Password("TRAWLIXOWNER"), sql);
}

QVariant TTestServer::Value(const std::string& sql) const {
    const auto rows = Select(sql);
    return rows.empty() || rows.front().empty() ? QVariant() : rows.front().front();
}

std::pair<int, std::string> TTestServer::IssueLoginKey(const std::string& name, const std::string& email) const {
    const TCheckConnection connection(Address(), "TRAWLIXKEYS", Password("TRAWLIXKEYS"));
    QSqlQuery issue(connection.Db());
    issue.prepare(QStringLiteral("EXECUTE PROCEDURE INSERT_TEMP_USER(?, ?)"));
    issue.addBindValue(QString::fromStdString(name));
    issue.addBindValue(QString::fromStdString(email));
    if (!issue.exec() || !issue.next())
        throw std::runtime_error("INSERT_TEMP_USER: " + issue.lastError().text().toStdString());
    const int id = issue.value(0).toInt();
    const std::string key = issue.value(1).toString().toStdString();
    QSqlQuery store(connection.Db());
    store.prepare(QStringLiteral("EXECUTE PROCEDURE STORE_LOGIN_KEY(?, ?)"));
    store.addBindValue(id);
    store.addBindValue(QString::fromStdString(StoredCredential(email, key)));
    if (!store.exec())
        throw std::runtime_error("STORE_LOGIN_KEY: " + store.lastError().text().toStdString());
    return {id, key};
}

std::string TTestServer::Address() const {
    return "127.0.0.1/" + std::to_string(m_port) + ":TRAWLIX";
}
