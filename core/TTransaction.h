// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <memory>

class TBackendConnection;

/// One write transaction on the account database: begun when made, rolled back when it
/// goes out of scope without Commit. User-interface thread, like the connection.
class TTransaction final {
public:
    /// Throws TDatabaseError when no transaction could be begun.
    explicit TTransaction(TBackendConnection& connection);
    /// Rolls back unless committed; a failed rollback is swallowed (it runs on error paths).
    ~TTransaction();
    TTransaction(const TTransaction&) = delete;
    TTransaction& operator=(const TTransaction&) = delete;

    /// Throws TDatabaseError when the commit fails; the transaction is over either way.
    void Commit();

    /// Begins a transaction, or logs why none could be begun, shows "Error connecting to
    /// database server! Please try again later." and returns null.
    static std::unique_ptr<TTransaction> BeginOrReport(TBackendConnection& connection);

private:
    TBackendConnection& m_connection;
    bool m_open = true;
};
