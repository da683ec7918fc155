// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "refdata/TPlace.h"

/// The place table: every location of the site, loaded from "Places.tx". Built on the
/// sign-in thread, then read without locks by the user-interface and parser threads.
class TPlaces final {
public:
    /// Loads the table. A missing or unreadable file throws TReadError; a record cut short
    /// keeps the records before it and leaves its message in ReadWarning.
    explicit TPlaces(const std::string& path);
    TPlaces(const TPlaces&) = delete;
    TPlaces& operator=(const TPlaces&) = delete;

    TPlaceItems Items;
    /// Countries in display order: "united states", "canada", "UK", then file order.
    TPlaceList Roots;
    /// The read error to show the user when the file ended early; empty otherwise.
    std::string ReadWarning;

    /// The first record with that id; 2369 is looked up as 1686.
    TPlace* FindById(int id) const;
};
