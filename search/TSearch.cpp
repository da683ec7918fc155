// SPDX-License-Identifier: GPL-3.0-or-later
#include "search/TSearch.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>
#include <string_view>

#include <QByteArray>

#include "core/Log.h"
#include "core/TextHelpers.h"
#include "refdata/TPlaces.h"
#include "search/SiteInterface.h"
#include "search/TOnResultsThread.h"

TSearch::TSearch(const TSearchContext* context)
    : Fetcher(std::make_unique<TBrowser>()), m_context(context), m_locations(std::make_unique<TPlaceList>()) {
    Fetcher->OnDone = [this] { PageFetched(); };
}

const TSearchContext& TSearch::Context() const {
    static const TSearchContext defaults;
    return m_context ? *m_context : defaults;
}

TSearch::~TSearch() {
    if (!Idle || Parser)
        Stop();
}

TPlaceList& TSearch::Locations() {
    if (!m_locations) {
        m_locations = std::make_unique<TPlaceList>();
        const auto& loader = Context().LocationsLoader;
        if (SearchId > 0 && loader)
            loader(*this, *m_locations);
    }
    return *m_locations;
}

void TSearch::SetLocations(TPlaceList places) {
    // Without a list the stored rows are unknown here, so any list counts as a change.
    if (!m_locations || *m_locations != places)
        LocationsChanged = true;
    m_locations = std::make_unique<TPlaceList>(std::move(places));
}

void TSearch::DiscardLocations() {
    m_locations.reset();
}

TPlaceList& TSearch::LeafLocations() {
    if (!m_leafLocations) {
        m_leafLocations = std::make_unique<TPlaceList>();
        ExpandToLeaves(Locations(), *m_leafLocations);
    }
    return *m_leafLocations;
}

void TSearch::SetLeafLocations(TPlaceList places) {
    m_leafLocations = std::make_unique<TPlaceList>(std::move(places));
}

std::string TSearch::CategoryGroup() const {
    if (!Category)
        throw std::logic_error("TSearch.CategoryGroup: the search has no category");
    if (const TPlace* parent = Category->Parent())
        return parent->Name;
    return Category->Name;
}

void TSearch::MarkDeleted(const TEntry& entry) {
    // Copy before touching either list: entry may be an element of Results.
    auto copy = std::make_unique<TEntry>(entry);
    auto found = std::find_if(Results.begin(), Results.end(), [&](const auto& item) { return item.get() == &entry; });
    DeletedResults.push_back(std::move(copy));
    if (found != Results.end())
        Results.erase(found);
}

void TSearch::ResetResults(bool clear) {
    if (clear) {
        Results.clear();
        return;
    }
    for (const auto& entry : Results)
        entry->New = false;
    Results.NotifyAllChanged();
}

bool TSearch::AllChildrenChosen(const TPlace& place) const {
    return std::all_of(place.Children.begin(), place.Children.end(), [&](const TPlace* child) {
        return std::find(LocationsToSearch.begin(), LocationsToSearch.end(), child) != LocationsToSearch.end();
    });
}

