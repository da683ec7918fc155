// SPDX-License-Identifier: GPL-3.0-or-later
// ctest-labels: net threads
// Mail servers that stop answering part-way: each delivery ends within the account's
// time-out, sends nothing, and leaves a line in the log that says why. The time to that
// line is printed for the record (no assertion on it).
#include "notify/TSendMailThread.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <string>
#include <thread>

#include <gtest/gtest.h>

#include "TestSupport.h"
#include "core/Log.h"

namespace {

/// A loopback SMTP server that answers up to a given step of the dialogue and then goes
/// silent, holding the connection open until the object ends.
class TStallingSmtpServer final {
public:
    enum class Step { BeforeGreeting, AfterEhlo, AfterAuthCommand };

    explicit TStallingSmtpServer(Step stopAt) : m_stopAt(stopAt) {
        m_listener = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        bind(m_listener, reinterpret_cast<sockaddr*>(&address), length);
        listen(m_listener, 4);
        getsockname(m_listener, reinterpret_cast<sockaddr*>(&address), &length);
        m_port = ntohs(address.sin_port);
        m_thread = std::thread([this] { Serve(); });
    }

    ~TStallingSmtpServer() {
        m_ending = true;
        shutdown(m_listener, SHUT_RDWR);
        if (m_client >= 0)
            shutdown(m_client, SHUT_RDWR);
        m_thread.join();
        close(m_listener);
        if (m_client >= 0)
            close(m_client);
    }
    TStallingSmtpServer(const TStallingSmtpServer&) = delete;
    TStallingSmtpServer& operator=(const TStallingSmtpServer&) = delete;

    int Port() const { return m_port; }

private:
    void Send(const std::string& text) const { (void)!write(m_client, text.data(), text.size()); }

    /// Reads one command line; false when the connection ended.
    bool ReadLine() const {
        char c = 0;
        while (read(m_client, &c, 1) == 1)
            if (c == '\n')
                return true;
        return false;
    }

    void Serve() {
        m_client = accept(m_listener, nullptr, nullptr);
        if (m_client < 0 || m_ending)
            return;
        if (m_stopAt != Step::BeforeGreeting) {
            Send("220 mail.test ESMTP\r\n");
            if (ReadLine()) {
                Send("250-mail.test\r\n250 AUTH LOGIN PLAIN\r\n");
                if (m_stopAt == Step::AfterAuthCommand && ReadLine())
                    Send("334 VXNlcm5hbWU6\r\n");
            }
        }
        // Silent from here on; the connection stays open until the destructor.
        char sink[256];
        while (!m_ending && read(m_client, sink, sizeof sink) > 0) {
        }
    }

    Step m_stopAt;
    int m_listener = -1;
    std::atomic<int> m_client{-1};
    std::atomic<bool> m_ending{false};
    int m_port = 0;
    std::thread m_thread;
};

TEST(HungMailServerTest, EndsWithinTheTimeOutAndLogsWhy) {
    struct Case {
        const char* name;
        TStallingSmtpServer::Step stopAt;
    };
    const Case cases[] = {
        {"accepts and never greets", TStallingSmtpServer::Step::BeforeGreeting},
        {"stops after EHLO", TStallingSmtpServer::Step::AfterEhlo},
        {"stops after AUTH LOGIN", TStallingSmtpServer::Step::AfterAuthCommand},
    };
    for (const Case& c : cases) {
        TTempDataFolder folder;
        ResetLog(folder.Path());
        TStallingSmtpServer server(c.stopAt);
        TMailMessage message;
        message.SenderAddress = "notify@corvane.test";
        message.Recipient = "someone@b.test";
        message.Subject = "s";
        message.Body = "b";
        const TSmtpAccount account{"127.0.0.1", server.Port(), "notify@corvane.test", "secret-word",
                                   std::chrono::seconds(2)};
        const auto start = std::chrono::steady_clock::now();
        EXPECT_FALSE(TSendMailThread::Deliver(message, account)) << c.name;
        const auto took = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        const std::string log = folder.ReadFile("log.tx");
        EXPECT_NE(log.find("Mail to <someone@b.test> not sent: Timeout was reached"), std::string::npos)
            << c.name << ": " << log;
        EXPECT_EQ(log.find("secret-word"), std::string::npos) << c.name;
        std::printf("[ figures  ] SMTP server that %s: message after %.1f s (time-out 2 s)\n", c.name, took);
    }
}

} // namespace
