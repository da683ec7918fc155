// SPDX-License-Identifier: GPL-3.0-or-later
#include "CliSession.h"

#include <QEventLoop>
#include <QSettings>

#include "CliLookup.h"

std::unique_ptr<TSession> SignInForCli() {
    std::unique_ptr<TSession> session;
    try {
        session = std::make_unique<TSession>();
    } catch (const std::exception& error) {
        throw std::runtime_error(std::string("cannot open the data folder: ") + error.what());
    }
    QEventLoop loop;
    session->OnSignInDone = [&loop] { loop.quit(); };
    session->OpenSession();
    loop.exec();
    session->OnSignInDone = nullptr;
    if (!session->SignedIn)
        throw std::runtime_error("cannot load the reference data (Places.tx, Categories.tx) from " +
                                 session->DataFolder);
    return session;
}

bool BindCliAccount(TSession& session, std::string email, std::string key) {
    if (email.empty() && key.empty()) {
        const QSettings stored(QStringLiteral("Corvane"), QStringLiteral("Trawlix"));
        email = stored.value(QStringLiteral("LoginEMail")).toString().toStdString();
        key = stored.value(QStringLiteral("LoginKey")).toString().toStdString();
    }
    return !email.empty() && !key.empty() && session.BindAccount(email, key);
}
