// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/TTransaction.h"

#include <exception>

#include "core/IUserMessages.h"
#include "core/Log.h"
#include "core/TBackendConnection.h"

TTransaction::TTransaction(TBackendConnection& connection) : m_connection(connection) {
    m_connection.StartTransaction();
}

TTransaction::~TTransaction() {
    if (!m_open)
        return;
    try {
        m_connection.Rollback();
    } catch (const std::exception&) {
    }
}

void TTransaction::Commit() {
    m_open = false;
    m_connection.Commit();
}

std::unique_ptr<TTransaction> TTransaction::BeginOrReport(TBackendConnection& connection) {
    try {
        return std::make_unique<TTransaction>(connection);
    } catch (const std::exception& error) {
        WriteLog(error.what());
        UserMessages().Error("Error connecting to database server! Please try again later.");
        return nullptr;
    }
}
