// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

class TSearch;
struct TMonitorContext;

// The background check of one search for new results and the notification it sends,
// working on the search's check state (CheckFetcher, CheckEntryIndex, CheckDone,
// CheckCount, LatestEntries, NewResultsAvailable). User-interface thread.

/// Starts the search's check while the context's status says a pass is running: fetches
/// its first location's page when it has markers and is not marked yet, otherwise the
/// check is done at once. CheckFetcher must be set.
void StartNewResultsCheck(TSearch& search, const TMonitorContext& context);
/// Fetches the first results page of the location at CheckEntryIndex on CheckFetcher.
void FetchEntryPage(TSearch& search);
/// Examines CheckFetcher's page: marks the search when the topmost posting differs from
/// the location's marker (notifying from the second check on), otherwise goes on with the
/// next location. A failed fetch ends the check unmarked, with CheckFailure.
void NewResultsPageLoaded(TSearch& search, const TMonitorContext& context);
/// Tells the signed-in user of new results: an SMS through the carrier's gateway and an
/// e-mail, as the notification flags and the account's details allow.
void NotifyNewResults(TSearch& search, const TMonitorContext& context);
