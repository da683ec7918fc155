// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

#include <QDateTime>

class TUser;

/// What the account dialog hands over for one save: the current secret that confirms it,
/// an optional new secret typed twice, and the edited details.
struct TAccountChanges {
    std::string CurrentSecret;
    /// Both empty: the secret stays as it is.
    std::string NewSecret;
    std::string RepeatedNewSecret;
    std::string RealName;
    std::string Phone;
    std::string EMail;
    /// Invalid: no birth date.
    QDateTime BirthDate;
    /// 0 or less: no carrier, no SMS.
    int NetworkID = 0;
};

/// How a save ended; only Saved changed anything, in the database or in the record.
enum class TAccountSaveOutcome {
    Saved,
    WrongSecret,
    NewSecretsDiffer,
    /// Another account signs in with this address or has it as its e-mail address.
    EMailTaken,
    /// The database could not be reached or read.
    DatabaseUnreachable,
    /// The write was rolled back.
    NotSaved,
};

/// Checks the current secret, the new one and the address, then writes the details (and
/// the new secret, in its stored form only) to the account's row. The record takes the
/// new values only when the write committed. Runs where the record's connection lives.
TAccountSaveOutcome SaveAccountChanges(TUser& user, const TAccountChanges& changes);

/// The message that tells the user why a save did not happen; empty for Saved.
std::string AccountSaveMessage(TAccountSaveOutcome outcome);

/// True when an account other than user's signs in with email or uses it as its e-mail
/// address, letter case and surrounding blanks ignored. The server answers only while
/// user's secret is still the one it was read with (false otherwise). Throws
/// TDatabaseError.
bool IsEMailUsedByAnotherAccount(const TUser& user, const std::string& email);
