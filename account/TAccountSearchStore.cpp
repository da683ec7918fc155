// SPDX-License-Identifier: GPL-3.0-or-later
#include "account/TAccountSearchStore.h"

#include "account/RemoteSearches.h"

void TAccountSearchStore::SaveSearch(TSearch& search) {
    SaveSearchRemote(search);
}

void TAccountSearchStore::DeleteSearch(TSearch& search) {
    DeleteSearchRemote(search);
}

TAccountSearchStore& TAccountSearchStore::Instance() {
    static TAccountSearchStore store;
    return store;
}
