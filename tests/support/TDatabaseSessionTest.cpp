// SPDX-License-Identifier: GPL-3.0-or-later
#include "TDatabaseSessionTest.h"

#include "account/Credentials.h"

std::string TDatabaseSessionTest::NewAccount(const std::string& email, const std::string& name) {
    const std::optional<TIssuedLoginKey> issued = IssueLoginKey(session->Database(), name, email);
    EXPECT_TRUE(issued.has_value());
    return issued ? issued->Key : std::string();
}

QVariant TDatabaseSessionTest::Column(const std::string& column, const std::string& email) const {
    return database->Value("SELECT " + column + " FROM USERS WHERE USR_NAME = '" + email + "'");
}
