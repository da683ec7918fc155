// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <memory>
#include <string>
#include <vector>

class TBackendConnection;

/// One mobile carrier network: an SMS to a phone is a mail to <number>@Gateway. The
/// session owns the list; accounts refer to entries by ID.
/// Plain data, used on the user-interface thread.
class TGsmNetwork final {
public:
    TGsmNetwork(int id, const std::string& name, const std::string& gateway, bool discontinued = false);

    int ID = 0;
    /// At most 50 characters.
    std::string Name;
    /// At most 100 characters.
    std::string Gateway;
    /// The carrier has shut the gateway down: kept for accounts that refer to it.
    bool Discontinued = false;

    /// Every network of the carrier table, ordered by id. Throws TDatabaseError.
    static std::vector<std::unique_ptr<TGsmNetwork>> LoadAll(TBackendConnection& db);
};
