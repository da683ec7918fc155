// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <span>
#include <string>

class TPlace;
class TSearch;

/// The group of a category, named after the main categories whose searches have extras;
/// every other main category (community, services, gigs, ...) is Other and has none.
enum class TCategoryGroup { Other, Personals, Housing, ForSale, Jobs };

/// The name a category's group is decided by: its parent's name, or its own for a main
/// category. Only the direct parent counts.
const std::string& CategoryGroupName(const TPlace& category);
/// The group whose main category bears CategoryGroupName exactly (letter case included);
/// Other for any other name.
TCategoryGroup CategoryGroupOf(const TPlace& category);

/// A number of the search that a range slot holds: a whole one (ages) or a decimal one
/// (rents, prices). Empty when the group has no range.
class TNumberField {
public:
    constexpr TNumberField() = default;
    constexpr TNumberField(int TSearch::*whole) : m_whole(whole) {}
    constexpr TNumberField(double TSearch::*decimal) : m_decimal(decimal) {}

    explicit operator bool() const { return m_whole || m_decimal; }
    bool IsWhole() const { return m_whole != nullptr; }
    double Value(const TSearch& search) const;
    /// A whole field takes value as it is cut to an int: round and range-check it first.
    void Assign(TSearch& search, double value) const;

private:
    int TSearch::*m_whole = nullptr;
    double TSearch::*m_decimal = nullptr;
};

/// A whole number of the search in the "add_baths" slot.
struct TWholeSlot {
    int TSearch::*Field = nullptr;
    /// The field's short name: the command-line option, and the link parameter it is sent
    /// as when above 0.
    const char* Name = nullptr;
};

/// A flag of the search in one of the "add_check" slots.
struct TCheckSlot {
    bool TSearch::*Field = nullptr;
    /// The field's short name, as the command line spells its option.
    const char* Name = nullptr;
    /// A set flag adds "&<Parameter>=<Value>" to a results link.
    const char* Parameter = nullptr;
    const char* Value = nullptr;
};

inline constexpr std::size_t CheckSlotCount = 5;

/// How one group's extras fill the generic slots that the searches file and the account
/// database keep for every search ("add_min", "add_max", "add_baths", "add_check1" to
/// "add_check5"), and what they add to a results link: the bedrooms, then the range as
/// "&minAsk=" and "&maxAsk=" (an open bound, 0, as "min" or "max"), then the set flags in
/// slot order. A slot without a field is not used by the group.
struct TGroupSlots {
    TCategoryGroup Group = TCategoryGroup::Other;
    /// Name of the group's main category.
    const char* Name = "";
    TNumberField Min;
    TNumberField Max;
    TWholeSlot Baths;
    std::array<TCheckSlot, CheckSlotCount> Checks{};

    bool HasRange() const { return static_cast<bool>(Min); }
};

/// The slots of group; those of Other use nothing.
const TGroupSlots& SlotsOfGroup(TCategoryGroup group);
/// Every group that has extras, in the order of the main categories.
std::span<const TGroupSlots> GroupsWithExtras();
