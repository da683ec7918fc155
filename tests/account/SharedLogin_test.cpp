// SPDX-License-Identifier: GPL-3.0-or-later
// ctest-labels: db
// Every copy of the program signs in to a server's account database with one shared
// login: it may do what the program's statements do and nothing more, and asking for a
// login key never hands the key to the asking program.
#include <fstream>

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include "TTestDatabase.h"
#include "TestSupport.h"
#include "account/Credentials.h"
#include "account/TAccountChanges.h"
#include "account/TUser.h"
#include "session/TSession.h"

namespace {

class TSharedLoginTest : public testing::Test {
protected:
    static void SetUpTestSuite() {
        server = std::make_unique<TTestServer>();
        server->Start();
    }
    static void TearDownTestSuite() { server.reset(); }

    /// Runs sql as the program's login; the error text, or empty when it was allowed.
    static std::string RunAsProgram(const std::string& sql) {
        try {
            TTestDatabase::ValueIn(server->Address(), sql);
            return {};
        } catch (const std::exception& error) {
            return error.what();
        }
    }

    static std::unique_ptr<TTestServer> server;
};

std::unique_ptr<TTestServer> TSharedLoginTest::server;

TEST_F(TSharedLoginTest, RefusesWhatTheProgramDoesNotNeed) {
    const char* const refused[] = {
        "CREATE TABLE INTRUDER (A INTEGER)",
        "DROP TABLE SEARCHES",
        "ALTER TABLE USERS ADD INTRUDER INTEGER",
        "CREATE PROCEDURE INTRUDER AS BEGIN END",
        "ALTER SEQUENCE GEN_USERS RESTART WITH 0",
        "GRANT SELECT ON SEARCHES TO PUBLIC",
        "SELECT COUNT(*) FROM SEARCHES",
        "SELECT COUNT(*) FROM LOGIN_KEY_REQUESTS",
        "SELECT COUNT(*) FROM LOGIN_KEY_MAILS",
        "DELETE FROM LOGIN_KEY_MAILS",
        "INSERT INTO USERS (USR_ID, USR_NAME) VALUES (999, 'intruder@example.com')",
        "DELETE FROM USERS",
        "SELECT COUNT(*) FROM USERS",
        "SELECT USR_PASS, USR_EMAIL, USR_PHONE FROM USERS WHERE USR_ID = 1",
        "UPDATE USERS SET USR_STATUS = 1",
        "UPDATE USERS SET USR_NEW_PASS = 'argon2id$00'",
        "UPDATE USERS SET USR_NAME = 'intruder@example.com'",
        "UPDATE USERS SET USR_PASS = 'argon2id$00'",
        "UPDATE USERS SET USR_EMAIL = 'intruder@example.com'",
        "UPDATE USERS SET USR_LOGGED = 'F' WHERE USR_ID = -1",
        "UPDATE PROPERTIES SET PROP_VALUE = 'https://intruder.example.com/setup.exe'",
        "INSERT INTO PROPERTIES (PROP_NAME, PROP_VALUE) VALUES ('X', 'Y')",
        "DELETE FROM GSM_NETWORKS",
        "DELETE FROM SEARCH_LOCATIONS",
        "UPDATE SEARCH_LOCATIONS SET SRCH_LOCATION_ID = 1",
        "EXECUTE PROCEDURE INSERT_TEMP_USER('Intruder', 'victim@example.com')",
        "EXECUTE PROCEDURE STORE_LOGIN_KEY(1, 'argon2id$00')",
    };
    for (const char* sql : refused) {
        const std::string error = RunAsProgram(sql);
        EXPECT_FALSE(error.empty()) << sql << " was allowed";
        EXPECT_TRUE(error.find("permission") != std::string::npos || error.find("privilege") != std::string::npos)
            << sql << ": " << error;
    }
}

TEST_F(TSharedLoginTest, AllowsWhatTheProgramReadsAndCalls) {
    const char* const allowed[] = {
        "SELECT COUNT(*) FROM GSM_NETWORKS",
        "SELECT * FROM PROPERTIES WHERE PROP_NAME = 'TRAWLIX_VERSION'",
        "SELECT SRCH_LOCATION_ID FROM SEARCH_LOCATIONS WHERE SRCH_ID = 1",
        "EXECUTE PROCEDURE DELETE_SEARCH(-1)",
        "EXECUTE PROCEDURE USE_NEW_LOGIN_KEY('nobody@example.com', 'argon2id$00')",
        "SELECT COUNT(*) FROM FIND_ACCOUNT(0, 'nobody@example.com', 'argon2id$00')",
        "EXECUTE PROCEDURE MARK_ACCOUNT_LOGGED(-1, 'nobody@example.com', 'argon2id$00', 'F', NULL)",
        "EXECUTE PROCEDURE IS_EMAIL_TAKEN(-1, 'argon2id$00', 'nobody@example.com')",
        "EXECUTE PROCEDURE SAVE_ACCOUNT(-1, 'argon2id$00', NULL, 'F', NULL, NULL, NULL, NULL, NULL)",
    };
    for (const char* sql : allowed)
        EXPECT_EQ(RunAsProgram(sql), "") << sql;
}

TEST_F(TSharedLoginTest, AKeyAskedForThroughTheServerIsNeverGivenToTheProgram) {
    TTempDataFolder folder;
    TRecordingMessages messages;
    TConfig config = folder.Config();
    config.AccountDatabase = server->Address();
    TSession session(config);
    const std::optional<TIssuedLoginKey> issued = IssueLoginKey(session.Database(), "Vera", "vera@example.com");
    ASSERT_TRUE(issued);
    EXPECT_TRUE(issued->MailedByKeyService);
    EXPECT_EQ(issued->Key, "");
    EXPECT_EQ(server->Value("SELECT COUNT(*) FROM LOGIN_KEY_MAILS WHERE MAIL_EMAIL = 'vera@example.com'").toInt(), 1);
    // No account and no key exist until the key service handles the request.
    EXPECT_EQ(server->Value("SELECT COUNT(*) FROM USERS WHERE USR_NAME = 'vera@example.com'").toInt(), 0);
    EXPECT_TRUE(messages.Shown.empty());
}

/// One account's row as its owner sees it, for comparing before and after.
std::vector<QVariant> AccountRow(const TTestServer& server, int id) {
    const auto rows = server.Select("SELECT USR_NAME, USR_PASS, USR_NEW_PASS, USR_LOGGED, USR_LAST_HARDWARE, "
                                    "USR_REAL_NAME, USR_PHONE, USR_EMAIL, USR_GSMNETWORKID, USR_BIRTHDATE "
                                    "FROM USERS WHERE USR_ID = " +
                                    std::to_string(id));
    return rows.empty() ? std::vector<QVariant>() : rows.front();
}

// Whoever knows an address, an account id and the built-in login still needs the
// account's secret: a wrong one reads no record and changes nothing.
TEST_F(TSharedLoginTest, WithoutTheSecretTheProceduresGiveNothingAndChangeNothing) {
    const auto [id, key] = server->IssueLoginKey("Wanda Victim", "wanda@example.com");
    const std::string right = StoredCredential("wanda@example.com", key);
    const std::string ids = std::to_string(id);
    ASSERT_EQ(TTestDatabase::SelectIn(server->Address(),
                                      "SELECT USR_EMAIL FROM FIND_ACCOUNT(0, 'wanda@example.com', '" + right + "')")
                  .size(),
              1u);
    const std::vector<QVariant> before = AccountRow(*server, id);
    ASSERT_FALSE(before.empty());

    const struct {
        const char* What;
        std::string Pass;
    } wrongs[] = {
        {"another secret's form", "'" + StoredCredential("wanda@example.com", "guess") + "'"},
        {"the plain key", "'" + key + "'"},
        {"another account's form of the key", "'" + StoredCredential("mallory@example.com", key) + "'"},
        {"empty", "''"},
        {"NULL", "NULL"},
    };
    for (const auto& wrong : wrongs) {
        SCOPED_TRACE(wrong.What);
        for (const std::string& find : {"SELECT * FROM FIND_ACCOUNT(0, 'wanda@example.com', " + wrong.Pass + ")",
                                        "SELECT * FROM FIND_ACCOUNT(" + ids + ", NULL, " + wrong.Pass + ")"})
            EXPECT_TRUE(TTestDatabase::SelectIn(server->Address(), find).empty()) << find;
        EXPECT_EQ(RunAsProgram("EXECUTE PROCEDURE MARK_ACCOUNT_LOGGED(" + ids + ", 'wanda@example.com', " + wrong.Pass +
                               ", 'T', 'intruder')"),
                  "");
        EXPECT_TRUE(TTestDatabase::ValueIn(server->Address(), "EXECUTE PROCEDURE IS_EMAIL_TAKEN(" + ids + ", " +
                                                                  wrong.Pass + ", 'wanda@example.com')")
                        .isNull());
        const QVariant saved = TTestDatabase::ValueIn(
            server->Address(), "EXECUTE PROCEDURE SAVE_ACCOUNT(" + ids + ", " + wrong.Pass + ", '" +
                                   StoredCredential("wanda@example.com", "taken over") +
                                   "', 'F', 'Mallory', '5550666', 'mallory@example.com', NULL, 3)");
        EXPECT_EQ(saved.toString().trimmed(), QStringLiteral("F"));
        EXPECT_EQ(AccountRow(*server, id), before);
    }

    // The owner still signs in with the key, and with the right form the record comes back.
    TTempDataFolder folder;
    TRecordingMessages messages;
    TConfig config = folder.Config();
    config.AccountDatabase = server->Address();
    TSession session(config);
    ASSERT_TRUE(session.BindAccount("Wanda@Example.com", key));
    EXPECT_EQ(session.User->RealName, "Wanda Victim");
    EXPECT_TRUE(messages.Shown.empty());
}

// Called directly, the save still refuses an address another account uses.
TEST_F(TSharedLoginTest, SaveAccountRefusesAnotherAccountsAddressEvenWhenCalledDirectly) {
    const int victim = server->IssueLoginKey("Vic", "vic@example.com").first;
    const auto [id, key] = server->IssueLoginKey("Mal", "mal@example.com");
    const std::string right = "'" + StoredCredential("mal@example.com", key) + "'";
    const std::vector<QVariant> victimBefore = AccountRow(*server, victim);
    const std::vector<QVariant> before = AccountRow(*server, id);
    for (const char* address : {"vic@example.com", " VIC@example.com "}) {
        const std::string error = RunAsProgram("EXECUTE PROCEDURE SAVE_ACCOUNT(" + std::to_string(id) + ", " + right +
                                               ", NULL, 'F', 'Mal', NULL, '" + address + "', NULL, NULL)");
        EXPECT_NE(error.find("E_EMAIL_TAKEN"), std::string::npos) << address << ": " << error;
        EXPECT_EQ(AccountRow(*server, id), before) << address;
    }
    EXPECT_EQ(AccountRow(*server, victim), victimBefore);
    EXPECT_EQ(TTestDatabase::ValueIn(server->Address(), "EXECUTE PROCEDURE IS_EMAIL_TAKEN(" + std::to_string(id) +
                                                            ", " + right + ", 'Vic@Example.com')")
                  .toString()
                  .trimmed(),
              QStringLiteral("T"));
}

// The program's own account work, all through the procedures: sign-in, the dialog's
// save with its refusals, a new password, and the sign-out mark after it.
TEST_F(TSharedLoginTest, SignInSavesAndSignOutWorkThroughTheProcedures) {
    server->IssueLoginKey("Otto", "otto@example.com");
    const auto [id, key] = server->IssueLoginKey("Nora", "nora@example.com");
    TTempDataFolder folder;
    TRecordingMessages messages;
    TConfig config = folder.Config();
    config.AccountDatabase = server->Address();
    TSession session(config);
    ASSERT_TRUE(session.BindAccount("nora@example.com", key));
    EXPECT_EQ(server->Value("SELECT USR_LOGGED FROM USERS WHERE USR_ID = " + std::to_string(id)).toString().trimmed(),
              QStringLiteral("T"));

    TAccountChanges changes;
    changes.CurrentSecret = key;
    changes.RealName = "Nora N.";
    changes.Phone = "5550111";
    changes.EMail = "OTTO@example.com";
    EXPECT_EQ(SaveAccountChanges(*session.User, changes), TAccountSaveOutcome::EMailTaken);
    changes.EMail = "nora.alerts@example.com";
    changes.CurrentSecret = "wrong";
    EXPECT_EQ(SaveAccountChanges(*session.User, changes), TAccountSaveOutcome::WrongSecret);
    changes.CurrentSecret = key;
    changes.NewSecret = changes.RepeatedNewSecret = "nora's own";
    ASSERT_EQ(SaveAccountChanges(*session.User, changes), TAccountSaveOutcome::Saved);
    EXPECT_EQ(server->Value("SELECT USR_PHONE FROM USERS WHERE USR_ID = " + std::to_string(id)).toString(),
              QStringLiteral("5550111"));

    // Later writes present the new secret.
    changes.CurrentSecret = "nora's own";
    changes.NewSecret = changes.RepeatedNewSecret = "";
    changes.Phone = "5550112";
    ASSERT_EQ(SaveAccountChanges(*session.User, changes), TAccountSaveOutcome::Saved);
    ASSERT_TRUE(session.User->SetLoggedIn(false));
    EXPECT_EQ(server->Value("SELECT TRIM(USR_LOGGED) || USR_PHONE FROM USERS WHERE USR_ID = " + std::to_string(id))
                  .toString(),
              QStringLiteral("F5550112"));
    EXPECT_FALSE(session.BindAccount("nora@example.com", key));
    EXPECT_TRUE(session.BindAccount("nora@example.com", "nora's own"));
    EXPECT_TRUE(messages.Shown.empty());
}

// A record whose secret was changed elsewhere (another copy of the program) writes
// nothing and says so.
TEST_F(TSharedLoginTest, ASaveWithASecretChangedElsewhereWritesNothing) {
    const auto [id, key] = server->IssueLoginKey("Pia", "pia@example.com");
    TTempDataFolder folder;
    TRecordingMessages messages;
    TConfig config = folder.Config();
    config.AccountDatabase = server->Address();
    TSession first(config);
    ASSERT_TRUE(first.BindAccount("pia@example.com", key));
    std::unique_ptr<TUser> second;
    ASSERT_TRUE(TUser::Find(first.Database(), 0, "pia@example.com", true, true, key, second));
    ASSERT_TRUE(second->SaveAccount("changed elsewhere"));

    const std::vector<QVariant> before = AccountRow(*server, id);
    first.User->Phone = "5550999";
    EXPECT_FALSE(first.User->SaveAccount(""));
    EXPECT_EQ(AccountRow(*server, id), before);
    EXPECT_TRUE(messages.Shown.empty());
}

// A database made before the procedures, whose program login could read and update
// USERS, is brought up to date by db/upgrade-database, as often as it is run.
TEST_F(TSharedLoginTest, UpgradeDatabaseTakesTheOldRightsAwayAndAddsTheProcedures) {
    server->Select("DROP PROCEDURE SAVE_ACCOUNT");
    server->Select("GRANT SELECT, UPDATE ON USERS TO USER TRAWLIXCLIENT");
    ASSERT_EQ(RunAsProgram("SELECT COUNT(*) FROM USERS"), "");

    const QTemporaryDir scratch;
    const std::string passwordFile = scratch.path().toStdString() + "/owner.password";
    std::ofstream(passwordFile) << server->Password("TRAWLIXOWNER") << "\n";
    for (int run = 1; run <= 2; ++run) {
        std::string output;
        ASSERT_EQ(RunDbScript("upgrade-database", {server->Address(), passwordFile}, &output), 0)
            << "run " << run << ": " << output;
    }
    EXPECT_NE(RunAsProgram("SELECT COUNT(*) FROM USERS"), "");
    EXPECT_NE(RunAsProgram("UPDATE USERS SET USR_PASS = NULL"), "");

    const auto [id, key] = server->IssueLoginKey("Uli", "uli@example.com");
    TTempDataFolder folder;
    TRecordingMessages messages;
    TConfig config = folder.Config();
    config.AccountDatabase = server->Address();
    TSession session(config);
    ASSERT_TRUE(session.BindAccount("uli@example.com", key));
    session.User->Phone = "5550777";
    ASSERT_TRUE(session.User->SaveAccount(""));
    EXPECT_EQ(server->Value("SELECT USR_PHONE FROM USERS WHERE USR_ID = " + std::to_string(id)).toString(),
              QStringLiteral("5550777"));

    std::string output;
    EXPECT_NE(RunDbScript("upgrade-database", {server->Address(), scratch.path().toStdString() + "/missing"}, &output),
              0);
}

} // namespace
