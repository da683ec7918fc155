// SPDX-License-Identifier: GPL-3.0-or-later
#include "TKeyService.h"

#include <iostream>

#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>

#include "account/Credentials.h"
#include "notify/TMailMessage.h"

namespace {

const QString ConnectionName = QStringLiteral("KeyService");
const QString RequestEvent = QStringLiteral("TRAWLIX_LOGIN_KEY_REQUESTED");

/// The refusals of INSERT_TEMP_USER that no retry can change: the request is dropped.
bool IsFinalRefusal(const QSqlError& error) {
    const QString text = error.text();
    return text.contains(QLatin1String("E_TOO_MANY_LOGIN_KEYS")) || text.contains(QLatin1String("E_BAD_ACCOUNT_NAME"));
}

void Log(const std::string& text) {
    std::cerr << "trawlix-keyservice: " << text << std::endl;
}

} // namespace

TKeyService::TKeyService(const std::string& database, const std::string& password, std::string mailSender,
                         TSmtpAccount mailAccount)
    : m_mailSender(std::move(mailSender)), m_mailAccount(std::move(mailAccount)) {
    m_db = QSqlDatabase::addDatabase(QStringLiteral("QIBASE"), ConnectionName);
    m_db.setDatabaseName(QString::fromStdString(database));
    m_db.setUserName(QStringLiteral("TRAWLIXKEYS"));
    m_db.setPassword(QString::fromStdString(password));
    m_db.setConnectOptions(QStringLiteral("ISC_DPB_LC_CTYPE=UTF8"));
    connect(&m_timer, &QTimer::timeout, this, [this] { HandleRequests(); });
}

TKeyService::~TKeyService() {
    m_db.close();
    m_db = QSqlDatabase();
    QSqlDatabase::removeDatabase(ConnectionName);
}

bool TKeyService::Start(std::string& why) {
    if (!m_db.open() || !m_db.driver()->subscribeToNotification(RequestEvent)) {
        why = (m_db.isOpenError() ? m_db.lastError() : m_db.driver()->lastError()).text().toStdString();
        return false;
    }
    connect(m_db.driver(), &QSqlDriver::notification, this, [this] { HandleRequests(); });
    m_timer.start(60000);
    return true;
}

void TKeyService::Reconnect() {
    m_db.close();
    std::string why;
    if (!Start(why))
        Log("cannot reconnect: " + why);
}

int TKeyService::HandleRequests() {
    if (!m_db.isOpen())
        Reconnect();
    int mailed = 0;
    bool none = false;
    // Stops at the first request that must wait (mail server or database unreachable).
    while (!none && HandleOne(none))
        if (!none)
            ++mailed;
    return mailed;
}

bool TKeyService::HandleOne(bool& none) {
    none = false;
    if (!m_db.transaction()) {
        Log("no transaction: " + m_db.lastError().text().toStdString());
        m_db.close();
        return false;
    }
    QSqlQuery request(m_db);
    if (!request.exec(QStringLiteral(
            "SELECT MAIL_ID, MAIL_NAME, MAIL_EMAIL FROM LOGIN_KEY_MAILS ORDER BY MAIL_ID ROWS 1 WITH LOCK"))) {
        Log("cannot read the requests: " + request.lastError().text().toStdString());
        m_db.rollback();
        return false;
    }
    if (!request.next()) {
        request.finish();
        m_db.commit();
        none = true;
        return true;
    }
    const int requestId = request.value(0).toInt();
    const std::string name = request.value(1).toString().toStdString();
    const std::string email = request.value(2).toString().toStdString();
    request.finish();

    QSqlQuery done(m_db);
    done.prepare(QStringLiteral("DELETE FROM LOGIN_KEY_MAILS WHERE MAIL_ID = ?"));
    done.addBindValue(requestId);

    QSqlQuery issue(m_db);
    issue.prepare(QStringLiteral("EXECUTE PROCEDURE INSERT_TEMP_USER(?, ?)"));
    issue.addBindValue(QString::fromStdString(name));
    issue.addBindValue(QString::fromStdString(email));
    if (!issue.exec() || !issue.next()) {
        const QSqlError error = issue.lastError();
        Log("no key for request " + std::to_string(requestId) + ": " + error.text().toStdString());
        issue.finish();
        if (!IsFinalRefusal(error)) {
            m_db.rollback();
            return false;
        }
        // Refused for good (too many keys, bad address): the request is dropped unmailed.
        m_db.rollback();
        if (!m_db.transaction())
            return false;
        QSqlQuery drop(m_db);
        drop.prepare(QStringLiteral("DELETE FROM LOGIN_KEY_MAILS WHERE MAIL_ID = ?"));
        drop.addBindValue(requestId);
        const bool dropped = drop.exec();
        drop.finish();
        return dropped ? m_db.commit() : (m_db.rollback(), false);
    }
    const int accountId = issue.value(0).toInt();
    const std::string key = issue.value(1).toString().toStdString();
    issue.finish();

    QSqlQuery store(m_db);
    store.prepare(QStringLiteral("EXECUTE PROCEDURE STORE_LOGIN_KEY(?, ?)"));
    store.addBindValue(accountId);
    store.addBindValue(QString::fromStdString(StoredCredential(email, key)));
    const bool stored = store.exec() && done.exec();
    store.finish();
    done.finish();
    if (!stored) {
        Log("cannot store the key of request " + std::to_string(requestId));
        m_db.rollback();
        return false;
    }
    // The key counts only once it has gone out: a refused mail rolls everything back.
    if (!TSendMailThread::Deliver(LoginKeyMail(m_mailSender, email, name, key), m_mailAccount)) {
        Log("the mail server refused the key mail of request " + std::to_string(requestId));
        m_db.rollback();
        return false;
    }
    if (!m_db.commit()) {
        Log("cannot commit request " + std::to_string(requestId) + ": " + m_db.lastError().text().toStdString());
        return false;
    }
    return true;
}
