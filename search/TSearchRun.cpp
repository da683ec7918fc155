// SPDX-License-Identifier: GPL-3.0-or-later
#include "search/TSearchRun.h"

#include <algorithm>
#include <unordered_set>

#include "refdata/TPlaces.h"
#include "search/IResultsView.h"
#include "search/TOnResultsThread.h"
#include "search/TSearch.h"

TSearchRun::TSearchRun(TSearch& search) : m_search(search) {
    Fetcher.OnDone = [this] { PageFetched(); };
}

TSearchRun::~TSearchRun() {
    if (!Idle || Parser)
        Stop();
}

void TSearchRun::StartRun(IResultsView* view) {
    const TSearchContext& context = m_search.Context();
    ResultsView = view;
    Fetcher.Options = context.Fetch;
    Parser = new TOnResultsThread(this, context.SiteDomain, context.ParserPauseMs);
    Parser->Start();
    Idle = false;
    m_markers.clear();
}

void TSearchRun::Run(IResultsView* view) {
    if (!Idle || Parser)
        Stop();
    m_retryPages.clear();
    StartRun(view);
    m_markedBeforeRun = m_search.NewResultsAvailable;
    FailedFetches.clear();
    if (view)
        m_search.NewResultsAvailable = false;
    FetchedLinks.clear();
    ExpandByDistance();
    LocationIndex = 0;
    Page = 1;
    RunNext();
}

void TSearchRun::Stop() {
    if (Parser) {
        Parser->Terminate();
        Parser->Sink = nullptr;
        Parser = nullptr;
    }
    Fetcher.Cancel();
    if (!Idle)
        EndRun();
}

bool TSearchRun::RetryLocation(const std::string& location, IResultsView* view) {
    if (!Idle || Parser)
        return false;
    std::vector<TFailedFetch> pages;
    for (const TFailedFetch& failure : FailedFetches)
        if (failure.Location == location)
            pages.push_back(failure);
    if (pages.empty())
        return false;
    m_retryPages = std::move(pages);
    m_retryNext = 0;
    StartRun(view);
    LocationIndex = m_retryPages[0].LocationIndex;
    Page = m_retryPages[0].Page;
    RunNext();
    return true;
}

void TSearchRun::SettleRetriedPage() {
    const TFailedFetch& retried = m_retryPages[m_retryNext];
    const auto failure = std::find_if(FailedFetches.begin(), FailedFetches.end(), [&](const TFailedFetch& f) {
        return f.Link == retried.Link && f.Location == retried.Location;
    });
    if (failure == FailedFetches.end())
        return;
    if (Fetcher.Error.empty())
        FailedFetches.erase(failure);
    else
        failure->Reason = Fetcher.Error;
}

void TSearchRun::MergeRetryMarkers() {
    TLatestEntryList& kept = m_search.LatestEntries;
    for (auto& marker : m_markers) {
        std::erase_if(kept, [&](const auto& old) { return old->PageLink == marker->PageLink; });
        // In location order, as a whole run leaves them.
        const auto at = std::find_if(kept.begin(), kept.end(),
                                     [&](const auto& old) { return old->LocationId > marker->LocationId; });
        kept.insert(at, std::move(marker));
    }
    m_markers.clear();
}

void TSearchRun::EndRun() {
    Idle = true;
    if (m_retryPages.empty()) {
        m_search.LatestEntries = std::move(m_markers);
        m_markers.clear();
    } else {
        MergeRetryMarkers();
        m_retryPages.clear();
        // Every location has been seen now, as after a whole run without failures.
        if (ResultsView && FailedFetches.empty())
            m_search.NewResultsAvailable = false;
    }
    if (OnIdle)
        OnIdle();
}

std::string TSearchRun::MakeSearchLink() const {
    return m_search.MakeSearchLink(LocationsToSearch, LocationIndex, Page);
}

bool TSearchRun::StepLocation() {
    if (!m_retryPages.empty()) {
        if (++m_retryNext >= m_retryPages.size())
            return false;
        LocationIndex = m_retryPages[m_retryNext].LocationIndex;
        Page = m_retryPages[m_retryNext].Page;
        return true;
    }
    ++LocationIndex;
    if (static_cast<std::size_t>(LocationIndex) < LocationsToSearch.size() && Page < 2)
        return true;
    if (LocationIndex == 1 && Page < 2) {
        // Exactly one location: its second page.
        LocationIndex = 0;
        ++Page;
        return true;
    }
    return false;
}

