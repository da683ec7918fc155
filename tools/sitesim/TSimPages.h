// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <vector>

#include "TSimCatalog.h"

/// What one results page shows.
struct TSimResultsPage {
    const TSimSite* Site = nullptr;
    const TSimCategory* Category = nullptr;
    const TSimSearch* Search = nullptr;
    /// Every local match, newest first; the page shows 100 from Offset.
    std::vector<const TSimPosting*> Postings;
    size_t Offset = 0;
    /// Results of a nearby site shown after the few local ones, with its host name.
    std::vector<const TSimPosting*> Nearby;
    std::string NearbyHost;
};

/// Renders the simulated site's pages in the site's markup of 2009/2010. Stateless.
class TSimPages final {
public:
    static constexpr size_t PageSize = 100;

    static std::string Results(const TSimResultsPage& page, const TSimCatalog& catalog);
    static std::string NothingFound(const TSimResultsPage& page);
    static std::string Posting(const TSimPosting& posting, const TSimSite& site, const TSimCatalog& catalog);
    /// The page of a removed posting (Removal is not None).
    static std::string Removed(const TSimPosting& posting, const TSimSite& site);
    static std::string NotFound();
    static std::string SiteFront(const TSimSite& site, const TSimCatalog& catalog);
    static std::string FlagDone(const std::string& postingId);
    static std::string Banner();
    static std::string Help();
    static std::string MakerHome();
    static std::string Escape(const std::string& text);
    /// "Apr 18", "Apr  9".
    static std::string ListDate(long long time);
};
