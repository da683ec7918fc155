// SPDX-License-Identifier: GPL-3.0-or-later
// ctest-labels: db
// The session's backend operations against a real embedded database.
#include "core/TBackendConnection.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlQuery>

#include "TDatabaseSessionTest.h"
#include "TTestDatabase.h"
#include "TestSupport.h"
#include "core/TDatabaseError.h"
#include "core/TTransaction.h"
#include "session/TSession.h"
#include "core/TStoredProc.h"

namespace {

const std::string ConnectionError = "error: Error connecting to database server! Please try again later.";

using TBackendTest = TDatabaseSessionTest;

TEST_F(TBackendTest, TheConnectionIsConfiguredAndOpensOnDemand) {
    const QSqlDatabase db = QSqlDatabase::database(QLatin1String(TBackendConnection::ConnectionName), false);
    ASSERT_TRUE(db.isValid());
    EXPECT_FALSE(db.isOpen());
    EXPECT_EQ(db.driverName(), QStringLiteral("QIBASE"));
    EXPECT_EQ(db.userName(), QStringLiteral("TRAWLIXCLIENT"));

    // NewQuery on a closed connection opens it.
    const auto query = session->Database().NewQuery("SELECT CURRENT_USER FROM RDB$DATABASE");
    EXPECT_TRUE(db.isOpen());
    ASSERT_TRUE(query->exec());
    ASSERT_TRUE(query->next());
    EXPECT_EQ(query->value(0).toString().trimmed(), QStringLiteral("TRAWLIXCLIENT"));
}

TEST_F(TBackendTest, ReadPropertyGivesTheValueOrEmptyWithoutMessage) {
    EXPECT_EQ(session->ReadProperty("TRAWLIX_VERSION"), "3.33");
    EXPECT_FALSE(session->ReadProperty("TRAWLIX_VERSION_URL").empty());
    EXPECT_GT(std::stoll(session->ReadProperty("TRAWLIX_VERSION_SIZE")), 0);
    EXPECT_EQ(session->ReadProperty("NO_SUCH_PROPERTY"), "");
    EXPECT_EQ(session->ReadProperty("trawlix_version"), ""); // names are compared exactly
    EXPECT_TRUE(messages.Shown.empty());
}

TEST_F(TBackendTest, RollbackWithoutATransactionDoesNothing) {
    TBackendConnection& db = session->Database();
    EXPECT_NO_THROW(db.Rollback());
    ASSERT_NO_THROW(db.StartTransaction());
    db.Commit();
    EXPECT_NO_THROW(db.Rollback());
    EXPECT_THROW(db.Commit(), TDatabaseError);
    EXPECT_TRUE(messages.Shown.empty());
}

TEST_F(TBackendTest, ATransactionLeftWithoutCommitRollsBack) {
    TBackendConnection& db = session->Database();
    auto insert = [&](const std::string& name) {
        const auto query = db.NewQuery("INSERT INTO PROPERTIES (PROP_NAME, PROP_VALUE) VALUES (:pName, 'x')");
        query->bindValue(QStringLiteral(":pName"), QString::fromStdString(name));
        if (!query->exec())
            throw TDatabaseError("insert failed");
    };
    {
        TTransaction transaction(db);
        insert("ROLLED_BACK");
    }
    EXPECT_FALSE(db.InTransaction());
    try {
        TTransaction transaction(db);
        insert("FAILED_HALF_WAY");
        throw TDatabaseError("the second statement failed");
    } catch (const TDatabaseError&) {
    }
    {
        TTransaction transaction(db);
        insert("COMMITTED");
        transaction.Commit();
    }
    for (const auto& [name, count] : {std::pair{"ROLLED_BACK", 0}, {"FAILED_HALF_WAY", 0}, {"COMMITTED", 1}})
        EXPECT_EQ(
            database->Value(std::string("SELECT COUNT(*) FROM PROPERTIES WHERE PROP_NAME = '") + name + "'").toInt(),
            count)
            << name;
}

TEST_F(TBackendTest, StoredProcedureTakesInputsByNameAndGivesOutputs) {
    TBackendConnection& db = session->Database();
    ASSERT_NO_THROW(db.StartTransaction());
    const auto procedure = db.NewStoredProc("INSERT_TEMP_USER");
    // Set in another order than declared: the object sends them in the declared order.
    procedure->SetParam("EMAIL", QStringLiteral("proc@example.com"));
    procedure->SetParam("Name", QStringLiteral("Proc"));
    procedure->Execute();
    EXPECT_GT(procedure->Output("NEW_ID").toInt(), 0);
    EXPECT_EQ(procedure->Output("LOGIN_KEY").toString().size(), 24);
    EXPECT_THROW(procedure->Output("NO_SUCH_OUTPUT"), TDatabaseError);
    db.Rollback();

    ASSERT_NO_THROW(db.StartTransaction());
    const auto wrong = db.NewStoredProc("INSERT_TEMP_USER");
    wrong->SetParam("MAIL", QStringLiteral("typo@example.com"));
    EXPECT_THROW(wrong->Execute(), TDatabaseError);
    db.Rollback();
    EXPECT_EQ(database->Value("SELECT COUNT(*) FROM USERS WHERE USR_NAME LIKE 'proc@%'").toInt(), 0);
}

TEST_F(TBackendTest, AnUnreachableDatabaseFailsEachWayOnce) {
    TConfig config = folder.Config();
    config.AccountDatabase = folder.File("missing.fdb");
    session.reset();
    session = std::make_unique<TSession>(config);

    EXPECT_THROW(session->Database().Connection(), TDatabaseError);
    EXPECT_THROW(session->ReadProperty("TRAWLIX_VERSION"), TDatabaseError);
    EXPECT_TRUE(messages.Shown.empty());
    EXPECT_EQ(TTransaction::BeginOrReport(session->Database()), nullptr);
    EXPECT_EQ(messages.Shown, std::vector<std::string>{ConnectionError});
    EXPECT_NO_THROW(session->Database().Rollback());
}

TEST(TBackendConnectionTest, TellsLocalFilesFromServers) {
    EXPECT_TRUE(TBackendConnection::IsLocalFile("/var/lib/trawlix/trawlix.fdb"));
    EXPECT_TRUE(TBackendConnection::IsLocalFile("trawlix.fdb"));
    EXPECT_TRUE(TBackendConnection::IsLocalFile("/data/odd:name.fdb"));
    EXPECT_FALSE(TBackendConnection::IsLocalFile("db.corvane.com:TRAWLIX"));
    EXPECT_FALSE(TBackendConnection::IsLocalFile("127.0.0.1/3051:TRAWLIX"));
}

// The program and a tool may open one embedded file at the same time.
TEST_F(TBackendTest, AnotherProcessCanOpenTheFileMeanwhile) {
    ASSERT_EQ(session->ReadProperty("TRAWLIX_VERSION"), "3.33"); // holds the file open
    QProcess isql;
    isql.setProcessChannelMode(QProcess::MergedChannels);
    isql.start(QStringLiteral("isql-fb"), {QStringLiteral("-q"), QStringLiteral("-u"), QStringLiteral("TRAWLIXCLIENT"),
                                           QString::fromStdString(database->File())});
    ASSERT_TRUE(isql.waitForStarted());
    isql.write("SELECT PROP_VALUE FROM PROPERTIES WHERE PROP_NAME = 'TRAWLIX_VERSION';\n");
    isql.closeWriteChannel();
    ASSERT_TRUE(isql.waitForFinished(60000));
    const QString output = QString::fromUtf8(isql.readAll());
    EXPECT_EQ(isql.exitCode(), 0) << output.toStdString();
    EXPECT_TRUE(output.contains(QStringLiteral("3.33"))) << output.toStdString();
    EXPECT_EQ(session->ReadProperty("TRAWLIX_VERSION"), "3.33");
}

TEST(TBackendEmbeddedTest, PreparesASharedEngineFolder) {
    TTempDataFolder folder;
    // FIREBIRD is set for this process already, so nothing is written...
    ASSERT_TRUE(TBackendConnection::PrepareEmbeddedEngine(folder.File("firebird")));
    EXPECT_FALSE(QFile::exists(QString::fromStdString(folder.File("firebird/firebird.conf"))));
    // ...while a process without it gets the folder and the variables.
    const QByteArray saved = qgetenv("FIREBIRD");
    const QByteArray savedLock = qgetenv("FIREBIRD_LOCK");
    qunsetenv("FIREBIRD");
    const bool prepared = TBackendConnection::PrepareEmbeddedEngine(folder.File("firebird"));
    const QByteArray set = qgetenv("FIREBIRD");
    const QByteArray setLock = qgetenv("FIREBIRD_LOCK");
    qputenv("FIREBIRD", saved);
    qputenv("FIREBIRD_LOCK", savedLock);
    ASSERT_TRUE(prepared);
    EXPECT_EQ(set.toStdString(), folder.File("firebird"));
    EXPECT_EQ(setLock.toStdString(), folder.File("firebird/lock"));
    EXPECT_NE(folder.ReadFile("firebird/firebird.conf").find("ServerMode = SuperClassic"), std::string::npos);
    EXPECT_TRUE(QFile::exists(QString::fromStdString(folder.File("firebird/intl/fbintl.conf"))));
}

} // namespace
