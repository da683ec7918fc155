// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <stdexcept>
#include <string>

/// A failure of the account database: the connection could not be opened, or a statement,
/// commit or rollback failed. Carries the driver's text.
class TDatabaseError final : public std::runtime_error {
public:
    explicit TDatabaseError(const std::string& what) : std::runtime_error(what) {}
};
