// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "refdata/TPlace.h"

/// The category table, loaded from "Categories.tx": main categories (level 1) and their
/// sub-categories; TPlace::Link holds the site's category code. Read-only once loaded.
class TCategories final {
public:
    /// Loads the table; any read error, a record cut short included, throws TReadError.
    explicit TCategories(const std::string& path);
    TCategories(const TCategories&) = delete;
    TCategories& operator=(const TCategories&) = delete;

    TPlaceItems Items;
    /// Main categories in file order.
    TPlaceList Roots;

    TPlace* FindById(int id) const { return FindRecordById(Items, id); }
};
