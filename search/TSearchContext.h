// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <functional>
#include <string>

#include "refdata/TPlace.h"
#include "search/TBrowser.h"

class TCategories;
class TPlaces;
class TSearch;

/// What searches take from the program around them: the site's domain suffix, how pages
/// are fetched and parsed, the reference tables and how a saved search's locations are
/// read back. The session owns one and hands it to every search it makes; a search
/// without one uses these defaults (no tables, nothing to read back). User-interface
/// thread.
struct TSearchContext {
    std::string SiteDomain = ".craigslist.org";
    TFetchOptions Fetch;
    /// Pause after each posting while parsing, in milliseconds.
    int ParserPauseMs = 100;
    /// The tables while signed in (not owned); null before the sign-in has loaded them.
    const TPlaces* Places = nullptr;
    const TCategories* Categories = nullptr;
    /// Reads a saved search's chosen locations back from the account database into list;
    /// unset means there is nothing to read back.
    std::function<void(TSearch& search, TPlaceList& list)> LocationsLoader;
};
