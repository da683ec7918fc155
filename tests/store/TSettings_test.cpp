// SPDX-License-Identifier: GPL-3.0-or-later
// ctest-labels: unit threads
#include "store/TSettings.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>

#include "TestSupport.h"
#include "session/TSession.h"
#include "refdata/TPlaces.h"

namespace {

/// A private settings location per test (what XDG_CONFIG_HOME would give).
class TSettingsTest : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(configHome.isValid());
        for (QSettings::Format format : {QSettings::NativeFormat, QSettings::IniFormat})
            QSettings::setPath(format, QSettings::UserScope, configHome.path());
        folder.InstallShippedRefData();
    }

    QString KeyFile() const { return configHome.path() + QStringLiteral("/Corvane/Trawlix.conf"); }

    void WriteKey(const std::string& iniText) const {
        QDir().mkpath(configHome.path() + QStringLiteral("/Corvane"));
        QFile file(KeyFile());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(iniText.data(), static_cast<qint64>(iniText.size()));
    }

    /// The stored value as text; "<none>" when the value does not exist.
    static std::string Stored(const char* name) {
        const QSettings key(QStringLiteral("Corvane"), QStringLiteral("Trawlix"));
        if (!key.contains(QLatin1String(name)))
            return "<none>";
        return key.value(QLatin1String(name)).toString().toStdString();
    }

    const TPlaces& Places() {
        if (!places)
            places = std::make_unique<TPlaces>(folder.File("Places.tx"));
        return *places;
    }

    static std::vector<int> Ids(const TPlaceList& list) {
        std::vector<int> ids;
        for (const TPlace* place : list)
            ids.push_back(place->Id);
        return ids;
    }

    QTemporaryDir configHome;
    TTempDataFolder folder;
    std::unique_ptr<TPlaces> places;
};

TEST_F(TSettingsTest, WithoutAKeyTheDefaultsAreUsedAndDestroyingStoresThem) {
    {
        TSettings settings;
        EXPECT_EQ(settings.SearchRefreshInterval, 0);
        EXPECT_EQ(settings.SearchCheckInterval, 900000);
        EXPECT_EQ(settings.EmailDigestInterval, 43200000);
        EXPECT_EQ(settings.CustomSkin, "");
        EXPECT_TRUE(settings.DefaultLocations.empty());
    }
    EXPECT_TRUE(QFile::exists(KeyFile()));
    EXPECT_EQ(Stored("SearchRefreshInterval"), "0");
    EXPECT_EQ(Stored("SearchCheckInterval"), "900000");
    EXPECT_EQ(Stored("EmailDigestInterval"), "43200000");
    EXPECT_EQ(Stored("CustomSkin"), "");
    EXPECT_EQ(Stored("DefaultLocations"), "<none>");
}

struct TIntervalCase {
    const char* stored;
    std::int64_t expected;
};

class TStoredIntervalTest : public TSettingsTest, public testing::WithParamInterface<TIntervalCase> {};

