// SPDX-License-Identifier: GPL-3.0-or-later
#include "account/TPublishedUpdate.h"

#include <algorithm>
#include <cctype>
#include <limits>

#include <QUrl>

#include "core/TConfig.h"

namespace {

bool IsPlainFileName(const std::string& name) {
    if (name.empty() || name.front() == '.' || name.size() > 100)
        return false;
    return std::all_of(name.begin(), name.end(),
                       [](unsigned char c) { return std::isalnum(c) || c == '.' || c == '-' || c == '_'; });
}

bool IsSha256Hex(const std::string& text) {
    return text.size() == 64 && std::all_of(text.begin(), text.end(),
                                            [](unsigned char c) { return std::isdigit(c) || (c >= 'a' && c <= 'f'); });
}

std::string LowerTrimmed(const std::string& text) {
    return QString::fromStdString(text).trimmed().toLower().toStdString();
}

} // namespace

TVersionComparison CompareVersions(const std::string& published, const std::string& running) {
    if (published.empty())
        return TVersionComparison::NotPublished;
    return published == running ? TVersionComparison::Latest : TVersionComparison::Different;
}

std::optional<long long> ParseInstallerSize(const std::string& text) {
    if (text.empty() || text.size() > 18 ||
        !std::all_of(text.begin(), text.end(), [](unsigned char c) { return std::isdigit(c); }))
        return std::nullopt;
    const long long size = std::stoll(text);
    if (size <= 0)
        return std::nullopt;
    return size;
}

bool IsPermittedDownloadLink(const std::string& link, const std::string& makerServer) {
    const QUrl url(QString::fromStdString(link), QUrl::StrictMode);
    if (!url.isValid() || url.host().isEmpty() || !url.userInfo().isEmpty())
        return false;
    if (url.scheme() == QLatin1String("https"))
        return true;
    const QUrl maker(QString::fromStdString(makerServer), QUrl::StrictMode);
    return url.scheme() == QLatin1String("http") && maker.scheme() == QLatin1String("http") &&
           url.host().compare(maker.host(), Qt::CaseInsensitive) == 0 && url.port(80) == maker.port(80);
}

std::string InstallerFileName(const std::string& link) {
    const std::string name = QUrl(QString::fromStdString(link)).fileName().toStdString();
    return IsPlainFileName(name) ? name : "setup.exe";
}

TPublishedUpdate ReadPublishedUpdate(const TPropertyReader& readProperty, const TConfig& config) {
    TPublishedUpdate update;
    update.Version = readProperty("TRAWLIX_VERSION");
    TInstallerDownload& download = update.Download;
    download.URL = readProperty("TRAWLIX_VERSION_URL");
    download.Proxy = config.HttpProxy;
    download.MakerServer = config.MakerServer;
    download.Target = config.DataFolder + InstallerFileName(download.URL);
    const std::optional<long long> size = ParseInstallerSize(readProperty("TRAWLIX_VERSION_SIZE"));
    download.ExpectedSize = size.value_or(0);
    download.Sha256 = LowerTrimmed(readProperty("TRAWLIX_VERSION_SHA256"));
    if (download.URL.empty())
        update.Error = "No download link is published for the new version.";
    else if (!IsPermittedDownloadLink(download.URL, config.MakerServer))
        update.Error = "The download link of the new version is not a secure (https) link: " + download.URL;
    else if (!size)
        update.Error = "The size of the new version's installer is not published correctly.";
    else if (!download.Sha256.empty() && !IsSha256Hex(download.Sha256))
        update.Error = "The checksum of the new version's installer is not published correctly.";
    return update;
}
