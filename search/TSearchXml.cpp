// SPDX-License-Identifier: GPL-3.0-or-later
// Reading and writing a search as an element of the searches file.
#include <cmath>
#include <limits>

#include <pugixml.hpp>

#include "core/Log.h"
#include "refdata/TCategories.h"
#include "refdata/TPlaces.h"
#include "search/TCategoryGroup.h"
#include "search/TSearch.h"
#include "search/XmlValues.h"

namespace {

/// The generic slots that hold the extras of the search's category group.
struct TCategorySlots {
    double Min = 0;
    double Max = 0;
    int Baths = 0;
    bool Check[CheckSlotCount] = {false, false, false, false, false};
};

const char* const CheckNames[CheckSlotCount] = {"add_check1", "add_check2", "add_check3", "add_check4", "add_check5"};

int RoundToInt(double value) {
    const double rounded = std::nearbyint(value);
    if (rounded < std::numeric_limits<int>::min() || rounded > std::numeric_limits<int>::max())
        throw TXmlValueError("Age out of range");
    return static_cast<int>(rounded);
}

// Converting a double beyond the range of float is undefined behaviour, not infinity.
float ToFloat(double value, const char* name) {
    if (std::fabs(value) > std::numeric_limits<float>::max())
        throw TXmlValueError(std::string("Out of range for \"") + name + "\"");
    return static_cast<float>(value);
}

TCategorySlots ReadSlots(const pugi::xml_node& element) {
    TCategorySlots slots;
    slots.Min = ReadXmlFloat(element, "add_min");
    slots.Max = ReadXmlFloat(element, "add_max");
    slots.Baths = ReadXmlInt(element, "add_baths");
    for (std::size_t i = 0; i < CheckSlotCount; ++i)
        slots.Check[i] = ReadXmlBool(element, CheckNames[i]);
    return slots;
}

void WriteSlots(pugi::xml_node& element, const TCategorySlots& slots) {
    WriteXmlFloat(element, "add_min", slots.Min);
    WriteXmlFloat(element, "add_max", slots.Max);
    WriteXmlInt(element, "add_baths", slots.Baths);
    for (std::size_t i = 0; i < CheckSlotCount; ++i)
        WriteXmlBool(element, CheckNames[i], slots.Check[i]);
}

// Ids that find no place are set apart rather than dropped: the place table may be the
// one at fault, and the next save must not lose them.
TPlaceList ReadLocations(const pugi::xml_node& element, const TPlaces* places, std::vector<int>& unknownIds) {
    TPlaceList locations;
    for (const pugi::xml_node& child : RequiredChild(element, "search_locations").children()) {
        if (child.type() != pugi::node_element)
            continue;
        const int id = ParseXmlInt(child.text().get());
        if (TPlace* place = places ? places->FindById(id) : nullptr)
            locations.push_back(place);
        else
            unknownIds.push_back(id);
    }
    return locations;
}

template <typename List, typename Item> void ReadList(const pugi::xml_node& element, const char* name, List& list) {
    for (const pugi::xml_node& child : RequiredChild(element, name).children())
        if (child.type() == pugi::node_element)
            list.push_back(std::make_unique<Item>(child));
}

template <typename List>
void WriteList(pugi::xml_node& element, const char* name, const char* itemName, const List& list) {
    pugi::xml_node container = element.append_child(name);
    for (const auto& item : list)
        item->SaveToXml(container.append_child(itemName));
}

const TGroupSlots& GroupSlotsOf(const TSearch& search) {
    return SlotsOfGroup(search.Category ? CategoryGroupOf(*search.Category) : TCategoryGroup::Other);
}

// A whole field (the ages) takes the slot's value rounded.
double RangeValue(const TNumberField& field, double value) {
    return field.IsWhole() ? RoundToInt(value) : value;
}

// The reader assigns the slots to the fields of the group of the category it has read.
void AssignSlots(TSearch& search, const TCategorySlots& slots) {
    const TGroupSlots& group = GroupSlotsOf(search);
    if (group.HasRange()) {
        group.Min.Assign(search, RangeValue(group.Min, slots.Min));
        group.Max.Assign(search, RangeValue(group.Max, slots.Max));
    }
    if (group.Baths.Field)
        search.*group.Baths.Field = slots.Baths;
    for (std::size_t i = 0; i < CheckSlotCount; ++i)
        if (group.Checks[i].Field)
            search.*group.Checks[i].Field = slots.Check[i];
}

// Only the current group's fields are written; unused slots hold 0.
TCategorySlots SlotsOf(const TSearch& search) {
    const TGroupSlots& group = GroupSlotsOf(search);
    TCategorySlots slots;
    slots.Min = group.Min.Value(search);
    slots.Max = group.Max.Value(search);
    if (group.Baths.Field)
        slots.Baths = search.*group.Baths.Field;
    for (std::size_t i = 0; i < CheckSlotCount; ++i)
        slots.Check[i] = group.Checks[i].Field && search.*group.Checks[i].Field;
    return slots;
}

// The five other advanced texts are looked for only when the first one is there.
void ReadAdvancedKeywords(TSearch& search, const pugi::xml_node& element) {
    if (!element.child("adv_all_these"))
        return;
    search.AdvAllThese = ReadXmlText(element, "adv_all_these");
    search.AdvExact = ReadXmlText(element, "adv_exact");
    search.AdvOr1 = ReadXmlText(element, "adv_or1");
    search.AdvOr2 = ReadXmlText(element, "adv_or2");
    search.AdvOr3 = ReadXmlText(element, "adv_or3");
    search.AdvNoneOfThese = ReadXmlText(element, "adv_none_of_these");
}

} // namespace

