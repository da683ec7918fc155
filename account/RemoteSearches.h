// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "refdata/TPlace.h"

class TBackendConnection;
class TPlaces;
class TSearch;

// The copy of the signed-in user's searches in the account database: one SEARCHES row per
// search and one SEARCH_LOCATIONS row per chosen location. Every write runs in a
// transaction of its own, returns true when it committed and false otherwise (rolled back,
// nothing shown beyond the connection's own message), and never throws. User-interface
// thread only (the connection's).

/// Inserts the search when it has no row yet (SearchId below 1), updates it otherwise.
bool SaveSearchRemote(TBackendConnection& db, int userId, TSearch& search);
/// INSERT_SEARCH for the account userId; sets SearchId from NEW_ID and writes the chosen
/// locations. On failure SearchId keeps its earlier value.
bool InsertSearchRemote(TBackendConnection& db, int userId, TSearch& search);
/// update_search_delete_locations; rewrites the location rows when LocationsChanged.
/// False without touching anything when SearchId is below 1.
bool UpdateSearchRemote(TBackendConnection& db, TSearch& search);
/// DELETE_SEARCH; false without touching anything when SearchId is below 1.
bool DeleteSearchRemote(TBackendConnection& db, TSearch& search);
/// Appends the places of the search's location rows, in the server's order, to list;
/// ids that no place of places has are skipped. Nothing for a search without a row.
/// Throws TDatabaseError; the session reads locations back through it.
void ReadSearchLocations(TBackendConnection& db, const TPlaces* places, TSearch& search, TPlaceList& list);
