// SPDX-License-Identifier: GPL-3.0-or-later
#include "search/TSearch.h"

#include <algorithm>
#include <stdexcept>

#include "core/Log.h"
#include "core/TextHelpers.h"

std::function<void(TSearch& search, TPlaceList& list)> TSearch::LocationsLoader;

TSearch::TSearch() : m_locations(std::make_unique<TPlaceList>()) {}

TSearch::~TSearch() = default;

TPlaceList& TSearch::Locations() {
    if (!m_locations) {
        m_locations = std::make_unique<TPlaceList>();
        if (SearchId > 0 && LocationsLoader)
            LocationsLoader(*this, *m_locations);
    }
    return *m_locations;
}

void TSearch::SetLocations(TPlaceList places) {
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
    std::string keywords = ReplaceAll(PositiveKeywords, "+", "%2B");
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
        link += "&neighborhood=" + location.Link;
    link = ReplaceAll(link, " ", "+");
    WriteLog("TSearch.MakeSearchLink: " + link);
    return link;
}
