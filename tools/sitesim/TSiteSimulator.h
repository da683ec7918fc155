// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <atomic>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "TSimCatalog.h"

namespace httplib {
class Server;
struct Response;
} // namespace httplib

/// One request received at the flag address.
struct TFlagRequest {
    std::string Host;
    std::string FlagCode;
    std::string PostingId;
};

struct TSiteSimulatorOptions {
    unsigned long long Seed = 2009;
    /// Folder holding places.csv and categories.csv.
    std::string RefDataFolder = TRAWLIX_SITESIM_REFDATA;
    /// Time of the newest generated posting, seconds since the epoch; 0 means now.
    long long Now = 0;
    /// Host name suffix of the sites, used where a request names no host.
    std::string DomainSuffix = ".craigslist.org";
};

/// How the maker's installer is served.
enum class TInstallerMode {
    /// All of it, announced with its size.
    Whole,
    /// Half of it, announced as that shorter size.
    Short,
    /// All of it and a kilobyte more, announced as that longer size.
    Long,
    /// Announced whole; the connection is closed after half of it.
    Drop,
    /// Announced whole; after half of it nothing more comes until the simulator stops (at
    /// most a minute).
    Stall,
    /// All of it in 8 KB pieces 40 ms apart.
    Slow,
};

/// The installer that "/trawlix/setup.exe" (on any host) answers with.
struct TSimInstaller {
    long long Size = 1 << 20;
    TInstallerMode Mode = TInstallerMode::Whole;
};

/// One answer of the simulator.
struct TSimResponse {
    int Status = 200;
    std::string Body;
};

using TSimParams = std::multimap<std::string, std::string>;

/// A local stand-in for the classifieds site: results pages, posting pages (live and
/// removed), the flag address and the maker's pages, for any host name, on 127.0.0.1.
/// Clients reach it as an HTTP proxy. Requests are served on the server's own threads;
/// every public member may be called from any thread.
class TSiteSimulator final {
public:
    /// Throws std::runtime_error when the reference tables cannot be read.
    explicit TSiteSimulator(TSiteSimulatorOptions options = {});
    ~TSiteSimulator();
    TSiteSimulator(const TSiteSimulator&) = delete;
    TSiteSimulator& operator=(const TSiteSimulator&) = delete;

    /// Listens on 127.0.0.1:port (0 = any free port); false when the port is taken.
    bool Start(int port = 0);
    int Port() const { return m_port; }
    /// "127.0.0.1:PORT", the value for the proxy setting.
    std::string Proxy() const;
    void Stop();

    /// Adds a posting newer than all others. Site and Category must be known; SubArea,
    /// when set, must be one of the site's. Returns it with Id and Time filled. Throws
    /// std::invalid_argument otherwise.
    TSimPosting AddPosting(TSimPosting posting);
    /// Makes a posting's page show it as removed; false for an unknown id.
    bool RemovePosting(long long id, TRemoval how);
    /// The posting's absolute link, "http://site" + suffix + "/sub/cat/ID.html".
    std::string LinkOf(const TSimPosting& posting) const;
    /// Every matching posting, newest first, as the results pages list them.
    std::vector<TSimPosting> Search(const TSimSearch& search);
    std::vector<TFlagRequest> FlagRequests() const;
    /// Every request received over the network, as "host path?query" in arrival order.
    std::vector<std::string> Requests() const;
    /// Key of the site whose results fill a page with few local results; empty if none.
    std::string NearestSite(const std::string& site) const;

    /// How "/trawlix/setup.exe" is served from now on.
    void SetInstaller(TSimInstaller installer);
    /// The installer's bytes for a size: always the same for the same size.
    static std::string InstallerBytes(long long size);

    /// Answers one GET: host may carry a port; path is site-relative or absolute
    /// ("http://host/..."), params are decoded.
    TSimResponse Handle(const std::string& host, const std::string& path, const TSimParams& params);

private:
    TSimResponse Results(const TSimSite& site, const std::string& domain, const std::string& category,
                         const std::string& subArea, const TSimParams& params);
    TSimResponse PostingPage(const TSimSite& site, const std::string& path);
    TSimResponse Control(const std::string& path, const TSimParams& params);
    TSimResponse Flag(const std::string& host, const TSimParams& params);
    void ServeInstaller(httplib::Response& response);

    TSimInstaller m_installer;
    /// Set while stopping: a stalled installer answer gives up.
    std::atomic<bool> m_stopping{false};

    TSiteSimulatorOptions m_options;
    mutable std::mutex m_mutex;
    TSimCatalog m_catalog;
    std::vector<TFlagRequest> m_flags;
    std::vector<std::string> m_requests;
    std::unique_ptr<httplib::Server> m_server;
    std::thread m_thread;
    int m_port = 0;
};
