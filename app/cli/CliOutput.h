// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <ostream>
#include <string>

class TEntry;

enum class TEntryFormat { Tsv, Json, Csv };

/// Writes one entry as a line: tab-separated, one JSON object, or one CSV record, with the
/// fields date, title, price, location, link, new, image.
void WriteEntry(std::ostream& out, const TEntry& entry, TEntryFormat format);
/// The CSV header line matching WriteEntry.
void WriteCsvHeader(std::ostream& out);
