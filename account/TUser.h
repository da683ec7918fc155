// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <memory>
#include <string>
#include <vector>

#include <QDateTime>

class QSqlQuery;
class TBackendConnection;
class TGsmNetwork;

/// The in-memory copy of one USERS row: the signed-in account, held by the session.
/// Reads and writes its row through the connection it was found on, so its database calls
/// run where that connection lives (TSession::WithDatabase).
class TUser final {
public:
    /// Every field zero or empty, UserType 1: a record not read from the table, which
    /// writes nothing.
    TUser() = default;
    /// The current row of an open query (every USERS column) on db. Throws TDatabaseError
    /// when a column is missing.
    TUser(TBackendConnection& db, const QSqlQuery& row);

    int ID = 0;
    /// At most 50 characters.
    std::string Name;
    /// USR_PASS as read (the derived form, see StoredCredential).
    std::string Password;
    int UserType = 1;
    bool LoggedIn = false;
    std::string LastHardware;
    /// Invalid when the column is NULL.
    QDateTime LastLoginDate;
    std::string RealName;
    std::string Phone;
    /// 0 or less: no network chosen.
    int NetworkID = 0;
    std::string EMail;
    /// Only the date part is used; invalid when not set.
    QDateTime BirthDate;
    int Status = 0;

    /// Looks an account up by id (when id > 0) or by name, letter case ignored, together
    /// with its secret. With useLoginKey the credential is a login key or password and is
    /// compared in its stored form, and a new login key of the account looked up by name
    /// becomes its secret on this first use (see IssueLoginKey); otherwise it is compared
    /// as given. user is reset first, and set to the found record when buildRecord is
    /// true. Throws TDatabaseError.
    static bool Find(TBackendConnection& db, int id, const std::string& name, bool useLoginKey, bool buildRecord,
                     const std::string& credential, std::unique_ptr<TUser>& user);

    /// True when password is this account's current secret. Throws TDatabaseError.
    bool CheckPassword(const std::string& password) const;
    /// The entry of networks with NetworkID, or none.
    TGsmNetwork* Network(const std::vector<std::unique_ptr<TGsmNetwork>>& networks);
    /// Marks the row logged in (with this machine's hardware address and the server's
    /// time) or out, when its name and secret still match. Failures roll back quietly and
    /// leave LoggedIn unchanged; the result tells whether the mark was committed.
    bool SetLoggedIn(bool signingIn);
    /// Writes the edited details, and a new secret unless newPassword is empty. Failures
    /// roll back quietly; the result tells whether the save was committed. Nothing is
    /// written when the account's secret changed since it was read. Password is left as
    /// it was; later writes present the new secret.
    bool SaveAccount(const std::string& newPassword);
    /// The derived form of the account's current secret, which the server wants with
    /// every read and write of the row.
    const std::string& SecretForm() const { return m_secretForm; }
    /// The connection the record was read on; none for a record not read from the table.
    TBackendConnection* Database() const { return m_db; }

private:
    /// Where the row lives; none for a record not read from the table.
    TBackendConnection* m_db = nullptr;
    /// Starts as Password; a committed new secret replaces it.
    std::string m_secretForm;
    /// Remembered result of Network(); owned by the session's list.
    TGsmNetwork* m_network = nullptr;
};
