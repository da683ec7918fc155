// SPDX-License-Identifier: GPL-3.0-or-later
#include "account/TAccountChanges.h"

#include <QSqlError>
#include <QSqlQuery>

#include "account/TUser.h"
#include "core/Log.h"
#include "core/TBackendConnection.h"
#include "core/TDatabaseError.h"

namespace {

/// The editable fields of a record, to put back when a write did not commit.
struct TDetails {
    std::string RealName;
    std::string Phone;
    std::string EMail;
    QDateTime BirthDate;
    int NetworkID = 0;
};

TDetails DetailsOf(const TUser& user) {
    return {user.RealName, user.Phone, user.EMail, user.BirthDate, user.NetworkID};
}

void Apply(TUser& user, const TDetails& details) {
    user.RealName = details.RealName;
    user.Phone = details.Phone;
    user.EMail = details.EMail;
    user.BirthDate = details.BirthDate;
    user.NetworkID = details.NetworkID;
}

QString Normalised(const std::string& email) {
    return QString::fromStdString(email).trimmed().toLower();
}

} // namespace

bool IsEMailUsedByAnotherAccount(TBackendConnection& db, int userId, const std::string& email) {
    const QString address = Normalised(email);
    if (address.isEmpty())
        return false;
    try {
        const auto query =
            db.NewQuery("SELECT COUNT(*) FROM USERS WHERE USR_ID <> :pID AND (LOWER(USR_NAME) = :pName OR "
                        "LOWER(TRIM(USR_EMAIL)) = :pEMail)");
        query->bindValue(QStringLiteral(":pID"), userId);
        query->bindValue(QStringLiteral(":pName"), address);
        query->bindValue(QStringLiteral(":pEMail"), address);
        if (!query->exec() || !query->next())
            throw TDatabaseError(query->lastError().text().toStdString());
        return query->value(0).toInt() > 0;
    } catch (const TDatabaseError&) {
        db.NoteFailure();
        throw;
    }
}

TAccountSaveOutcome SaveAccountChanges(TUser& user, const TAccountChanges& changes) {
    TBackendConnection* db = user.Database();
    if (!db)
        return TAccountSaveOutcome::NotSaved;
    try {
        if (!user.CheckPassword(changes.CurrentSecret))
            return TAccountSaveOutcome::WrongSecret;
        if (changes.NewSecret != changes.RepeatedNewSecret)
            return TAccountSaveOutcome::NewSecretsDiffer;
        if (IsEMailUsedByAnotherAccount(*db, user.ID, changes.EMail))
            return TAccountSaveOutcome::EMailTaken;
    } catch (const std::exception& error) {
        WriteLog(std::string("Account save: ") + error.what());
        return TAccountSaveOutcome::DatabaseUnreachable;
    }
    const TDetails before = DetailsOf(user);
    Apply(user, {changes.RealName, changes.Phone, QString::fromStdString(changes.EMail).trimmed().toStdString(),
                 changes.BirthDate, changes.NetworkID > 0 ? changes.NetworkID : 0});
    if (user.SaveAccount(changes.NewSecret))
        return TAccountSaveOutcome::Saved;
    Apply(user, before);
    return TAccountSaveOutcome::NotSaved;
}

std::string AccountSaveMessage(TAccountSaveOutcome outcome) {
    switch (outcome) {
    case TAccountSaveOutcome::Saved:
        return {};
    case TAccountSaveOutcome::WrongSecret:
        return "The old password is incorrect.";
    case TAccountSaveOutcome::NewSecretsDiffer:
        return "The two entries of the new password differ.";
    case TAccountSaveOutcome::EMailTaken:
        return "This e-mail address is already used by another Trawlix account. Please enter another one.";
    case TAccountSaveOutcome::DatabaseUnreachable:
        return "Error connecting to database server! Please try again later.";
    case TAccountSaveOutcome::NotSaved:
        return "Your account could not be saved. Please try again later.";
    }
    return {};
}
