// SPDX-License-Identifier: GPL-3.0-or-later
// ctest-labels: db
// Every copy of the program signs in to a server's account database with one shared
// login: it may do what the program's statements do and nothing more, and asking for a
// login key never hands the key to the asking program.
#include <gtest/gtest.h>

#include "TTestDatabase.h"
#include "TestSupport.h"
#include "account/Credentials.h"
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
        "UPDATE USERS SET USR_STATUS = 1",
        "UPDATE USERS SET USR_NEW_PASS = 'argon2id$00'",
        "UPDATE USERS SET USR_NAME = 'intruder@example.com'",
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
        "SELECT COUNT(*) FROM USERS",
        "SELECT SRCH_LOCATION_ID FROM SEARCH_LOCATIONS WHERE SRCH_ID = 1",
        "UPDATE USERS SET USR_LOGGED = 'F' WHERE USR_ID = -1",
        "EXECUTE PROCEDURE DELETE_SEARCH(-1)",
        "EXECUTE PROCEDURE USE_NEW_LOGIN_KEY('nobody@example.com', 'argon2id$00')",
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

} // namespace
