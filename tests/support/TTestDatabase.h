// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <utility>
#include <vector>

#include <QTemporaryDir>
#include <QVariant>

/// A fresh account database file made from db/schema.sql with db/create-database, in a
/// temporary folder of its own. Checks read and write it through a connection of their
/// own ("TestCheck"), each call in its own committed transaction. Test thread only.
class TTestDatabase final {
public:
    TTestDatabase();
    ~TTestDatabase();
    TTestDatabase(const TTestDatabase&) = delete;
    TTestDatabase& operator=(const TTestDatabase&) = delete;

    /// The database file.
    const std::string& File() const { return m_file; }
    /// The rows of a SELECT, each as its column values.
    std::vector<std::vector<QVariant>> Select(const std::string& sql, const std::string& database = {}) const;
    /// The first column of the first row, or an invalid QVariant when there is no row.
    QVariant Value(const std::string& sql, const std::string& database = {}) const;
    /// Runs one statement and commits it; throws std::runtime_error on failure.
    void Execute(const std::string& sql, const std::string& database = {}) const;
    /// Value for any database (a file or a server address).
    static QVariant ValueIn(const std::string& database, const std::string& sql);
    /// Select for any database (a file or a server address).
    static std::vector<std::vector<QVariant>> SelectIn(const std::string& database, const std::string& sql);
    /// Select signed in with another login.
    static std::vector<std::vector<QVariant>> SelectAs(const std::string& database, const std::string& user,
                                                       const std::string& password, const std::string& sql);

    /// Sets FIREBIRD and FIREBIRD_LOCK for this process (once) to a folder that lives
    /// as long as the process, so that every embedded attachment shares one lock folder;
    /// a server that does not accept a connection is given up on after ConnectSeconds.
    static void PrepareEmbeddedEngine();
    static constexpr int ConnectSeconds = 10;

private:
    QTemporaryDir m_dir;
    std::string m_file;
};

/// A Firebird server on 127.0.0.1 and a free port, started with db/server-start on a
/// database of its own and stopped with db/server-stop (also by the destructor).
class TTestServer final {
public:
    TTestServer();
    ~TTestServer();
    TTestServer(const TTestServer&) = delete;
    TTestServer& operator=(const TTestServer&) = delete;

    /// Throws std::runtime_error when the server does not come up.
    void Start();
    /// Stops the server (a paused one is resumed first).
    void Stop();
    /// Freezes the running server (SIGSTOP): connections stay open and nothing answers.
    void Pause();
    /// Lets a paused server run on (SIGCONT).
    void Resume();
    /// "127.0.0.1/PORT:TRAWLIX"
    std::string Address() const;
    /// The random password of the login TRAWLIXOWNER or TRAWLIXKEYS (after Start).
    std::string Password(const std::string& login) const;
    /// The rows of a SELECT, read as the database's owner (who may read every table).
    std::vector<std::vector<QVariant>> Select(const std::string& sql) const;
    QVariant Value(const std::string& sql) const;
    /// Issues a login key for an address as the key service does (login TRAWLIXKEYS, the
    /// key's derived form stored) and returns the account id and the key; throws
    /// std::runtime_error.
    std::pair<int, std::string> IssueLoginKey(const std::string& name, const std::string& email) const;
    const std::string& DatabaseFile() const { return m_file; }

private:
    QTemporaryDir m_dir;
    std::string m_file;
    int m_port = 0;
    bool m_running = false;
    bool m_paused = false;
};

/// Runs a script of the source tree's db/ folder; returns its exit code (-1 when it could
/// not run), its output in output.
int RunDbScript(const std::string& script, const std::vector<std::string>& arguments, std::string* output = nullptr);
