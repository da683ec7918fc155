// SPDX-License-Identifier: GPL-3.0-or-later
// ctest-labels: db
// Accounts, login keys and the session's account binding against a real embedded database.
#include "account/TUser.h"

#include <gtest/gtest.h>

#include <QSqlDatabase>

#include "TDatabaseSessionTest.h"
#include "TTestDatabase.h"
#include "TestSupport.h"
#include "account/Credentials.h"
#include "account/TGsmNetwork.h"
#include "core/TBackendConnection.h"
#include "core/TDatabaseError.h"
#include "session/TSession.h"
#include "core/TextHelpers.h"

namespace {

using TUserTest = TDatabaseSessionTest;

TEST_F(TUserTest, AnIssuedKeySignsInAndIsStoredOnlyInDerivedForm) {
    const std::string key = NewAccount("Ann@Example.com", "Ann");
    ASSERT_EQ(key.size(), 24u);
    EXPECT_EQ(Column("USR_REAL_NAME", "Ann@Example.com").toString(), QStringLiteral("Ann"));
    const std::string stored = Column("USR_PASS", "Ann@Example.com").toString().toStdString();
    EXPECT_EQ(stored, StoredCredential("ann@example.com", key));
    EXPECT_EQ(stored.find(key), std::string::npos);

    // The typed address may differ in letter case.
    ASSERT_TRUE(session->BindAccount("ANN@example.COM", key));
    ASSERT_TRUE(session->User);
    const TUser& user = *session->User;
    EXPECT_EQ(user.Name, "Ann@Example.com");
    EXPECT_EQ(user.RealName, "Ann");
    EXPECT_EQ(user.EMail, "Ann@Example.com");
    EXPECT_EQ(user.UserType, 1);
    EXPECT_TRUE(user.LoggedIn);
    EXPECT_EQ(user.LastHardware, GetAdapterAddress());
    EXPECT_EQ(Column("USR_LOGGED", "Ann@Example.com").toString().trimmed(), QStringLiteral("T"));
    // The login time is the server's.
    EXPECT_TRUE(Column("USR_LAST_LOGIN_DATE", "Ann@Example.com").toDateTime().isValid());
    EXPECT_EQ(Column("USR_LAST_HARDWARE", "Ann@Example.com").toString().toStdString(), GetAdapterAddress());

    ASSERT_GE(session->GsmNetworks.size(), 10u);
    for (std::size_t i = 1; i < session->GsmNetworks.size(); ++i)
        EXPECT_LT(session->GsmNetworks[i - 1]->ID, session->GsmNetworks[i]->ID);
    EXPECT_TRUE(messages.Shown.empty());
}

TEST_F(TUserTest, WrongKeysAndUnknownAddressesSignNobodyIn) {
    const std::string key = NewAccount("bob@example.com");
    const std::string otherKey = NewAccount("carl@example.com");
    for (const auto& [email, typedKey] : std::vector<std::pair<std::string, std::string>>{
             {"bob@example.com", otherKey},
             {"bob@example.com", ""},
             {"nobody@example.com", key},
             {"", key},
             {"bob@example.com", StoredCredential("bob@example.com", key)}, // the stored form is no key
         }) {
        TSession::TBindFailure why = TSession::TBindFailure::None;
        EXPECT_FALSE(session->BindAccount(email, typedKey, &why)) << email << " / " << typedKey;
        EXPECT_EQ(why, TSession::TBindFailure::NoAccount) << email << " / " << typedKey;
        EXPECT_FALSE(session->User);
    }
    EXPECT_EQ(Column("USR_LOGGED", "bob@example.com").toString().trimmed(), QStringLiteral("F"));
}

// Anybody may type somebody else's address: a new key must not lock its owner out.
TEST_F(TUserTest, ANewKeyLeavesTheEarlierOneValidUntilItFirstSignsIn) {
    const std::optional<TIssuedLoginKey> first = IssueLoginKey(session->Database(), "Dora", "dora@example.com");
    const std::optional<TIssuedLoginKey> second = IssueLoginKey(session->Database(), "Dora", "DORA@example.com");
    ASSERT_TRUE(first && second);
    EXPECT_EQ(first->NewId, second->NewId);
    EXPECT_NE(first->Key, second->Key);
    EXPECT_EQ(database->Value("SELECT COUNT(*) FROM USERS WHERE LOWER(USR_NAME) = 'dora@example.com'").toInt(), 1);
    EXPECT_EQ(Column("USR_PASS", "dora@example.com").toString().toStdString(),
              StoredCredential("dora@example.com", first->Key));
    EXPECT_EQ(Column("USR_NEW_PASS", "dora@example.com").toString().toStdString(),
              StoredCredential("dora@example.com", second->Key));

    EXPECT_TRUE(session->BindAccount("dora@example.com", first->Key));
    EXPECT_TRUE(session->BindAccount("dora@example.com", first->Key)); // still, as often as needed
    // The first sign-in with the new key makes it the secret, committed at once.
    EXPECT_TRUE(session->BindAccount("Dora@Example.com", second->Key));
    EXPECT_EQ(session->User->ID, second->NewId);
    EXPECT_EQ(Column("USR_PASS", "dora@example.com").toString().toStdString(),
              StoredCredential("dora@example.com", second->Key));
    EXPECT_TRUE(Column("USR_NEW_PASS", "dora@example.com").isNull());
    EXPECT_FALSE(session->BindAccount("dora@example.com", first->Key));
    EXPECT_TRUE(session->BindAccount("dora@example.com", second->Key));
    EXPECT_TRUE(messages.Shown.empty());
}

TEST_F(TUserTest, ANewKeyExpiresUnusedAfterADayAndANewPasswordVoidsIt) {
    const std::string key = NewAccount("emma@example.com");
    const std::string expiring = NewAccount("emma@example.com");
    const QVariant minutesLeft =
        database->Value("SELECT DATEDIFF(MINUTE FROM CURRENT_TIMESTAMP TO USR_NEW_PASS_UNTIL) FROM USERS "
                        "WHERE USR_NAME = 'emma@example.com'");
    EXPECT_GE(minutesLeft.toInt(), 24 * 60 - 1);
    EXPECT_LE(minutesLeft.toInt(), 24 * 60);
    database->Execute("UPDATE USERS SET USR_NEW_PASS_UNTIL = DATEADD(-1 SECOND TO CURRENT_TIMESTAMP) "
                      "WHERE USR_NAME = 'emma@example.com'");
    EXPECT_FALSE(session->BindAccount("emma@example.com", expiring));
    EXPECT_TRUE(session->BindAccount("emma@example.com", key));

    // A key waiting while the owner picks a password of their own is void.
    const std::string waiting = NewAccount("emma@example.com");
    ASSERT_TRUE(session->User->SaveAccount("emma's own"));
    EXPECT_TRUE(Column("USR_NEW_PASS", "emma@example.com").isNull());
    EXPECT_FALSE(session->BindAccount("emma@example.com", waiting));
    EXPECT_FALSE(session->BindAccount("emma@example.com", key));
    EXPECT_TRUE(session->BindAccount("emma@example.com", "emma's own"));
}

TEST_F(TUserTest, AtMostFiveKeysAnHourAreIssuedForOneAddress) {
    std::string lastKey;
    for (const char* typed :
         {"flood@example.com", "FLOOD@example.com", "flood@example.com", "Flood@Example.com", "flood@example.com"})
        lastKey = NewAccount(typed);
    const int id = Column("USR_ID", "flood@example.com").toInt();
    try {
        IssueLoginKey(session->Database(), "Flood", "flood@EXAMPLE.com");
        ADD_FAILURE() << "a sixth key was issued";
    } catch (const TDatabaseError& error) {
        EXPECT_NE(std::string(error.what()).find("Five login keys"), std::string::npos) << error.what();
    }
    // The refused request changed nothing: the fifth key is the waiting one.
    EXPECT_EQ(Column("USR_NEW_PASS", "flood@example.com").toString().toStdString(),
              StoredCredential("flood@example.com", lastKey));
    EXPECT_FALSE(NewAccount("other.address@example.com").empty());

    // An hour later the address may ask again.
    database->Execute("UPDATE LOGIN_KEY_REQUESTS SET REQUESTED_AT = DATEADD(-61 MINUTE TO REQUESTED_AT) "
                      "WHERE USR_ID = " +
                      std::to_string(id));
    const std::optional<TIssuedLoginKey> later = IssueLoginKey(session->Database(), "Flood", "flood@example.com");
    ASSERT_TRUE(later);
    EXPECT_TRUE(session->BindAccount("flood@example.com", later->Key));
    EXPECT_EQ(database->Value("SELECT COUNT(*) FROM LOGIN_KEY_REQUESTS WHERE USR_ID = " + std::to_string(id)).toInt(),
              1); // the old requests were dropped
}

TEST_F(TUserTest, AnAddressTooLongForTheNameIsRefused) {
    const std::string longAddress = std::string(45, 'x') + "@example.com";
    EXPECT_THROW(IssueLoginKey(session->Database(), "Long", longAddress), TDatabaseError);
    EXPECT_THROW(IssueLoginKey(session->Database(), "Empty", ""), TDatabaseError);
    EXPECT_EQ(database->Value("SELECT COUNT(*) FROM USERS WHERE USR_NAME = '" + longAddress + "'").toInt(), 0);
}

TEST_F(TUserTest, FindMatchesByIdOrCaseInsensitiveName) {
    const std::string key = NewAccount("Eve@Example.com");
    const std::string stored = StoredCredential("eve@example.com", key);
    const int id = Column("USR_ID", "Eve@Example.com").toInt();
    std::unique_ptr<TUser> user = std::make_unique<TUser>();

    EXPECT_TRUE(TUser::Find(session->Database(), 0, "eVE@EXAMPLE.com", true, false, key, user));
    EXPECT_FALSE(user); // reset first, not built
    EXPECT_TRUE(TUser::Find(session->Database(), 0, "EVE@example.com", false, true, stored, user));
    ASSERT_TRUE(user);
    EXPECT_EQ(user->ID, id);
    EXPECT_EQ(user->Password, stored);
    // With an id the name plays no part.
    EXPECT_TRUE(TUser::Find(session->Database(), id, "someone.else@example.com", false, true, stored, user));
    ASSERT_TRUE(user);
    EXPECT_EQ(user->Name, "Eve@Example.com");
    EXPECT_FALSE(TUser::Find(session->Database(), id + 1000, "", false, true, stored, user));
    EXPECT_FALSE(user);
    EXPECT_FALSE(
        TUser::Find(session->Database(), 0, "eve@example.com", false, true, key, user)); // plain key never stored
    EXPECT_FALSE(user);
}

TEST_F(TUserTest, LoggedInIsTrueOnlyForCapitalT) {
    const std::string key = NewAccount("flags@example.com");
    const std::string stored = StoredCredential("flags@example.com", key);
    for (const auto& [value, expected] : std::vector<std::pair<std::string, bool>>{
             {"'T'", true}, {"'t'", false}, {"'F'", false}, {"''", false}, {"NULL", false}}) {
        database->Execute("UPDATE USERS SET USR_LOGGED = " + value + " WHERE USR_NAME = 'flags@example.com'");
        std::unique_ptr<TUser> user;
        ASSERT_TRUE(TUser::Find(session->Database(), 0, "flags@example.com", false, true, stored, user));
        EXPECT_EQ(user->LoggedIn, expected) << value;
    }
}

TEST_F(TUserTest, ARecordWithoutRowHasTypeOneAndNothingElse) {
    const TUser user;
    EXPECT_EQ(user.UserType, 1);
    EXPECT_EQ(user.ID, 0);
    EXPECT_FALSE(user.LoggedIn);
    EXPECT_TRUE(user.Name.empty());
    EXPECT_FALSE(user.LastLoginDate.isValid());
    EXPECT_EQ(user.NetworkID, 0);
}

TEST_F(TUserTest, SaveAccountWritesTheDetailsAndNullNetworkStaysNull) {
    const std::string key = NewAccount("gina@example.com", "Gina");
    ASSERT_TRUE(session->BindAccount("gina@example.com", key));
    TUser& user = *session->User;
    EXPECT_EQ(user.NetworkID, 0); // NULL column
    EXPECT_EQ(user.Network(session->GsmNetworks), nullptr);

    user.RealName = "Gina Lollo";
    user.Phone = "555-0100 ext.";
    user.EMail = "gina.alerts@example.com";
    user.BirthDate = QDateTime(QDate(1980, 2, 29), QTime(13, 14));
    ASSERT_TRUE(user.SaveAccount(""));
    EXPECT_TRUE(Column("USR_GSMNETWORKID", "gina@example.com").isNull());
    EXPECT_EQ(Column("USR_REAL_NAME", "gina@example.com").toString(), QStringLiteral("Gina Lollo"));
    EXPECT_EQ(Column("USR_PHONE", "gina@example.com").toString(), QStringLiteral("555-0100 ext."));
    EXPECT_EQ(Column("USR_EMAIL", "gina@example.com").toString(), QStringLiteral("gina.alerts@example.com"));
    EXPECT_EQ(Column("USR_BIRTHDATE", "gina@example.com").toDate(), QDate(1980, 2, 29));
    EXPECT_EQ(Column("USR_LOGGED", "gina@example.com").toString().trimmed(), QStringLiteral("T"));
    EXPECT_TRUE(session->BindAccount("gina@example.com", key)); // an empty password keeps the key

    session->User->NetworkID = 3;
    ASSERT_TRUE(session->User->SaveAccount(""));
    EXPECT_EQ(Column("USR_GSMNETWORKID", "gina@example.com").toInt(), 3);
    session->User->NetworkID = 0;
    ASSERT_TRUE(session->User->SaveAccount(""));
    EXPECT_TRUE(Column("USR_GSMNETWORKID", "gina@example.com").isNull());
    EXPECT_TRUE(messages.Shown.empty());
}

TEST_F(TUserTest, ANewPasswordWithAQuoteReplacesTheKey) {
    const std::string key = NewAccount("hal@example.com");
    ASSERT_TRUE(session->BindAccount("hal@example.com", key));
    TUser& user = *session->User;
    const std::string storedBefore = user.Password;
    EXPECT_TRUE(user.CheckPassword(key));
    EXPECT_FALSE(user.CheckPassword("it's mine"));

    ASSERT_TRUE(user.SaveAccount("it's mine"));
    EXPECT_EQ(user.Password, storedBefore); // a save leaves the record's value alone
    EXPECT_TRUE(user.CheckPassword("it's mine"));
    EXPECT_FALSE(user.CheckPassword(key));
    EXPECT_EQ(Column("USR_PASS", "hal@example.com").toString().toStdString(),
              StoredCredential("hal@example.com", "it's mine"));
    // Key and password are one secret: the password now signs in.
    EXPECT_FALSE(session->BindAccount("hal@example.com", key));
    EXPECT_TRUE(session->BindAccount("HAL@example.com", "it's mine"));
}

TEST_F(TUserTest, NetworkLooksUpTheSessionsListAndFollowsChanges) {
    const std::string key = NewAccount("ida@example.com");
    ASSERT_TRUE(session->BindAccount("ida@example.com", key));
    TUser& user = *session->User;
    user.NetworkID = 3;
    TGsmNetwork* network = user.Network(session->GsmNetworks);
    ASSERT_NE(network, nullptr);
    EXPECT_EQ(network->ID, 3);
    EXPECT_EQ(network->Gateway, "tmomail.net");
    EXPECT_EQ(user.Network(session->GsmNetworks), network);
    user.NetworkID = 2;
    ASSERT_NE(user.Network(session->GsmNetworks), nullptr);
    EXPECT_EQ(user.Network(session->GsmNetworks)->Gateway, "vtext.com");
    user.NetworkID = 999;
    EXPECT_EQ(user.Network(session->GsmNetworks), nullptr);
    EXPECT_EQ(user.Network(session->GsmNetworks), nullptr);
    session->GsmNetworks.push_back(std::make_unique<TGsmNetwork>(999, "Late carrier", "late.example.com"));
    ASSERT_NE(user.Network(session->GsmNetworks), nullptr); // nothing was remembered
    EXPECT_EQ(user.Network(session->GsmNetworks)->Name, "Late carrier");
}

TEST_F(TUserTest, SetLoggedInMarksTheRowAndFailuresKeepTheRecord) {
    const std::string key = NewAccount("jay@example.com");
    ASSERT_TRUE(session->BindAccount("jay@example.com", key));
    TUser& user = *session->User;
    ASSERT_TRUE(user.SetLoggedIn(false));
    EXPECT_FALSE(user.LoggedIn);
    EXPECT_EQ(Column("USR_LOGGED", "jay@example.com").toString().trimmed(), QStringLiteral("F"));

    // The mark goes through a procedure, which an attachment compiles once with the
    // table's checks of that time: the session attaches anew after each change of them.
    const auto changeChecks = [&](const std::string& sql) {
        database->Execute(sql);
        session->Database().Close();
    };
    // The server refuses the mark each way in turn: the update fails, is rolled back, and
    // the record and the row keep what they had.
    for (const bool signingIn : {true, false}) {
        SCOPED_TRACE(signingIn ? "signing in" : "signing out");
        ASSERT_TRUE(user.SetLoggedIn(!signingIn));
        const QString refused = signingIn ? QStringLiteral("T") : QStringLiteral("F");
        changeChecks("ALTER TABLE USERS ADD CONSTRAINT TEST_NO_MARK CHECK (USR_NAME <> 'jay@example.com' OR "
                     "USR_LOGGED <> '" +
                     refused.toStdString() + "')");
        EXPECT_FALSE(user.SetLoggedIn(signingIn));
        EXPECT_EQ(user.LoggedIn, !signingIn);
        changeChecks("ALTER TABLE USERS DROP CONSTRAINT TEST_NO_MARK");
        EXPECT_NE(Column("USR_LOGGED", "jay@example.com").toString().trimmed(), refused);
    }
    // The connection is usable afterwards.
    EXPECT_TRUE(user.SetLoggedIn(true));
    EXPECT_EQ(Column("USR_LOGGED", "jay@example.com").toString().trimmed(), QStringLiteral("T"));

    // A row that no longer matches the name changes nothing but does not fail either.
    user.Name = "renamed@example.com";
    EXPECT_TRUE(user.SetLoggedIn(false));
    EXPECT_EQ(Column("USR_LOGGED", "jay@example.com").toString().trimmed(), QStringLiteral("T"));
    EXPECT_TRUE(messages.Shown.empty());
}

TEST(TCredentialsTest, TheStoredFormDependsOnLowerCasedNameAndSecret) {
    const std::string stored = StoredCredential("Max@Example.com", "K3Y");
    EXPECT_EQ(stored.rfind("argon2id$", 0), 0u);
    EXPECT_EQ(stored.size(), 9u + 64u);
    EXPECT_EQ(stored, StoredCredential("max@example.COM", "K3Y"));
    EXPECT_NE(stored, StoredCredential("max@example.com", "k3y"));
    EXPECT_NE(stored, StoredCredential("other@example.com", "K3Y"));
    EXPECT_EQ(QuotedSqlLiteral("it's"), "'it''s'");
    EXPECT_EQ(QuotedSqlLiteral(""), "''");
}

} // namespace

namespace {

// The columns have widths; a longer value fails the save rather than being cut.
TEST_F(TUserTest, AValueTooLongForItsColumnFailsTheSave) {
    const std::string key = NewAccount("long.phone@example.com");
    ASSERT_TRUE(session->BindAccount("long.phone@example.com", key));
    session->User->Phone = "5550100";
    ASSERT_TRUE(session->User->SaveAccount(""));
    session->User->Phone = std::string(60, '7');
    EXPECT_FALSE(session->User->SaveAccount(""));
    EXPECT_EQ(Column("USR_PHONE", "long.phone@example.com").toString(), QStringLiteral("5550100"));
    EXPECT_TRUE(messages.Shown.empty());
}

} // namespace
