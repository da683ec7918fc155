// SPDX-License-Identifier: GPL-3.0-or-later
// The single-instance start with real processes of the program.
#include <gtest/gtest.h>

#include <QFile>
#include <QProcess>
#include <QUuid>

#include "TestSupport.h"

namespace {

const QString Program = QStringLiteral(TRAWLIX_BINARY_DIR "/app/trawlix");

class SingleInstanceTest : public testing::Test {
protected:
    std::unique_ptr<QProcess> Start(const TTempDataFolder& folder, QStringList arguments = {}) {
        auto process = std::make_unique<QProcess>();
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("TRAWLIX_DATA_DIR"), QString::fromStdString(folder.Path()));
        environment.insert(QStringLiteral("TRAWLIX_INSTANCE_NAME"), instanceName);
        process->setProcessEnvironment(environment);
        process->start(Program, arguments);
        EXPECT_TRUE(process->waitForStarted());
        return process;
    }

    static bool WaitForOutput(QProcess& process, const QByteArray& text, QByteArray& seen) {
        return WaitFor([&] {
            seen += process.readAllStandardOutput();
            return seen.contains(text);
        });
    }

    const QString instanceName = QStringLiteral("Trawlix-test-") + QUuid::createUuid().toString(QUuid::WithoutBraces);
};

TEST_F(SingleInstanceTest, ASecondStartBringsTheFirstToFrontAndTouchesNothing) {
    TTempDataFolder firstFolder, secondFolder;
    firstFolder.InstallShippedRefData();
    auto first = Start(firstFolder);
    QByteArray firstOutput;
    ASSERT_TRUE(WaitForOutput(*first, "Signed in.", firstOutput)) << firstOutput.constData();

    auto second = Start(secondFolder);
    ASSERT_TRUE(second->waitForFinished(10000));
    EXPECT_EQ(second->exitCode(), 0);
    EXPECT_TRUE(second->readAllStandardOutput().isEmpty());
    EXPECT_FALSE(QFile::exists(QString::fromStdString(secondFolder.File("log.tx"))));
    EXPECT_TRUE(WaitForOutput(*first, "Asked to come to the front", firstOutput));
    EXPECT_EQ(firstOutput.count("Asked to come to the front"), 1);

    // A crashed instance leaves nothing behind that stops the next start.
    first->kill();
    ASSERT_TRUE(first->waitForFinished(10000));
    auto third = Start(firstFolder, {QStringLiteral("--summary")});
    ASSERT_TRUE(third->waitForFinished(20000));
    EXPECT_EQ(third->exitCode(), 0);
    EXPECT_TRUE(third->readAllStandardOutput().contains("Signed in."));
}

TEST_F(SingleInstanceTest, AFailedSignInEndsWithAnError) {
    TTempDataFolder emptyFolder;
    auto process = Start(emptyFolder, {QStringLiteral("--summary")});
    ASSERT_TRUE(process->waitForFinished(20000));
    EXPECT_EQ(process->exitCode(), 1);
    EXPECT_TRUE(process->readAllStandardError().contains("wasn't able to connect"));
}

} // namespace
