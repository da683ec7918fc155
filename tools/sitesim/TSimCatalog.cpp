// SPDX-License-Identifier: GPL-3.0-or-later
#include "TSimCatalog.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <fstream>
#include <stdexcept>
#include <unordered_set>

#include "TKeywordQuery.h"

namespace {

constexpr long long GeneratedIdBase = 1000000000LL;
constexpr long long SiteIdSpan = 1000000LL;
constexpr long long CategoryIdSpan = 5000LL;
constexpr long long AddedIdBase = 2000000000LL;

/// A small, portable generator: the same seed gives the same postings everywhere.
class TRandom final {
public:
    explicit TRandom(unsigned long long seed) : m_state(seed) {}
    unsigned long long Next() {
        unsigned long long z = (m_state += 0x9E3779B97F4A7C15ULL);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
        return z ^ (z >> 31);
    }
    /// A number in [low, high].
    long long Between(long long low, long long high) {
        return low + static_cast<long long>(Next() % static_cast<unsigned long long>(high - low + 1));
    }
    bool Chance(int percent) { return Between(1, 100) <= percent; }
    template <typename T> const T& Pick(const std::vector<T>& items) {
        return items[static_cast<size_t>(Between(0, static_cast<long long>(items.size()) - 1))];
    }

private:
    unsigned long long m_state;
};

std::vector<std::vector<std::string>> ReadCsv(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw std::runtime_error("cannot read " + path);
    std::vector<std::vector<std::string>> rows;
    std::vector<std::string> row;
    std::string field;
    bool quoted = false;
    char c = 0;
    while (in.get(c)) {
        if (quoted) {
            if (c == '"') {
                if (in.peek() == '"') {
                    field += '"';
                    in.get(c);
                } else {
                    quoted = false;
                }
            } else {
                field += c;
            }
        } else if (c == '"') {
            quoted = true;
        } else if (c == ',') {
            row.push_back(std::move(field));
            field.clear();
        } else if (c == '\n') {
            row.push_back(std::move(field));
            field.clear();
            rows.push_back(std::move(row));
            row.clear();
        } else if (c != '\r') {
            field += c;
        }
    }
    if (!field.empty() || !row.empty()) {
        row.push_back(std::move(field));
        rows.push_back(std::move(row));
    }
    return rows;
}

/// "http://sfbay.craigslist.org/sfc/" gives {"sfbay", "sfc"}.
std::pair<std::string, std::string> SplitLink(const std::string& link) {
    const size_t hostStart = link.find("://");
    if (hostStart == std::string::npos)
        return {};
    const size_t hostEnd = link.find('/', hostStart + 3);
    const std::string host = link.substr(hostStart + 3, hostEnd - hostStart - 3);
    std::string path = hostEnd == std::string::npos ? std::string() : link.substr(hostEnd + 1);
    while (!path.empty() && path.back() == '/')
        path.pop_back();
    return {host.substr(0, host.find('.')), path};
}

// Vocabulary. No word contains "pic" or "img": the program reads those as image markers.
const std::vector<std::string> Adjectives = {"red",     "blue",  "black",   "white",  "green",    "vintage",
                                             "new",     "used",  "antique", "solid",  "small",    "large",
                                             "classic", "great", "modern",  "sturdy", "like new", "silver"};
const std::vector<std::string> Conditions = {"excellent condition", "good condition", "barely used", "works great",
                                             "must sell",           "best offer",     "moving sale", "needs some work"};
const std::map<std::string, std::vector<std::string>> ItemsByCategory = {
    {"bik", {"mountain bike", "road bike", "bmx bike", "cruiser bicycle", "kids bike", "tandem bike"}},
    {"fua", {"leather sofa", "oak dining table", "queen bed frame", "dresser", "bookshelf", "recliner", "futon"}},
    {"cta", {"2004 honda civic", "1999 ford ranger", "2007 toyota camry", "2001 jeep wrangler", "1996 nissan 300zx"}},
    {"cto", {"2003 honda accord", "1998 chevy silverado", "2005 ford mustang", "2000 vw jetta"}},
    {"ctd", {"2006 bmw 330i", "2008 toyota corolla", "2004 chevy tahoe", "2007 dodge caravan"}},
    {"ele", {"flat screen tv", "stereo receiver", "laptop", "mp3 player", "speakers", "dvd player"}},
    {"sys", {"desktop computer", "laptop", "lcd monitor", "laser printer", "wireless router"}},
    {"app", {"washer and dryer", "refrigerator", "microwave", "dishwasher", "window ac unit"}},
    {"spo", {"golf clubs", "treadmill", "tennis racket", "kayak", "weight set", "surfboard"}},
    {"tls", {"table saw", "cordless drill", "tool box", "air compressor", "ladder"}},
    {"jwl", {"gold necklace", "diamond ring", "silver bracelet", "wrist watch", "pearl earrings"}},
    {"bab", {"baby stroller", "crib", "car seat", "high chair", "toddler bed"}},
    {"bks", {"college textbooks", "cookbooks", "comic books", "novels box", "encyclopedia set"}},
    {"clo", {"leather jacket", "wedding dress", "designer handbag", "mens suit", "boots"}},
    {"msg", {"electric guitar", "acoustic guitar", "digital piano", "drum set", "bass amp"}},
    {"pho", {"digital camera", "camera lens", "tripod", "video camera"}},
    {"tag", {"lego set", "board games", "dollhouse", "train set", "action figures"}},
    {"vgm", {"xbox 360", "playstation 3", "nintendo wii", "game collection"}},
    {"hsh", {"kitchen table", "area rug", "lamp", "curtains", "dishes set"}},
    {"grd", {"lawn mower", "patio set", "garden hose", "bbq grill", "planters"}},
    {"art", {"oil painting", "framed print", "sculpture", "art supplies", "watercolor"}},
    {"atq", {"antique clock", "victorian chair", "old trunk", "china cabinet"}},
    {"mca", {"2005 honda shadow", "harley sportster", "yamaha r6", "suzuki scooter"}},
    {"mcy", {"2003 kawasaki ninja", "vespa scooter", "honda rebel"}},
    {"mcd", {"2008 harley softail", "ducati monster", "triumph bonneville"}},
    {"boa", {"fishing boat", "sailboat", "jet ski", "pontoon boat", "canoe"}},
    {"mob", {"cell phone", "blackberry", "iphone", "phone charger"}},
    {"tix", {"concert tickets", "football tickets", "theater tickets"}},
    {"pts", {"car stereo", "alloy wheels", "truck tires", "car battery"}},
};
const std::vector<std::string> GenericItems = {"desk",         "lamp",   "mirror", "set of tools", "box of books",
                                               "coffee table", "cooler", "fan",    "rug",          "storage bins"};
const std::vector<std::string> HousingTypes = {"apartment", "condo",  "townhouse", "duplex",
                                               "house",     "studio", "cottage",   "loft"};
const std::vector<std::string> HousingFeatures = {"near beach",        "with pool",     "in quiet area",
                                                  "close to downtown", "with garage",   "updated kitchen",
                                                  "hardwood floors",   "walk to shops", "ocean view"};
const std::vector<std::string> Roles = {
    "administrative assistant", "software engineer", "sales associate", "line cook", "accountant",      "web designer",
    "delivery driver",          "receptionist",      "nurse",           "teacher",   "project manager", "barista"};
const std::vector<std::string> JobPatterns = {"%s needed", "experienced %s", "%s - full time", "hiring %s",
                                              "%s wanted now"};
const std::vector<std::string> PersonalsLines = {
    "looking for a hiking buddy", "seeking someone to share coffee", "dinner and a movie",  "new in town",
    "beach walks and sunsets",    "you smiled at me on the train",   "anyone up for tennis"};
const std::map<std::string, std::vector<std::string>> LinesByGroup = {
    {"ccc",
     {"lost cat near the park", "weekend hiking group", "free guitar lessons for kids", "volunteers needed",
      "ride share to the airport", "book club meeting", "found dog on main street", "yoga class in the park"}},
    {"bbb",
     {"professional house cleaning", "computer repair at home", "lawn care service", "piano lessons", "tax preparation",
      "moving help with truck", "handyman services", "dog walking"}},
    {"ggg",
     {"need help moving this weekend", "extras needed for film shoot", "photographer for wedding",
      "web site fix needed", "one day event staff"}},
    {"eee",
     {"art walk this saturday", "free concert in the park", "farmers market sunday", "charity run",
      "garage sale on elm street"}},
    {"res", {"experienced accountant seeking work", "reliable driver available", "bilingual assistant resume"}},
};
const std::vector<std::string> BodyPhrases = {"cash only",        "delivery available",     "pet friendly",
                                              "call after 5",     "serious inquiries only", "no lowballers",
                                              "email for details"};
const std::vector<std::string> JobAttributes = {"telecommuting", "contract", "internship", "part-time", "non-profit"};

void IndexWords(TSimPosting& posting) {
    posting.TitleWords = TKeywordQuery::Words(posting.Title);
    posting.TextWords = TKeywordQuery::Words(posting.Title + " " + posting.Body);
}

std::string Money(long long value) {
    return "$" + std::to_string(value);
}

std::string FormatPattern(const std::string& pattern, const std::string& value) {
    std::string text = pattern;
    if (const size_t at = text.find("%s"); at != std::string::npos)
        text.replace(at, 2, value);
    return text;
}

} // namespace