// A stored interval is a 32-bit value widened with its sign; text that is no 32-bit value
// is ignored and the default stays.
TEST_P(TStoredIntervalTest, ReadsAs64BitValue) {
    WriteKey(std::string("[General]\nSearchCheckInterval=") + GetParam().stored + "\n");
    const TSettings settings;
    EXPECT_EQ(settings.SearchCheckInterval, GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Values, TStoredIntervalTest,
                         testing::Values(TIntervalCase{"-1", -1}, TIntervalCase{"600000", 600000},
                                         TIntervalCase{"4294967295", -1}, TIntervalCase{"2147483648", -2147483648LL},
                                         TIntervalCase{"-2147483648", -2147483648LL},
                                         TIntervalCase{"5000000000", 900000}, TIntervalCase{"fifteen", 900000},
                                         TIntervalCase{"", 900000}, TIntervalCase{"1.5", 900000}));

TEST_F(TSettingsTest, SavingStoresTheLow32BitsOfEachInterval) {
    {
        TSettings settings;
        settings.SearchRefreshInterval = -1;
        settings.SearchCheckInterval = (std::int64_t{1} << 32) + 5;
        settings.EmailDigestInterval = 3000000000LL;
        settings.CustomSkin = "Dark Ölive";
    }
    EXPECT_EQ(Stored("SearchRefreshInterval"), "-1");
    EXPECT_EQ(Stored("SearchCheckInterval"), "5");
    EXPECT_EQ(Stored("EmailDigestInterval"), "-1294967296");
    const TSettings reloaded;
    EXPECT_EQ(reloaded.SearchRefreshInterval, -1);
    EXPECT_EQ(reloaded.EmailDigestInterval, -1294967296LL);
    EXPECT_EQ(reloaded.CustomSkin, "Dark Ölive");
}

TEST_F(TSettingsTest, KeepsTheOtherValuesOfTheKey) {
    WriteKey("[General]\nWindowLeft=40\nCustomSkin=Ocean\n");
    { const TSettings settings; }
    EXPECT_EQ(Stored("WindowLeft"), "40");
    EXPECT_EQ(Stored("CustomSkin"), "Ocean");
}

TEST_F(TSettingsTest, DesktopNoticesAreStoredOnlyOnceTurnedOff) {
    { TSettings settings; }
    EXPECT_EQ(Stored("DesktopNotices"), "<none>");
    {
        TSettings settings;
        EXPECT_TRUE(settings.DesktopNotices);
        settings.DesktopNotices = false;
    }
    EXPECT_EQ(Stored("DesktopNotices"), "false");
    {
        TSettings settings;
        EXPECT_FALSE(settings.DesktopNotices);
        settings.DesktopNotices = true;
    }
    EXPECT_EQ(Stored("DesktopNotices"), "true");
}

TEST_F(TSettingsTest, DefaultLocationsAreStoredAsIdsEachFollowedBySeparator) {
    {
        TSettings settings;
        settings.DefaultLocations = {Places().FindById(12), Places().FindById(345), Places().FindById(6)};
    }
    EXPECT_EQ(Stored("DefaultLocations"), "12;345;6;");
}

TEST_F(TSettingsTest, AnEmptyListLeavesTheStoredLocations) {
    WriteKey("[General]\nDefaultLocations=\"12;345;\"\n");
    {
        TSettings settings;
        settings.Load(&Places());
        ASSERT_EQ(Ids(settings.DefaultLocations), (std::vector<int>{12, 345}));
        settings.DefaultLocations.clear();
        settings.Save();
    }
    EXPECT_EQ(Stored("DefaultLocations"), "12;345;");
}

struct TLocationsCase {
    const char* text;
    std::vector<int> expected;
};

class TLocationsTextTest : public TSettingsTest, public testing::WithParamInterface<TLocationsCase> {};

TEST_P(TLocationsTextTest, ReadsKnownPlacesInOrder) {
    EXPECT_EQ(Ids(TSettings::ParseLocations(GetParam().text, Places())), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Texts, TLocationsTextTest,
                         testing::Values(TLocationsCase{"12;;345;", {12, 345}},
                                         TLocationsCase{"12;345;6", {12, 345, 6}}, TLocationsCase{";;;", {}},
                                         TLocationsCase{"", {}}, TLocationsCase{"12;99999999;6;", {12, 6}},
                                         TLocationsCase{"12;abc;345;", {12, 345}}, TLocationsCase{"6;6;", {6, 6}}));

TEST_F(TSettingsTest, LocationsAreReadOnlyWithAPlaceTable) {
    WriteKey("[General]\nDefaultLocations=\"12;;345;\"\n");
    TSettings settings; // no session: nothing to look the ids up in
    EXPECT_TRUE(settings.DefaultLocations.empty());
    settings.Load(&Places());
    EXPECT_EQ(Ids(settings.DefaultLocations), (std::vector<int>{12, 345}));
}

TEST_F(TSettingsTest, AKeyThatCannotBeOpenedKeepsTheDefaultsAndWritesNothing) {
    // A folder where the key's file should be: it can be neither read nor written.
    QDir().mkpath(KeyFile());
    {
        TSettings settings;
        EXPECT_EQ(settings.SearchCheckInterval, 900000);
        settings.SearchCheckInterval = 60000;
    }
    EXPECT_TRUE(QFileInfo(KeyFile()).isDir());
    EXPECT_EQ(QDir(configHome.path() + QStringLiteral("/Corvane")).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
              QStringList{QStringLiteral("Trawlix.conf")});
}

// A file the reader rejects could well be written over: the user's text must survive, also
// when the reader finds the fault only inside a section.
TEST_F(TSettingsTest, AKeyThatCannotBeReadKeepsTheDefaultsAndIsNotWrittenOver) {
    for (const std::string unreadable :
         {"[General\nSearchCheckInterval=60000\n", "[General]\nSearchCheckInterval=60000\nno setting here\n"}) {
        SCOPED_TRACE(unreadable);
        WriteKey(unreadable);
        {
            TSettings settings;
            EXPECT_EQ(settings.SearchCheckInterval, 900000);
            settings.SearchCheckInterval = 120000;
            settings.CustomSkin = "Ocean";
        }
        QFile file(KeyFile());
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        EXPECT_EQ(file.readAll().toStdString(), unreadable);
    }
}

TEST_F(TSettingsTest, TheSessionLoadsSettingsAndReadsLocationsOnlyAfterSignIn) {
    WriteKey("[General]\nCustomSkin=Ocean\nDefaultLocations=\"12;345;\"\n");
    TRecordingMessages messages;
    auto session = std::make_unique<TSession>(folder.Config());
    ASSERT_TRUE(session->Settings);
    EXPECT_EQ(session->Settings->CustomSkin, "Ocean");
    EXPECT_TRUE(session->Settings->DefaultLocations.empty());

    bool done = false;
    session->OnSignInDone = [&] { done = true; };
    session->OpenSession();
    ASSERT_TRUE(WaitFor([&] { return done; }));
    ASSERT_TRUE(session->SignedIn);
    EXPECT_EQ(Ids(session->Settings->DefaultLocations), (std::vector<int>{12, 345}));

    done = false;
    session->CloseSession(false);
    EXPECT_TRUE(session->Settings->DefaultLocations.empty());
    ASSERT_TRUE(WaitFor([&] { return !session->FinishThread; }));
    EXPECT_FALSE(session->Places);

    session->Settings->CustomSkin = "Forest";
    session.reset();
    EXPECT_EQ(Stored("CustomSkin"), "Forest");
    EXPECT_EQ(Stored("DefaultLocations"), "12;345;");
}

} // namespace