namespace {

std::string WholeNumber(int value) {
    return std::to_string(value);
}

// Percent-encodes what would end the value or the link ("&", "#"), start another parameter
// ("="), or read as an escape ("%") or a space ("+"), and every byte outside printable ASCII.
// The quotes, brackets and bars of the keyword syntax stay readable; spaces become "+" with
// the rest of the link.
std::string QueryValue(std::string_view text) {
    static const QByteArray keptAsTyped = [] {
        QByteArray kept;
        for (char c = ' '; c <= '~'; ++c)
            if (std::string_view("%&#=+").find(c) == std::string_view::npos)
                kept += c;
        return kept;
    }();
    return QByteArray(text.data(), static_cast<qsizetype>(text.size())).toPercentEncoding(keptAsTyped).toStdString();
}

// An open bound (0) is sent as "min" or "max"; only a value that is exactly 0 is open.
std::string AskRange(const std::string& low, const std::string& high) {
    return "&minAsk=" + (low == "0" ? std::string("min") : low) +
           "&maxAsk=" + (high == "0" ? std::string("max") : high);
}

std::string CategoryExtras(const TSearch& search, const std::string& group) {
    std::string extras;
    if (group == "personals") {
        extras += AskRange(WholeNumber(search.MinAge), WholeNumber(search.MaxAge));
    } else if (group == "housing") {
        if (search.Bedrooms > 0)
            extras += "&bedrooms=" + WholeNumber(search.Bedrooms);
        extras += AskRange(FormatDecimal(search.MinRent), FormatDecimal(search.MaxRent));
        if (search.Cats)
            extras += "&addTwo=purrr";
        if (search.Dogs)
            extras += "&addThree=wooof";
    } else if (group == "for sale") {
        extras += AskRange(FormatDecimal(search.MinPrice), FormatDecimal(search.MaxPrice));
    } else if (group == "jobs") {
        if (search.Telecommuting)
            extras += "&addOne=telecommuting";
        if (search.Contract)
            extras += "&addTwo=contract";
        if (search.Internship)
            extras += "&addThree=internship";
        if (search.PartTime)
            extras += "&addFour=part-time";
        if (search.NonProfit)
            extras += "&addFive=non-profit";
    }
    return extras;
}

} // namespace

std::string TSearch::MakeSearchLink() const {
    if (!Category)
        throw std::logic_error("TSearch.MakeSearchLink: the search has no category");
    if (LocationIndex < 0 || static_cast<std::size_t>(LocationIndex) >= LocationsToSearch.size() ||
        !LocationsToSearch[static_cast<std::size_t>(LocationIndex)])
        throw std::logic_error("TSearch.MakeSearchLink: no location at the run's position");
    const TPlace& location = *LocationsToSearch[static_cast<std::size_t>(LocationIndex)];
    const bool neighbourhood = location.Level == 4;
    const TPlace* parent = neighbourhood ? location.Parent() : nullptr;
    if (neighbourhood && !parent)
        throw std::logic_error("TSearch.MakeSearchLink: a neighbourhood without its sub-area");
    const std::string& base = neighbourhood ? parent->Link : location.Link;

    std::string link = base;
    std::string sub = TokenFromRight(base, 2, '/', 0);
    if (sub.find('.') != std::string::npos)
        sub.clear();
    else
        link = "http://" + TokenFromRight(base, 3, '/', 0) + "/";
    link += "search/" + Category->Link;
    if (!sub.empty())
        link += "/" + sub;
    std::string keywords = QueryValue(PositiveKeywords);
    if (keywords.empty())
        keywords = "+";
    link += "?query=" + keywords;
    if (OnlyTitles)
        link += "&srchType=T";
    if (HasImage)
        link += "&hasPic=1";
    link += CategoryExtras(*this, CategoryGroup());
    if (Page > 1)
        link += "&s=" + WholeNumber((Page - 1) * 100);
    if (neighbourhood && !AllChildrenChosen(*parent))
        link += "&neighborhood=" + QueryValue(location.Link);
    link = ReplaceAll(link, " ", "+");
    WriteLog("TSearch.MakeSearchLink: " + link);
    return link;
}

void TSearch::Run(IResultsView* view) {
    if (!Idle || Parser)
        Stop();
    ResultsView = view;
    Fetcher->Options = Context().Fetch;
    Parser = new TOnResultsThread(this, Context().SiteDomain, Context().ParserPauseMs);
    Parser->Start();
    Idle = false;
    m_markersBeforeRun = std::move(LatestEntries);
    LatestEntries.clear();
    m_markedBeforeRun = NewResultsAvailable;
    FailedFetches.clear();
    if (view)
        NewResultsAvailable = false;
    FetchedLinks.clear();
    ExpandByDistance();
    LocationIndex = 0;
    Page = 1;
    RunNext();
}