TSimCatalog::TSimCatalog(unsigned long long seed, const std::string& refDataFolder, long long now)
    : m_seed(seed), m_now(now) {
    std::string folder = refDataFolder;
    if (!folder.empty() && folder.back() != '/')
        folder += '/';
    ReadPlaces(folder + "places.csv");
    ReadCategories(folder + "categories.csv");
}

void TSimCatalog::ReadPlaces(const std::string& path) {
    const auto rows = ReadCsv(path);
    std::unordered_map<std::string, std::pair<size_t, size_t>> subAreaByKey;
    std::unordered_map<std::string, size_t> siteByRowKey;
    for (size_t r = 1; r < rows.size(); ++r) {
        const auto& row = rows[r];
        if (row.size() < 8)
            continue;
        const std::string& key = row[1];
        const std::string& parent = row[2];
        const std::string& link = row[5];
        if (key.rfind("s:", 0) == 0) {
            TSimSite site;
            site.Key = SplitLink(link).first;
            site.Name = row[3];
            site.Index = static_cast<int>(m_sites.size());
            site.HasCoordinates = !row[6].empty() && !row[7].empty();
            if (site.HasCoordinates) {
                site.Latitude = std::stod(row[6]);
                site.Longitude = std::stod(row[7]);
            }
            if (site.Key.empty() || m_siteByKey.count(site.Key))
                continue;
            siteByRowKey[key] = m_sites.size();
            m_siteByKey[site.Key] = m_sites.size();
            m_sites.push_back(std::move(site));
        } else if (key.rfind("a:", 0) == 0) {
            const auto site = siteByRowKey.find(parent);
            if (site == siteByRowKey.end())
                continue;
            TSimSubArea area;
            area.Code = SplitLink(link).second;
            area.Name = row[3];
            auto& areas = m_sites[site->second].SubAreas;
            subAreaByKey[key] = {site->second, areas.size()};
            areas.push_back(std::move(area));
        } else if (key.rfind("n:", 0) == 0) {
            const auto area = subAreaByKey.find(parent);
            if (area == subAreaByKey.end())
                continue;
            m_sites[area->second.first].SubAreas[area->second.second].Neighborhoods.push_back({link, row[3]});
        }
    }
    if (m_sites.empty())
        throw std::runtime_error("no sites in " + path);
}

