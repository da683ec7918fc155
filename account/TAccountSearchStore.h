// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <functional>

#include "store/IRemoteSearchStore.h"

class TDatabaseThread;

/// The searches collection's remote side, carried out on the account database for the
/// signed-in account; while nobody is signed in the searches are this computer's alone
/// and the database is left alone. A refused write is rolled back and dropped: saving locally goes on
/// regardless, and the row is written again at the next remote save. Used on the
/// user-interface thread; the statements run where the connection lives.
class TAccountSearchStore final : public IRemoteSearchStore {
public:
    /// signedInUserId gives the account that new rows belong to (below 1: nobody).
    TAccountSearchStore(TDatabaseThread& db, std::function<int()> signedInUserId);

    void SaveSearch(TSearch& search) override;
    void DeleteSearch(TSearch& search) override;

private:
    int UserId() const;

    TDatabaseThread& m_db;
    std::function<int()> m_signedInUserId;
};
