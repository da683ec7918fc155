// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/TConfig.h"

#include <algorithm>
#include <cstdlib>

#include <QFile>
#include <QSettings>
#include <QStandardPaths>

#include "core/Log.h"

namespace {

std::string WithSlash(std::string folder) {
    if (folder.empty() || folder.back() != '/')
        folder += '/';
    return folder;
}

/// Reads one value: the ini file first, the environment over it.
class ValueSource final {
public:
    explicit ValueSource(const std::string& iniPath) : m_ini(QString::fromStdString(iniPath), QSettings::IniFormat) {}

    void Read(const char* key, const char* variable, std::string& value) const {
        if (m_ini.contains(QLatin1String(key)))
            value = m_ini.value(QLatin1String(key)).toString().toStdString();
        if (const char* fromEnvironment = std::getenv(variable))
            value = fromEnvironment;
    }

    void Read(const char* key, const char* variable, int& value) const {
        std::string text;
        Read(key, variable, text);
        bool ok = false;
        const int number = QString::fromStdString(text).toInt(&ok);
        if (ok)
            value = number;
    }

private:
    QSettings m_ini;
};

/// A limit that must stay a limit: a value below 1 (which would mean none) or above
/// maximum keeps the default.
void ReadLimit(const ValueSource& source, const char* key, const char* variable, int& value, int maximum) {
    int read = value;
    source.Read(key, variable, read);
    if (read >= 1 && read <= maximum)
        value = read;
}

/// The file may hold the mail password: one that others can read is made the owner's only.
void KeepToOwner(const std::string& path) {
    QFile file(QString::fromStdString(path));
    const QFileDevice::Permissions others = QFileDevice::ReadGroup | QFileDevice::WriteGroup | QFileDevice::ExeGroup |
                                            QFileDevice::ReadOther | QFileDevice::WriteOther | QFileDevice::ExeOther;
    if (!file.exists() || !(file.permissions() & others))
        return;
    if (file.setPermissions(file.permissions() & ~others))
        WriteLog("The configuration file " + path + " could be read by others; it is now readable by its owner only");
    else
        WriteLog("The configuration file " + path +
                 " can be read by others and cannot be changed: " + file.errorString().toStdString());
}

} // namespace

std::string TConfig::DefaultDataFolder() {
    if (const char* folder = std::getenv("TRAWLIX_DATA_DIR"); folder && *folder)
        return WithSlash(folder);
    const QString base = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    return WithSlash(base.toStdString() + "/Trawlix");
}

TConfig TConfig::Load() {
    return LoadFor(DefaultDataFolder());
}

TConfig TConfig::LoadFor(const std::string& dataFolder) {
    TConfig config;
    config.DataFolder = WithSlash(dataFolder);
    config.AccountDatabase = config.DataFolder + "trawlix.fdb";
    KeepToOwner(config.DataFolder + FileName);
    const ValueSource source(config.DataFolder + FileName);
    source.Read("SiteDomain", "TRAWLIX_SITE_DOMAIN", config.SiteDomain);
    source.Read("AccountDatabase", "TRAWLIX_ACCOUNT_DB", config.AccountDatabase);
    source.Read("MailHost", "TRAWLIX_MAIL_HOST", config.MailHost);
    source.Read("MailPort", "TRAWLIX_MAIL_PORT", config.MailPort);
    source.Read("MailSender", "TRAWLIX_MAIL_SENDER", config.MailSender);
    source.Read("MailPassword", "TRAWLIX_MAIL_PASSWORD", config.MailPassword);
    source.Read("MakerServer", "TRAWLIX_MAKER_SERVER", config.MakerServer);
    source.Read("BannerServer", "TRAWLIX_BANNER_SERVER", config.BannerServer);
    source.Read("HomePage", "TRAWLIX_HOME_PAGE", config.HomePage);
    source.Read("ParserPauseMs", "TRAWLIX_PARSER_PAUSE_MS", config.ParserPauseMs);
    // A run pauses this long for every posting: hours per page would look like a hang.
    config.ParserPauseMs = std::clamp(config.ParserPauseMs, 0, MaxParserPauseMs);
    source.Read("HttpProxy", "TRAWLIX_HTTP_PROXY", config.HttpProxy);
    ReadLimit(source, "FetchTimeLimitSeconds", "TRAWLIX_FETCH_TIME_LIMIT_SECONDS", config.FetchTimeLimitSeconds,
              24 * 60 * 60);
    ReadLimit(source, "FetchSizeLimitMB", "TRAWLIX_FETCH_SIZE_LIMIT_MB", config.FetchSizeLimitMB, 4096);
    ReadLimit(source, "DatabaseTimeLimitSeconds", "TRAWLIX_DATABASE_TIME_LIMIT_SECONDS",
              config.DatabaseTimeLimitSeconds, 60 * 60);
    return config;
}