void TSimCatalog::ReadCategories(const std::string& path) {
    const auto rows = ReadCsv(path);
    for (size_t r = 1; r < rows.size(); ++r) {
        const auto& row = rows[r];
        if (row.size() < 5 || row[4].empty() || m_categoryByCode.count(row[4]))
            continue;
        TSimCategory category;
        category.Code = row[4];
        category.Name = row[3];
        category.Parent = row[2];
        category.Index = static_cast<int>(m_categories.size());
        m_categoryByCode[category.Code] = m_categories.size();
        m_categories.push_back(std::move(category));
    }
    if (m_categories.empty())
        throw std::runtime_error("no categories in " + path);
}

const TSimSite* TSimCatalog::FindSite(const std::string& key) const {
    const auto found = m_siteByKey.find(key);
    return found == m_siteByKey.end() ? nullptr : &m_sites[found->second];
}

const TSimCategory* TSimCatalog::FindCategory(const std::string& code) const {
    const auto found = m_categoryByCode.find(code);
    return found == m_categoryByCode.end() ? nullptr : &m_categories[found->second];
}

const TSimSite* TSimCatalog::NearestSite(const TSimSite& site) const {
    if (!site.HasCoordinates)
        return nullptr;
    const TSimSite* nearest = nullptr;
    double best = 0;
    for (const TSimSite& other : m_sites) {
        if (&other == &site || !other.HasCoordinates)
            continue;
        const double dLat = other.Latitude - site.Latitude;
        const double dLon = (other.Longitude - site.Longitude) * std::cos(site.Latitude * 3.14159265358979 / 180);
        const double distance = dLat * dLat + dLon * dLon;
        if (!nearest || distance < best) {
            nearest = &other;
            best = distance;
        }
    }
    return nearest;
}

