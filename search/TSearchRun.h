// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "refdata/TPlace.h"
#include "search/IResultsSink.h"
#include "search/TBrowser.h"
#include "search/TEntryLinkIndex.h"
#include "search/TSearch.h"

class IResultsView;

/// A results page of a run that could not be fetched.
struct TFailedFetch {
    /// Full name of the location (of its sub-area for a neighbourhood).
    std::string Location;
    std::string Link;
    /// Why the fetch failed ("HTTP status 500", "Connection refused", ...).
    std::string Reason;
    /// Position of the location in the run's LocationsToSearch, and the results page (1 or 2).
    int LocationIndex = 0;
    int Page = 1;
};

/// The run of one search: fetches the results page of each location to search on its
/// fetcher, hands the pages to its parser thread and takes the parser's postings into the
/// search's result lists. Owns the fetcher, the parser and the state of the run; the search
/// keeps the criteria and the lists. What the last run found out (fetched links, failed
/// fetches) stays readable until the next run starts. Lives on the user-interface thread.
class TSearchRun final : public IResultsSink {
public:
    /// search owns the run and outlives it.
    explicit TSearchRun(TSearch& search);
    /// Stops a run still active.
    ~TSearchRun() override;
    TSearchRun(const TSearchRun&) = delete;
    TSearchRun& operator=(const TSearchRun&) = delete;

    /// The places of the current run in fetch order (not owned); may repeat a place.
    TPlaceList LocationsToSearch;
    /// 0-based position in LocationsToSearch of the location being fetched or parsed.
    int LocationIndex = 0;
    /// Results page of the current pass: 1, or 2 on the second pass.
    int Page = 1;
    /// Links fetched in the current run, in order.
    std::vector<std::string> FetchedLinks;
    /// Pages of the current (or last) run that could not be fetched, in run order.
    std::vector<TFailedFetch> FailedFetches;
    /// Where the run shows accepted entries; not owned, may be null.
    IResultsView* ResultsView = nullptr;
    /// No run is active.
    bool Idle = true;
    /// Fetches the run's pages; its completion is PageFetched.
    TBrowser Fetcher;
    /// The parser of the current run (it frees itself); null when there is none.
    TOnResultsThread* Parser = nullptr;
    /// Called on the user-interface thread when a run ends (complete or stopped), for
    /// example to restore the mouse cursor; the last thing the run does.
    std::function<void()> OnIdle;

    /// Starts a run that shows accepted entries in view (or nowhere). Expects leaf
    /// locations and a category; a run still active is stopped first. The search's
    /// markers stay until the run ends, when the markers it made replace them.
    void Run(IResultsView* view);
    /// Ends the run at once; entries already added stay.
    void Stop();
    /// Runs the search again over the pages of location (a TFailedFetch::Location) that the
    /// last run could not fetch, with the rules of a run: new, known and deleted postings
    /// alike, a new marker for a first page. A page fetched now leaves FailedFetches, one
    /// that fails again stays there with the new reason; the other locations' markers and
    /// results stay. The new-results mark is cleared (with a view) once no page is left
    /// failed. False, doing nothing, while a run is active or when location has no failed page.
    bool RetryLocation(const std::string& location, IResultsView* view);
    /// Builds and fetches the next link, passing over locations without a link and links
    /// already fetched; ends the run when none is left. In a retry, fetches the next failed page.
    void RunNext();
    /// Moves on after a location that produced no fetch.
    void AdvanceLocation();
    /// Completion of Fetcher: hands the page to the parser. A failed fetch is recorded in
    /// FailedFetches and hands over an empty page; the location keeps the marker and the
    /// search the new-results mark they had before the run.
    void PageFetched();
    /// Fills LocationsToSearch with every place of the context's place table within the
    /// search's Distance of a leaf location, per leaf location in order; a place near two
    /// leaf locations is searched once, where it was first reached.
    void ExpandByDistance();
    /// The site's results link for LocationsToSearch[LocationIndex] and Page (see
    /// TSearch::MakeSearchLink).
    std::string MakeSearchLink() const;

    // What the parser hands over (IResultsSink).
    bool AcceptPosting(std::unique_ptr<TEntry> entry, const TFetchedPage& page, bool firstOfPage) override;
    bool AdvanceFromParser() override;
    void ParserDone(TOnResultsThread& parser) override;

private:
    /// Starts the parser of a run that shows accepted entries in view.
    void StartRun(IResultsView* view);
    /// Steps to the next location or pass, or the next page to retry; false when the run
    /// has no more.
    bool StepLocation();
    /// Takes the fetched (or failed again) retried page off FailedFetches or records the new reason.
    void SettleRetriedPage();
    /// Puts the markers of a retry into the search's in place of those of the same pages.
    void MergeRetryMarkers();
    /// Records Fetcher's failure for the location being fetched and keeps what the run
    /// knew of it before.
    void KeepStateOfFailedLocation(const std::string& location);
    /// Makes the run idle, hands the markers made to the search and tells OnIdle.
    void EndRun();

    TSearch& m_search;
    /// The markers this run makes, one per location whose first page it saw.
    TLatestEntryList m_markers;
    /// The search's new-results mark when the run started.
    bool m_markedBeforeRun = false;
    /// The failed pages being fetched again by RetryLocation, the next one to fetch; empty
    /// outside a retry.
    std::vector<TFailedFetch> m_retryPages;
    std::size_t m_retryNext = 0;
    /// The search's lists by link, for AcceptPosting.
    TEntryLinkIndex m_resultLinks;
    TEntryLinkIndex m_deletedLinks;
};
