// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

/// Every value of the installation that is not a user setting: where the data folder is
/// and how the outside parties are reached. Compiled-in defaults, overridden by
/// "trawlix.ini" in the data folder, overridden in turn by TRAWLIX_* environment variables.
struct TConfig {
    /// In the data folder; it may hold the mail password, so it is kept readable by its
    /// owner only (a looser one is tightened when it is read).
    static constexpr const char* FileName = "trawlix.ini";
    /// The data folder, always ending in "/".
    std::string DataFolder;
    /// Appended to a site's host name ("sfbay" + ".craigslist.org").
    std::string SiteDomain = ".craigslist.org";
    /// A local database file (embedded engine) or "host:ALIAS" for a server.
    std::string AccountDatabase;
    std::string MailHost = "mail.corvane.com";
    int MailPort = 26;
    std::string MailSender = "notify@corvane.com";
    std::string MailPassword = "k7w2pQ9XL4";
    /// Installers are fetched over plain http only from here, and only when this is http.
    std::string MakerServer = "https://www.corvane.com";
    std::string BannerServer = "http://www.corvane.com";
    std::string HomePage = "http://www.corvane.com/trawlix/";
    /// Pause per posting while parsing, 0 to MaxParserPauseMs; a value from the ini file or
    /// the environment outside that range is brought to its nearer end.
    int ParserPauseMs = 100;
    static constexpr int MaxParserPauseMs = 10000;
    /// Proxy for the site's pages; empty means the system's (http_proxy).
    std::string HttpProxy;
    /// A page fetch ends after this many seconds however slowly the server sends; 1 or more.
    int FetchTimeLimitSeconds = 120;
    /// A page larger than this many megabytes is a failed fetch; 1 or more.
    int FetchSizeLimitMB = 20;
    /// A call to the account database that hears nothing from the server for this many
    /// seconds fails, as does a connection the server does not accept in that time; 1 or more.
    int DatabaseTimeLimitSeconds = 20;

    /// The configuration for the data folder given by the environment.
    static TConfig Load();
    /// The configuration for a given data folder (a trailing "/" is added).
    static TConfig LoadFor(const std::string& dataFolder);
    /// $TRAWLIX_DATA_DIR, or the per-user data location + "/Trawlix/".
    static std::string DefaultDataFolder();
};