std::vector<const TSimCategory*> TSimCatalog::Leaves(const TSimCategory& category) const {
    std::vector<const TSimCategory*> leaves;
    if (category.Parent.empty())
        for (const TSimCategory& child : m_categories)
            if (child.Parent == category.Code)
                leaves.push_back(&child);
    if (leaves.empty())
        leaves.push_back(&category);
    return leaves;
}

std::vector<TSimPosting>& TSimCatalog::Cell(const TSimSite& site, const TSimCategory& category) {
    const auto key = std::make_pair(site.Index, category.Index);
    auto found = m_cells.find(key);
    if (found == m_cells.end())
        found = m_cells.emplace(key, Generate(site, category)).first;
    return found->second;
}

std::vector<TSimPosting> TSimCatalog::Generate(const TSimSite& site, const TSimCategory& category) const {
    TRandom random(m_seed * 1000003ULL + static_cast<unsigned long long>(site.Index) * 7919ULL +
                   static_cast<unsigned long long>(category.Index) * 104729ULL);
    const std::string group = category.Parent.empty() ? category.Code : category.Parent;
    static const std::map<std::string, std::pair<int, int>> countByGroup = {
        {"sss", {30, 130}}, {"hhh", {40, 200}}, {"jjj", {20, 110}}, {"ppp", {30, 140}}, {"ccc", {10, 60}},
        {"bbb", {10, 50}},  {"ggg", {5, 35}},   {"eee", {20, 60}},  {"res", {10, 40}}};
    const auto range = countByGroup.count(group) ? countByGroup.at(group) : std::make_pair(10, 40);
    long long count = random.Between(range.first, range.second);
    if (!site.SubAreas.empty())
        count *= 2;
    count = std::min(count, CategoryIdSpan - 1);

    std::vector<TSimPosting> postings;
    postings.reserve(static_cast<size_t>(count));
    long long time = m_now - random.Between(0, 3600);
    const long long maxGap = std::max(120LL, 30LL * 86400 / count);
    for (long long i = 0; i < count; ++i) {
        TSimPosting posting;
        posting.Id = GeneratedIdBase + site.Index * SiteIdSpan + category.Index * CategoryIdSpan + (count - i);
        posting.Site = site.Key;
        posting.Category = category.Code;
        posting.Time = time;
        time -= random.Between(60, maxGap);

        const TSimNeighborhood* neighborhood = nullptr;
        const TSimSubArea* area = nullptr;
        if (!site.SubAreas.empty()) {
            area = &random.Pick(site.SubAreas);
            posting.SubArea = area->Code;
            if (!area->Neighborhoods.empty() && random.Chance(80)) {
                neighborhood = &random.Pick(area->Neighborhoods);
                posting.Neighborhood = neighborhood->Code;
            }
        }
        if (neighborhood)
            posting.Place = neighborhood->Name;
        else if (area && random.Chance(70))
            posting.Place = area->Name;
        else if (random.Chance(50))
            posting.Place = site.Name;

        std::string title;
        if (group == "sss") {
            const auto items = ItemsByCategory.find(category.Code);
            const std::string& item = random.Pick(items == ItemsByCategory.end() ? GenericItems : items->second);
            const std::string& adjective = random.Pick(Adjectives);
            const bool vehicle = category.Code.size() == 3 &&
                                 std::string("cta cto ctd mca mcy mcd boa").find(category.Code) != std::string::npos;
            const long long price = vehicle ? random.Between(500, 25000) : random.Between(5, 900);
            if (category.Code == "zip") {
                title = "free " + item;
            } else if (category.Code == "wan") {
                title = "wanted: " + adjective + " " + item;
            } else {
                switch (random.Between(0, 3)) {
                case 0:
                    title = Money(price) + " " + adjective + " " + item;
                    break;
                case 1:
                    title = adjective + " " + item + " - " + Money(price);
                    break;
                case 2:
                    title = item + ", " + random.Pick(Conditions) + " - " + Money(price);
                    break;
                default:
                    title = adjective + " " + item + " & more";
                    break;
                }
                if (title.find('$') != std::string::npos)
                    posting.Price = static_cast<double>(price);
            }
        } else if (group == "hhh") {
            const std::string& type = random.Pick(HousingTypes);
            const std::string& feature = random.Pick(HousingFeatures);
            const long long bedrooms = random.Between(1, 5);
            long long price = random.Between(500, 3500);
            if (category.Code == "rea")
                price = random.Between(60000, 900000);
            else if (category.Code == "prk")
                price = random.Between(50, 300);
            if (category.Code == "roo") {
                title = Money(price) + " room for rent " + feature;
                posting.Bedrooms = 1;
            } else if (category.Code == "prk") {
                title = Money(price) + " parking space " + feature;
            } else if (category.Code == "off") {
                title = Money(price) + " office space " + feature;
            } else if (category.Code == "hsw") {
                title = "looking for " + std::to_string(bedrooms) + " bedroom " + type;
                price = -1;
            } else if (category.Code == "rea") {
                title = Money(price) + " / " + std::to_string(bedrooms) + "br - " + type + " for sale " + feature;
                posting.Bedrooms = static_cast<int>(bedrooms);
            } else {
                title = Money(price) + " / " + std::to_string(bedrooms) + "br - " + random.Pick(Adjectives) + " " +
                        type + " " + feature;
                posting.Bedrooms = static_cast<int>(bedrooms);
            }
            posting.Price = static_cast<double>(price);
            if (random.Chance(40))
                posting.Attributes.push_back("purrr");
            if (random.Chance(30))
                posting.Attributes.push_back("wooof");
        } else if (group == "jjj") {
            title = FormatPattern(random.Pick(JobPatterns), random.Pick(Roles));
            for (const std::string& attribute : JobAttributes)
                if (random.Chance(15))
                    posting.Attributes.push_back(attribute);
        } else if (group == "ppp") {
            posting.Age = static_cast<int>(random.Between(18, 70));
            title = random.Pick(PersonalsLines) + " - " + std::to_string(posting.Age);
        } else {
            const auto lines = LinesByGroup.find(group);
            title = lines == LinesByGroup.end() ? random.Pick(GenericItems) : random.Pick(lines->second);
        }
        posting.Title = std::move(title);
        posting.Body = posting.Title + ". " + random.Pick(Conditions) + ", " + random.Pick(BodyPhrases) + ".";

        if (random.Chance(55)) {
            const long long kind = random.Between(1, 10);
            posting.ImageMarker = kind <= 6 ? "pic" : kind <= 9 ? "img" : "pic&nbsp;img";
        }
        if (random.Chance(6)) {
            static const std::array<TRemoval, 4> kinds = {TRemoval::Deleted, TRemoval::Flagged, TRemoval::Expired,
                                                          TRemoval::NotFound};
            posting.Removal = kinds[static_cast<size_t>(random.Between(0, 3))];
        }
        IndexWords(posting);
        postings.push_back(std::move(posting));
    }
    return postings;
}

