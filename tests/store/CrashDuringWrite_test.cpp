// SPDX-License-Identifier: GPL-3.0-or-later
// ctest-labels: unit stress
// A writer process (tools/stress/store-writer.cpp) saves searches and settings in a loop
// and is killed with SIGKILL after a random delay, again and again. After every kill the
// searches file still loads, holds every search the writer reported saved, and the
// settings file still reads, with a value no older than the last one reported saved.
// TRAWLIX_STRESS_KILLS sets the number of kills (20 by default; `make stress` runs 200).
#include <algorithm>
#include <cstdlib>
#include <random>
#include <set>
#include <thread>

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSettings>
#include <QTemporaryDir>

#include "TestSupport.h"
#include "refdata/TCategories.h"
#include "refdata/TPlaces.h"
#include "store/TSearches.h"

namespace {

const QString Writer = QStringLiteral(TRAWLIX_BINARY_DIR "/tools/trawlix-store-writer");

int KillsToRun() {
    const char* text = std::getenv("TRAWLIX_STRESS_KILLS");
    const int kills = text ? std::atoi(text) : 0;
    return kills > 0 ? kills : 20;
}

/// What one writer run reported before it was killed: the last search and settings saved.
struct TReported {
    long LastSearch = -1;
    long LastSettings = -1;
};

TReported ParseReport(const QByteArray& output) {
    TReported reported;
    for (const QByteArray& line : output.split('\n')) {
        const QList<QByteArray> words = line.split(' ');
        if (words.size() != 2)
            continue; // the last line may be cut off by the kill
        bool ok = false;
        const long number = words[1].toLong(&ok);
        if (!ok)
            continue;
        if (words[0] == "search")
            reported.LastSearch = number;
        else if (words[0] == "settings")
            reported.LastSettings = number;
    }
    return reported;
}

class CrashDuringWriteTest : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(QFile::exists(Writer)) << Writer.toStdString();
        folder.InstallShippedRefData();
        places = std::make_unique<TPlaces>(folder.File("Places.tx"));
        categories = std::make_unique<TCategories>(folder.File("Categories.tx"));
        context.Places = places.get();
        context.Categories = categories.get();
    }

    /// Runs the writer from number first and kills it after delay; returns what it reported.
    TReported RunAndKill(long first, std::chrono::milliseconds delay) {
        QProcess writer;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("XDG_CONFIG_HOME"), configHome.path());
        environment.insert(QStringLiteral("ASAN_OPTIONS"), QStringLiteral("detect_leaks=0"));
        writer.setProcessEnvironment(environment);
        writer.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        writer.start(Writer, {QString::fromStdString(folder.Path()), QString::number(first)});
        EXPECT_TRUE(writer.waitForStarted());
        std::this_thread::sleep_for(delay);
        writer.kill();
        writer.waitForFinished();
        EXPECT_EQ(writer.exitStatus(), QProcess::CrashExit) << "the writer ended before it was killed";
        return ParseReport(writer.readAllStandardOutput());
    }

    /// The ids of the searches the file holds now; fails when loading reports anything.
    std::set<int> LoadedIds() const {
        TRecordingMessages messages;
        std::set<int> ids;
        {
            TSearches searches(TSearchesContext{folder.Path(), &context, nullptr, {}});
            searches.Load();
            for (const auto& search : searches.Items)
                ids.insert(search->SearchId);
        }
        EXPECT_TRUE(messages.Shown.empty()) << messages.Shown.front();
        return ids;
    }

    /// The refresh interval in the settings file now, read from a copy under a name of its
    /// own (QSettings keeps a file it has read in a cache of the process).
    long SavedRefreshInterval(int round) const {
        const QString file = configHome.path() + QStringLiteral("/Corvane/Trawlix.conf");
        if (!QFile::exists(file))
            return -1;
        const QString copy = checkFolder.path() + QStringLiteral("/round%1.conf").arg(round);
        EXPECT_TRUE(QFile::copy(file, copy));
        const QSettings settings(copy, QSettings::IniFormat);
        EXPECT_EQ(settings.status(), QSettings::NoError) << "round " << round;
        return settings.value(QStringLiteral("SearchRefreshInterval"), -1).toLongLong();
    }

    TTempDataFolder folder;
    QTemporaryDir configHome;
    QTemporaryDir checkFolder;
    std::unique_ptr<TPlaces> places;
    std::unique_ptr<TCategories> categories;
    TSearchContext context;
};

TEST_F(CrashDuringWriteTest, KilledWriterLeavesLoadableFilesAndLosesNoSavedSearch) {
    const int kills = KillsToRun();
    std::mt19937 random(std::random_device{}());
    // Early kills land while the writer starts and reads; later ones in the middle of saves.
    std::uniform_int_distribution<int> delayMs(0, 700);
    long next = 1;
    long lastSettings = -1;
    int killsAfterSaves = 0;
    for (int round = 0; round < kills; ++round) {
        const TReported reported = RunAndKill(next, std::chrono::milliseconds(delayMs(random)));
        if (reported.LastSearch >= next)
            ++killsAfterSaves;
        const std::set<int> ids = LoadedIds();
        const long saved = std::max(next - 1, reported.LastSearch);
        for (long id = 1; id <= saved; ++id)
            ASSERT_TRUE(ids.count(static_cast<int>(id))) << "search " << id << " lost in round " << round;
        // The writer may have saved one more than it could report.
        next = ids.empty() ? 1 : std::max(saved, static_cast<long>(*ids.rbegin())) + 1;
        lastSettings = std::max(lastSettings, reported.LastSettings);
        const long interval = SavedRefreshInterval(round);
        ASSERT_GE(interval, lastSettings) << "settings saved before round " << round << " were lost";
        if (HasFailure())
            return;
    }
    EXPECT_FALSE(QFile::exists(QString::fromStdString(folder.File(TSearches::UnreadableFileName))));
    const qsizetype strayData = QDir(QString::fromStdString(folder.Path()))
                                    .entryList(QDir::Files)
                                    .filter(QStringLiteral("SearchesTXF.tx."))
                                    .size();
    const qsizetype strayConfig =
        QDir(configHome.path() + QStringLiteral("/Corvane")).entryList(QDir::Files).size() - 1; // less Trawlix.conf
    std::printf("[ figures  ] %d kills survived, %d of them after at least one save; %ld searches saved; "
                "stray files left by the kills: %lld beside the searches file, %lld beside the settings\n",
                kills, killsAfterSaves, next - 1, static_cast<long long>(strayData),
                static_cast<long long>(strayConfig));
}

} // namespace
