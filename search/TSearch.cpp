// SPDX-License-Identifier: GPL-3.0-or-later
#include "search/TSearch.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>
#include <unordered_map>
#include <string_view>

#include <QByteArray>

#include "core/Log.h"
#include "core/TextHelpers.h"
#include "refdata/TPlaces.h"
#include "search/SiteInterface.h"
#include "search/TCategoryGroup.h"
#include "search/TSearchRun.h"

TSearch::TSearch(const TSearchContext* context)
    : m_context(context), m_locations(std::make_unique<TPlaceList>()), m_run(std::make_unique<TSearchRun>(*this)) {}

const TSearchContext& TSearch::Context() const {
    static const TSearchContext defaults;
    return m_context ? *m_context : defaults;
}

TSearch::~TSearch() = default;

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
    return CategoryGroupName(*Category);
}

void TSearch::MarkDeleted(const TEntry& entry) {
    // Copy before touching either list: entry may be an element of Results.
    auto copy = std::make_unique<TEntry>(entry);
    auto found = std::find_if(Results.begin(), Results.end(), [&](const auto& item) { return item.get() == &entry; });
    DeletedResults.push_back(std::move(copy));
    if (found != Results.end())
        Results.erase(found);
}

void TSearch::MarkDeleted(const std::vector<const TEntry*>& entries) {
    std::unordered_map<const TEntry*, std::size_t> rowOf;
    rowOf.reserve(Results.size());
    for (std::size_t row = 0; row < Results.size(); ++row)
        rowOf.emplace(Results[row].get(), row);
    std::vector<std::size_t> rows;
    rows.reserve(entries.size());
    for (const TEntry* entry : entries) {
        DeletedResults.push_back(std::make_unique<TEntry>(*entry));
        if (const auto found = rowOf.find(entry); found != rowOf.end()) {
            rows.push_back(found->second);
            rowOf.erase(found);
        }
    }
    std::sort(rows.begin(), rows.end());
    Results.EraseRows(rows);
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

namespace {

/// Every child of place is in locations (true for a place without children).
bool AllChildrenChosen(const TPlace& place, const TPlaceList& locations) {
    return std::all_of(place.Children.begin(), place.Children.end(), [&](const TPlace* child) {
        return std::find(locations.begin(), locations.end(), child) != locations.end();
    });
}

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

std::string RangeBound(const TNumberField& field, const TSearch& search) {
    const double value = field.Value(search);
    return field.IsWhole() ? WholeNumber(static_cast<int>(value)) : FormatDecimal(value);
}

std::string CategoryExtras(const TSearch& search) {
    const TGroupSlots& group = SlotsOfGroup(CategoryGroupOf(*search.Category));
    std::string extras;
    if (group.Baths.Field && search.*group.Baths.Field > 0)
        extras += "&" + std::string(group.Baths.Name) + "=" + WholeNumber(search.*group.Baths.Field);
    if (group.HasRange())
        extras += AskRange(RangeBound(group.Min, search), RangeBound(group.Max, search));
    for (const TCheckSlot& check : group.Checks)
        if (check.Field && search.*check.Field)
            extras += "&" + std::string(check.Parameter) + "=" + check.Value;
    return extras;
}

} // namespace

std::string TSearch::MakeSearchLink(const TPlaceList& locationsToSearch, int locationIndex, int page) const {
    if (!Category)
        throw std::logic_error("TSearch.MakeSearchLink: the search has no category");
    if (locationIndex < 0 || static_cast<std::size_t>(locationIndex) >= locationsToSearch.size() ||
        !locationsToSearch[static_cast<std::size_t>(locationIndex)])
        throw std::logic_error("TSearch.MakeSearchLink: no location at the run's position");
    const TPlace& location = *locationsToSearch[static_cast<std::size_t>(locationIndex)];
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
    link += CategoryExtras(*this);
    if (page > 1)
        link += "&s=" + WholeNumber((page - 1) * 100);
    if (neighbourhood && !AllChildrenChosen(*parent, locationsToSearch))
        link += "&neighborhood=" + QueryValue(location.Link);
    link = ReplaceAll(link, " ", "+");
    WriteLog("TSearch.MakeSearchLink: " + link);
    return link;
}

void TSearch::Run(IResultsView* view) {
    m_run->Run(view);
}

void TSearch::Stop() {
    m_run->Stop();
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
