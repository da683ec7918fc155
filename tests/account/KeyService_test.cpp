// SPDX-License-Identifier: GPL-3.0-or-later
// ctest-labels: db
// The key service beside a real Firebird server, mailing through a real SMTP server: the
// program asks for a key, the service mails it, and only the mail carries it.
#include <regex>
#include <thread>

#include <gtest/gtest.h>

#include <QProcess>
#include <QProcessEnvironment>

#include "TSmtpTestServer.h"
#include "TTestDatabase.h"
#include "TestSupport.h"
#include "account/Credentials.h"
#include "session/TSession.h"

namespace {

const std::string Sender = "keys@example.com";
const std::string MailPassword = "mail secret";

/// The key in a key mail, or empty.
std::string KeyIn(const std::string& mail) {
    std::smatch match;
    static const std::regex keyLine("login key: ([0-9A-Fa-f]+)");
    return std::regex_search(mail, match, keyLine) ? match[1].str() : std::string();
}

class TKeyServiceTest : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_NO_THROW(server.Start());
        folder.WriteFile("keyservice.password", server.Password("TRAWLIXKEYS") + "\n");
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("TRAWLIX_DATA_DIR"), QString::fromStdString(folder.Path()));
        environment.insert(QStringLiteral("TRAWLIX_ACCOUNT_DB"), QString::fromStdString(server.Address()));
        environment.insert(QStringLiteral("TRAWLIX_MAIL_HOST"), QStringLiteral("127.0.0.1"));
        environment.insert(QStringLiteral("TRAWLIX_MAIL_PORT"), QString::number(mail.Port()));
        environment.insert(QStringLiteral("TRAWLIX_MAIL_SENDER"), QString::fromStdString(Sender));
        environment.insert(QStringLiteral("TRAWLIX_MAIL_PASSWORD"), QString::fromStdString(MailPassword));
        service.setProcessEnvironment(environment);
        service.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        service.start(QStringLiteral(TRAWLIX_BINARY_DIR "/tools/keyservice/trawlix-keyservice"),
                      {QStringLiteral("--password-file"), QString::fromStdString(folder.File("keyservice.password"))});
        ASSERT_TRUE(service.waitForStarted());
        ASSERT_TRUE(WaitFor([&] { return service.canReadLine() || service.state() != QProcess::Running; },
                            std::chrono::seconds(60)));
        ASSERT_EQ(service.readLine().trimmed().toStdString(), "ready");

        TConfig config = folder.Config();
        config.AccountDatabase = server.Address();
        session = std::make_unique<TSession>(config);
    }
    /// The service commits a key just after its mail was accepted.
    bool WaitUntilHandled() {
        return WaitFor([&] { return server.Value("SELECT COUNT(*) FROM LOGIN_KEY_MAILS").toInt() == 0; },
                       std::chrono::seconds(60));
    }

    void TearDown() override {
        service.kill();
        service.waitForFinished();
    }

    TTestServer server;
    TSmtpTestServer mail{"login", Sender, MailPassword};
    TTempDataFolder folder;
    TRecordingMessages messages;
    QProcess service;
    std::unique_ptr<TSession> session;
};

TEST_F(TKeyServiceTest, ARequestBringsOneMailWhoseKeySignsInAndOnlyItsHashIsStored) {
    const std::optional<TIssuedLoginKey> issued = IssueLoginKey(session->Database(), "Vera", "Vera@Example.com");
    ASSERT_TRUE(issued);
    EXPECT_TRUE(issued->MailedByKeyService);
    EXPECT_EQ(issued->Key, "");

    const auto mails = mail.WaitForMails(1, 60000);
    ASSERT_EQ(mails.size(), 1u);
    EXPECT_EQ(mails[0].To, std::vector<std::string>{"Vera@Example.com"});
    EXPECT_EQ(mails[0].Login, Sender);
    const std::string key = KeyIn(mails[0].Data);
    ASSERT_EQ(key.size(), 24u) << mails[0].Data;
    ASSERT_TRUE(WaitUntilHandled());

    const QVariant stored = server.Value("SELECT USR_PASS FROM USERS WHERE LOWER(USR_NAME) = 'vera@example.com'");
    EXPECT_EQ(stored.toString().toStdString(), StoredCredential("vera@example.com", key));
    EXPECT_EQ(stored.toString().toStdString().find(key), std::string::npos);

    EXPECT_TRUE(session->BindAccount("vera@example.com", key));
    EXPECT_FALSE(session->BindAccount("vera@example.com", "000000000000000000000000"));
    // Nothing more arrives for the one request.
    std::this_thread::sleep_for(std::chrono::seconds(1));
    EXPECT_EQ(mail.Received().size(), 1u);
}

TEST_F(TKeyServiceTest, EveryRequestGetsItsOwnMailAndASecondKeyKeepsTheFirstValid) {
    const struct {
        const char* Name;
        const char* Address;
    } requests[] = {{"Ann", "ann@example.com"}, {"Bo", "bo@example.com"}, {"Ann again", "ann@example.com"}};
    for (const auto& request : requests)
        ASSERT_TRUE(IssueLoginKey(session->Database(), request.Name, request.Address));
    const auto mails = mail.WaitForMails(3, 60000);
    ASSERT_EQ(mails.size(), 3u);
    ASSERT_TRUE(WaitUntilHandled());
    std::vector<std::string> annKeys;
    for (const auto& one : mails)
        if (one.To == std::vector<std::string>{"ann@example.com"})
            annKeys.push_back(KeyIn(one.Data));
    ASSERT_EQ(annKeys.size(), 2u);
    EXPECT_NE(annKeys[0], annKeys[1]);
    // Someone asking for a key for Ann's address does not lock her out.
    EXPECT_TRUE(session->BindAccount("ann@example.com", annKeys[0]));
    EXPECT_TRUE(session->BindAccount("ann@example.com", annKeys[1]));
}

} // namespace
