// SPDX-License-Identifier: GPL-3.0-or-later
// ctest-labels: net threads
// The installer download against the site simulator: only a file of the published size
// and checksum is ever found at the target; every other end leaves nothing behind.
#include "account/TDownloadThread.h"

#include <gtest/gtest.h>

#include <QCryptographicHash>
#include <QDir>
#include <QFile>

#include "TSiteSimulator.h"
#include "TestSupport.h"

namespace {

constexpr long long Size = 300 * 1024;

std::string Sha256Of(const std::string& bytes) {
    return QCryptographicHash::hash(QByteArray::fromStdString(bytes), QCryptographicHash::Sha256).toHex().toStdString();
}

class TDownloadInstallerTest : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(simulator.Start());
        download.URL = "http://www.corvane.test/trawlix/setup.exe";
        download.Target = folder.File("setup.exe");
        download.ExpectedSize = Size;
        download.Proxy = simulator.Proxy();
        download.MakerServer = "http://www.corvane.test";
        download.LowSpeedTimeSeconds = 2;
    }

    TDownloadResult Run(TInstallerMode mode) {
        simulator.SetInstaller({Size, mode});
        std::atomic<long long> received{0};
        return DownloadInstaller(download, received, std::stop_token());
    }

    /// Every file of the data folder: nothing but a verified installer may stay.
    QStringList FilesLeft() const {
        return QDir(QString::fromStdString(folder.Path())).entryList(QDir::Files | QDir::Hidden);
    }

    TTempDataFolder folder;
    TSiteSimulator simulator;
    TInstallerDownload download;
};

TEST_F(TDownloadInstallerTest, AWholeFileOfThePublishedSizeAndChecksumIsKept) {
    download.Sha256 = Sha256Of(TSiteSimulator::InstallerBytes(Size));
    const TDownloadResult result = Run(TInstallerMode::Whole);
    EXPECT_EQ(result.Outcome, TDownloadOutcome::Completed) << result.Reason;
    EXPECT_EQ(result.Received, Size);
    EXPECT_EQ(folder.ReadFile("setup.exe"), TSiteSimulator::InstallerBytes(Size));
    EXPECT_EQ(FilesLeft(), QStringList{QStringLiteral("setup.exe")});
}

TEST_F(TDownloadInstallerTest, WithoutAPublishedChecksumTheSizeDecides) {
    EXPECT_EQ(Run(TInstallerMode::Whole).Outcome, TDownloadOutcome::Completed);
    EXPECT_EQ(folder.ReadFile("setup.exe").size(), static_cast<size_t>(Size));
}

struct TBadCase {
    TInstallerMode Mode;
    TDownloadOutcome Outcome;
    const char* Reason;
};

class TBadDownloadTest : public TDownloadInstallerTest, public testing::WithParamInterface<TBadCase> {};

TEST_P(TBadDownloadTest, IsReportedAndDeletedWithTheEarlierFile) {
    folder.WriteFile("setup.exe", "an installer of an earlier attempt");
    const TDownloadResult result = Run(GetParam().Mode);
    EXPECT_EQ(result.Outcome, GetParam().Outcome);
    EXPECT_NE(result.Reason.find(GetParam().Reason), std::string::npos) << result.Reason;
    EXPECT_TRUE(FilesLeft().isEmpty()) << FilesLeft().join(QLatin1Char(' ')).toStdString();
}

INSTANTIATE_TEST_SUITE_P(
    Modes, TBadDownloadTest,
    testing::Values(TBadCase{TInstallerMode::Short, TDownloadOutcome::WrongSize, "incomplete: 153600 of 307200"},
                    TBadCase{TInstallerMode::Long, TDownloadOutcome::WrongSize, "more than the published 307200"},
                    TBadCase{TInstallerMode::Drop, TDownloadOutcome::Failed, ""},
                    TBadCase{TInstallerMode::Stall, TDownloadOutcome::Failed, ""}));

TEST_F(TDownloadInstallerTest, AChecksumMismatchIsDeleted) {
    download.Sha256 = Sha256Of("something else");
    const TDownloadResult result = Run(TInstallerMode::Whole);
    EXPECT_EQ(result.Outcome, TDownloadOutcome::WrongChecksum);
    EXPECT_TRUE(FilesLeft().isEmpty());
}

TEST_F(TDownloadInstallerTest, AnErrorStatusIsNoInstaller) {
    download.URL = "http://www.corvane.test/trawlix/missing.exe";
    const TDownloadResult result = Run(TInstallerMode::Whole);
    EXPECT_EQ(result.Outcome, TDownloadOutcome::Failed);
    EXPECT_EQ(result.Reason, "The server answered with HTTP status 404");
    EXPECT_TRUE(FilesLeft().isEmpty());
}

TEST_F(TDownloadInstallerTest, PlainHttpToAnotherServerIsNeverRequested) {
    download.URL = "http://elsewhere.test/trawlix/setup.exe";
    EXPECT_EQ(Run(TInstallerMode::Whole).Outcome, TDownloadOutcome::Refused);
    EXPECT_TRUE(simulator.Requests().empty());
    EXPECT_TRUE(FilesLeft().isEmpty());
}

/// The job reports on the thread that started it; a cancel stops it within moments.
class TDownloadThreadTest : public TDownloadInstallerTest {
protected:
    std::optional<TDownloadResult> result;
};

TEST_F(TDownloadThreadTest, ReportsTheEndOnTheStartingThread) {
    simulator.SetInstaller({Size, TInstallerMode::Whole});
    TDownloadThread thread(download);
    const std::thread::id starting = std::this_thread::get_id();
    thread.Start([&](const TDownloadResult& ended) {
        EXPECT_EQ(std::this_thread::get_id(), starting);
        result = ended;
    });
    ASSERT_TRUE(WaitFor([&] { return result.has_value(); }));
    EXPECT_EQ(result->Outcome, TDownloadOutcome::Completed);
    EXPECT_EQ(thread.Received(), Size);
}

TEST_F(TDownloadThreadTest, ACancelledDownloadLeavesNothing) {
    simulator.SetInstaller({1 << 20, TInstallerMode::Slow});
    download.ExpectedSize = 1 << 20;
    TDownloadThread thread(download);
    thread.Start([&](const TDownloadResult& ended) { result = ended; });
    ASSERT_TRUE(WaitFor([&] { return thread.Received() > 0; }));
    thread.Cancel();
    ASSERT_TRUE(WaitFor([&] { return result.has_value(); }, std::chrono::seconds(5)));
    EXPECT_EQ(result->Outcome, TDownloadOutcome::Cancelled);
    EXPECT_LT(result->Received, 1 << 20);
    EXPECT_TRUE(FilesLeft().isEmpty());
}

TEST_F(TDownloadThreadTest, DestroyedWhileRunningItDropsItsReport) {
    simulator.SetInstaller({1 << 20, TInstallerMode::Slow});
    download.ExpectedSize = 1 << 20;
    bool reported = false;
    {
        TDownloadThread thread(download);
        thread.Start([&](const TDownloadResult&) { reported = true; });
        ASSERT_TRUE(WaitFor([&] { return thread.Received() > 0; }));
    }
    ASSERT_TRUE(TBackgroundWork::WaitForAll(std::chrono::seconds(5)));
    WaitFor([] { return false; }, std::chrono::milliseconds(100));
    EXPECT_FALSE(reported);
    EXPECT_TRUE(FilesLeft().isEmpty());
}

} // namespace
