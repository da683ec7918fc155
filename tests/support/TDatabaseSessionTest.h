// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <memory>
#include <string>

#include <gtest/gtest.h>

#include <QVariant>

#include "TTestDatabase.h"
#include "TestSupport.h"
#include "session/TSession.h"

/// A test suite's own account database and, per test, a fresh data folder and a session
/// connected to that database, with messages recorded.
class TDatabaseSessionTest : public testing::Test {
protected:
    static void SetUpTestSuite() { database = std::make_unique<TTestDatabase>(); }
    static void TearDownTestSuite() { database.reset(); }

    void SetUp() override {
        TConfig config = folder.Config();
        config.AccountDatabase = database->File();
        session = std::make_unique<TSession>(config);
    }

    /// Registers an address and returns the key the server issued for it.
    std::string NewAccount(const std::string& email, const std::string& name = "Joe Tester");
    /// A USERS column of the account with that address.
    QVariant Column(const std::string& column, const std::string& email) const;

    static inline std::unique_ptr<TTestDatabase> database;
    TTempDataFolder folder;
    TRecordingMessages messages;
    std::unique_ptr<TSession> session;
};
