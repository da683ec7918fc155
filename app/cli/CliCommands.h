// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QStringList>

/// Exit statuses of trawlix-cli.
enum TCliStatus : int {
    CliOk = 0,
    /// A failure while working (no reference data, a file that cannot be written).
    CliFailed = 1,
    /// Bad arguments or a name that names nothing.
    CliUsage = 2,
    /// check: at least one saved search has new results.
    CliNewResults = 3,
};

// Each command takes its own arguments (the command name first) and returns the exit status.
int CmdPlaces(const QStringList& arguments);
int CmdCategories(const QStringList& arguments);
int CmdRun(const QStringList& arguments);
int CmdSearches(const QStringList& arguments);
int CmdCheck(const QStringList& arguments);
int CmdExport(const QStringList& arguments);
int CmdIssueKey(const QStringList& arguments);
