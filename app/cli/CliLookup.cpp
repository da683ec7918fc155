// SPDX-License-Identifier: GPL-3.0-or-later
#include "CliLookup.h"

#include <QString>

namespace {

bool SameText(const std::string& a, const std::string& b) {
    return QString::fromStdString(a).compare(QString::fromStdString(b), Qt::CaseInsensitive) == 0;
}

bool ReadId(const std::string& text, int& id) {
    bool ok = false;
    id = QString::fromStdString(text).toInt(&ok);
    return ok;
}

/// The one record that matches, preferring exact full names; throws when none or several.
const TPlace* Unique(const TPlaceList& matches, const std::string& what, const std::string& text) {
    if (matches.empty())
        throw TCliError("no " + what + " named \"" + text + "\"");
    if (matches.size() > 1) {
        std::string message = "\"" + text + "\" names several " + what + "s:";
        for (const TPlace* match : matches)
            message += "\n  " + std::to_string(match->Id) + "\t" + match->FullName();
        throw TCliError(message + "\nname one by its id or full name");
    }
    return matches.front();
}

TPlaceList Matching(const TPlaceItems& items, bool (*test)(const TPlace&, const std::string&),
                    const std::string& text) {
    TPlaceList matches;
    for (const auto& item : items)
        if (test(*item, text))
            matches.push_back(item.get());
    return matches;
}

const TPlace* FindByNames(const TPlaceItems& items, const std::string& text, const std::string& what) {
    TPlaceList matches = Matching(
        items, [](const TPlace& place, const std::string& name) { return SameText(place.FullName(), name); }, text);
    if (matches.empty())
        matches = Matching(
            items, [](const TPlace& place, const std::string& name) { return SameText(place.Name, name); }, text);
    return Unique(matches, what, text);
}

const TPlace* FindId(const TPlaceItems& items, int id, const std::string& what) {
    for (const auto& item : items)
        if (item->Id == id)
            return item.get();
    throw TCliError("no " + what + " with id " + std::to_string(id));
}

} // namespace

const TPlace* FindCategory(const TPlaceItems& categories, const std::string& text) {
    if (int id = 0; ReadId(text, id))
        return FindId(categories, id, "category");
    TPlaceList byCode = Matching(
        categories, [](const TPlace& category, const std::string& code) { return category.Link == code; }, text);
    if (!byCode.empty())
        return Unique(byCode, "category", text);
    return FindByNames(categories, text, "category");
}

const TPlace* FindPlace(const TPlaceItems& places, const std::string& text) {
    if (int id = 0; ReadId(text, id))
        return FindId(places, id, "location");
    return FindByNames(places, text, "location");
}

TPlaceList FindContaining(const TPlaceItems& items, const std::string& text) {
    const QString needle = QString::fromStdString(text);
    TPlaceList found;
    for (const auto& item : items)
        if (QString::fromStdString(item->Name).contains(needle, Qt::CaseInsensitive))
            found.push_back(item.get());
    return found;
}
