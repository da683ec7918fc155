// SPDX-License-Identifier: GPL-3.0-or-later
#include "account/Credentials.h"

#include <array>
#include <stdexcept>

#include <sodium.h>

#include <QSqlError>
#include <QSqlQuery>
#include <QString>

#include "core/TDatabaseError.h"
#include "core/TBackendConnection.h"
#include "core/TTransaction.h"
#include "core/TStoredProc.h"

namespace {

std::string Lower(const std::string& text) {
    return QString::fromStdString(text).toLower().toStdString();
}

const unsigned char* Bytes(const std::string& text) {
    return reinterpret_cast<const unsigned char*>(text.data());
}

} // namespace

std::string StoredCredential(const std::string& name, const std::string& secret) {
    if (sodium_init() < 0)
        throw std::runtime_error("libsodium cannot be initialised");
    // The lookup must find the row from the name and the secret alone, so the salt is
    // derived from the name rather than drawn at random.
    const std::string saltInput = "Trawlix account:" + Lower(name);
    std::array<unsigned char, crypto_pwhash_SALTBYTES> salt{};
    crypto_generichash(salt.data(), salt.size(), Bytes(saltInput), saltInput.size(), nullptr, 0);
    std::array<unsigned char, 32> hash{};
    if (crypto_pwhash(hash.data(), hash.size(), secret.data(), secret.size(), salt.data(),
                      crypto_pwhash_OPSLIMIT_INTERACTIVE, crypto_pwhash_MEMLIMIT_INTERACTIVE,
                      crypto_pwhash_ALG_ARGON2ID13) != 0)
        throw std::runtime_error("Out of memory while hashing a credential");
    std::array<char, 2 * 32 + 1> hex{};
    sodium_bin2hex(hex.data(), hex.size(), hash.data(), hash.size());
    return "argon2id$" + std::string(hex.data());
}

std::string QuotedSqlLiteral(const std::string& text) {
    std::string literal = "'";
    for (const char c : text) {
        literal += c;
        if (c == '\'')
            literal += '\'';
    }
    return literal + "'";
}

namespace {

/// True when the signed-in login owns the account tables: then it may issue keys itself.
bool OwnsAccounts(TBackendConnection& db) {
    const auto query = db.NewQuery("SELECT TRIM(RDB$OWNER_NAME), TRIM(CURRENT_USER) FROM RDB$RELATIONS "
                                   "WHERE RDB$RELATION_NAME = 'USERS'");
    if (!query->exec() || !query->next())
        throw TDatabaseError("The account table cannot be found: " + query->lastError().text().toStdString());
    return query->value(0).toString() == query->value(1).toString();
}

} // namespace

std::optional<TIssuedLoginKey> IssueLoginKey(TBackendConnection& db, const std::string& name,
                                             const std::string& email) {
    const std::unique_ptr<TTransaction> transaction = TTransaction::BeginOrReport(db);
    if (!transaction)
        return std::nullopt;
    try {
        TIssuedLoginKey issued;
        if (!OwnsAccounts(db)) {
            const auto procedure = db.NewStoredProc("REQUEST_LOGIN_KEY");
            procedure->SetParam("NAME", QString::fromStdString(name));
            procedure->SetParam("EMAIL", QString::fromStdString(email));
            procedure->Execute();
            transaction->Commit();
            issued.MailedByKeyService = true;
            return issued;
        }
        {
            const auto procedure = db.NewStoredProc("INSERT_TEMP_USER");
            procedure->SetParam("NAME", QString::fromStdString(name));
            procedure->SetParam("EMAIL", QString::fromStdString(email));
            procedure->Execute();
            issued.NewId = procedure->Output("NEW_ID").toInt();
            issued.Key = procedure->Output("LOGIN_KEY").toString().toStdString();
        }
        if (issued.Key.empty())
            throw TDatabaseError("INSERT_TEMP_USER issued no key");
        {
            const auto procedure = db.NewStoredProc("STORE_LOGIN_KEY");
            procedure->SetParam("ID", issued.NewId);
            procedure->SetParam("PASS", QString::fromStdString(StoredCredential(email, issued.Key)));
            procedure->Execute();
        }
        transaction->Commit();
        return issued;
    } catch (const std::exception& error) {
        throw TDatabaseError(std::string("No login key issued: ") + error.what());
    }
}
