// SPDX-License-Identifier: GPL-3.0-or-later
#include "account/TAccountSearchStore.h"

#include <utility>

#include "account/RemoteSearches.h"
#include "core/TDatabaseThread.h"

TAccountSearchStore::TAccountSearchStore(TDatabaseThread& db, std::function<int()> signedInUserId)
    : m_db(db), m_signedInUserId(std::move(signedInUserId)) {}

int TAccountSearchStore::UserId() const {
    return m_signedInUserId ? m_signedInUserId() : -1;
}

void TAccountSearchStore::SaveSearch(TSearch& search) {
    const int userId = UserId();
    if (userId >= 1)
        m_db.Run([&](TBackendConnection& db) { SaveSearchRemote(db, userId, search); });
}

void TAccountSearchStore::DeleteSearch(TSearch& search) {
    if (UserId() >= 1)
        m_db.Run([&](TBackendConnection& db) { DeleteSearchRemote(db, search); });
}