bool TSimCatalog::Accepts(const TSimPosting& posting, const TSimSearch& search, const TKeywordQuery& query) const {
    if (!search.SubArea.empty() && posting.SubArea != search.SubArea)
        return false;
    if (!search.Neighborhood.empty() && posting.Neighborhood != search.Neighborhood)
        return false;
    if (search.HasPic && !posting.HasPic())
        return false;
    const TSimCategory* category = FindCategory(posting.Category);
    const bool personals = category && (category->Code == "ppp" || category->Parent == "ppp");
    const double value = personals ? posting.Age : posting.Price;
    if (search.MinAsk && (value < 0 || value < *search.MinAsk))
        return false;
    if (search.MaxAsk && (value < 0 || value > *search.MaxAsk))
        return false;
    if (search.Bedrooms > 0 && posting.Bedrooms < search.Bedrooms)
        return false;
    for (const std::string& attribute : search.Attributes)
        if (std::find(posting.Attributes.begin(), posting.Attributes.end(), attribute) == posting.Attributes.end())
            return false;
    return query.Empty() || query.MatchesWords(search.TitlesOnly ? posting.TitleWords : posting.TextWords);
}

std::vector<const TSimPosting*> TSimCatalog::Search(const TSimSearch& search) {
    std::vector<const TSimPosting*> found;
    const TSimSite* site = FindSite(search.Site);
    const TSimCategory* category = FindCategory(search.Category);
    if (!site || !category)
        return found;
    const TKeywordQuery query(search.Query);
    std::unordered_set<std::string> codes;
    for (const TSimCategory* leaf : Leaves(*category)) {
        codes.insert(leaf->Code);
        for (const TSimPosting& posting : Cell(*site, *leaf))
            if (Accepts(posting, search, query))
                found.push_back(&posting);
    }
    for (const TSimPosting& posting : m_added)
        if (posting.Site == site->Key && (codes.count(posting.Category) || posting.Category == category->Code) &&
            Accepts(posting, search, query))
            found.push_back(&posting);
    std::sort(found.begin(), found.end(), [](const TSimPosting* a, const TSimPosting* b) {
        return a->Time != b->Time ? a->Time > b->Time : a->Id > b->Id;
    });
    return found;
}

