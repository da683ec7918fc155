// SPDX-License-Identifier: GPL-3.0-or-later
#include "account/TGsmNetwork.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>

#include "core/TBackendConnection.h"
#include "core/TDatabaseError.h"
#include "core/TextHelpers.h"

TGsmNetwork::TGsmNetwork(int id, const std::string& name, const std::string& gateway, bool discontinued)
    : ID(id), Name(CutToChars(name, 50)), Gateway(CutToChars(gateway, 100)), Discontinued(discontinued) {}

std::vector<std::unique_ptr<TGsmNetwork>> TGsmNetwork::LoadAll(TBackendConnection& db) {
    // Every column: a database made before GSM_DISCONTINUED existed still loads.
    const auto query = db.NewQuery("SELECT * FROM GSM_NETWORKS ORDER BY GSM_ID");
    if (!query->exec()) {
        db.NoteFailure();
        throw TDatabaseError(query->lastError().text().toStdString());
    }
    std::vector<std::unique_ptr<TGsmNetwork>> networks;
    const int discontinued = query->record().indexOf(QStringLiteral("GSM_DISCONTINUED"));
    while (query->next())
        networks.push_back(std::make_unique<TGsmNetwork>(
            query->value(QStringLiteral("GSM_ID")).toInt(),
            query->value(QStringLiteral("GSM_NAME")).toString().toStdString(),
            query->value(QStringLiteral("GSM_GATEWAY")).toString().toStdString(),
            discontinued >= 0 && query->value(discontinued).toString().trimmed() == QLatin1String("T")));
    return networks;
}
