// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

class TSearch;

/// The account database's copy of the searches, as the searches collection sees it. The
/// account layer implements it; called on the user-interface thread.
class IRemoteSearchStore {
public:
    virtual ~IRemoteSearchStore() = default;
    /// Inserts the search's row when SearchId is below 1 (SearchId then holds the new id),
    /// updates it otherwise. Throws when the database refuses.
    virtual void SaveSearch(TSearch& search) = 0;
    /// Deletes the search's row; does nothing for a SearchId below 1. Throws when the
    /// database refuses.
    virtual void DeleteSearch(TSearch& search) = 0;
};
