// SPDX-License-Identifier: GPL-3.0-or-later
#include "account/RemoteSearches.h"

#include <array>
#include <chrono>
#include <functional>
#include <random>
#include <stdexcept>
#include <thread>

#include <QSqlError>
#include <QSqlQuery>

#include "core/TBackendConnection.h"
#include "core/TDatabaseError.h"
#include "core/TStoredProc.h"
#include "core/TTransaction.h"
#include "core/Log.h"
#include "core/TextHelpers.h"
#include "refdata/TPlaces.h"
#include "search/TCategoryGroup.h"
#include "search/TSearch.h"

namespace {

/// One value of a search with its name for INSERT_SEARCH and for the update statement.
struct TSearchValue {
    const char* InsertName;
    const char* UpdateName;
    QVariant Value;
};

const std::string UpdateSql =
    "EXECUTE PROCEDURE update_search_delete_locations :pID, :pFLD_ID, :pName, :pCategoryID, :pPositiveKeywords, "
    ":pNegativeKeywords, :pOnlyTitles, :pHasImage, :pFilterKeywords, :pFilterOR, :pFilterDays, :pAddMin, :pAddMax, "
    ":pAddBaths, :pAddCheck1, :pAddCheck2, :pAddCheck3, :pAddCheck4, :pAddCheck5, :pNotify, :pNotifyEMail, "
    ":pNotifyEMailDigest, :pDeleteLocations, :pAdv1, :pAdv2, :pAdv3, :pAdv4, :pAdv5, :pAdv6";

QVariant Flag(bool value) {
    return QString(QChar::fromLatin1(BoolToFlagChar(value)));
}

QVariant NullText() {
    return QVariant(QMetaType::fromType<QString>());
}

/// Empty texts travel as NULL.
QVariant OptionalText(const std::string& text) {
    return text.empty() ? NullText() : QVariant(QString::fromStdString(text));
}

/// Always a text, also when empty.
QVariant Text(const std::string& text) {
    const QString value = QString::fromStdString(text);
    return value.isNull() ? QVariant(QStringLiteral("")) : QVariant(value);
}

/// The category-specific slots: null unless the search's category group uses them.
struct TSlots {
    QVariant AddMin = QVariant(QMetaType::fromType<double>());
    QVariant AddMax = QVariant(QMetaType::fromType<double>());
    QVariant AddBaths = QVariant(QMetaType::fromType<int>());
    std::array<QVariant, CheckSlotCount> Checks{NullText(), NullText(), NullText(), NullText(), NullText()};
};

/// Ages travel as integers, rents and prices as floats.
QVariant RangeValue(const TNumberField& field, const TSearch& search) {
    const double value = field.Value(search);
    return field.IsWhole() ? QVariant(static_cast<int>(value)) : QVariant(value);
}

TSlots SlotsOf(const TSearch& search) {
    TSlots slots;
    const TGroupSlots& group = SlotsOfGroup(CategoryGroupOf(*search.Category));
    if (group.HasRange()) {
        slots.AddMin = RangeValue(group.Min, search);
        slots.AddMax = RangeValue(group.Max, search);
    }
    if (group.Baths.Field)
        slots.AddBaths = search.*group.Baths.Field;
    for (std::size_t i = 0; i < CheckSlotCount; ++i)
        if (group.Checks[i].Field)
            slots.Checks[i] = Flag(search.*group.Checks[i].Field);
    return slots;
}

std::vector<TSearchValue> ValuesOf(const TSearch& search) {
    if (!search.Category)
        throw std::logic_error("The search has no category");
    const TSlots slots = SlotsOf(search);
    return {
        {"FLD_ID", ":pFLD_ID", search.FolderId >= 1 ? QVariant(search.FolderId) : QVariant(QMetaType::fromType<int>())},
        {"NAME", ":pName", Text(search.Name.str())},
        {"CAT_ID", ":pCategoryID", search.Category->Id},
        {"POS_KEYWORDS", ":pPositiveKeywords", OptionalText(search.PositiveKeywords)},
        {"NEG_KEYWORDS", ":pNegativeKeywords", OptionalText(search.NegativeKeywords)},
        {"ONLY_TITLES", ":pOnlyTitles", Flag(search.OnlyTitles)},
        {"HAS_IMAGE", ":pHasImage", Flag(search.HasImage)},
        {"FILTER_KEYWORDS", ":pFilterKeywords", OptionalText(search.FilterKeywords)},
        {"FILTER_OR", ":pFilterOR", Flag(search.FilterOr)},
        {"FILTER_DAYS", ":pFilterDays", search.FilterDays},
        {"ADD_MIN", ":pAddMin", slots.AddMin},
        {"ADD_MAX", ":pAddMax", slots.AddMax},
        {"ADD_BATHS", ":pAddBaths", slots.AddBaths},
        {"ADD_CHECK1", ":pAddCheck1", slots.Checks[0]},
        {"ADD_CHECK2", ":pAddCheck2", slots.Checks[1]},
        {"ADD_CHECK3", ":pAddCheck3", slots.Checks[2]},
        {"ADD_CHECK4", ":pAddCheck4", slots.Checks[3]},
        {"ADD_CHECK5", ":pAddCheck5", slots.Checks[4]},
        {"NOTIFY", ":pNotify", Flag(search.NotifySms)},
        {"NOTIFY_EMAIL", ":pNotifyEMail", Flag(search.NotifyEmail)},
        {"NOTIFY_EMAIL_DIGEST", ":pNotifyEMailDigest", Flag(search.NotifyEmailDigest)},
        {"ADV1", ":pAdv1", OptionalText(search.AdvAllThese)},
        {"ADV2", ":pAdv2", OptionalText(search.AdvExact)},
        {"ADV3", ":pAdv3", OptionalText(search.AdvOr1)},
        {"ADV4", ":pAdv4", OptionalText(search.AdvOr2)},
        {"ADV5", ":pAdv5", OptionalText(search.AdvOr3)},
        {"ADV6", ":pAdv6", OptionalText(search.AdvNoneOfThese)},
    };
}

void Execute(QSqlQuery& query) {
    if (!query.exec())
        throw TDatabaseError(query.lastError().text().toStdString());
}

void WriteLocationRows(TBackendConnection& db, TSearch& search) {
    for (const TPlace* place : search.Locations()) {
        const auto query = db.NewQuery("INSERT INTO SEARCH_LOCATIONS VALUES (NULL, " + std::to_string(search.SearchId) +
                                       ", " + std::to_string(place->Id) + ")");
        Execute(*query);
    }
}

/// Another client's transaction changed or locked the same rows first: the server refused
/// this one as a whole, and running it again on a fresh snapshot is safe.
bool IsConcurrencyConflict(const std::string& error) {
    for (const char* marker : {"deadlock", "update conflicts with concurrent update", "lock conflict",
                               "concurrent transaction", "lock time-out"})
        if (error.find(marker) != std::string::npos)
            return true;
    return false;
}

/// Runs attempt, each time in a transaction of its own, until it commits, fails for a
/// reason other than a conflict with another client, or has met a conflict
/// ConflictAttempts times. Waits a short, growing, random time between attempts so that
/// the clients that collided do not collide again.
constexpr int ConflictAttempts = 6;

bool WithConflictRetry(TBackendConnection& db, const std::function<void()>& attempt) {
    thread_local std::minstd_rand random(std::random_device{}());
    for (int round = 1;; ++round) {
        const std::unique_ptr<TTransaction> transaction = TTransaction::BeginOrReport(db);
        if (!transaction)
            return false;
        try {
            attempt();
            transaction->Commit();
            return true;
        } catch (const std::exception& error) {
            const std::string text = error.what();
            WriteLog("Remote search write failed (attempt " + std::to_string(round) + "): " + text);
            if (!IsConcurrencyConflict(text) || round == ConflictAttempts)
                return false;
        }
        const int ceiling = 10 << round;
        std::this_thread::sleep_for(std::chrono::milliseconds(std::uniform_int_distribution<int>(5, ceiling)(random)));
    }
}

} // namespace

