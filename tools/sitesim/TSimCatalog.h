// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <deque>
#include <map>
#include <optional>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

/// How a posting's page shows that it is gone.
enum class TRemoval { None, Deleted, Flagged, Expired, NotFound };

/// One posting of the simulated site.
struct TSimPosting {
    long long Id = 0;
    std::string Site;
    /// Sub-area code, empty for a site without sub-areas or a site-wide posting.
    std::string SubArea;
    /// Neighbourhood code, empty when none.
    std::string Neighborhood;
    std::string Category;
    std::string Title;
    /// Shown in brackets after the title; empty for none.
    std::string Place;
    std::string Body;
    /// Asking price; below 0 for none.
    double Price = -1;
    /// Age for personals; below 0 for none.
    int Age = -1;
    int Bedrooms = 0;
    /// "", "pic", "img" or "pic&nbsp;img".
    std::string ImageMarker;
    /// Search flags the posting carries: "telecommuting", "contract", "internship",
    /// "part-time", "non-profit", "purrr" (cats ok), "wooof" (dogs ok).
    std::vector<std::string> Attributes;
    /// Seconds since the epoch.
    long long Time = 0;
    TRemoval Removal = TRemoval::None;
    /// Lower-case words of the title, and of title and body, for the keyword search;
    /// filled when the posting enters the catalog.
    std::vector<std::string> TitleWords;
    std::vector<std::string> TextWords;

    bool HasPic() const { return !ImageMarker.empty(); }
};

struct TSimCategory {
    std::string Code;
    std::string Name;
    /// Code of the main category; empty for a main category.
    std::string Parent;
    int Index = 0;
};

struct TSimNeighborhood {
    std::string Code;
    std::string Name;
};

struct TSimSubArea {
    std::string Code;
    std::string Name;
    std::vector<TSimNeighborhood> Neighborhoods;
};

struct TSimSite {
    std::string Key;
    std::string Name;
    double Latitude = 0;
    double Longitude = 0;
    bool HasCoordinates = false;
    int Index = 0;
    std::vector<TSimSubArea> SubAreas;
};

/// The criteria of one results page request.
struct TSimSearch {
    std::string Site;
    std::string SubArea;
    std::string Category;
    std::string Query;
    std::string Neighborhood;
    bool TitlesOnly = false;
    bool HasPic = false;
    std::optional<double> MinAsk;
    std::optional<double> MaxAsk;
    int Bedrooms = 0;
    std::vector<std::string> Attributes;
};

/// The sites, categories and postings of the simulated site. Postings are generated from
/// the seed per (site, category) when first needed and kept. Not thread-safe: the owner
/// serialises every call.
class TSimCatalog final {
public:
    /// Reads places.csv and categories.csv from refDataFolder. now: the time of the
    /// newest generated posting (seconds since the epoch). Throws std::runtime_error when
    /// the tables cannot be read.
    TSimCatalog(unsigned long long seed, const std::string& refDataFolder, long long now);

    const TSimSite* FindSite(const std::string& key) const;
    const TSimCategory* FindCategory(const std::string& code) const;
    const std::vector<TSimCategory>& Categories() const { return m_categories; }
    const std::vector<TSimSite>& Sites() const { return m_sites; }
    /// The closest other site with coordinates, or null.
    const TSimSite* NearestSite(const TSimSite& site) const;

    /// Every matching posting, newest first.
    std::vector<const TSimPosting*> Search(const TSimSearch& search);
    TSimPosting* FindPosting(long long id);
    /// Adds a posting newer than every other; fills Id and Time. Throws
    /// std::invalid_argument for an unknown site, sub-area or category.
    const TSimPosting& Add(TSimPosting posting);
    /// Site-relative link: "/sub/cat/ID.html" or "/cat/ID.html".
    static std::string Link(const TSimPosting& posting);

private:
    void ReadPlaces(const std::string& path);
    void ReadCategories(const std::string& path);
    std::vector<TSimPosting>& Cell(const TSimSite& site, const TSimCategory& category);
    std::vector<TSimPosting> Generate(const TSimSite& site, const TSimCategory& category) const;
    std::vector<const TSimCategory*> Leaves(const TSimCategory& category) const;
    bool Accepts(const TSimPosting& posting, const TSimSearch& search, const class TKeywordQuery& query) const;

    unsigned long long m_seed;
    long long m_now;
    long long m_addedCount = 0;
    std::vector<TSimSite> m_sites;
    std::unordered_map<std::string, size_t> m_siteByKey;
    std::vector<TSimCategory> m_categories;
    std::unordered_map<std::string, size_t> m_categoryByCode;
    std::map<std::pair<int, int>, std::vector<TSimPosting>> m_cells;
    std::deque<TSimPosting> m_added;
};