TSearch::TSearch(const pugi::xml_node& element, const TSearchContext* context) : TSearch(context) {
    WriteLog("constructor TSearch.Create(_XMLNode: IXMLNode);");
    UserId = ReadXmlInt(element, "user_id");
    SearchId = ReadXmlInt(element, "srch_id");
    FolderId = ReadXmlInt(element, "fld_id");
    Name = ReadXmlText(element, "srch_name");
    WriteLog("Search ID is: " + std::to_string(SearchId));
    // Reading restores the stored list: no change for the account database.
    m_locations = std::make_unique<TPlaceList>(ReadLocations(element, Context().Places, UnknownLocationIds));
    const int categoryId = ReadXmlInt(element, "cat_id");
    Category = Context().Categories ? Context().Categories->FindById(categoryId) : nullptr;
    PositiveKeywords = ReadXmlText(element, "pos_keywords");
    NegativeKeywords = ReadXmlText(element, "neg_keywords");
    OnlyTitles = ReadXmlBool(element, "only_titles");
    HasImage = ReadXmlBool(element, "has_image");
    if (element.child("distance"))
        Distance = ReadXmlInt(element, "distance");
    FilterKeywords = ReadXmlText(element, "filter_keywords");
    FilterOr = ReadXmlBool(element, "filter_or");
    FilterDays = ReadXmlInt(element, "filter_days");
    AssignSlots(*this, ReadSlots(element));
    ReadAdvancedKeywords(*this, element);
    NotifySms = ReadXmlBool(element, "notify");
    NotifyEmail = ReadXmlBool(element, "notify_email");
    NotifyEmailDigest = ReadXmlBool(element, "notify_email_digest");
    KeepOldResults = ReadXmlBool(element, "keep_old_results");
    SelectedEntry = ReadXmlText(element, "entry_selected");
    ShowPreview = ReadXmlBool(element, "show_preview");
    PreviewHeightRatio = ToFloat(ReadXmlFloat(element, "preview_height_ratio"), "preview_height_ratio");
    ReadList<TFavouriteList, TFavourite>(element, "favourites", Favourites);
    ReadList<TLatestEntryList, TLatestEntry>(element, "latest_entries", LatestEntries);
    NewResultsAvailable = ReadXmlBool(element, "new_results_available");
    ReadList<TEntryList, TEntry>(element, "search_results", Results);
    ReadList<TEntryList, TEntry>(element, "deleted_results", DeletedResults);
}

void TSearch::WriteXml(pugi::xml_document& document, int userId) {
    pugi::xml_node root = document.document_element();
    if (!root)
        root = document.append_child("searches");
    pugi::xml_node element = root.append_child(("search" + std::to_string(SearchId)).c_str());
    WriteXmlInt(element, "user_id", userId);
    WriteXmlInt(element, "srch_id", SearchId);
    WriteXmlInt(element, "fld_id", FolderId);
    WriteXmlText(element, "srch_name", Name.str());
    pugi::xml_node locations = element.append_child("search_locations");
    for (const TPlace* place : Locations())
        WriteXmlInt(locations, "loc_id", place->Id);
    for (const int id : UnknownLocationIds)
        WriteXmlInt(locations, "loc_id", id);
    WriteXmlInt(element, "cat_id", Category ? Category->Id : 0);
    WriteXmlText(element, "pos_keywords", PositiveKeywords);
    WriteXmlText(element, "neg_keywords", NegativeKeywords);
    WriteXmlBool(element, "only_titles", OnlyTitles);
    WriteXmlBool(element, "has_image", HasImage);
    WriteXmlInt(element, "distance", Distance);
    WriteXmlText(element, "filter_keywords", FilterKeywords);
    WriteXmlBool(element, "filter_or", FilterOr);
    WriteXmlInt(element, "filter_days", FilterDays);
    WriteSlots(element, SlotsOf(*this));
    WriteXmlText(element, "adv_all_these", AdvAllThese);
    WriteXmlText(element, "adv_exact", AdvExact);
    WriteXmlText(element, "adv_or1", AdvOr1);
    WriteXmlText(element, "adv_or2", AdvOr2);
    WriteXmlText(element, "adv_or3", AdvOr3);
    WriteXmlText(element, "adv_none_of_these", AdvNoneOfThese);
    WriteXmlBool(element, "notify", NotifySms);
    WriteXmlBool(element, "notify_email", NotifyEmail);
    WriteXmlBool(element, "notify_email_digest", NotifyEmailDigest);
    WriteXmlBool(element, "keep_old_results", KeepOldResults);
    WriteXmlText(element, "entry_selected", SelectedEntry);
    WriteXmlBool(element, "show_preview", ShowPreview);
    WriteXmlFloat32(element, "preview_height_ratio", PreviewHeightRatio);
    WriteList(element, "favourites", "fav", Favourites);
    WriteList(element, "latest_entries", "latest_entry", LatestEntries);
    WriteXmlBool(element, "new_results_available", NewResultsAvailable);
    WriteList(element, "search_results", "entry", Results);
    WriteList(element, "deleted_results", "entry", DeletedResults);
}
