// SPDX-License-Identifier: GPL-3.0-or-later
#include "account/TGsmNetwork.h"

#include <QSqlError>
#include <QSqlQuery>

#include "core/TBackendConnection.h"
#include "core/TDatabaseError.h"
#include "core/TextHelpers.h"

TGsmNetwork::TGsmNetwork(int id, const std::string& name, const std::string& gateway)
    : ID(id), Name(CutToChars(name, 50)), Gateway(CutToChars(gateway, 100)) {}

std::vector<std::unique_ptr<TGsmNetwork>> TGsmNetwork::LoadAll(TBackendConnection& db) {
    const std::unique_ptr<QSqlQuery> query =
        db.NewQuery("SELECT GSM_ID, GSM_NAME, GSM_GATEWAY FROM GSM_NETWORKS ORDER BY GSM_ID");
    if (!query->exec()) {
        db.NoteFailure();
        throw TDatabaseError(query->lastError().text().toStdString());
    }
    std::vector<std::unique_ptr<TGsmNetwork>> networks;
    while (query->next())
        networks.push_back(std::make_unique<TGsmNetwork>(query->value(0).toInt(),
                                                         query->value(1).toString().toStdString(),
                                                         query->value(2).toString().toStdString()));
    return networks;
}