void TSearch::Stop() {
    if (Parser) {
        Parser->Terminate();
        Parser->Search = nullptr;
        Parser = nullptr;
    }
    if (Fetcher)
        Fetcher->Cancel();
    const bool wasRunning = !Idle;
    Idle = true;
    if (wasRunning && OnIdle)
        OnIdle();
}

bool TSearch::StepLocation() {
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

void TSearch::RunNext() {
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
            Fetcher->Fetch(link);
            return;
        }
        if (!StepLocation()) {
            Stop();
            return;
        }
    }
}

void TSearch::AdvanceLocation() {
    if (StepLocation())
        RunNext();
    else
        Stop();
}

bool TSearch::AdvanceFromParser() {
    if (!StepLocation())
        return false;
    RunNext();
    return true;
}

void TSearch::PageFetched() {
    if (!Parser || !Fetcher)
        return;
    TOnResultsThread::TPage page;
    page.Text = Fetcher->PageText;
    page.Link = Fetcher->URL;
    page.View = ResultsView;
    page.LocationIndex = LocationIndex;
    page.Page = Page;
    if (LocationIndex >= 0 && static_cast<std::size_t>(LocationIndex) < LocationsToSearch.size()) {
        const TPlace* location = LocationsToSearch[static_cast<std::size_t>(LocationIndex)];
        if (location && location->Level == 4 && location->Parent())
            location = location->Parent();
        if (location)
            page.LocationText = location->FullName();
    }
    if (!Fetcher->Error.empty())
        KeepStateOfFailedLocation(page.LocationText);
    Parser->HandPage(std::move(page));
}

void TSearch::KeepStateOfFailedLocation(const std::string& location) {
    FailedFetches.push_back({location, Fetcher->URL, Fetcher->Error});
    // The site was not seen: nothing is known that could clear the mark.
    NewResultsAvailable = m_markedBeforeRun;
    if (Page != 1)
        return;
    // The marker made from this same first page stays; the parser adds none for it.
    for (const auto& marker : m_markersBeforeRun)
        if (marker->PageLink == Fetcher->URL) {
            auto kept = std::make_unique<TLatestEntry>(*marker);
            kept->LocationId = LocationIndex;
            LatestEntries.push_back(std::move(kept));
            return;
        }
}

namespace {

constexpr double DegreesToRadians = 0.017453292519943295;

} // namespace

bool TSearch::WithinDistance(const TPlace& a, const TPlace& b) const {
    if (&a == &b)
        return true;
    const double latA = a.Latitude * DegreesToRadians;
    const double lonA = a.Longitude * DegreesToRadians;
    const double latB = b.Latitude * DegreesToRadians;
    const double lonB = b.Longitude * DegreesToRadians;
    if (latA == 0 || lonA == 0 || latB == 0 || lonB == 0)
        return false;
    const double sinLat = std::sin((latB - latA) / 2);
    const double sinLon = std::sin((lonB - lonA) / 2);
    const double h = sinLat * sinLat + std::cos(latA) * std::cos(latB) * sinLon * sinLon;
    // Rounding can push h a little past 1 for places on opposite sides of the earth.
    const double d = 7912 * std::atan2(std::sqrt(std::min(h, 1.0)), std::sqrt(std::max(0.0, 1 - h)));
    return Distance >= d;
}

void TSearch::ExpandByDistance() {
    LocationsToSearch.clear();
    const TPlaces* table = Context().Places;
    if (!table) {
        // Without a place table only the leaf locations themselves can be searched.
        LocationsToSearch = LeafLocations();
        return;
    }
    for (const TPlace* leaf : LeafLocations())
        for (const auto& place : table->Items)
            if (WithinDistance(*leaf, *place))
                LocationsToSearch.push_back(place.get());
}
