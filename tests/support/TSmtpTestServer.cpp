// SPDX-License-Identifier: GPL-3.0-or-later
#include "TSmtpTestServer.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <stdexcept>

#include <QByteArray>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include "TestSupport.h"

extern char** environ;

TSmtpTestServer::TSmtpTestServer(const std::string& mode, const std::string& user, const std::string& password) {
    int out[2], in[2];
    if (pipe2(out, O_CLOEXEC) != 0 || pipe2(in, O_CLOEXEC) != 0)
        throw std::runtime_error("cannot make pipes for the SMTP test server");
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&actions, in[0], STDIN_FILENO);
    const std::string script = TRAWLIX_SOURCE_DIR "/tests/support/smtp_server.py";
    std::vector<std::string> words{"/usr/bin/python3", script, "--auth", mode, "--user", user, "--password", password};
    std::vector<char*> argv;
    for (std::string& word : words)
        argv.push_back(word.data());
    argv.push_back(nullptr);
    const int spawned = posix_spawn(&m_pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(out[1]);
    close(in[0]);
    m_output = out[0];
    m_input = in[1]; // kept open: the server ends when it closes
    fcntl(m_output, F_SETFL, O_NONBLOCK);
    if (spawned != 0)
        throw std::runtime_error("cannot start the SMTP test server");
    const bool listening = WaitFor([&] {
        if (m_port != 0)
            return true;
        ReadOutput();
        const std::size_t end = m_buffer.find('\n');
        if (end == std::string::npos || m_buffer.rfind("PORT ", 0) != 0)
            return false;
        m_port = std::stoi(m_buffer.substr(5, end - 5));
        m_buffer.erase(0, end + 1);
        return true;
    });
    if (!listening)
        throw std::runtime_error("the SMTP test server did not start");
}

TSmtpTestServer::~TSmtpTestServer() {
    if (m_pid > 0) {
        kill(m_pid, SIGTERM);
        waitpid(m_pid, nullptr, 0);
    }
    close(m_output);
    close(m_input);
}

void TSmtpTestServer::ReadOutput() {
    char chunk[4096];
    ssize_t got;
    while ((got = read(m_output, chunk, sizeof chunk)) > 0)
        m_buffer.append(chunk, static_cast<std::size_t>(got));
}

std::vector<TSmtpTestServer::Mail> TSmtpTestServer::Received() {
    ReadOutput();
    std::size_t end;
    while ((end = m_buffer.find('\n')) != std::string::npos) {
        const QJsonObject line = QJsonDocument::fromJson(QByteArray::fromStdString(m_buffer.substr(0, end))).object();
        m_buffer.erase(0, end + 1);
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
