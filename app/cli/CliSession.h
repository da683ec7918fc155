// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <memory>
#include <string>

#include "session/TSession.h"

/// Creates the session for the data folder in the environment and signs in (loads the
/// reference data), running the event loop until that ends. Throws std::runtime_error.
std::unique_ptr<TSession> SignInForCli();

/// Binds the account of email and key, or of the stored sign-in values when both are
/// empty; false when there is none or the account database refuses them.
bool BindCliAccount(TSession& session, std::string email, std::string key);
