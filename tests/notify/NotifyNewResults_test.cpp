// SPDX-License-Identifier: GPL-3.0-or-later
// ctest-labels: net threads
#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include <QHostAddress>
#include <QTcpServer>

#include "TSmtpTestServer.h"
#include "TestSupport.h"
#include "core/TBackgroundWork.h"
#include "account/TGsmNetwork.h"
#include "account/TUser.h"
#include "session/TSession.h"
#include "notify/TSearchMonitor.h"
#include "search/TSearch.h"

namespace {

const std::string Sender = "notify@corvane.test";
const std::string Password = "k7w2pQ9XL4";
constexpr int Verizon = 7;

std::string Header(const std::string& data, const std::string& name) {
    const std::size_t start = data.find("\r\n" + name + ": ");
    if (start == std::string::npos)
        return {};
    const std::size_t from = start + name.size() + 4;
    return data.substr(from, data.find("\r\n", from) - from);
}

std::string Body(const std::string& data) {
    const std::size_t start = data.find("\r\n\r\n");
    std::string body = start == std::string::npos ? std::string() : data.substr(start + 4);
    while (!body.empty() && (body.back() == '\n' || body.back() == '\r'))
        body.pop_back();
    return body;
}

/// A session whose mail goes to a local SMTP server, with a signed-in account and two
/// carriers; the account is made directly, as the account layer would bind it.
class NotifyNewResultsTest : public testing::Test {
protected:
    void StartSession(int mailPort) {
        TConfig config = folder.Config();
        config.MailHost = "127.0.0.1";
        config.MailPort = mailPort;
        config.MailSender = Sender;
        session.reset();
        session = std::make_unique<TSession>(config);
        session->GsmNetworks.push_back(std::make_unique<TGsmNetwork>(3, "T-Mobile", "tmomail.net"));
        session->GsmNetworks.push_back(std::make_unique<TGsmNetwork>(Verizon, "Verizon", "vtext.com"));
        session->User = std::make_unique<TUser>();
        session->User->ID = 12;
        session->User->Phone = "5551234567";
        session->User->NetworkID = Verizon;
        session->User->EMail = "pat@example.test";
        search.Name = "Bikes";
        search.NotifySms = true;
        search.NotifyEmail = true;
    }
    void TearDown() override {
        EXPECT_TRUE(TBackgroundWork::WaitForAll(std::chrono::seconds(30)));
        session.reset();
    }

    /// The mails the server holds once every mail thread has ended.
    static std::vector<TSmtpTestServer::Mail> Delivered(TSmtpTestServer& server, std::size_t expected) {
        EXPECT_TRUE(TBackgroundWork::WaitForAll(std::chrono::seconds(30)));
        if (expected == 0) {
            WaitFor([] { return false; }, std::chrono::milliseconds(300));
            return server.Received();
        }
        return server.WaitForMails(expected);
    }
    static std::vector<std::string> Recipients(const std::vector<TSmtpTestServer::Mail>& mails) {
        std::vector<std::string> recipients;
        for (const auto& mail : mails)
            for (const auto& to : mail.To)
                recipients.push_back(to);
        std::sort(recipients.begin(), recipients.end());
        return recipients;
    }

