// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <stdexcept>
#include <string>

#include "refdata/TPlace.h"

/// A command-line argument that names nothing, or more than one thing.
class TCliError final : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

/// A category by id, by the site's code (exact) or by name or full name (any case).
/// Throws TCliError for an unknown or ambiguous text.
const TPlace* FindCategory(const TPlaceItems& categories, const std::string& text);
/// A place by id, or by full name or name (any case). Throws TCliError.
const TPlace* FindPlace(const TPlaceItems& places, const std::string& text);
/// The records whose name contains text (any case), in table order.
TPlaceList FindContaining(const TPlaceItems& items, const std::string& text);
