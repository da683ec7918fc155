// SPDX-License-Identifier: GPL-3.0-or-later
#include "TSiteSimulator.h"

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstdlib>
#include <memory>
#include <optional>
#include <stdexcept>

#include <httplib.h>

#include "TSimPages.h"

namespace {

std::string Param(const TSimParams& params, const std::string& key) {
    const auto found = params.find(key);
    return found == params.end() ? std::string() : found->second;
}

/// "min", "max" and empty mean no bound; so does a value that is not a number.
std::optional<double> Bound(const std::string& text) {
    if (text.empty() || text == "min" || text == "max")
        return std::nullopt;
    char* end = nullptr;
    const double value = std::strtod(text.c_str(), &end);
    if (end == text.c_str() || *end != '\0')
        return std::nullopt;
    return value;
}

int Number(const std::string& text, int fallback = 0) {
    char* end = nullptr;
    const long value = std::strtol(text.c_str(), &end, 10);
    if (text.empty() || *end != '\0' || value < 0 || value > 1000000000)
        return fallback;
    return static_cast<int>(value);
}

std::vector<std::string> Segments(const std::string& path) {
    std::vector<std::string> segments;
    size_t start = 0;
    while (start <= path.size()) {
        const size_t end = std::min(path.find('/', start), path.size());
        if (end > start)
            segments.push_back(path.substr(start, end - start));
        start = end + 1;
    }
    return segments;
}

std::string Lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

std::optional<TRemoval> RemovalNamed(const std::string& name) {
    if (name == "deleted")
        return TRemoval::Deleted;
    if (name == "flagged")
        return TRemoval::Flagged;
    if (name == "expired")
        return TRemoval::Expired;
    if (name == "404")
        return TRemoval::NotFound;
    if (name == "none")
        return TRemoval::None;
    return std::nullopt;
}

const std::string InstallerPath = "/trawlix/setup.exe";

bool IsInstallerPath(const std::string& path) {
    return path.size() >= InstallerPath.size() &&
           path.compare(path.size() - InstallerPath.size(), InstallerPath.size(), InstallerPath) == 0;
}

std::optional<TInstallerMode> InstallerModeNamed(const std::string& name) {
    static const std::map<std::string, TInstallerMode> modes = {
        {"whole", TInstallerMode::Whole}, {"short", TInstallerMode::Short}, {"long", TInstallerMode::Long},
        {"drop", TInstallerMode::Drop},   {"stall", TInstallerMode::Stall}, {"slow", TInstallerMode::Slow}};
    const auto found = modes.find(name);
    return found == modes.end() ? std::nullopt : std::optional(found->second);
}

long long Now(const TSiteSimulatorOptions& options) {
    if (options.Now > 0)
        return options.Now;
    return std::chrono::duration_cast<std::chrono::seconds>(std::chrono::system_clock::now().time_since_epoch())
        .count();
}

} // namespace

TSiteSimulator::TSiteSimulator(TSiteSimulatorOptions options)
    : m_options(std::move(options)), m_catalog(m_options.Seed, m_options.RefDataFolder, Now(m_options)) {}

TSiteSimulator::~TSiteSimulator() {
    Stop();
}

