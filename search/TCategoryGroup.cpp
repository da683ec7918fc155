// SPDX-License-Identifier: GPL-3.0-or-later
#include "search/TCategoryGroup.h"

#include <algorithm>

#include "refdata/TPlace.h"
#include "search/TSearch.h"

namespace {

const std::array<TGroupSlots, 4> GroupTable = {{
    {TCategoryGroup::Personals, "personals", &TSearch::MinAge, &TSearch::MaxAge, {}, {}},
    {TCategoryGroup::Housing,
     "housing",
     &TSearch::MinRent,
     &TSearch::MaxRent,
     {&TSearch::Bedrooms, "bedrooms"},
     {{{&TSearch::Cats, "cats", "addTwo", "purrr"}, {&TSearch::Dogs, "dogs", "addThree", "wooof"}}}},
    {TCategoryGroup::ForSale, "for sale", &TSearch::MinPrice, &TSearch::MaxPrice, {}, {}},
    {TCategoryGroup::Jobs,
     "jobs",
     {},
     {},
     {},
     {{{&TSearch::Telecommuting, "telecommuting", "addOne", "telecommuting"},
       {&TSearch::Contract, "contract", "addTwo", "contract"},
       {&TSearch::Internship, "internship", "addThree", "internship"},
       {&TSearch::PartTime, "part-time", "addFour", "part-time"},
       {&TSearch::NonProfit, "non-profit", "addFive", "non-profit"}}}},
}};

} // namespace

double TNumberField::Value(const TSearch& search) const {
    if (m_whole)
        return search.*m_whole;
    return m_decimal ? search.*m_decimal : 0;
}

void TNumberField::Assign(TSearch& search, double value) const {
    if (m_whole)
        search.*m_whole = static_cast<int>(value);
    else if (m_decimal)
        search.*m_decimal = value;
}

const std::string& CategoryGroupName(const TPlace& category) {
    if (const TPlace* parent = category.Parent())
        return parent->Name;
    return category.Name;
}

TCategoryGroup CategoryGroupOf(const TPlace& category) {
    const std::string& name = CategoryGroupName(category);
    const auto found = std::find_if(GroupTable.begin(), GroupTable.end(),
                                    [&](const TGroupSlots& slots) { return name == slots.Name; });
    return found == GroupTable.end() ? TCategoryGroup::Other : found->Group;
}

const TGroupSlots& SlotsOfGroup(TCategoryGroup group) {
    static const TGroupSlots none;
    const auto found = std::find_if(GroupTable.begin(), GroupTable.end(),
                                    [&](const TGroupSlots& slots) { return slots.Group == group; });
    return found == GroupTable.end() ? none : *found;
}

std::span<const TGroupSlots> GroupsWithExtras() {
    return GroupTable;
}
