// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <ostream>
#include <string>

class TEntry;

enum class TEntryFormat { Tsv, Json, Csv };

/// Writes one entry as a line: tab-separated, or one JSON object or CSV record as the export
/// writes them (search/TEntryExport.h), with the fields date, title, price, location, link,
/// new, image.
void WriteEntry(std::ostream& out, const TEntry& entry, TEntryFormat format);
