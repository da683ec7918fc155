// SPDX-License-Identifier: GPL-3.0-or-later
#include "TSmtpTestServer.h"

#include <stdexcept>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include "TestSupport.h"

TSmtpTestServer::TSmtpTestServer(const std::string& mode, const std::string& user, const std::string& password) {
    m_process.start(QStringLiteral("/usr/bin/python3"),
                    {QStringLiteral(TRAWLIX_SOURCE_DIR "/tests/support/smtp_server.py"), QStringLiteral("--auth"),
                     QString::fromStdString(mode), QStringLiteral("--user"), QString::fromStdString(user),
                     QStringLiteral("--password"), QString::fromStdString(password)});
    if (!m_process.waitForStarted())
        throw std::runtime_error("cannot start the SMTP test server");
    const bool listening = WaitFor([&] {
        if (m_port != 0)
            return true;
        m_buffer += m_process.readAllStandardOutput();
        const qsizetype end = m_buffer.indexOf('\n');
        if (end < 0 || !m_buffer.startsWith("PORT "))
            return false;
        m_port = m_buffer.mid(5, end - 5).toInt();
        m_buffer.remove(0, end + 1);
        return true;
    });
    if (!listening)
        throw std::runtime_error("the SMTP test server did not start: " +
                                 m_process.readAllStandardError().toStdString());
}

TSmtpTestServer::~TSmtpTestServer() {
    m_process.terminate();
    if (!m_process.waitForFinished(5000))
        m_process.kill();
    m_process.waitForFinished(5000);
}

std::vector<TSmtpTestServer::Mail> TSmtpTestServer::Received() {
    m_buffer += m_process.readAllStandardOutput();
    qsizetype end;
    while ((end = m_buffer.indexOf('\n')) >= 0) {
        const QJsonObject line = QJsonDocument::fromJson(m_buffer.left(end)).object();
        m_buffer.remove(0, end + 1);
        Mail mail;
        mail.Login = line.value(QStringLiteral("login")).toString().toStdString();
        mail.From = line.value(QStringLiteral("from")).toString().toStdString();
        for (const QJsonValue& to : line.value(QStringLiteral("to")).toArray())
            mail.To.push_back(to.toString().toStdString());
        mail.Data = line.value(QStringLiteral("data")).toString().toStdString();
        m_mails.push_back(mail);
    }
    return m_mails;
}

std::vector<TSmtpTestServer::Mail> TSmtpTestServer::WaitForMails(std::size_t count, int timeoutMs) {
    WaitFor([&] { return Received().size() >= count; }, std::chrono::milliseconds(timeoutMs));
    return Received();
}
