// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

class TSearch;

/// The account database's copy of the searches, as the searches collection sees it. The
/// account layer implements it; called on the user-interface thread.
class IRemoteSearchStore {
public:
    virtual ~IRemoteSearchStore() = default;
    /// Inserts the search's row when SearchId is below 1 (SearchId then holds the new id),
    /// updates it otherwise. Never throws: a write the database refuses is rolled back and
    /// dropped (SearchId unchanged), so that the local save goes on.
    virtual void SaveSearch(TSearch& search) = 0;
    /// Deletes the search's row; does nothing for a SearchId below 1. Never throws: a
    /// refused delete is rolled back and dropped.
    virtual void DeleteSearch(TSearch& search) = 0;
};
