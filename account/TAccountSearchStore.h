// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "store/IRemoteSearchStore.h"

/// The searches collection's remote side, carried out on the session's account database.
/// A refused write is rolled back and dropped: saving locally goes on regardless, and the
/// row is written again at the next remote save. User-interface thread only.
class TAccountSearchStore final : public IRemoteSearchStore {
public:
    void SaveSearch(TSearch& search) override;
    void DeleteSearch(TSearch& search) override;

    /// The one instance the session installs.
    static TAccountSearchStore& Instance();
};
