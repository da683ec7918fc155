// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

#include "search/TEntry.h"

/// A posting the user keeps, with the user's note. Owned by TSearch::Favourites; used on the
/// user-interface thread.
class TFavourite final : public TEntry {
public:
    TFavourite() = default;
    /// Takes the entry's fields as TEntry::Assign copies them; the note starts empty.
    explicit TFavourite(const TEntry& entry) : TEntry(entry) {}
    /// From a "fav" element of the searches file: the entry's children and "note".
    explicit TFavourite(const pugi::xml_node& element);

    /// The entry's children, then the note.
    void SaveToXml(pugi::xml_node element) const override;

    std::string Note;
};
