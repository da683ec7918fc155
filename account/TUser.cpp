// SPDX-License-Identifier: GPL-3.0-or-later
#include "account/TUser.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>

#include "account/Credentials.h"
#include "account/TGsmNetwork.h"
#include "core/TBackendConnection.h"
#include "core/TDatabaseError.h"
#include "core/TStoredProc.h"
#include "core/TTransaction.h"
#include "core/TextHelpers.h"

namespace {

std::string Lower(const std::string& text) {
    return QString::fromStdString(text).toLower().toStdString();
}

/// A column of the row; a row without it is an error.
QVariant Column(const QSqlQuery& row, const char* name) {
    const int index = row.record().indexOf(QLatin1String(name));
    if (index < 0)
        throw TDatabaseError(std::string("The account row has no column ") + name);
    return row.value(index);
}

std::string Text(const QSqlQuery& row, const char* name) {
    return Column(row, name).toString().toStdString();
}

/// CHAR columns come back blank-padded; the blanks are no part of the value.
std::string CharText(const QSqlQuery& row, const char* name) {
    std::string text = Text(row, name);
    while (!text.empty() && text.back() == ' ')
        text.pop_back();
    return text;
}

void Execute(QSqlQuery& query) {
    if (!query.exec())
        throw TDatabaseError(query.lastError().text().toStdString());
}

/// A login key issued while the account had a secret becomes the secret when it is first
/// used; the server decides whether pass is that key and still valid. Commits on its own
/// outside a transaction.
void UseNewLoginKey(TBackendConnection& db, const std::string& name, const std::string& pass) {
    const auto procedure = db.NewStoredProc("USE_NEW_LOGIN_KEY");
    procedure->SetParam("NAME", QString::fromStdString(Lower(name)));
    procedure->SetParam("PASS", QString::fromStdString(pass));
    procedure->Execute();
}

QVariant FlagValue(bool value) {
    return QString(QChar::fromLatin1(BoolToFlagChar(value)));
}

} // namespace

TUser::TUser(TBackendConnection& db, const QSqlQuery& row)
    : ID(Column(row, "USR_ID").toInt()), Name(CutToChars(Text(row, "USR_NAME"), 50)), Password(Text(row, "USR_PASS")),
      UserType(Column(row, "USR_TYPE").toInt()), LoggedIn(CharText(row, "USR_LOGGED") == "T"),
      LastHardware(Text(row, "USR_LAST_HARDWARE")), LastLoginDate(Column(row, "USR_LAST_LOGIN_DATE").toDateTime()),
      RealName(Text(row, "USR_REAL_NAME")), Phone(Text(row, "USR_PHONE")) {
    const QVariant network = Column(row, "USR_GSMNETWORKID");
    if (!network.isNull())
        NetworkID = network.toInt();
    EMail = Text(row, "USR_EMAIL");
    const QVariant birthDate = Column(row, "USR_BIRTHDATE");
    if (!birthDate.isNull())
        BirthDate = QDateTime(birthDate.toDate(), QTime(0, 0));
    Status = Column(row, "USR_STATUS").toInt();
    m_secretForm = Password;
    m_db = &db;
}

bool TUser::Find(TBackendConnection& db, int id, const std::string& name, bool useLoginKey, bool buildRecord,
                 const std::string& credential, std::unique_ptr<TUser>& user) {
    user.reset();
    try {
        const std::string pass = useLoginKey ? StoredCredential(name, credential) : credential;
        // Before the lookup is prepared, so that it sees the key's new place.
        if (useLoginKey && id <= 0)
            UseNewLoginKey(db, name, pass);
        // The server hands out the row only for its secret (db/account-access.sql).
        const auto query = db.NewQuery("SELECT * FROM FIND_ACCOUNT(:pID, :pName, :pPass)");
        query->bindValue(QStringLiteral(":pID"), id > 0 ? id : 0);
        query->bindValue(QStringLiteral(":pName"), QString::fromStdString(id > 0 ? std::string() : Lower(name)));
        query->bindValue(QStringLiteral(":pPass"), QString::fromStdString(pass));
        Execute(*query);
        const bool found = query->next();
        if (buildRecord && found)
            user = std::make_unique<TUser>(db, *query);
        return found;
    } catch (const TDatabaseError&) {
        db.NoteFailure();
        throw;
    }
}

