// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <vector>

#include <QString>

#include "search/TEntryExport.h"

class QWidget;
class TEntry;

/// The file dialog's filters, CSV first.
inline const QString CsvFilesFilter = QStringLiteral("CSV files (*.csv)");
inline const QString JsonFilesFilter = QStringLiteral("JSON files (*.json)");

/// The format for a file: by its extension (.csv or .json, any case), else by the dialog
/// filter chosen, else CSV.
TExportFormat ExportFormatFor(const QString& path, const QString& selectedFilter = {});

/// Exports entries (results, filtered results or favourites, in the window's order) to a
/// file in the formats of `trawlix-cli export`. Without a path it asks for one with a save
/// dialog over parent (a name without extension gets the chosen filter's); a cancelled
/// dialog exports nothing. The file is replaced whole or not at all; a failure is shown as
/// an error message (UserMessages) naming the file and the reason. True when the file was
/// written. User-interface thread.
bool ExportResults(QWidget* parent, const std::vector<const TEntry*>& entries, QString path = {});
