// SPDX-License-Identifier: GPL-3.0-or-later
// One client of the many-clients check of the account database:
//   trawlix-stress-client --database ADDRESS --user-id ID --seconds N --seed S --record FILE
//                         [--shared ID,ID...]
// For N seconds it inserts, updates and deletes searches of the account ID through the
// program's own remote-search code, one write at a time, like a copy of the program whose
// user keeps editing. It also updates the shared searches, which other clients update at
// the same time (the same account open on two computers); their every save writes all
// their locations, so each save is one whole state. A write that fails is counted and made again later (the search
// keeps its unsaved change); when the time is up every unsaved change is written until it commits. FILE then gets, per
// search, what its last successful save left in the database
// ("search" and "shared" lines) or that it was deleted ("deleted" lines), and the
// client's counts.
// Exit code 0 when everything was saved in the end, 1 when something stayed unsaved, 2 on
// bad arguments or no connection.
#include <chrono>
#include <iostream>
#include <map>
#include <memory>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include <QCoreApplication>
#include <QSaveFile>
#include <QTemporaryDir>

#include "account/RemoteSearches.h"
#include "core/TBackendConnection.h"
#include "refdata/TPlace.h"
#include "search/TSearch.h"

namespace {

struct TOptions {
    std::string Database;
    int UserId = 0;
    int Seconds = 10;
    unsigned Seed = 1;
    std::string Record;
    std::vector<int> Shared;
};

bool ParseOptions(const QStringList& arguments, TOptions& options) {
    for (int i = 1; i + 1 < arguments.size(); i += 2) {
        const QString& name = arguments[i];
        const std::string value = arguments[i + 1].toStdString();
        if (name == QLatin1String("--database"))
            options.Database = value;
        else if (name == QLatin1String("--user-id"))
            options.UserId = std::stoi(value);
        else if (name == QLatin1String("--seconds"))
            options.Seconds = std::stoi(value);
        else if (name == QLatin1String("--seed"))
            options.Seed = static_cast<unsigned>(std::stoul(value));
        else if (name == QLatin1String("--record"))
            options.Record = value;
        else if (name == QLatin1String("--shared"))
            for (const QString& id : arguments[i + 1].split(QLatin1Char(','), Qt::SkipEmptyParts))
                options.Shared.push_back(id.toInt());
        else
            return false;
    }
    return arguments.size() % 2 == 1 && !options.Database.empty() && options.UserId > 0 && !options.Record.empty();
}

const std::vector<std::string> Words{"bike", "sofa", "piano", "lamp", "desk", "kayak", "tent", "drill"};
constexpr int PlaceCount = 40;
constexpr std::size_t MostSearches = 6;

/// A search of this client with the values its last successful save wrote.
struct TTracked {
    std::unique_ptr<TSearch> Search;
    bool Dirty = true;
    bool DeleteWanted = false;
    bool Shared = false;
    std::string Saved;
};

class TStressClient {
public:
    TStressClient(const TOptions& options, TBackendConnection& db)
        : m_options(options), m_db(db), m_random(options.Seed) {
        m_category.Id = 77;
        m_category.Name = "community";
        for (int id = 1; id <= PlaceCount; ++id) {
            auto place = std::make_unique<TPlace>();
            place->Id = 5000 + id;
            place->Name = "place " + std::to_string(id);
            m_places.push_back(std::move(place));
        }
        for (const int id : options.Shared) {
            TTracked tracked;
            tracked.Shared = true;
            tracked.Search = std::make_unique<TSearch>();
            tracked.Search->Category = &m_category;
            tracked.Search->SearchId = id;
            m_shared.push_back(std::move(tracked));
        }
    }

    void Run() {
        const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(m_options.Seconds);
        while (std::chrono::steady_clock::now() < end)
            Step();
        // Everything still unsaved is written now; a few rounds cover passing conflicts.
        for (int round = 0; round < 20 && HasUnsaved(); ++round)
            WriteDirty();
    }

    bool HasUnsaved() const {
        for (const auto* list : {&m_searches, &m_shared})
            for (const auto& tracked : *list)
                if (tracked.Dirty)
                    return true;
        return false;
    }

    std::string Record() const {
        std::ostringstream out;
        for (const auto* list : {&m_searches, &m_shared})
            for (const auto& tracked : *list)
                if (!tracked.Saved.empty())
                    out << (tracked.Shared ? "shared" : "search") << tracked.Saved << '\n';
        for (const int id : m_deleted)
            out << "deleted\t" << id << '\n';
        out << "counts\tops=" << m_operations << "\tinserts=" << m_inserts << "\tupdates=" << m_updates
            << "\tdeletes=" << m_deletes << "\tfailed=" << m_failures << "\tunsaved=" << (HasUnsaved() ? 1 : 0) << '\n';
        return out.str();
    }

private:
    int Pick(int count) { return std::uniform_int_distribution<int>(0, count - 1)(m_random); }

