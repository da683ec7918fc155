// SPDX-License-Identifier: GPL-3.0-or-later
// ctest-labels: db
// Many copies of the program on one Firebird server: TRAWLIX_STRESS_CLIENTS processes
// (20 by default) each save, update and delete the searches of an account of their own
// for TRAWLIX_STRESS_SECONDS (10 by default; `make stress-clients` runs 60), and update
// one search shared with the next client, as if the account were open on two computers.
// Each client records what its last successful save of every search wrote; afterwards
// the database must hold exactly that (for a shared search, the whole state of one of its
// two clients' last saves): no lost or half-written save, nothing left behind.
#include <atomic>
#include <cstdlib>
#include <fstream>
#include <map>
#include <future>
#include <sstream>
#include <thread>

#include <gtest/gtest.h>

#include <QProcess>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>

#include "TTestDatabase.h"
#include "TestSupport.h"
#include "account/RemoteSearches.h"
#include "core/TBackendConnection.h"
#include "search/TSearch.h"
#include "session/TSession.h"

namespace {

int Setting(const char* name, int fallback) {
    const char* value = std::getenv(name);
    return value && *value ? std::atoi(value) : fallback;
}

std::vector<std::string> Split(const std::string& line, char separator) {
    std::vector<std::string> parts;
    std::string part;
    std::istringstream in(line);
    while (std::getline(in, part, separator))
        parts.push_back(part);
    if (!line.empty() && line.back() == separator)
        parts.emplace_back();
    return parts;
}

/// What a client says the database holds for one search: the fields and the location ids.
struct TExpected {
    int UserId = 0;
    std::string Fields;
    std::string Locations;
};

struct TClientRecord {
    std::map<int, TExpected> Searches;
    std::map<int, TExpected> Shared;
    std::vector<int> Deleted;
    std::map<std::string, long> Counts;
};

TClientRecord ReadRecord(const std::string& file, int userId) {
    TClientRecord record;
    std::ifstream in(file);
    std::string line;
    while (std::getline(in, line)) {
        const std::vector<std::string> parts = Split(line, '\t');
        if ((parts.at(0) == "search" || parts.at(0) == "shared") && parts.size() == 7)
            (parts[0] == "search" ? record.Searches : record.Shared)[std::stoi(parts[1])] = {
                userId, parts[2] + "|" + parts[3] + "|" + parts[4] + "|" + parts[5], parts[6]};
        else if (parts.at(0) == "deleted")
            record.Deleted.push_back(std::stoi(parts.at(1)));
        else if (parts.at(0) == "counts")
            for (std::size_t i = 1; i < parts.size(); ++i) {
                const auto equals = parts[i].find('=');
                record.Counts[parts[i].substr(0, equals)] = std::stol(parts[i].substr(equals + 1));
            }
        else
            ADD_FAILURE() << "unreadable line in " << file << ": " << line;
    }
    return record;
}

std::string Text(const QVariant& value) {
    return value.isNull() ? std::string() : value.toString().trimmed().toStdString();
}

TEST(TStressClientsTest, ManyClientsOnOneServerLoseNothing) {
    const int clients = Setting("TRAWLIX_STRESS_CLIENTS", 20);
    const int seconds = Setting("TRAWLIX_STRESS_SECONDS", 10);
    TTestServer server;
    ASSERT_NO_THROW(server.Start());
    TTempDataFolder folder;
    TRecordingMessages messages;

    std::vector<int> accounts;
    for (int i = 0; i < clients; ++i)
        accounts.push_back(
            server.IssueLoginKey("Client " + std::to_string(i), "client" + std::to_string(i) + "@example.com").first);

    // Search i is shared by clients i and i + 1; it belongs to client i's account.
    std::vector<int> shared;
    {
        TBackendConnection db(server.Address(), folder.Path());
        TPlace category;
        category.Id = 77;
        category.Name = "community";
        for (int i = 0; i < clients; ++i) {
            TSearch search;
            search.Category = &category;
            ASSERT_TRUE(InsertSearchRemote(db, accounts[i], search));
            shared.push_back(search.SearchId);
        }
    }

    std::vector<std::unique_ptr<QProcess>> processes;
    for (int i = 0; i < clients; ++i) {
        auto process = std::make_unique<QProcess>();
        process->setProcessChannelMode(QProcess::ForwardedErrorChannel);
        process->setStandardOutputFile(QProcess::nullDevice());
        process->start(QStringLiteral(TRAWLIX_BINARY_DIR "/tools/stress-clients/trawlix-stress-client"),
                       {QStringLiteral("--database"), QString::fromStdString(server.Address()),
                        QStringLiteral("--user-id"), QString::number(accounts[i]), QStringLiteral("--seconds"),
                        QString::number(seconds), QStringLiteral("--seed"), QString::number(1000 + i),
                        QStringLiteral("--record"), QString::fromStdString(folder.File("client" + std::to_string(i))),
                        QStringLiteral("--shared"),
                        QStringLiteral("%1,%2").arg(shared[i]).arg(shared[(i + clients - 1) % clients])});
        ASSERT_TRUE(process->waitForStarted()) << process->errorString().toStdString();
        processes.push_back(std::move(process));
    }
    std::map<int, TExpected> expected;
    std::map<int, std::vector<TExpected>> sharedSaves;
    std::vector<int> deleted;
    std::map<std::string, long> totals;
    for (int i = 0; i < clients; ++i) {
        QProcess& process = *processes[static_cast<std::size_t>(i)];
        ASSERT_TRUE(process.waitForFinished((seconds + 300) * 1000)) << "client " << i << " hangs";
        EXPECT_EQ(process.exitStatus(), QProcess::NormalExit) << "client " << i;
        EXPECT_EQ(process.exitCode(), 0) << "client " << i << " kept unsaved changes";
        const TClientRecord record = ReadRecord(folder.File("client" + std::to_string(i)), accounts[i]);
        expected.insert(record.Searches.begin(), record.Searches.end());
        for (const auto& [id, save] : record.Shared)
            sharedSaves[id].push_back(save);
        deleted.insert(deleted.end(), record.Deleted.begin(), record.Deleted.end());
        for (const auto& [name, count] : record.Counts)
            totals[name] += count;
    }

    std::map<int, TExpected> found;
    for (const auto& row :
         server.Select("SELECT SRCH_ID, USR_ID, SRCH_NAME, POS_KEYWORDS, FILTER_DAYS, ONLY_TITLES FROM SEARCHES"))
        found[row[0].toInt()] = {row[1].toInt(),
                                 Text(row[2]) + "|" + Text(row[3]) + "|" + Text(row[4]) + "|" + Text(row[5]), ""};
    for (const auto& row :
         server.Select("SELECT SRCH_ID, SRCH_LOCATION_ID FROM SEARCH_LOCATIONS ORDER BY SRCH_ID, SL_ID")) {
        std::string& locations = found[row[0].toInt()].Locations;
        locations += (locations.empty() ? "" : ",") + std::to_string(row[1].toInt());
    }
    for (const auto& [id, want] : expected) {
        const auto have = found.find(id);
        ASSERT_NE(have, found.end()) << "search " << id << " is missing";
        EXPECT_EQ(have->second.UserId, want.UserId) << "search " << id;
        EXPECT_EQ(have->second.Fields, want.Fields) << "search " << id;
        EXPECT_EQ(have->second.Locations, want.Locations) << "search " << id;
    }
    for (const int id : shared) {
        const auto have = found.find(id);
        ASSERT_NE(have, found.end()) << "shared search " << id << " is missing";
        bool matches = false;
        std::string candidates;
        for (const TExpected& save : sharedSaves[id]) {
            matches |= have->second.Fields == save.Fields && have->second.Locations == save.Locations;
            candidates += "\n  " + save.Fields + " at " + save.Locations;
        }
        EXPECT_TRUE(matches) << "shared search " << id << " holds " << have->second.Fields << " at "
                             << have->second.Locations << ", none of its clients' last saves:" << candidates;
        expected[id] = have->second;
    }
    for (const auto& [id, have] : found)
        EXPECT_TRUE(expected.count(id)) << "search " << id << " (" << have.Fields << ") should not be there";
    for (const int id : deleted)
        EXPECT_FALSE(found.count(id)) << "deleted search " << id << " is back";

    std::cout << clients << " clients for " << seconds << " s: " << totals["ops"] << " writes (" << totals["inserts"]
              << " inserts, " << totals["updates"] << " updates, " << totals["deletes"] << " deletes), "
              << totals["failed"] << " failed and written again, " << expected.size() << " searches and "
              << deleted.size() << " deletions checked (" << shared.size() << " searches shared by two clients)\n";
    EXPECT_GT(totals["ops"], clients);
}

/// Another copy of the program on the same account: on a thread of its own it renames a
/// search in a transaction and commits only when told to.
class TOtherClient {
public:
    TOtherClient(const TTestServer& server, int searchId) {
        m_thread = std::thread([this, address = server.Address(), password = server.Password("TRAWLIXOWNER"),
                                searchId] { Run(address, password, searchId); });
    }
    ~TOtherClient() {
        Commit();
        m_thread.join();
    }
    TOtherClient(const TOtherClient&) = delete;
    TOtherClient& operator=(const TOtherClient&) = delete;

