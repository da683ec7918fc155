// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <string_view>
#include <utility>

namespace pugi {
class xml_node;
}

/// The newest posting a run saw for one location: the background check compares the site's
/// topmost posting with it. Made during a run, owned by TSearch::LatestEntries.
class TLatestEntry final {
public:
    TLatestEntry() = default;
    TLatestEntry(int locationId, std::string_view entryLink, std::string pageLink)
        : LocationId(locationId), PageLink(std::move(pageLink)), EntryLink(entryLink) {}
    /// From a "latest_entry" element of the searches file; throws TXmlValueError when a
    /// child is missing or does not convert.
    explicit TLatestEntry(const pugi::xml_node& element);

    /// Appends the marker's children to a "latest_entry" element.
    void SaveToXml(pugi::xml_node element) const;

    /// 0-based position of the location in the run's TSearchRun::LocationsToSearch.
    int LocationId = 0;
    /// The first results page fetched for that location.
    std::string PageLink;
    /// Whole link of the first posting on that page that was not a deleted result.
    std::string EntryLink;
};
