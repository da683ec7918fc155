// SPDX-License-Identifier: GPL-3.0-or-later
// ctest-labels: unit
// The configuration file may hold the mail password: it is made readable by its owner
// only, both when tools/install-data creates it and when a looser one is read.
#include "core/TConfig.h"

#include <sys/stat.h>

#include <cstdlib>

#include <gtest/gtest.h>

#include <QProcess>

#include "TestSupport.h"

namespace {

mode_t ModeOf(const std::string& path) {
    struct stat status {};
    EXPECT_EQ(stat(path.c_str(), &status), 0) << path;
    return status.st_mode & 07777;
}

TEST(ConfigFilePermissionsTest, ALooserFileIsTightenedWhenRead) {
    unsetenv("TRAWLIX_MAIL_PASSWORD");
    const mode_t modes[] = {0644, 0640, 0604, 0666, 0600, 0400};
    for (const mode_t mode : modes) {
        TTempDataFolder folder;
        folder.WriteFile(TConfig::FileName, "[General]\nMailPassword=from-the-file\n");
        const std::string path = folder.File(TConfig::FileName);
        ASSERT_EQ(chmod(path.c_str(), mode), 0);
        const TConfig config = TConfig::LoadFor(folder.Path());
        EXPECT_EQ(config.MailPassword, "from-the-file") << std::oct << mode;
        EXPECT_EQ(ModeOf(path), mode & 0700) << std::oct << mode;
    }
}

TEST(ConfigFilePermissionsTest, TheEnvironmentOverridesTheFile) {
    TTempDataFolder folder;
    folder.WriteFile(TConfig::FileName, "[General]\nMailPassword=from-the-file\n");
    setenv("TRAWLIX_MAIL_PASSWORD", "from-the-environment", 1);
    EXPECT_EQ(TConfig::LoadFor(folder.Path()).MailPassword, "from-the-environment");
    unsetenv("TRAWLIX_MAIL_PASSWORD");
}

TEST(ConfigFilePermissionsTest, InstallDataCreatesItForTheOwnerOnly) {
    struct Case {
        const char* name;
        const char* existing; // nullptr: no file yet
        mode_t mode;
    };
    const Case cases[] = {
        {"new file", nullptr, 0},
        {"readable by all", "[General]\nMailPassword=kept\n", 0644},
    };
    for (const Case& c : cases) {
        TTempDataFolder folder;
        const std::string path = folder.File(TConfig::FileName);
        if (c.existing) {
            folder.WriteFile(TConfig::FileName, c.existing);
            ASSERT_EQ(chmod(path.c_str(), c.mode), 0);
        }
        QProcess install;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("TRAWLIX_DATA_DIR"), QString::fromStdString(folder.Path()));
        // A server database: nothing to create in the folder.
        environment.insert(QStringLiteral("TRAWLIX_ACCOUNT_DB"), QStringLiteral("127.0.0.1:NONE"));
        install.setProcessEnvironment(environment);
        install.start(QStringLiteral(TRAWLIX_SOURCE_DIR "/tools/install-data"), {QStringLiteral(TRAWLIX_BINARY_DIR)});
        ASSERT_TRUE(install.waitForFinished(60000)) << c.name;
        ASSERT_EQ(install.exitCode(), 0) << c.name << ": " << install.readAllStandardError().toStdString();
        EXPECT_EQ(ModeOf(path), 0600) << c.name;
        if (c.existing) {
            EXPECT_EQ(folder.ReadFile(TConfig::FileName), c.existing) << c.name;
        }
        EXPECT_EQ(TConfig::LoadFor(folder.Path()).MailPassword, c.existing ? "kept" : TConfig{}.MailPassword) << c.name;
    }
}

} // namespace