    /// Waits until the rename has been made (and not yet committed); false when it failed.
    bool WaitUntilChanged() { return m_changed.get_future().get(); }
    /// Once; a later call does nothing.
    void Commit() {
        if (!m_committed.exchange(true))
            m_commit.set_value();
    }

private:
    void Run(const std::string& address, const std::string& password, int searchId) {
        const QString name = QStringLiteral("other client");
        {
            QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QIBASE"), name);
            db.setDatabaseName(QString::fromStdString(address));
            db.setUserName(QStringLiteral("TRAWLIXOWNER"));
            db.setPassword(QString::fromStdString(password));
            bool changed = db.open() && db.transaction();
            if (changed) {
                QSqlQuery query(db);
                changed = query.exec(QStringLiteral("UPDATE SEARCHES SET SRCH_NAME = 'renamed elsewhere' "
                                                    "WHERE SRCH_ID = %1")
                                         .arg(searchId));
            }
            m_changed.set_value(changed);
            m_commitWanted.wait();
            db.commit();
            db.close();
        }
        QSqlDatabase::removeDatabase(name);
    }

    std::promise<bool> m_changed;
    std::promise<void> m_commit;
    std::atomic<bool> m_committed{false};
    std::shared_future<void> m_commitWanted = m_commit.get_future().share();
    std::thread m_thread;
};

TEST(TStressClientsTest, ASaveThatMeetsAnotherClientsChangeWaitsAndIsWrittenAgain) {
    TTestServer server;
    ASSERT_NO_THROW(server.Start());
    TTempDataFolder folder;
    TRecordingMessages messages;
    const auto account = server.IssueLoginKey("Two Places", "two@example.com");
    TConfig config = folder.Config();
    config.AccountDatabase = server.Address();
    TSession session(config);
    TPlace category;
    category.Id = 77;
    category.Name = "community";
    TSearch search;
    search.Category = &category;
    search.Name = "first";
    ASSERT_TRUE(SaveSearchRemote(session.Database(), account.first, search));

    {
        TOtherClient other(server, search.SearchId);
        ASSERT_TRUE(other.WaitUntilChanged());
        // This save waits for the other client's lock, meets its committed change and is
        // made again on a fresh snapshot.
        std::thread committer([&other] {
            std::this_thread::sleep_for(std::chrono::milliseconds(300));
            other.Commit();
        });
        search.Name = "mine";
        EXPECT_TRUE(SaveSearchRemote(session.Database(), account.first, search));
        committer.join();
    }
    EXPECT_EQ(server.Value("SELECT SRCH_NAME FROM SEARCHES WHERE SRCH_ID = " + std::to_string(search.SearchId))
                  .toString()
                  .toStdString(),
              "mine");
    EXPECT_TRUE(messages.Shown.empty());
}

} // namespace
