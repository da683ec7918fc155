// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <vector>

#include <QProcess>

/// A real SMTP server (aiosmtpd) on a free loopback port for one test; stops with the
/// object. Login modes: "login" (AUTH LOGIN offered), "plain-only" (no LOGIN), "none".
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

    int Port() const { return m_port; }
    /// The mails received so far.
    std::vector<Mail> Received();
    /// Waits until count mails have arrived (or a few seconds passed).
    std::vector<Mail> WaitForMails(std::size_t count, int timeoutMs = 10000);

private:
    QProcess m_process;
    int m_port = 0;
    QByteArray m_buffer;
    std::vector<Mail> m_mails;
};
