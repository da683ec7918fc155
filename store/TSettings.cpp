// SPDX-License-Identifier: GPL-3.0-or-later
#include "store/TSettings.h"

#include <limits>
#include <optional>

#include <QSettings>
#include <QStringList>

#include "refdata/TPlaces.h"

namespace {

const QString RefreshName = QStringLiteral("SearchRefreshInterval");
const QString CheckName = QStringLiteral("SearchCheckInterval");
const QString DigestName = QStringLiteral("EmailDigestInterval");
const QString SkinName = QStringLiteral("CustomSkin");
const QString NoticesName = QStringLiteral("DesktopNotices");
const QString LocationsName = QStringLiteral("DefaultLocations");

QSettings OpenKey() {
    return QSettings(QStringLiteral("Corvane"), QStringLiteral("Trawlix"));
}

// Values are 32-bit: the signed reading of the low 32 bits. Text that is no number, or a
// number no 32-bit value can hold, counts as a value of another type and is ignored.
std::optional<std::int32_t> ReadInt32(const QVariant& value) {
    bool ok = false;
    const qlonglong number = value.toLongLong(&ok);
    if (!ok || number < std::numeric_limits<std::int32_t>::min() ||
        number > static_cast<qlonglong>(std::numeric_limits<std::uint32_t>::max()))
        return std::nullopt;
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(number));
}

std::optional<QString> ReadText(const QVariant& value) {
    // The INI reader splits an unquoted value at commas; joining restores the text.
    if (value.typeId() == QMetaType::QStringList)
        return value.toStringList().join(QLatin1Char(','));
    if (value.typeId() == QMetaType::QString || value.typeId() == QMetaType::QByteArray)
        return value.toString();
    if (value.canConvert<QString>())
        return value.toString();
    return std::nullopt;
}

void ReadInterval(const QSettings& key, const QString& name, std::int64_t& field) {
    if (!key.contains(name))
        return;
    if (const auto number = ReadInt32(key.value(name)))
        field = *number;
}

std::int32_t Low32(std::int64_t value) {
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(value));
}

} // namespace

TSettings::TSettings() {
    Load();
}

TSettings::~TSettings() {
    Save();
}

void TSettings::Load() {
    Load(nullptr);
}

void TSettings::Load(const TPlaces* places) {
    const QSettings key = OpenKey();
    // The reader finds some faults only when it parses the values; allKeys parses them all.
    key.allKeys();
    m_unreadable = key.status() != QSettings::NoError;
    if (m_unreadable)
        return;
    ReadInterval(key, RefreshName, SearchRefreshInterval);
    ReadInterval(key, CheckName, SearchCheckInterval);
    ReadInterval(key, DigestName, EmailDigestInterval);
    if (key.contains(SkinName))
        if (const auto skin = ReadText(key.value(SkinName)))
            CustomSkin = skin->toStdString();
    if (key.contains(NoticesName))
        DesktopNotices = key.value(NoticesName).toBool();
    if (places && key.contains(LocationsName))
        if (const auto text = ReadText(key.value(LocationsName))) {
            const TPlaceList found = ParseLocations(text->toStdString(), *places);
            DefaultLocations.insert(DefaultLocations.end(), found.begin(), found.end());
        }
}

void TSettings::LoadDefaultLocations(const TPlaces& places) {
    const QSettings key = OpenKey();
    if (key.status() != QSettings::NoError || !key.contains(LocationsName))
        return;
    if (const auto text = ReadText(key.value(LocationsName)))
        DefaultLocations = ParseLocations(text->toStdString(), places);
}

void TSettings::Save() const {
    // A key that could not be read holds the user's values all the same: writing would
    // replace them. Its status is not reported again once the reader has cached it.
    if (m_unreadable)
        return;
    QSettings key = OpenKey();
    if (key.status() != QSettings::NoError || !key.isWritable())
        return;
    key.setValue(RefreshName, Low32(SearchRefreshInterval));
    key.setValue(CheckName, Low32(SearchCheckInterval));
    key.setValue(DigestName, Low32(EmailDigestInterval));
    key.setValue(SkinName, QString::fromStdString(CustomSkin));
    if (!DesktopNotices || key.contains(NoticesName))
        key.setValue(NoticesName, DesktopNotices);
    const std::string locations = LocationsText(DefaultLocations);
    if (!locations.empty())
        key.setValue(LocationsName, QString::fromStdString(locations));
    key.sync();
}

std::string TSettings::LocationsText(const TPlaceList& places) {
    std::string text;
    for (const TPlace* place : places)
        text += std::to_string(place->Id) + ";";
    return text;
}

TPlaceList TSettings::ParseLocations(const std::string& text, const TPlaces& places) {
    TPlaceList found;
    for (const QString& piece : QString::fromStdString(text).split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
        bool ok = false;
        const int id = piece.trimmed().toInt(&ok);
        if (!ok)
            continue;
        if (TPlace* place = places.FindById(id))
            found.push_back(place);
    }
    return found;
}
