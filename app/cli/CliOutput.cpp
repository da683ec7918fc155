// SPDX-License-Identifier: GPL-3.0-or-later
#include "CliOutput.h"

#include "core/TextHelpers.h"
#include "search/TEntry.h"
#include "search/TEntryExport.h"

namespace {

/// Tabs and line breaks inside a field would break the line format.
std::string TsvField(const std::string& text) {
    std::string field = text;
    for (char& c : field)
        if (c == '\t' || c == '\n' || c == '\r')
            c = ' ';
    return field;
}

std::string Mark(bool value) {
    return value ? "1" : "0";
}

} // namespace

void WriteEntry(std::ostream& out, const TEntry& entry, TEntryFormat format) {
    switch (format) {
    case TEntryFormat::Tsv:
        out << TsvField(entry.Date) << '\t' << TsvField(entry.Name) << '\t' << FormatDecimal(entry.Price) << '\t'
            << TsvField(entry.Location) << '\t' << TsvField(entry.Link) << '\t' << Mark(entry.New) << '\t'
            << Mark(entry.HasImage) << '\n';
        break;
    case TEntryFormat::Csv:
        WriteExportedEntry(out, entry, TExportFormat::Csv);
        break;
    case TEntryFormat::Json:
        WriteExportedEntry(out, entry, TExportFormat::Json);
        break;
    }
}
