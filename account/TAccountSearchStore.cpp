// SPDX-License-Identifier: GPL-3.0-or-later
#include "account/TAccountSearchStore.h"

#include <utility>

#include "account/RemoteSearches.h"

TAccountSearchStore::TAccountSearchStore(TBackendConnection& db, std::function<int()> signedInUserId)
    : m_db(db), m_signedInUserId(std::move(signedInUserId)) {}

void TAccountSearchStore::SaveSearch(TSearch& search) {
    SaveSearchRemote(m_db, m_signedInUserId ? m_signedInUserId() : -1, search);
}

void TAccountSearchStore::DeleteSearch(TSearch& search) {
    DeleteSearchRemote(m_db, search);
}