void TSearchRun::RunNext() {
    if (!m_retryPages.empty()) {
        // The page exactly as the run fetched it, already among FetchedLinks.
        if (!Idle)
            Fetcher.Fetch(m_retryPages[m_retryNext].Link);
        return;
    }
    // Iterative: a long row of duplicate or unbuildable links must not deepen the stack.
    while (!Idle) {
        std::string link;
        try {
            link = MakeSearchLink();
        } catch (...) {
            link.clear();
        }
        if (!link.empty() && std::find(FetchedLinks.begin(), FetchedLinks.end(), link) == FetchedLinks.end()) {
            FetchedLinks.push_back(link);
            Fetcher.Fetch(link);
            return;
        }
        if (!StepLocation()) {
            Stop();
            return;
        }
    }
}

void TSearchRun::AdvanceLocation() {
    if (StepLocation())
        RunNext();
    else
        Stop();
}

bool TSearchRun::AdvanceFromParser() {
    if (!StepLocation())
        return false;
    RunNext();
    return true;
}

void TSearchRun::ParserDone(TOnResultsThread& parser) {
    if (Parser != &parser)
        return;
    Parser = nullptr;
    if (!Idle)
        EndRun();
}

void TSearchRun::PageFetched() {
    if (!Parser)
        return;
    TFetchedPage page;
    page.Text = Fetcher.PageText;
    page.Link = Fetcher.URL;
    page.LocationIndex = LocationIndex;
    page.Page = Page;
    if (LocationIndex >= 0 && static_cast<std::size_t>(LocationIndex) < LocationsToSearch.size()) {
        const TPlace* location = LocationsToSearch[static_cast<std::size_t>(LocationIndex)];
        if (location && location->Level == 4 && location->Parent())
            location = location->Parent();
        if (location)
            page.LocationText = location->FullName();
    }
    if (!m_retryPages.empty())
        SettleRetriedPage();
    else if (!Fetcher.Error.empty())
        KeepStateOfFailedLocation(page.LocationText);
    Parser->HandPage(std::move(page));
}

void TSearchRun::KeepStateOfFailedLocation(const std::string& location) {
    FailedFetches.push_back({location, Fetcher.URL, Fetcher.Error, LocationIndex, Page});
    // The site was not seen: nothing is known that could clear the mark.
    m_search.NewResultsAvailable = m_markedBeforeRun;
    if (Page != 1)
        return;
    // The marker made from this same first page stays; the parser adds none for it.
    for (const auto& marker : m_search.LatestEntries)
        if (marker->PageLink == Fetcher.URL) {
            auto kept = std::make_unique<TLatestEntry>(*marker);
            kept->LocationId = LocationIndex;
            m_markers.push_back(std::move(kept));
            return;
        }
}

bool TSearchRun::AcceptPosting(std::unique_ptr<TEntry> entry, const TFetchedPage& page, bool firstOfPage) {
    if (m_deletedLinks.Find(m_search.DeletedResults, entry->Link))
        return false;
    if (firstOfPage && page.Page == 1)
        m_markers.push_back(std::make_unique<TLatestEntry>(page.LocationIndex, entry->Link, page.Link));
    entry->New = !m_resultLinks.Find(m_search.Results, entry->Link);
    if (!m_search.KeepOldResults || entry->New) {
        m_search.Results.push_back(std::move(entry));
        // The view may destroy the search, and this run with it: nothing is touched after.
        if (IResultsView* view = ResultsView)
            view->AddEntryRow(*m_search.Results.back());
    }
    return true;
}

void TSearchRun::ExpandByDistance() {
    LocationsToSearch.clear();
    // Each place once: fetching it again would only find the same postings again.
    std::unordered_set<const TPlace*> added;
    const auto add = [&](TPlace* place) {
        if (added.insert(place).second)
            LocationsToSearch.push_back(place);
    };
    const TPlaces* table = m_search.Context().Places;
    for (TPlace* leaf : m_search.LeafLocations()) {
        // Without a place table only the leaf locations themselves can be searched.
        if (!table) {
            add(leaf);
            continue;
        }
        for (const auto& place : table->Items)
            if (m_search.WithinDistance(*leaf, *place))
                add(place.get());
    }
}