bool SaveSearchRemote(TBackendConnection& db, int userId, TSearch& search) {
    return search.SearchId < 1 ? InsertSearchRemote(db, userId, search) : UpdateSearchRemote(db, search);
}

bool InsertSearchRemote(TBackendConnection& db, int userId, TSearch& search) {
    const int earlierId = search.SearchId;
    const bool committed = WithConflictRetry(db, [&] {
        search.SearchId = earlierId;
        if (userId < 1)
            throw std::logic_error("Nobody is signed in");
        {
            const auto procedure = db.NewStoredProc("INSERT_SEARCH");
            procedure->SetParam("USR_ID", userId);
            for (const TSearchValue& value : ValuesOf(search))
                procedure->SetParam(value.InsertName, value.Value);
            procedure->Execute();
            search.SearchId = procedure->Output("NEW_ID").toInt();
        }
        // A new row has no locations yet, so every chosen location is written.
        WriteLocationRows(db, search);
    });
    if (!committed) {
        // The row is gone with the rollback: an id kept from it would name nothing.
        search.SearchId = earlierId;
        return false;
    }
    search.LocationsChanged = false;
    return true;
}

bool UpdateSearchRemote(TBackendConnection& db, TSearch& search) {
    if (search.SearchId < 1)
        return false;
    const bool committed = WithConflictRetry(db, [&] {
        {
            const auto query = db.NewQuery(UpdateSql);
            query->bindValue(QStringLiteral(":pID"), search.SearchId);
            for (const TSearchValue& value : ValuesOf(search))
                query->bindValue(QLatin1String(value.UpdateName), value.Value);
            query->bindValue(QStringLiteral(":pDeleteLocations"), Flag(search.LocationsChanged));
            Execute(*query);
        }
        if (search.LocationsChanged)
            WriteLocationRows(db, search);
    });
    if (committed)
        search.LocationsChanged = false;
    return committed;
}

bool DeleteSearchRemote(TBackendConnection& db, TSearch& search) {
    if (search.SearchId < 1)
        return false;
    return WithConflictRetry(db, [&] {
        const auto procedure = db.NewStoredProc("DELETE_SEARCH");
        procedure->SetParam("SRCH_ID", search.SearchId);
        procedure->Execute();
    });
}

void ReadSearchLocations(TBackendConnection& db, const TPlaces* places, TSearch& search, TPlaceList& list) {
    if (search.SearchId < 1)
        return;
    const auto query = db.NewQuery("SELECT SRCH_LOCATION_ID FROM SEARCH_LOCATIONS WHERE SRCH_ID = :pSrchID");
    query->bindValue(QStringLiteral(":pSrchID"), search.SearchId);
    if (!query->exec()) {
        db.NoteFailure();
        throw TDatabaseError(query->lastError().text().toStdString());
    }
    while (query->next()) {
        TPlace* place = places ? places->FindById(query->value(0).toInt()) : nullptr;
        if (place)
            list.push_back(place);
    }
}
