// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <ostream>
#include <vector>

class TEntry;

/// The file formats entries are exported to.
enum class TExportFormat {
    /// A header line, then one record per entry; CRLF line ends, fields quoted where needed.
    Csv,
    /// One compact JSON object per entry and line (JSON Lines), UTF-8.
    Json
};

/// Writes entries in format with the fields date, title, price, location, link, new and
/// image; CSV starts with its header line, also for no entries. The same bytes for the
/// program's export and the command line's.
void ExportEntries(std::ostream& out, const std::vector<const TEntry*>& entries, TExportFormat format);
/// What ExportEntries writes before the first entry (the CSV header line, nothing for JSON).
void WriteExportHeader(std::ostream& out, TExportFormat format);
/// One entry's line as ExportEntries writes it.
void WriteExportedEntry(std::ostream& out, const TEntry& entry, TExportFormat format);