bool TSiteSimulator::Start(int port) {
    Stop();
    m_stopping = false;
    m_server = std::make_unique<httplib::Server>();
    const auto handler = [this](const httplib::Request& request, httplib::Response& response) {
        {
            std::lock_guard lock(m_mutex);
            m_requests.push_back(request.get_header_value("Host") + " " + request.target);
        }
        if (IsInstallerPath(request.path)) {
            ServeInstaller(response);
            return;
        }
        const TSimResponse answer = Handle(request.get_header_value("Host"), request.path, request.params);
        response.status = answer.Status;
        response.set_content(answer.Body, "text/html");
    };
    m_server->Get(".*", handler);
    m_server->Post(".*", handler);
    if (port == 0) {
        port = m_server->bind_to_any_port("127.0.0.1");
        if (port <= 0)
            return false;
    } else if (!m_server->bind_to_port("127.0.0.1", port)) {
        return false;
    }
    m_port = port;
    m_thread = std::thread([this] { m_server->listen_after_bind(); });
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!m_server->is_running()) {
        if (std::chrono::steady_clock::now() > deadline) {
            Stop();
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

void TSiteSimulator::Stop() {
    m_stopping = true;
    if (m_server)
        m_server->stop();
    if (m_thread.joinable())
        m_thread.join();
    m_server.reset();
}

std::string TSiteSimulator::Proxy() const {
    return "127.0.0.1:" + std::to_string(m_port);
}

TSimPosting TSiteSimulator::AddPosting(TSimPosting posting) {
    std::lock_guard lock(m_mutex);
    return m_catalog.Add(std::move(posting));
}

bool TSiteSimulator::RemovePosting(long long id, TRemoval how) {
    std::lock_guard lock(m_mutex);
    TSimPosting* posting = m_catalog.FindPosting(id);
    if (!posting)
        return false;
    posting->Removal = how;
    return true;
}

std::string TSiteSimulator::LinkOf(const TSimPosting& posting) const {
    return "http://" + posting.Site + m_options.DomainSuffix + TSimCatalog::Link(posting);
}

std::vector<TSimPosting> TSiteSimulator::Search(const TSimSearch& search) {
    std::lock_guard lock(m_mutex);
    std::vector<TSimPosting> postings;
    for (const TSimPosting* posting : m_catalog.Search(search))
        postings.push_back(*posting);
    return postings;
}

std::vector<TFlagRequest> TSiteSimulator::FlagRequests() const {
    std::lock_guard lock(m_mutex);
    return m_flags;
}

std::vector<std::string> TSiteSimulator::Requests() const {
    std::lock_guard lock(m_mutex);
    return m_requests;
}

std::string TSiteSimulator::NearestSite(const std::string& site) const {
    std::lock_guard lock(m_mutex);
    const TSimSite* found = m_catalog.FindSite(site);
    const TSimSite* nearest = found ? m_catalog.NearestSite(*found) : nullptr;
    return nearest ? nearest->Key : std::string();
}

TSimResponse TSiteSimulator::Handle(const std::string& hostHeader, const std::string& rawPath,
                                    const TSimParams& params) {
    std::string host = hostHeader;
    std::string path = rawPath;
    // A request through a proxy names the whole link.
    for (const char* scheme : {"http://", "https://"}) {
        if (path.rfind(scheme, 0) == 0) {
            const size_t start = std::string(scheme).size();
            const size_t slash = path.find('/', start);
            host = path.substr(start, slash == std::string::npos ? std::string::npos : slash - start);
            path = slash == std::string::npos ? "/" : path.substr(slash);
            break;
        }
    }
    host = Lower(host.substr(0, host.find(':')));
    const size_t dot = host.find('.');
    const std::string label = host.substr(0, dot);
    const std::string domain = dot == std::string::npos ? m_options.DomainSuffix : host.substr(dot);

    std::lock_guard lock(m_mutex);
    if (IsInstallerPath(path))
        return {200, InstallerBytes(m_installer.Size)};
    if (path.rfind("/_sim/", 0) == 0)
        return Control(path, params);
    if (path == "/sidescreen/index.html")
        return {200, TSimPages::Banner()};
    if (path == "/to_how_it_works.php")
        return {200, TSimPages::Help()};
    if (path == "/flag/" || path == "/flag")
        return Flag(host, params);

    const TSimSite* site = m_catalog.FindSite(label);
    if (!site)
        return path == "/" ? TSimResponse{200, TSimPages::MakerHome()} : TSimResponse{404, TSimPages::NotFound()};
    const std::vector<std::string> segments = Segments(path);
    if (!segments.empty() && segments[0] == "search" && (segments.size() == 2 || segments.size() == 3))
        return Results(*site, domain, segments[1], segments.size() == 3 ? segments[2] : "", params);
    if (!segments.empty() && segments.back().size() > 5 &&
        segments.back().compare(segments.back().size() - 5, 5, ".html") == 0)
        return PostingPage(*site, path);
    if (segments.empty())
        return {200, TSimPages::SiteFront(*site, m_catalog)};
    if (segments.size() == 1 && m_catalog.FindCategory(segments[0]))
        return Results(*site, domain, segments[0], "", params);
    if (segments.size() == 1)
        for (const TSimSubArea& area : site->SubAreas)
            if (area.Code == segments[0])
                return {200, TSimPages::SiteFront(*site, m_catalog)};
    if (segments.size() == 2)
        return Results(*site, domain, segments[1], segments[0], params);
    return {404, TSimPages::NotFound()};
}

TSimResponse TSiteSimulator::Results(const TSimSite& site, const std::string& domain, const std::string& category,
                                     const std::string& subArea, const TSimParams& params) {
    const TSimCategory* found = m_catalog.FindCategory(category);
    const bool knownArea =
        subArea.empty() || std::any_of(site.SubAreas.begin(), site.SubAreas.end(),
                                       [&](const TSimSubArea& area) { return area.Code == subArea; });
    if (!found || !knownArea)
        return {404, TSimPages::NotFound()};

    TSimSearch search;
    search.Site = site.Key;
    search.Category = category;
    search.SubArea = subArea;
    search.Query = Param(params, "query");
    search.TitlesOnly = Param(params, "srchType") == "T";
    search.HasPic = Param(params, "hasPic") == "1";
    search.MinAsk = Bound(Param(params, "minAsk"));
    search.MaxAsk = Bound(Param(params, "maxAsk"));
    search.Bedrooms = Number(Param(params, "bedrooms"));
    search.Neighborhood = Param(params, "neighborhood");
    for (const char* key : {"addOne", "addTwo", "addThree", "addFour", "addFive"})
        if (const std::string value = Param(params, key); !value.empty())
            search.Attributes.push_back(value);

    TSimResultsPage page;
    page.Site = &site;
    page.Category = found;
    page.Search = &search;
    page.Postings = m_catalog.Search(search);
    page.Offset = static_cast<size_t>(Number(Param(params, "s")));
    if (page.Postings.empty() || page.Offset >= page.Postings.size())
        return {200, TSimPages::NothingFound(page)};
    if (page.Offset == 0 && page.Postings.size() < 5) {
        if (const TSimSite* nearest = m_catalog.NearestSite(site)) {
            TSimSearch nearby = search;
            nearby.Site = nearest->Key;
            nearby.SubArea.clear();
            nearby.Neighborhood.clear();
            page.Nearby = m_catalog.Search(nearby);
            if (page.Nearby.size() > TSimPages::PageSize - page.Postings.size())
                page.Nearby.resize(TSimPages::PageSize - page.Postings.size());
            page.NearbyHost = nearest->Key + domain;
        }
    }
    return {200, TSimPages::Results(page, m_catalog)};
}

TSimResponse TSiteSimulator::PostingPage(const TSimSite& site, const std::string& path) {
    const size_t slash = path.rfind('/');
    const std::string name = path.substr(slash + 1, path.size() - slash - 1 - 5);
    const long long id = std::all_of(name.begin(), name.end(), [](unsigned char c) { return std::isdigit(c); }) &&
                                 !name.empty() && name.size() < 12
                             ? std::stoll(name)
                             : 0;
    const TSimPosting* posting = id ? m_catalog.FindPosting(id) : nullptr;
    if (!posting || posting->Site != site.Key || path != TSimCatalog::Link(*posting))
        return {404, TSimPages::NotFound()};
    if (posting->Removal == TRemoval::NotFound)
        return {404, TSimPages::NotFound()};
    if (posting->Removal != TRemoval::None)
        return {200, TSimPages::Removed(*posting, site)};
    return {200, TSimPages::Posting(*posting, site, m_catalog)};
}

TSimResponse TSiteSimulator::Flag(const std::string& host, const TSimParams& params) {
    m_flags.push_back({host, Param(params, "flagCode"), Param(params, "postingID")});
    return {200, TSimPages::FlagDone(Param(params, "postingID"))};
}

TSimResponse TSiteSimulator::Control(const std::string& path, const TSimParams& params) {
    if (path == "/_sim/flags") {
        std::string list;
        for (const TFlagRequest& flag : m_flags)
            list += "postingID=" + flag.PostingId + " flagCode=" + flag.FlagCode + " host=" + flag.Host + "\n";
        return {200, list};
    }
    if (path == "/_sim/installer") {
        const auto mode = InstallerModeNamed(Param(params, "mode").empty() ? "whole" : Param(params, "mode"));
        const int size = Number(Param(params, "size"), -1);
        if (!mode || size <= 0)
            return {400, "size must be a positive number, mode whole, short, long, drop, stall or slow\n"};
        m_installer = {size, *mode};
        return {200, "ok\n"};
    }
    if (path == "/_sim/remove") {
        const auto how = RemovalNamed(Param(params, "how"));
        TSimPosting* posting = m_catalog.FindPosting(std::atoll(Param(params, "id").c_str()));
        if (!how || !posting)
            return {400, "unknown posting or removal (deleted, flagged, expired, 404, none)\n"};
        posting->Removal = *how;
        return {200, "ok\n"};
    }
    if (path == "/_sim/add") {
        TSimPosting posting;
        posting.Site = Param(params, "site");
        posting.Category = Param(params, "cat");
        posting.SubArea = Param(params, "sub");
        posting.Neighborhood = Param(params, "nh");
        posting.Title = Param(params, "title");
        posting.Place = Param(params, "place");
        posting.Body = Param(params, "body");
        if (const auto price = Bound(Param(params, "price")))
            posting.Price = *price;
        posting.Age = Number(Param(params, "age"), -1);
        posting.Bedrooms = Number(Param(params, "bedrooms"));
        const std::string pic = Param(params, "pic");
        posting.ImageMarker = pic == "1" ? "pic" : pic;
        std::string attributes = Param(params, "attrs");
        size_t start = 0;
        while (start < attributes.size()) {
            const size_t comma = std::min(attributes.find(',', start), attributes.size());
            if (comma > start)
                posting.Attributes.push_back(attributes.substr(start, comma - start));
            start = comma + 1;
        }
        if (posting.Title.empty())
            return {400, "title missing\n"};
        try {
            const TSimPosting& added = m_catalog.Add(std::move(posting));
            return {200, std::to_string(added.Id) + " " + LinkOf(added) + "\n"};
        } catch (const std::invalid_argument& error) {
            return {400, std::string(error.what()) + "\n"};
        }
    }
    return {404, TSimPages::NotFound()};
}

void TSiteSimulator::SetInstaller(TSimInstaller installer) {
    std::lock_guard lock(m_mutex);
    m_installer = installer;
}

std::string TSiteSimulator::InstallerBytes(long long size) {
    std::string bytes(static_cast<size_t>(std::max(0LL, size)), '\0');
    unsigned state = 2009;
    for (char& byte : bytes) {
        state = state * 1103515245u + 12345u;
        byte = static_cast<char>(state >> 16);
    }
    return bytes;
}

void TSiteSimulator::ServeInstaller(httplib::Response& response) {
    TSimInstaller installer;
    {
        std::lock_guard lock(m_mutex);
        installer = m_installer;
    }
    std::string bytes = InstallerBytes(installer.Size);
    if (installer.Mode == TInstallerMode::Short)
        bytes.resize(bytes.size() / 2);
    if (installer.Mode == TInstallerMode::Long)
        bytes += std::string(1024, 'x');
    const size_t announced = bytes.size();
    const size_t half = bytes.size() / 2;
    const TInstallerMode mode = installer.Mode;
    auto body = std::make_shared<std::string>(std::move(bytes));
    response.set_content_provider(
        announced, "application/octet-stream",
        [this, body, mode, half](size_t offset, size_t length, httplib::DataSink& sink) {
            if ((mode == TInstallerMode::Drop || mode == TInstallerMode::Stall) && offset >= half) {
                // Stalled: the client gives up by itself, or the simulator stops.
                const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
                while (mode == TInstallerMode::Stall && !m_stopping && sink.is_writable() &&
                       std::chrono::steady_clock::now() < deadline)
                    std::this_thread::sleep_for(std::chrono::milliseconds(20));
                return false;
            }
            size_t piece = std::min<size_t>(length, 8192);
            if (mode == TInstallerMode::Drop || mode == TInstallerMode::Stall)
                piece = std::min(piece, half - offset);
            if (mode == TInstallerMode::Slow)
                std::this_thread::sleep_for(std::chrono::milliseconds(40));
            return !m_stopping && sink.write(body->data() + offset, piece);
        });
}