bool TUser::CheckPassword(const std::string& password) const {
    if (!m_db)
        return false;
    std::unique_ptr<TUser> none;
    return Find(*m_db, ID, "", false, false, StoredCredential(Name, password), none);
}

TGsmNetwork* TUser::Network(const std::vector<std::unique_ptr<TGsmNetwork>>& networks) {
    // A network remembered for an earlier NetworkID (changed in the account dialog) is stale.
    if (m_network && m_network->ID == NetworkID)
        return m_network;
    m_network = nullptr;
    for (const std::unique_ptr<TGsmNetwork>& network : networks)
        if (network->ID == NetworkID) {
            m_network = network.get();
            break;
        }
    return m_network;
}

bool TUser::SetLoggedIn(bool signingIn) {
    if (!m_db)
        return false;
    // Without a transaction the statement would commit on its own, so nothing is run.
    const std::unique_ptr<TTransaction> transaction = TTransaction::BeginOrReport(*m_db);
    if (!transaction)
        return false;
    const bool wasLoggedIn = LoggedIn;
    try {
        {
            const auto procedure = m_db->NewStoredProc("MARK_ACCOUNT_LOGGED");
            procedure->SetParam("ID", ID);
            procedure->SetParam("NAME", QString::fromStdString(Name));
            procedure->SetParam("PASS", QString::fromStdString(m_secretForm));
            procedure->SetParam("LOGGED", FlagValue(signingIn));
            if (signingIn) {
                LastHardware = GetAdapterAddress();
                procedure->SetParam("HARDWARE", QString::fromStdString(LastHardware));
            }
            procedure->Execute();
        }
        LoggedIn = signingIn;
        transaction->Commit();
        return true;
    } catch (const std::exception&) {
        LoggedIn = wasLoggedIn;
        return false;
    }
}

bool TUser::SaveAccount(const std::string& newPassword) {
    if (!m_db)
        return false;
    try {
        const std::string newSecretForm = newPassword.empty() ? std::string() : StoredCredential(Name, newPassword);
        const std::unique_ptr<TTransaction> transaction = TTransaction::BeginOrReport(*m_db);
        if (!transaction)
            return false;
        {
            const auto procedure = m_db->NewStoredProc("SAVE_ACCOUNT");
            procedure->SetParam("ID", ID);
            procedure->SetParam("PASS", QString::fromStdString(m_secretForm));
            procedure->SetParam("NEW_PASS", QString::fromStdString(newSecretForm));
            procedure->SetParam("LOGGED", FlagValue(LoggedIn));
            procedure->SetParam("REAL_NAME", QString::fromStdString(RealName));
            procedure->SetParam("PHONE", QString::fromStdString(Phone));
            procedure->SetParam("EMAIL", QString::fromStdString(EMail));
            procedure->SetParam("BIRTHDATE", BirthDate.isValid() ? QVariant(BirthDate.date())
                                                                 : QVariant(QMetaType::fromType<QDate>()));
            procedure->SetParam("NETWORK_ID",
                                NetworkID > 0 ? QVariant(NetworkID) : QVariant(QMetaType::fromType<int>()));
            procedure->Execute();
            // The secret changed meanwhile (another copy of the program): nothing was written.
            if (procedure->Output("SAVED").toString().trimmed() != QStringLiteral("T"))
                return false;
        }
        transaction->Commit();
        if (!newSecretForm.empty())
            m_secretForm = newSecretForm;
        return true;
    } catch (const std::exception&) {
        return false;
    }
}
