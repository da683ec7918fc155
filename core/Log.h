// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

/// Points the diagnostic log at folder + "log.tx" and empties that file. Throws
/// std::ios_base::failure when the file cannot be created.
void ResetLog(const std::string& folder);
/// Appends "dd.mm.yy hh:mm: message" and CR LF to the log. Throws std::ios_base::failure
/// when the log cannot be opened, written or closed; what was written before stays.
void WriteLog(const std::string& message);
/// The current log file's path (empty before ResetLog).
std::string LogFilePath();