    TTempDataFolder folder;
    std::unique_ptr<TSession> session;
    TSearch search;
};

TEST_F(NotifyNewResultsTest, SendsAnSmsAndAnEMailWithTheSameText) {
    TSmtpTestServer server("login", Sender, Password);
    StartSession(server.Port());
    NotifyNewResults(search, session->MonitorContext());
    const auto mails = Delivered(server, 2);
    ASSERT_EQ(mails.size(), 2u);
    EXPECT_EQ(Recipients(mails), (std::vector<std::string>{"5551234567@vtext.com", "pat@example.test"}));
    for (const auto& mail : mails) {
        EXPECT_EQ(mail.Login, Sender);
        EXPECT_EQ(mail.From, Sender);
        EXPECT_EQ(Header(mail.Data, "From"), "\"Trawlix\" <" + Sender + ">");
        EXPECT_EQ(Header(mail.Data, "Subject"), "Bikes");
        EXPECT_EQ(Body(mail.Data), "New results available for \"Bikes\". Thanks, the Trawlix Team.");
    }
}

TEST_F(NotifyNewResultsTest, AddressesAreCleanedAndTheNameIsQuotedAsItIs) {
    const struct {
        const char* what;
        std::string phone;
        std::string email;
        std::string name;
        std::vector<std::string> recipients;
        std::string body;
    } cases[] = {
        {"phone with blanks, brackets, dashes and +",
         "+1 (555) 123-45 67",
         "pat@example.test",
         "Bikes",
         {"15551234567@vtext.com", "pat@example.test"},
         "New results available for \"Bikes\". Thanks, the Trawlix Team."},
        {"e-mail with blanks and a tab",
         "5551234567",
         "  pat@example.test \t",
         "Bikes",
         {"5551234567@vtext.com", "pat@example.test"},
         "New results available for \"Bikes\". Thanks, the Trawlix Team."},
        {"name with double quotes",
         "5551234567",
         "pat@example.test",
         "27\" \"road\" bikes",
         {"5551234567@vtext.com", "pat@example.test"},
         "New results available for \"27\" \"road\" bikes\". Thanks, the Trawlix Team."},
    };
    for (const auto& c : cases) {
        TSmtpTestServer server("login", Sender, Password);
        StartSession(server.Port());
        session->User->Phone = c.phone;
        session->User->EMail = c.email;
        search.Name = c.name;
        NotifyNewResults(search, session->MonitorContext());
        const auto mails = Delivered(server, c.recipients.size());
        EXPECT_EQ(Recipients(mails), c.recipients) << c.what;
        for (const auto& mail : mails) {
            EXPECT_EQ(Header(mail.Data, "Subject"), c.name) << c.what;
            EXPECT_EQ(Body(mail.Data), c.body) << c.what;
        }
    }
}

TEST_F(NotifyNewResultsTest, FlagsAndMissingDetailsSuppressTheirMail) {
    const struct {
        const char* what;
        bool sms;
        bool email;
        std::string phone;
        int network;
        std::string address;
        std::vector<std::string> recipients;
    } cases[] = {
        {"e-mail only", false, true, "5551234567", Verizon, "pat@example.test", {"pat@example.test"}},
        {"SMS only", true, false, "5551234567", Verizon, "pat@example.test", {"5551234567@vtext.com"}},
        {"no phone", true, true, "", Verizon, "pat@example.test", {"pat@example.test"}},
        {"no network", true, true, "5551234567", 0, "pat@example.test", {"pat@example.test"}},
        {"unknown carrier", true, true, "5551234567", 99, "pat@example.test", {"pat@example.test"}},
        {"other carrier, no e-mail", true, true, "555 1234", 3, "", {"5551234@tmomail.net"}},
        {"blank e-mail", true, true, "", 0, " \t ", {}},
        {"neither flag", false, false, "5551234567", Verizon, "pat@example.test", {}},
    };
    for (const auto& c : cases) {
        TSmtpTestServer server("login", Sender, Password);
        StartSession(server.Port());
        search.NotifySms = c.sms;
        search.NotifyEmail = c.email;
        session->User->Phone = c.phone;
        session->User->NetworkID = c.network;
        session->User->EMail = c.address;
        NotifyNewResults(search, session->MonitorContext());
        EXPECT_EQ(Recipients(Delivered(server, c.recipients.size())), c.recipients) << c.what;
    }
}

TEST_F(NotifyNewResultsTest, AServerWithoutLoginReceivesNothing) {
    for (const char* mode : {"plain-only", "none"}) {
        TSmtpTestServer server(mode, Sender, Password);
        StartSession(server.Port());
        NotifyNewResults(search, session->MonitorContext());
        EXPECT_TRUE(Delivered(server, 0).empty()) << mode;
    }
}

TEST_F(NotifyNewResultsTest, AServerThatIsDownLosesTheMailsQuietly) {
    QTcpServer probe;
    ASSERT_TRUE(probe.listen(QHostAddress::LocalHost));
    const int port = probe.serverPort();
    probe.close();
    StartSession(port);
    NotifyNewResults(search, session->MonitorContext());
    EXPECT_TRUE(TBackgroundWork::WaitForAll(std::chrono::seconds(30)));
}

TEST_F(NotifyNewResultsTest, NobodySignedInSendsNothing) {
    TSmtpTestServer server("login", Sender, Password);
    StartSession(server.Port());
    session->User.reset();
    NotifyNewResults(search, session->MonitorContext());
    EXPECT_TRUE(Delivered(server, 0).empty());
}

} // namespace
