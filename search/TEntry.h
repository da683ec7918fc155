// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "search/TBoundedText.h"
#include "search/TObservedList.h"

namespace pugi {
class xml_node;
}

/// One posting found on a results page. Identified by its whole Link alone, compared
/// exactly. Made on the parser thread, then owned by a list of a search and
/// used on the user-interface thread.
class TEntry {
public:
    static constexpr std::size_t DateCapacity = 15;

    TEntry() = default;
    /// From the values the page parser reads; Month and Day are derived from the date.
    TEntry(std::string_view date, std::string title, std::string_view link, double price, std::string location,
           bool hasImage);
    /// Plain construction followed by Assign: the copy keeps the visited and new marks.
    TEntry(const TEntry& source);
    TEntry& operator=(const TEntry& source);
    virtual ~TEntry() = default;
    /// From an "entry" element of the searches file; throws TXmlValueError when a child is
    /// missing or does not convert.
    explicit TEntry(const pugi::xml_node& element);

    /// The posting's date as the page shows it ("Mar 5").
    TBoundedText<DateCapacity> Date;
    /// The title line as cleaned by the parser.
    std::string Name;
    /// -1 until filled; the parser stores 0 for a title without a price.
    double Price = -1;
    /// Full name of the location the posting was found in.
    std::string Location;
    /// Absolute link of the posting, whole: postings differ only at its end.
    std::string Link;
    bool HasImage = false;
    /// 1 to 12, 0 when the date's month word is no month. Derived from Date by UpdateDay.
    int Month = 0;
    /// Day of the month, -1 when the date has no day number. Derived from Date by UpdateDay.
    int Day = 0;
    bool Visited = false;
    /// Not among the search's results when the run that found it started.
    bool New = true;

    /// Copies every field of source (Month and Day derived again).
    void Assign(const TEntry& source);
    /// Derives Month and Day from Date.
    void UpdateDay();
    /// Appends the entry's children to element (an "entry" or "fav" element).
    virtual void SaveToXml(pugi::xml_node element) const;
};

/// The results and the deleted results of a search.
using TEntryList = TObservedList<TEntry>;

/// The first entry of list whose Link equals link, or nullptr.
TEntry* FindEntryByLink(const TEntryList* list, std::string_view link);
TEntry* FindEntryByLink(const TEntryList& list, std::string_view link);
