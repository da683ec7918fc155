// SPDX-License-Identifier: GPL-3.0-or-later
// Results page parsing without the pause per posting, on the real 2009 and 2010 search
// pages as a fetch delivers them, decoding included (goal >= 250 MB/s), on the real 2023 page
// of today's markup (goal >= 100 MB/s), and widening a 50-location search by distance over
// the whole place table (goal < 20 ms).
#include <time.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>

#include "session/TSession.h"
#include "refdata/TCategories.h"
#include "refdata/TPlaces.h"
#include "search/PageDecoding.h"
#include "search/TResultsPageParser.h"
#include "search/TSearch.h"
#include "search/TSearchRun.h"

namespace {

using Clock = std::chrono::steady_clock;

// CPU time of the process: on a busy machine the wall time also counts other programs.
double CpuSeconds() {
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
}

std::string ReadPage(const std::string& name) {
    std::ifstream file(std::string(TRAWLIX_PAGES_DIR "/") + name, std::ios::binary);
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

/// Decodes page as a fetch does, then parses it. The pages are decoded once before the
/// rounds, so each round pays what a page that already is UTF-8 costs.
std::size_t ParsePage(std::string& page) {
    DecodePage(page, "text/html");
    std::size_t postings = 0;
    if (!TResultsPageParser::HasPostings(page))
        return 0;
    TResultsPageParser parser(page, "http://miami.craigslist.org/search/sss?query=+", ".craigslist.org");
    TParsedPosting posting;
    while (parser.Next(posting))
        ++postings;
    return postings;
}

bool BenchParse(const char* label, const std::vector<std::string>& names, double goal) {
    std::vector<std::string> pages;
    std::size_t bytesPerRound = 0;
    std::size_t postingsPerRound = 0;
    for (const std::string& name : names) {
        pages.push_back(ReadPage(name));
        postingsPerRound += ParsePage(pages.back());
        bytesPerRound += pages.back().size();
    }
    std::vector<double> rates;
    std::vector<double> pagesPerSecond;
    for (int sample = 0; sample < 7; ++sample) {
        int rounds = 0;
        std::size_t checksum = 0;
        const double start = CpuSeconds();
        double elapsed = 0;
        while (elapsed < 0.2) {
            for (std::string& page : pages)
                checksum += ParsePage(page);
            ++rounds;
            elapsed = CpuSeconds() - start;
        }
        if (checksum != postingsPerRound * static_cast<std::size_t>(rounds))
            std::abort();
        rates.push_back(static_cast<double>(bytesPerRound) * rounds / elapsed / 1e6);
        pagesPerSecond.push_back(static_cast<double>(pages.size()) * rounds / elapsed);
    }
    const double rate = Median(rates);
    std::printf("%s: %zu pages, %zu bytes, %zu postings per round\n", label, pages.size(), bytesPerRound,
                postingsPerRound);
    std::printf("%s: median %.0f MB/s, %.0f pages/s, %.0f postings/s  [goal >= %.0f MB/s]\n", label, rate,
                Median(pagesPerSecond),
                Median(pagesPerSecond) * static_cast<double>(postingsPerRound) / static_cast<double>(pages.size()),
                goal);
    return rate >= goal;
}

bool BenchExpand(const TSession& session) {
    TPlaceList leaves;
    for (const auto& place : session.Places->Items)
        if (place->Children.empty() && place->Latitude != 0 && leaves.size() < 50)
            leaves.push_back(place.get());
    std::vector<double> times;
    std::size_t found = 0;
    for (int round = 0; round < 9; ++round) {
        TSearch search(&session.SearchContext());
        search.SetLeafLocations(leaves);
        search.Distance = 100;
        const auto start = Clock::now();
        search.CurrentRun().ExpandByDistance();
        times.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
        found = search.CurrentRun().LocationsToSearch.size();
    }
    const double median = Median(times);
    std::printf("widen by distance: %zu leaf locations x %zu places, 100 miles -> %zu locations: median %.2f ms, "
                "max %.2f ms  [goal < 20 ms]\n",
                leaves.size(), session.Places->Items.size(), found, median,
                *std::max_element(times.begin(), times.end()));
    return median < 20;
}

} // namespace

int main(int argc, char** argv) {
    QTemporaryDir home;
    setenv("XDG_CONFIG_HOME", home.path().toLocal8Bit().constData(), 1);
    QCoreApplication application(argc, argv);
    const std::string folder = home.path().toStdString() + "/";
    QFile::copy(QStringLiteral(TRAWLIX_REFDATA_OUT "/Places.tx"), QString::fromStdString(folder + "Places.tx"));
    TSession session(TConfig::LoadFor(folder));
    session.SetTables(std::make_unique<TPlaces>(folder + "Places.tx"), nullptr);

    const bool parseOk = BenchParse("page parse",
                                    {"old-results-2009-search-miami-duplex-found93.html",
                                     "old-results-2009-search-miami-page-701-800-of-1000.html",
                                     "old-results-2010-search-miami-pets-kitten-found21.html"},
                                    250);
    const bool todayOk = BenchParse("today's page parse", {"new-results-2023-boston-sss.html"}, 100);
    const bool expandOk = BenchExpand(session);
    return parseOk && todayOk && expandOk ? 0 : 1;
}
