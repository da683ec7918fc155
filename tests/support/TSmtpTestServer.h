// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <sys/types.h>
#include <vector>

/// A real SMTP server (aiosmtpd) on a free loopback port for one test; stops with the
/// object. Login modes: "login" (AUTH LOGIN offered), "plain-only" (no LOGIN), "none".
/// Started with posix_spawn rather than QProcess, whose way of starting a child leaves
/// ThreadSanitizer confused about the parent's later locking.
class TSmtpTestServer final {
public:
    struct Mail {
        std::string Login;
        std::string From;
        std::vector<std::string> To;
        std::string Data;
    };

    TSmtpTestServer(const std::string& mode, const std::string& user, const std::string& password);
    ~TSmtpTestServer();
    TSmtpTestServer(const TSmtpTestServer&) = delete;
    TSmtpTestServer& operator=(const TSmtpTestServer&) = delete;

    int Port() const { return m_port; }
    /// The mails received so far.
    std::vector<Mail> Received();
    /// Waits until count mails have arrived (or the time is up).
    std::vector<Mail> WaitForMails(std::size_t count, int timeoutMs = 10000);

private:
    /// Appends what the server printed so far to m_buffer.
    void ReadOutput();

    pid_t m_pid = -1;
    int m_output = -1;
    int m_input = -1;
    int m_port = 0;
    std::string m_buffer;
    std::vector<Mail> m_mails;
};
