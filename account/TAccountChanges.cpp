// SPDX-License-Identifier: GPL-3.0-or-later
#include "account/TAccountChanges.h"

#include "account/TUser.h"
#include "core/Log.h"
#include "core/TBackendConnection.h"
#include "core/TDatabaseError.h"
#include "core/TStoredProc.h"

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

bool IsEMailUsedByAnotherAccount(const TUser& user, const std::string& email) {
    TBackendConnection* db = user.Database();
    const QString address = Normalised(email);
    if (!db || address.isEmpty())
        return false;
    try {
        // The server answers only the account that presents its secret.
        const auto procedure = db->NewStoredProc("IS_EMAIL_TAKEN");
        procedure->SetParam("ID", user.ID);
        procedure->SetParam("PASS", QString::fromStdString(user.SecretForm()));
        procedure->SetParam("EMAIL", address);
        procedure->Execute();
        return procedure->Output("TAKEN").toString().trimmed() == QStringLiteral("T");
    } catch (const TDatabaseError&) {
        db->NoteFailure();
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
        if (IsEMailUsedByAnotherAccount(user, changes.EMail))
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
