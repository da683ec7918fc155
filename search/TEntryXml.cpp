// SPDX-License-Identifier: GPL-3.0-or-later
// Reading and writing result entries, favourites and latest-entry markers as elements of
// the searches file.
#include <pugixml.hpp>

#include "search/TEntry.h"
#include "search/TFavourite.h"
#include "search/TLatestEntry.h"
#include "search/XmlValues.h"

TEntry::TEntry(const pugi::xml_node& element) {
    Date = ReadXmlText(element, "date");
    Name = ReadXmlText(element, "name");
    Price = ReadXmlFloat(element, "price");
    Location = ReadXmlText(element, "location");
    Link = ReadXmlText(element, "link");
    HasImage = ReadXmlBool(element, "has_image");
    UpdateDay();
    Visited = ReadXmlBool(element, "visited");
    New = ReadXmlBool(element, "new");
}

void TEntry::SaveToXml(pugi::xml_node element) const {
    WriteXmlText(element, "date", Date.str());
    WriteXmlText(element, "name", Name);
    WriteXmlFloat(element, "price", Price);
    WriteXmlText(element, "location", Location);
    WriteXmlText(element, "link", Link);
    WriteXmlBool(element, "has_image", HasImage);
    WriteXmlBool(element, "visited", Visited);
    WriteXmlBool(element, "new", New);
}

TFavourite::TFavourite(const pugi::xml_node& element) : TEntry(element), Note(ReadXmlText(element, "note")) {}

void TFavourite::SaveToXml(pugi::xml_node element) const {
    TEntry::SaveToXml(element);
    WriteXmlText(element, "note", Note);
}

TLatestEntry::TLatestEntry(const pugi::xml_node& element)
    : LocationId(ReadXmlInt(element, "location_id")), PageLink(ReadXmlText(element, "page_link")),
      EntryLink(ReadXmlText(element, "entry_link")) {}

void TLatestEntry::SaveToXml(pugi::xml_node element) const {
    WriteXmlInt(element, "location_id", LocationId);
    WriteXmlText(element, "page_link", PageLink);
    WriteXmlText(element, "entry_link", EntryLink);
}
