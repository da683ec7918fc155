// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "refdata/TPlace.h"
#include "search/TBoundedText.h"
#include "search/TEntry.h"
#include "search/TFavourite.h"
#include "search/TLatestEntry.h"
#include "search/TSearchContext.h"

class IResultsView;
class TSearchRun;
namespace pugi {
class xml_document;
class xml_node;
} // namespace pugi

using TFavouriteList = TObservedList<TFavourite>;
using TLatestEntryList = std::vector<std::unique_ptr<TLatestEntry>>;

/// One search of the classifieds site: its criteria, its chosen locations and the result
/// lists it owns. Its run (search/TSearchRun.h) fetches, parses and fills the lists. Lives
/// on the user-interface thread.
class TSearch final {
public:
    static constexpr std::size_t NameCapacity = 50;

    /// context (not owned, may be null for the defaults) must outlive the search.
    explicit TSearch(const TSearchContext* context = nullptr);
    /// A search read from its element of the searches file (TSearchXml.cpp); places and
    /// categories are looked up in the context's tables.
    TSearch(const pugi::xml_node& element, const TSearchContext* context);
    ~TSearch();
    TSearch(const TSearch&) = delete;
    TSearch& operator=(const TSearch&) = delete;

    // Identity.
    /// Account the search was saved under; -1 in the searches file means nobody signed in.
    int UserId = 0;
    /// Row id in the account database; below 1 while the search has no row.
    int SearchId = 0;
    /// Folder id in the account database; below 1 means no folder.
    int FolderId = 0;
    TBoundedText<NameCapacity> Name;

    // Where to search.
    /// Miles around each leaf location that a run also searches.
    int Distance = 0;

    // What to search for.
    /// A record of the session's category table (not owned); must be set before a run.
    const TPlace* Category = nullptr;
    std::string PositiveKeywords;
    std::string NegativeKeywords;
    bool OnlyTitles = false;
    bool HasImage = false;
    std::string AdvAllThese;
    std::string AdvExact;
    std::string AdvOr1;
    std::string AdvOr2;
    std::string AdvOr3;
    std::string AdvNoneOfThese;

    // Extras of the "personals" group.
    int MinAge = 0;
    int MaxAge = 0;
    // Extras of the "housing" group; 0 rent means open.
    double MinRent = 0;
    double MaxRent = 0;
    /// 0 to 8; 0 means any.
    int Bedrooms = 0;
    bool Cats = false;
    bool Dogs = false;
    // Extras of the "for sale" group; 0 means open.
    double MinPrice = 0;
    double MaxPrice = 0;
    // Extras of the "jobs" group.
    bool Telecommuting = false;
    bool Contract = false;
    bool Internship = false;
    bool PartTime = false;
    bool NonProfit = false;

    // Result filter.
    std::string FilterKeywords;
    /// A space between filter keywords means OR (true) or AND (false).
    bool FilterOr = true;
    /// Keep only results of the last this many days; 0 = no limit.
    int FilterDays = 0;

    // Notification.
    bool NotifySms = false;
    bool NotifyEmail = false;
    bool NotifyEmailDigest = false;

    // View state of the search window.
    /// A run keeps earlier results (only their new mark goes) instead of emptying the list.
    bool KeepOldResults = true;
    /// Link of the result selected in the results list, whole.
    std::string SelectedEntry;
    bool ShowPreview = false;
    /// Preview height as a fraction of the window height.
    float PreviewHeightRatio = 0;

    // Result lists, owned with their objects; each tells its listeners (the windows' list
    // models) of every change of its rows.
    TEntryList Results;
    /// Results the user deleted; runs leave these postings out.
    TEntryList DeletedResults;
    TFavouriteList Favourites;
    /// Per location of the last run, its newest posting.
    TLatestEntryList LatestEntries;
    /// A background check saw newer postings than the markers.
    bool NewResultsAvailable = false;
    /// The chosen locations must be rewritten in the account database at the next save;
    /// SetLocations sets it when the list changes, a successful remote save clears it.
    bool LocationsChanged = false;
    /// Location ids read from the searches file that no place of the table has (a place
    /// file cut short, say): kept so that every save writes them back as they were.
    std::vector<int> UnknownLocationIds;

    // State of the background check for new results (notify/TSearchMonitor.h); not stored
    // in the searches file.
    /// The fetcher this search's check uses (not owned); set before each check.
    TBrowser* CheckFetcher = nullptr;
    /// Position in LatestEntries of the location being checked.
    int CheckEntryIndex = 0;
    /// Why the last check could not examine every location it had to ("<reason>: <link>");
    /// empty when it could.
    std::string CheckFailure;
    /// The current check has finished: no page is outstanding for it.
    bool CheckDone = false;
    /// Checks started for this search object since it was made (loading makes it afresh).
    int CheckCount = 0;

    /// What the search takes from the program around it.
    const TSearchContext& Context() const;

    /// The chosen locations: the top-most fully chosen places (not owned). A search that
    /// has no list gets a new one, read back through the context's LocationsLoader when
    /// SearchId > 0.
    TPlaceList& Locations();
    /// Replaces the chosen locations (the leaf list is not rebuilt; see SetLeafLocations);
    /// a list that differs from the current one sets LocationsChanged.
    void SetLocations(TPlaceList places);
    /// Drops the chosen-locations list so that the next Locations() makes it again.
    void DiscardLocations();
    /// The chosen locations expanded to leaf places, built on first request.
    TPlaceList& LeafLocations();
    void SetLeafLocations(TPlaceList places);

    /// The name of the category's parent, or of the category itself when it is a main
    /// category. Requires Category. CategoryGroupOf (TCategoryGroup.h) gives the group.
    std::string CategoryGroup() const;

    /// Appends a copy of entry to DeletedResults, then removes entry from Results (freeing
    /// it) if it is there. entry may be any entry, one of DeletedResults included.
    void MarkDeleted(const TEntry& entry);
    /// MarkDeleted for many entries in one step: the results lose them all at once.
    void MarkDeleted(const std::vector<const TEntry*>& entries);
    /// Clear: empties Results. Otherwise every result loses its new mark, and the listeners
    /// of Results hear that every row changed.
    void ResetResults(bool clear);

    /// The site's results link for locationsToSearch[locationIndex] and page; writes it to
    /// the log. A neighbourhood is named in the link unless every neighbourhood of its
    /// sub-area is in locationsToSearch. Throws std::logic_error when there is no category
    /// or no such location.
    std::string MakeSearchLink(const TPlaceList& locationsToSearch, int locationIndex, int page) const;
    /// Appends the search's element to document, saved under userId (TSearchXml.cpp).
    void WriteXml(pugi::xml_document& document, int userId);

    /// Starts a run that shows accepted entries in view (or nowhere); see TSearchRun::Run.
    void Run(IResultsView* view);
    /// Ends the run at once; entries already added stay.
    void Stop();
    /// The search's run: the active one, or the last (its fetched links and failed fetches
    /// stay readable until the next run starts).
    TSearchRun& CurrentRun() { return *m_run; }
    const TSearchRun& CurrentRun() const { return *m_run; }
    /// The two places are the same record, or both have coordinates and lie within
    /// Distance miles of each other (haversine on a sphere).
    bool WithinDistance(const TPlace& a, const TPlace& b) const;

private:
    const TSearchContext* m_context = nullptr;
    std::unique_ptr<TPlaceList> m_locations;
    std::unique_ptr<TPlaceList> m_leafLocations;
    /// Declared last: destroyed first, stopping an active run while the lists still exist.
    std::unique_ptr<TSearchRun> m_run;
};
