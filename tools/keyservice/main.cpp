// SPDX-License-Identifier: GPL-3.0-or-later
// The key service, run beside the account database server:
//   trawlix-keyservice --password-file FILE
// It signs in to TRAWLIX_ACCOUNT_DB (or AccountDatabase of trawlix.ini in the data
// folder) as TRAWLIXKEYS with the password in FILE (db/server-start writes it to
// keyservice.password), and mails every login key asked for through the program with the
// configured mail server and sender (TRAWLIX_MAIL_HOST, TRAWLIX_MAIL_PORT,
// TRAWLIX_MAIL_SENDER, TRAWLIX_MAIL_PASSWORD). It prints "ready" once it listens, and
// runs until it is stopped.
#include <fstream>
#include <iostream>

#include <QCoreApplication>

#include "TKeyService.h"
#include "core/TConfig.h"

int main(int argc, char** argv) {
    QCoreApplication application(argc, argv);
    const QStringList arguments = QCoreApplication::arguments();
    if (arguments.size() != 3 || arguments[1] != QLatin1String("--password-file")) {
        std::cerr << "usage: trawlix-keyservice --password-file FILE\n";
        return 2;
    }
    std::ifstream file(arguments[2].toStdString());
    std::string password;
    if (!std::getline(file, password) || password.empty()) {
        std::cerr << "trawlix-keyservice: no password in " << arguments[2].toStdString() << '\n';
        return 2;
    }
    const TConfig config = TConfig::Load();
    TKeyService service(config.AccountDatabase, password, config.MailSender,
                        {config.MailHost, config.MailPort, config.MailSender, config.MailPassword});
    std::string why;
    if (!service.Start(why)) {
        std::cerr << "trawlix-keyservice: cannot listen to " << config.AccountDatabase << ": " << why << '\n';
        return 1;
    }
    // Requests made while the service was not running.
    service.HandleRequests();
    std::cout << "ready" << std::endl;
    return QCoreApplication::exec();
}