TSimPosting* TSimCatalog::FindPosting(long long id) {
    if (id > AddedIdBase) {
        const long long index = id - AddedIdBase - 1;
        return index < static_cast<long long>(m_added.size()) ? &m_added[static_cast<size_t>(index)] : nullptr;
    }
    if (id <= GeneratedIdBase)
        return nullptr;
    const long long offset = id - GeneratedIdBase;
    const long long siteIndex = offset / SiteIdSpan;
    const long long categoryIndex = (offset % SiteIdSpan) / CategoryIdSpan;
    if (siteIndex >= static_cast<long long>(m_sites.size()) ||
        categoryIndex >= static_cast<long long>(m_categories.size()))
        return nullptr;
    auto& cell = Cell(m_sites[static_cast<size_t>(siteIndex)], m_categories[static_cast<size_t>(categoryIndex)]);
    for (TSimPosting& posting : cell)
        if (posting.Id == id)
            return &posting;
    return nullptr;
}

const TSimPosting& TSimCatalog::Add(TSimPosting posting) {
    const TSimSite* site = FindSite(posting.Site);
    if (!site)
        throw std::invalid_argument("unknown site: " + posting.Site);
    if (!FindCategory(posting.Category))
        throw std::invalid_argument("unknown category: " + posting.Category);
    if (!posting.SubArea.empty() && std::none_of(site->SubAreas.begin(), site->SubAreas.end(),
                                                 [&](const TSimSubArea& area) { return area.Code == posting.SubArea; }))
        throw std::invalid_argument("unknown sub-area: " + posting.SubArea);
    ++m_addedCount;
    posting.Id = AddedIdBase + m_addedCount;
    // Newer than every generated posting and every posting added before.
    posting.Time = m_now + m_addedCount * 60;
    IndexWords(posting);
    m_added.push_back(std::move(posting));
    return m_added.back();
}

std::string TSimCatalog::Link(const TSimPosting& posting) {
    std::string link = "/";
    if (!posting.SubArea.empty())
        link += posting.SubArea + "/";
    return link + posting.Category + "/" + std::to_string(posting.Id) + ".html";
}
