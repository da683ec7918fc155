// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

// The log is a diagnostic: a log that cannot be written never stops the work that writes
// to it. The first failure after ResetLog is shown to the user once (UserMessages, on the
// user-interface thread); later ones are dropped silently.

/// Points the diagnostic log at folder + "log.tx" and empties that file.
void ResetLog(const std::string& folder);
/// Appends "dd.mm.yy hh:mm: message" and CR LF to the log; what was written before stays.
void WriteLog(const std::string& message);
/// The current log file's path (empty before ResetLog).
std::string LogFilePath();
