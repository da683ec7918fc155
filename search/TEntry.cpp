// SPDX-License-Identifier: GPL-3.0-or-later
#include "search/TEntry.h"

#include <utility>

#include "core/TextHelpers.h"

TEntry::TEntry(std::string_view date, std::string title, std::string_view link, double price, std::string location,
               bool hasImage)
    : Date(date), Name(std::move(title)), Price(price), Location(std::move(location)), Link(link), HasImage(hasImage) {
    UpdateDay();
}

TEntry::TEntry(const TEntry& source) {
    Assign(source);
}

TEntry& TEntry::operator=(const TEntry& source) {
    if (this != &source)
        Assign(source);
    return *this;
}

void TEntry::Assign(const TEntry& source) {
    Date = source.Date;
    Name = source.Name;
    Price = source.Price;
    Location = source.Location;
    Link = source.Link;
    HasImage = source.HasImage;
    UpdateDay();
    Visited = source.Visited;
    New = source.New;
}

void TEntry::UpdateDay() {
    const TPostingDate parts = SplitPostingDate(Date.str());
    Month = MonthNumber(parts.Month);
    Day = parts.Day;
}

TEntry* FindEntryByLink(const TEntryList* list, std::string_view link) {
    return list ? FindEntryByLink(*list, link) : nullptr;
}

TEntry* FindEntryByLink(const TEntryList& list, std::string_view link) {
    for (const auto& entry : list)
        if (entry && entry->Link == link)
            return entry.get();
    return nullptr;
}
