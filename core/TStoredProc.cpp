// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/TStoredProc.h"

#include <algorithm>

#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>

#include "core/TDatabaseError.h"

namespace {

std::string Upper(const std::string& text) {
    return QString::fromStdString(text).toUpper().toStdString();
}

[[noreturn]] void Fail(const std::string& what, const QSqlQuery& query) {
    throw TDatabaseError(what + ": " + query.lastError().text().toStdString());
}

} // namespace

TStoredProc::TStoredProc(QSqlDatabase connection, std::string name)
    : m_connection(std::move(connection)), m_name(std::move(name)) {}

void TStoredProc::SetParam(const std::string& name, const QVariant& value) {
    m_inputs[Upper(name)] = value;
}

std::vector<std::string> TStoredProc::DeclaredInputs() {
    QSqlQuery query(m_connection);
    query.setForwardOnly(true);
    if (!query.prepare(QStringLiteral("SELECT TRIM(RDB$PARAMETER_NAME) FROM RDB$PROCEDURE_PARAMETERS "
                                      "WHERE RDB$PROCEDURE_NAME = ? AND RDB$PARAMETER_TYPE = 0 "
                                      "ORDER BY RDB$PARAMETER_NUMBER")))
        Fail("Cannot read the parameters of " + m_name, query);
    query.addBindValue(QString::fromStdString(Upper(m_name)));
    if (!query.exec())
        Fail("Cannot read the parameters of " + m_name, query);
    std::vector<std::string> names;
    while (query.next())
        names.push_back(query.value(0).toString().toStdString());
    return names;
}

void TStoredProc::Execute() {
    m_outputs.clear();
    const std::vector<std::string> declared = DeclaredInputs();
    for (const auto& [name, value] : m_inputs)
        if (std::find(declared.begin(), declared.end(), name) == declared.end())
            throw TDatabaseError("Procedure " + m_name + " has no input " + name);

    std::string sql = "EXECUTE PROCEDURE " + m_name;
    for (std::size_t i = 0; i < declared.size(); ++i)
        sql += (i == 0 ? "(?" : ", ?");
    if (!declared.empty())
        sql += ")";

    QSqlQuery query(m_connection);
    query.setForwardOnly(true);
    if (!query.prepare(QString::fromStdString(sql)))
        Fail("Cannot prepare " + m_name, query);
    for (const std::string& name : declared) {
        const auto input = m_inputs.find(name);
        query.addBindValue(input != m_inputs.end() ? input->second : QVariant());
    }
    if (!query.exec())
        Fail("Cannot execute " + m_name, query);
    // The driver hands the output parameters back as a one-row result. A procedure
    // without outputs has no row to fetch (and the driver must not be asked for one).
    if (!query.record().isEmpty() && query.next()) {
        const QSqlRecord row = query.record();
        for (int i = 0; i < row.count(); ++i)
            m_outputs[Upper(row.fieldName(i).toStdString())] = query.value(i);
    }
}

QVariant TStoredProc::Output(const std::string& name) const {
    const auto output = m_outputs.find(Upper(name));
    if (output == m_outputs.end())
        throw TDatabaseError("Procedure " + m_name + " gave no output " + name);
    return output->second;
}
