// SPDX-License-Identifier: GPL-3.0-or-later
// ctest-labels: net threads
#include "notify/TSendMailThread.h"

#include <gtest/gtest.h>

#include <QByteArray>
#include <QHostAddress>
#include <QTcpServer>

#include "TSmtpTestServer.h"
#include "TestSupport.h"
#include "core/TBackgroundWork.h"
#include "session/TSession.h"

namespace {

const std::string Sender = "notify@corvane.test";
const std::string Password = "k7w2pQ9XL4";

TMailMessage Message(const std::string& to, const std::string& subject, const std::string& body) {
    TMailMessage message;
    message.SenderAddress = Sender;
    message.Recipient = to;
    message.Subject = subject;
    message.Body = body;
    return message;
}

TSmtpAccount Account(int port, const std::string& password = Password) {
    return {"127.0.0.1", port, Sender, password, std::chrono::seconds(10)};
}

/// The value of a header line of a received message.
std::string Header(const std::string& data, const std::string& name) {
    const std::size_t start = data.find(name + ": ");
    if (start == std::string::npos)
        return {};
    const std::size_t end = data.find_first_of("\r\n", start);
    return data.substr(start + name.size() + 2, end - start - name.size() - 2);
}

TEST(SendMailTest, LogsInAndDeliversOneMailToOneRecipient) {
    TSmtpTestServer server("login", Sender, Password);
    ASSERT_TRUE(TSendMailThread::Deliver(Message("5551234567@sms.example", "My search", "New results"),
                                         Account(server.Port())));
    const auto mails = server.WaitForMails(1);
    ASSERT_EQ(mails.size(), 1u);
    EXPECT_EQ(mails[0].Login, Sender);
    EXPECT_EQ(mails[0].From, Sender);
    EXPECT_EQ(mails[0].To, std::vector<std::string>{"5551234567@sms.example"});
    EXPECT_EQ(Header(mails[0].Data, "From"), "\"Trawlix\" <notify@corvane.test>");
    EXPECT_EQ(Header(mails[0].Data, "To"), "<5551234567@sms.example>");
    EXPECT_EQ(Header(mails[0].Data, "Subject"), "My search");
    EXPECT_TRUE(QDateTime::fromString(QString::fromStdString(Header(mails[0].Data, "Date")), Qt::RFC2822Date).isValid())
        << Header(mails[0].Data, "Date");
    EXPECT_NE(mails[0].Data.find("\r\n\r\nNew results"), std::string::npos);
}

TEST(SendMailTest, NonAsciiTextIsEncoded) {
    TSmtpTestServer server("login", Sender, Password);
    const std::string subject = "Caf\xC3\xA9 \"chairs\"";
    const std::string body = "New results available for \"Caf\xC3\xA9\". Thanks, the Trawlix Team.";
    ASSERT_TRUE(TSendMailThread::Deliver(Message("a@b.test", subject, body), Account(server.Port())));
    const auto mails = server.WaitForMails(1);
    ASSERT_EQ(mails.size(), 1u);
    const std::string encodedSubject = Header(mails[0].Data, "Subject");
    ASSERT_EQ(encodedSubject.rfind("=?UTF-8?B?", 0), 0u);
    const std::string base64 = encodedSubject.substr(10, encodedSubject.size() - 12);
    EXPECT_EQ(QByteArray::fromBase64(QByteArray::fromStdString(base64)).toStdString(), subject);
    EXPECT_EQ(Header(mails[0].Data, "Content-Transfer-Encoding"), "base64");
    const std::string encodedBody = mails[0].Data.substr(mails[0].Data.find("\r\n\r\n") + 4);
    EXPECT_EQ(QByteArray::fromBase64(QByteArray::fromStdString(encodedBody)).toStdString(), body);
}

TEST(SendMailTest, HeaderTextCannotAddHeaders) {
    TSmtpTestServer server("login", Sender, Password);
    ASSERT_TRUE(
        TSendMailThread::Deliver(Message("a@b.test", "x\r\nBcc: victim@c.test", "body"), Account(server.Port())));
    const auto mails = server.WaitForMails(1);
    ASSERT_EQ(mails.size(), 1u);
    EXPECT_EQ(Header(mails[0].Data, "Subject"), "x  Bcc: victim@c.test");
    EXPECT_EQ(mails[0].Data.find("\nBcc:"), std::string::npos);
}

TEST(SendMailTest, NoMailWithoutAnAcceptedLogin) {
    const struct {
        const char* mode;
        std::string password;
    } cases[] = {{"plain-only", Password}, {"none", Password}, {"login", "wrong password"}};
    for (const auto& c : cases) {
        TSmtpTestServer server(c.mode, Sender, Password);
        EXPECT_FALSE(TSendMailThread::Deliver(Message("a@b.test", "s", "b"), Account(server.Port(), c.password)))
            << c.mode;
        // A good mail afterwards shows that the server was listening all along.
        if (std::string(c.mode) == "login") {
            ASSERT_TRUE(TSendMailThread::Deliver(Message("ok@b.test", "s", "b"), Account(server.Port())));
        }
        WaitFor([] { return false; }, std::chrono::milliseconds(200));
        for (const auto& mail : server.Received())
            EXPECT_EQ(mail.To, std::vector<std::string>{"ok@b.test"}) << c.mode;
    }
}

TEST(SendMailTest, AServerThatIsDownIsNotAnError) {
    QTcpServer probe;
    ASSERT_TRUE(probe.listen(QHostAddress::LocalHost));
    const int port = probe.serverPort();
    probe.close();
    EXPECT_FALSE(TSendMailThread::Deliver(Message("a@b.test", "s", "b"), Account(port)));
}

TEST(SendMailTest, ASilentServerCannotHoldTheThreadForever) {
    QTcpServer silent; // accepts connections in the kernel and never greets
    ASSERT_TRUE(silent.listen(QHostAddress::LocalHost));
    TSmtpAccount account = Account(silent.serverPort());
    account.Timeout = std::chrono::seconds(2);
    TSendMailThread::Start(std::make_unique<TMailMessage>(Message("a@b.test", "s", "b")), account);
    EXPECT_FALSE(TBackgroundWork::WaitForAll(std::chrono::milliseconds(200)));
    EXPECT_TRUE(TBackgroundWork::WaitForAll(std::chrono::seconds(20)));
}

TEST(SendMailTest, TheSessionSendsSeveralMailsAtOnce) {
    TSmtpTestServer server("login", Sender, Password);
    TTempDataFolder folder;
    TConfig config = folder.Config();
    config.MailHost = "127.0.0.1";
    config.MailPort = server.Port();
    TSession session(config);
    for (const char* to : {"one@b.test", "two@b.test", "three@b.test"})
        session.SendMail(std::make_unique<TMailMessage>(Message(to, "s", "b")), Sender, Password);
    ASSERT_TRUE(TBackgroundWork::WaitForAll(std::chrono::seconds(20)));
    std::vector<std::string> recipients;
    for (const auto& mail : server.WaitForMails(3))
        recipients.push_back(mail.To.at(0));
    std::sort(recipients.begin(), recipients.end());
    EXPECT_EQ(recipients, (std::vector<std::string>{"one@b.test", "three@b.test", "two@b.test"}));
}

} // namespace