    void Step() {
        const int choice = Pick(10);
        if (m_searches.size() < 2 || (choice < 3 && m_searches.size() < MostSearches))
            NewSearch();
        else if (choice < 9)
            Edit(m_searches[static_cast<std::size_t>(Pick(static_cast<int>(m_searches.size())))]);
        else
            WantDeleted(m_searches[static_cast<std::size_t>(Pick(static_cast<int>(m_searches.size())))]);
        if (!m_shared.empty() && Pick(3) == 0)
            Edit(m_shared[static_cast<std::size_t>(Pick(static_cast<int>(m_shared.size())))]);
        WriteDirty();
        std::erase_if(m_searches, [](const TTracked& tracked) { return tracked.DeleteWanted && !tracked.Dirty; });
    }

    static void WantDeleted(TTracked& tracked) {
        tracked.DeleteWanted = true;
        tracked.Dirty = true;
    }

    /// A failed write stays dirty; it is written again with the next change or at the end.
    void WriteDirty() {
        for (auto* list : {&m_searches, &m_shared})
            for (auto& tracked : *list)
                if (tracked.Dirty)
                    Write(tracked);
    }

    void NewSearch() {
        TTracked tracked;
        tracked.Search = std::make_unique<TSearch>();
        tracked.Search->Category = &m_category;
        m_searches.push_back(std::move(tracked));
        Edit(m_searches.back());
    }

    void Edit(TTracked& tracked) {
        TSearch& search = *tracked.Search;
        search.Name = "client " + std::to_string(m_options.Seed) + " search " + std::to_string(++m_edits);
        search.PositiveKeywords = Words[static_cast<std::size_t>(Pick(static_cast<int>(Words.size())))];
        search.FilterDays = Pick(30);
        search.OnlyTitles = Pick(2) == 1;
        if (search.SearchId < 1 || tracked.Shared || Pick(2) == 0) {
            TPlaceList places;
            const int count = 1 + Pick(4);
            for (int i = 0; i < count; ++i)
                places.push_back(m_places[static_cast<std::size_t>(Pick(PlaceCount))].get());
            search.SetLocations(places);
        }
        // Another client may have changed the shared rows meanwhile: write them whole.
        if (tracked.Shared)
            search.LocationsChanged = true;
        tracked.Dirty = true;
    }

    void Write(TTracked& tracked) {
        TSearch& search = *tracked.Search;
        ++m_operations;
        if (tracked.DeleteWanted && search.SearchId < 1) {
            tracked.Dirty = false;
            return;
        }
        const bool inserting = search.SearchId < 1;
        const bool ok =
            tracked.DeleteWanted ? DeleteSearchRemote(m_db, search) : SaveSearchRemote(m_db, m_options.UserId, search);
        if (!ok) {
            ++m_failures;
            return;
        }
        tracked.Dirty = false;
        if (tracked.DeleteWanted) {
            ++m_deletes;
            m_deleted.push_back(search.SearchId);
            tracked.Saved.clear();
            return;
        }
        ++(inserting ? m_inserts : m_updates);
        tracked.Saved = Describe(search);
    }

    static std::string Describe(TSearch& search) {
        std::ostringstream line;
        line << '\t' << search.SearchId << '\t' << search.Name.str() << '\t' << search.PositiveKeywords << '\t'
             << search.FilterDays << '\t' << (search.OnlyTitles ? 'T' : 'F') << '\t';
        const char* separator = "";
        for (const TPlace* place : search.Locations()) {
            line << separator << place->Id;
            separator = ",";
        }
        return line.str();
    }

    const TOptions& m_options;
    TBackendConnection& m_db;
    std::minstd_rand m_random;
    TPlace m_category;
    std::vector<std::unique_ptr<TPlace>> m_places;
    std::vector<TTracked> m_searches;
    std::vector<TTracked> m_shared;
    std::vector<int> m_deleted;
    int m_edits = 0;
    long m_operations = 0, m_inserts = 0, m_updates = 0, m_deletes = 0, m_failures = 0;
};

bool WriteRecord(const std::string& file, const std::string& text) {
    QSaveFile out(QString::fromStdString(file));
    return out.open(QIODevice::WriteOnly) && out.write(text.data(), static_cast<qint64>(text.size())) >= 0 &&
           out.commit();
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication application(argc, argv);
    TOptions options;
    try {
        if (!ParseOptions(QCoreApplication::arguments(), options)) {
            std::cerr << "usage: trawlix-stress-client --database ADDRESS --user-id ID --seconds N --seed S "
                         "--record FILE\n";
            return 2;
        }
    } catch (const std::exception&) {
        std::cerr << "trawlix-stress-client: numbers expected\n";
        return 2;
    }
    const QTemporaryDir dataFolder;
    TBackendConnection db(options.Database, dataFolder.path().toStdString() + "/");
    try {
        db.Connection();
    } catch (const std::exception& error) {
        std::cerr << "trawlix-stress-client: " << error.what() << '\n';
        return 2;
    }
    TStressClient client(options, db);
    client.Run();
    if (!WriteRecord(options.Record, client.Record())) {
        std::cerr << "trawlix-stress-client: cannot write " << options.Record << '\n';
        return 2;
    }
    return client.HasUnsaved() ? 1 : 0;
}
