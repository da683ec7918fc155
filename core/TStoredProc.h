// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <map>
#include <string>
#include <vector>

#include <QSqlDatabase>
#include <QVariant>

/// A stored procedure of the account database called by name: inputs are set by name and
/// sent in the order the procedure declares them (read from the catalogue), unset ones as
/// NULL; outputs are read by name after Execute. Runs in the connection's transaction when
/// one is active. User-interface thread only, like the connection.
class TStoredProc final {
public:
    TStoredProc(QSqlDatabase connection, std::string name);

    const std::string& Name() const { return m_name; }
    /// A null QVariant of a type (QVariant(QMetaType::fromType<int>())) sends a typed NULL.
    void SetParam(const std::string& name, const QVariant& value);
    /// Runs "EXECUTE PROCEDURE name(?, ...)". Throws TDatabaseError on any failure,
    /// including an input name that the procedure does not declare.
    void Execute();
    /// An output of the last Execute; throws TDatabaseError when there is none by that name.
    QVariant Output(const std::string& name) const;

private:
    std::vector<std::string> DeclaredInputs();

    QSqlDatabase m_connection;
    std::string m_name;
    std::map<std::string, QVariant> m_inputs;
    std::map<std::string, QVariant> m_outputs;
};
