// SPDX-License-Identifier: GPL-3.0-or-later
// Loading (create and load) and saving a searches file of 20 searches with 1,000 results
// each. Goals: each under 100 ms, the whole process under 60 MB at its peak.
#include <sys/resource.h>
#include <time.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "session/TSession.h"
#include "refdata/TCategories.h"
#include "refdata/TPlaces.h"
#include "store/TSearches.h"

namespace {

constexpr int SearchCount = 20;
constexpr int ResultsPerSearch = 1000;
constexpr int Rounds = 7;

using Clock = std::chrono::steady_clock;

double Milliseconds(Clock::duration duration) {
    return std::chrono::duration<double, std::milli>(duration).count();
}

// CPU time of the process: on a busy machine the wall time also counts other programs.
double CpuMilliseconds() {
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) * 1000.0 + static_cast<double>(now.tv_nsec) / 1e6;
}

std::unique_ptr<TSearch> MakeSearch(const TSession& session, int id) {
    auto search = std::make_unique<TSearch>(&session.SearchContext());
    search->SearchId = id;
    search->Name = "search " + std::to_string(id);
    search->Category = session.Categories->FindById(27);
    search->SetLocations({session.Places->FindById(3), session.Places->FindById(4)});
    search->PositiveKeywords = "two bedroom apartment";
    search->MinRent = 500;
    search->MaxRent = 1500.5;
    for (int n = 0; n < ResultsPerSearch; ++n) {
        const std::string number = std::to_string(id * 100000 + n);
        search->Results.push_back(std::make_unique<TEntry>(
            "Mar " + std::to_string(n % 28 + 1), "$" + std::to_string(900 + n) + " / 2br - sunny flat near the park",
            "http://sfbay.craigslist.org/sfc/apa/" + number + ".html", 900 + n,
            "united states - california - SF bay area", n % 3 == 0));
    }
    return search;
}

long PeakKilobytes() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

} // namespace

int main(int argc, char** argv) {
    QTemporaryDir home;
    setenv("XDG_CONFIG_HOME", home.path().toLocal8Bit().constData(), 1);
    QCoreApplication application(argc, argv);
    const std::string folder = home.path().toStdString() + "/";
    for (const char* name : {"Places.tx", "Categories.tx"})
        QFile::copy(QStringLiteral(TRAWLIX_REFDATA_OUT "/") + QLatin1String(name),
                    QString::fromStdString(folder + name));
    TSession session(TConfig::LoadFor(folder));
    session.SetTables(std::make_unique<TPlaces>(folder + "Places.tx"),
                      std::make_unique<TCategories>(folder + "Categories.tx"));
    const double baseMb = static_cast<double>(PeakKilobytes()) / 1024.0;

    {
        // The file to measure against, written search by search.
        TSearches searches(session.SearchesContext());
        for (int id = 1; id <= SearchCount; ++id)
            searches.Save(*MakeSearch(session, id), true, false);
    }
    const auto fileSize = QFileInfo(QString::fromStdString(folder + TSearches::FileName)).size();

    std::vector<double> loads;
    std::vector<double> saves;
    std::vector<double> loadCpu;
    std::vector<double> saveCpu;
    std::size_t loaded = 0;
    for (int round = 0; round < Rounds; ++round) {
        auto start = Clock::now();
        double cpu = CpuMilliseconds();
        auto searches = std::make_unique<TSearches>(session.SearchesContext());
        searches->Load();
        loads.push_back(Milliseconds(Clock::now() - start));
        loadCpu.push_back(CpuMilliseconds() - cpu);
        loaded = searches->Items.size();

        start = Clock::now();
        cpu = CpuMilliseconds();
        searches->Save(*searches->Items[static_cast<std::size_t>(round) % loaded], true, false);
        saves.push_back(Milliseconds(Clock::now() - start));
        saveCpu.push_back(CpuMilliseconds() - cpu);
    }

    const double load = Median(loads);
    const double save = Median(saves);
    const double peakMb = static_cast<double>(PeakKilobytes()) / 1024.0;
    std::printf("searches file: %d searches x %d results, %lld bytes (%.1f MB), %zu searches loaded\n", SearchCount,
                ResultsPerSearch, static_cast<long long>(fileSize), static_cast<double>(fileSize) / 1048576.0, loaded);
    std::printf("load (create + load): median %.1f ms, min %.1f ms, CPU %.1f ms  [goal < 100 ms]\n", load,
                *std::min_element(loads.begin(), loads.end()), Median(loadCpu));
    std::printf("save (one search, local): median %.1f ms, min %.1f ms, CPU %.1f ms  [goal < 100 ms]\n", save,
                *std::min_element(saves.begin(), saves.end()), Median(saveCpu));
    std::printf("peak memory (ru_maxrss): %.1f MB  [goal < 60 MB]; %.1f MB before the first searches file\n", peakMb,
                baseMb);
    return load < 100 && save < 100 && peakMb < 60 ? 0 : 1;
}
