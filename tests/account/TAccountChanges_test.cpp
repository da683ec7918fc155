// SPDX-License-Identifier: GPL-3.0-or-later
// ctest-labels: db
// Saving the account dialog's changes against a real embedded database: only a save
// confirmed by the right secret, with an address nobody else uses, changes anything.
#include "account/TAccountChanges.h"

#include <cstdio>

#include <gtest/gtest.h>

#include "TDatabaseSessionTest.h"
#include "account/Credentials.h"
#include "account/TGsmNetwork.h"
#include "account/TUser.h"
#include "core/TBackendConnection.h"

namespace {

class TAccountChangesTest : public TDatabaseSessionTest {
protected:
    void SetUp() override {
        TDatabaseSessionTest::SetUp();
        key = NewAccount(address, "Dora Dialog");
        ASSERT_TRUE(session->BindAccount(address, key));
        changes.CurrentSecret = key;
        changes.RealName = "Dora D.";
        changes.Phone = "5550123";
        changes.EMail = "alerts." + address;
        changes.BirthDate = QDateTime(QDate(1980, 2, 29), QTime(0, 0));
        changes.NetworkID = 2;
    }

    TUser& User() { return *session->User; }

    static inline int next = 0;
    const std::string address = "dora" + std::to_string(++next) + "@example.com";
    std::string key;
    TAccountChanges changes;
};

TEST_F(TAccountChangesTest, TheRightSecretSavesTheDetailsAndKeepsTheSecret) {
    ASSERT_EQ(SaveAccountChanges(User(), changes), TAccountSaveOutcome::Saved);
    EXPECT_EQ(Column("USR_REAL_NAME", address).toString(), QStringLiteral("Dora D."));
    EXPECT_EQ(Column("USR_PHONE", address).toString(), QStringLiteral("5550123"));
    EXPECT_EQ(Column("USR_EMAIL", address).toString().toStdString(), "alerts." + address);
    EXPECT_EQ(Column("USR_BIRTHDATE", address).toDate(), QDate(1980, 2, 29));
    EXPECT_EQ(Column("USR_GSMNETWORKID", address).toInt(), 2);
    EXPECT_EQ(Column("USR_PASS", address).toString().toStdString(), StoredCredential(address, key));
    EXPECT_EQ(User().RealName, "Dora D.");
    EXPECT_TRUE(User().CheckPassword(key));
}

TEST_F(TAccountChangesTest, ANewSecretIsStoredOnlyInDerivedForm) {
    changes.NewSecret = changes.RepeatedNewSecret = "new 'secret'";
    ASSERT_EQ(SaveAccountChanges(User(), changes), TAccountSaveOutcome::Saved);
    const std::string stored = Column("USR_PASS", address).toString().toStdString();
    EXPECT_EQ(stored, StoredCredential(address, "new 'secret'"));
    EXPECT_EQ(stored.find("secret"), std::string::npos);
    EXPECT_TRUE(User().CheckPassword("new 'secret'"));
    EXPECT_FALSE(User().CheckPassword(key));
}

TEST_F(TAccountChangesTest, NoCarrierOrUntickedSmsWritesNull) {
    changes.NetworkID = 0;
    ASSERT_EQ(SaveAccountChanges(User(), changes), TAccountSaveOutcome::Saved);
    EXPECT_TRUE(Column("USR_GSMNETWORKID", address).isNull());
    changes.BirthDate = QDateTime();
    ASSERT_EQ(SaveAccountChanges(User(), changes), TAccountSaveOutcome::Saved);
    EXPECT_TRUE(Column("USR_BIRTHDATE", address).isNull());
}

TEST_F(TAccountChangesTest, RefusedSavesChangeNothing) {
    const std::string otherAddress = "other" + address;
    NewAccount(otherAddress, "Otto Other");
    database->Execute("UPDATE USERS SET USR_EMAIL = 'Otto.Alerts' || USR_NAME WHERE USR_NAME = '" + otherAddress + "'");
    const QVariant phoneBefore = Column("USR_PHONE", address);
    const QVariant passBefore = Column("USR_PASS", address);
    const struct {
        const char* What;
        std::function<void(TAccountChanges&)> Change;
        TAccountSaveOutcome Outcome;
    } cases[] = {
        {"wrong secret", [](TAccountChanges& c) { c.CurrentSecret = "wrong"; }, TAccountSaveOutcome::WrongSecret},
        {"no secret", [](TAccountChanges& c) { c.CurrentSecret.clear(); }, TAccountSaveOutcome::WrongSecret},
        {"new secrets differ", [](TAccountChanges& c) { c.NewSecret = "a", c.RepeatedNewSecret = "b"; },
         TAccountSaveOutcome::NewSecretsDiffer},
        {"only the repeat", [](TAccountChanges& c) { c.RepeatedNewSecret = "b"; },
         TAccountSaveOutcome::NewSecretsDiffer},
        {"another's login", [&](TAccountChanges& c) { c.EMail = " OTHER" + address; }, TAccountSaveOutcome::EMailTaken},
        {"another's e-mail", [&](TAccountChanges& c) { c.EMail = "otto.alerts" + otherAddress; },
         TAccountSaveOutcome::EMailTaken},
    };
    for (const auto& each : cases) {
        TAccountChanges refused = changes;
        each.Change(refused);
        EXPECT_EQ(SaveAccountChanges(User(), refused), each.Outcome) << each.What;
        EXPECT_EQ(Column("USR_PHONE", address), phoneBefore) << each.What;
        EXPECT_EQ(Column("USR_PASS", address), passBefore) << each.What;
        EXPECT_EQ(User().RealName, "Dora Dialog") << each.What;
    }
    // The account's own login address is no one else's.
    changes.EMail = address;
    EXPECT_EQ(SaveAccountChanges(User(), changes), TAccountSaveOutcome::Saved);
    EXPECT_TRUE(messages.Shown.empty());
}

TEST_F(TAccountChangesTest, AnUnreachableDatabaseChangesNothing) {
    session->Database().Close();
    const std::string moved = database->File() + ".away";
    ASSERT_EQ(std::rename(database->File().c_str(), moved.c_str()), 0);
    const TAccountSaveOutcome outcome = SaveAccountChanges(User(), changes);
    ASSERT_EQ(std::rename(moved.c_str(), database->File().c_str()), 0);
    EXPECT_EQ(outcome, TAccountSaveOutcome::DatabaseUnreachable);
    EXPECT_EQ(AccountSaveMessage(outcome), "Error connecting to database server! Please try again later.");
    EXPECT_EQ(User().RealName, "Dora Dialog");
    EXPECT_EQ(Column("USR_REAL_NAME", address).toString(), QStringLiteral("Dora Dialog"));
}

TEST_F(TAccountChangesTest, DiscontinuedCarriersAreKnownAsSuch) {
    ASSERT_FALSE(session->GsmNetworks.empty());
    for (const std::unique_ptr<TGsmNetwork>& network : session->GsmNetworks)
        EXPECT_EQ(network->Discontinued,
                  network->ID == 1 || network->ID == 4 || (network->ID >= 10 && network->ID <= 13))
            << network->Name;
}

} // namespace
