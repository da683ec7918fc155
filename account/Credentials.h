// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <optional>
#include <string>

class TBackendConnection;

/// The form in which an account's secret (its login key, or the password that replaces
/// it) is kept in USR_PASS: "argon2id$" and the hex of libsodium's Argon2id over the
/// secret, salted from the lower-cased account name. Deterministic, so that the server
/// can compare it in the lookup statement; the secret itself is never stored. Deliberately
/// slow (a fraction of a second). Throws std::runtime_error when hashing fails.
std::string StoredCredential(const std::string& name, const std::string& secret);

/// Doubles every single quote and encloses the text in single quotes: an SQL literal.
std::string QuotedSqlLiteral(const std::string& text);

/// A login key issued for an address by INSERT_TEMP_USER.
struct TIssuedLoginKey {
    int NewId = 0;
    /// Empty when the key service mails the key (MailedByKeyService).
    std::string Key;
    /// The database belongs to another login than the program's (a server): the request
    /// went to the key service, which mails the key to the address; nobody else gets it.
    bool MailedByKeyService = false;
};

/// On a database that the program's login owns (the embedded default): registers the
/// address (or finds its account), lets the server issue a new login key and stores the
/// key's derived form, all in one transaction; the key in the result is the only copy.
/// On a server's database, owned by another login, only asks the key service for a key
/// (REQUEST_LOGIN_KEY) and returns a result without a key. An account without a secret takes the key as its secret;
/// otherwise the earlier secret stays valid until the new key first signs in (TUser::Find), and the new key expires
/// unused after 24 hours. The server refuses a sixth key for one address within an hour. Returns nothing when the
/// transaction could not be started (the connection's message has been shown); throws TDatabaseError on any other
/// failure, refusals included, after rolling back. User-interface thread.
std::optional<TIssuedLoginKey> IssueLoginKey(TBackendConnection& db, const std::string& name, const std::string& email);
