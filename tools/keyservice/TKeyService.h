// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

#include <QObject>
#include <QSqlDatabase>
#include <QTimer>

#include "notify/TSendMailThread.h"

/// Handles the login-key requests that copies of the program leave in LOGIN_KEY_MAILS:
/// for each it issues a key (INSERT_TEMP_USER, with its hourly limit), stores only the
/// key's derived form (STORE_LOGIN_KEY), mails the key to the address and removes the
/// request, all in one transaction that commits only after the mail was accepted, so a
/// request whose mail failed is tried again later. Wakes on the database event
/// TRAWLIX_LOGIN_KEY_REQUESTED, and once a minute in case an event was missed.
class TKeyService final : public QObject {
public:
    /// database is the server address; login TRAWLIXKEYS with password.
    TKeyService(const std::string& database, const std::string& password, std::string mailSender,
                TSmtpAccount mailAccount);
    ~TKeyService() override;
    TKeyService(const TKeyService&) = delete;
    TKeyService& operator=(const TKeyService&) = delete;

    /// Connects and subscribes to the event; false (with why) when that fails.
    bool Start(std::string& why);
    /// Handles every waiting request; returns how many mails went out.
    int HandleRequests();

private:
    /// One request: true when it is done with (mailed or dropped), false to try later.
    bool HandleOne(bool& none);
    void Reconnect();

    QSqlDatabase m_db;
    std::string m_mailSender;
    TSmtpAccount m_mailAccount;
    QTimer m_timer;
};
