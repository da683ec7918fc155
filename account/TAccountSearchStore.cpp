// SPDX-License-Identifier: GPL-3.0-or-later
#include "account/TAccountSearchStore.h"

#include <utility>

#include "account/RemoteSearches.h"

TAccountSearchStore::TAccountSearchStore(TBackendConnection& db, std::function<int()> signedInUserId)
    : m_db(db), m_signedInUserId(std::move(signedInUserId)) {}

int TAccountSearchStore::UserId() const {
    return m_signedInUserId ? m_signedInUserId() : -1;
}

void TAccountSearchStore::SaveSearch(TSearch& search) {
    if (UserId() >= 1)
        SaveSearchRemote(m_db, UserId(), search);
}

void TAccountSearchStore::DeleteSearch(TSearch& search) {
    if (UserId() >= 1)
        DeleteSearchRemote(m_db, search);
}
