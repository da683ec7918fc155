// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <functional>
#include <optional>
#include <string>

struct TConfig;

/// Reads one property of the account database: its value, or empty when there is none.
using TPropertyReader = std::function<std::string(const std::string& name)>;

/// How the published version relates to the running one.
enum class TVersionComparison {
    /// No version is published: nothing to say.
    NotPublished,
    /// The published version is the running one.
    Latest,
    /// Any other text, older versions included: an update is offered.
    Different,
};

/// Compares as text, exactly: "3.4", "3.32" and "3.33 " all differ from "3.33".
TVersionComparison CompareVersions(const std::string& published, const std::string& running = TRAWLIX_VERSION);

/// What is needed to fetch and accept one installer.
struct TInstallerDownload {
    std::string URL;
    /// Where the verified installer ends up (in the data folder).
    std::string Target;
    /// The published size; a download of any other size is refused.
    long long ExpectedSize = 0;
    /// The published SHA-256 as lower-case hex, or empty when none is published.
    std::string Sha256;
    /// Proxy as "host:port"; empty uses libcurl's default (http_proxy).
    std::string Proxy;
    /// The configured maker's server: plain http is followed only to it, and only when it
    /// is itself configured as http.
    std::string MakerServer;
    long ConnectTimeoutSeconds = 15;
    /// A transfer that delivers nothing for this long has stopped answering.
    long LowSpeedTimeSeconds = 30;
};

/// The published installer as the account database describes it, checked; Error says in
/// words why it cannot be downloaded (empty when it can).
struct TPublishedUpdate {
    std::string Version;
    TInstallerDownload Download;
    std::string Error;
};

/// Reads "TRAWLIX_VERSION", "TRAWLIX_VERSION_URL", "TRAWLIX_VERSION_SIZE" and
/// "TRAWLIX_VERSION_SHA256" and checks them against the configuration: the size must be a
/// positive decimal integer, the link permitted (IsPermittedDownloadLink), a published
/// checksum 64 hex digits. The target is the data folder and the link's file name.
/// Exceptions of readProperty pass through.
TPublishedUpdate ReadPublishedUpdate(const TPropertyReader& readProperty, const TConfig& config);

/// A positive decimal integer of digits only; none for anything else.
std::optional<long long> ParseInstallerSize(const std::string& text);

/// https links to any host; plain http only to the configured maker's server, and only
/// when that is configured as http (a local simulator). Anything else is refused.
bool IsPermittedDownloadLink(const std::string& link, const std::string& makerServer);

/// The last part of the link's path when it is a plain file name (letters, digits, ".",
/// "-", "_", not starting with "."); "setup.exe" otherwise.
std::string InstallerFileName(const std::string& link);
