// SPDX-License-Identifier: GPL-3.0-or-later
#include "search/TEntryExport.h"

#include <string>

#include <QJsonDocument>
#include <QJsonObject>

#include "core/TextHelpers.h"
#include "search/TEntry.h"

namespace {

std::string CsvField(const std::string& text) {
    if (text.find_first_of(",\"\r\n") == std::string::npos)
        return text;
    return "\"" + ReplaceAll(text, "\"", "\"\"") + "\"";
}

std::string Mark(bool value) {
    return value ? "1" : "0";
}

void WriteCsvEntry(std::ostream& out, const TEntry& entry) {
    out << CsvField(entry.Date) << ',' << CsvField(entry.Name) << ',' << FormatDecimal(entry.Price) << ','
        << CsvField(entry.Location) << ',' << CsvField(entry.Link) << ',' << Mark(entry.New) << ','
        << Mark(entry.HasImage) << "\r\n";
}

void WriteJsonEntry(std::ostream& out, const TEntry& entry) {
    const QJsonObject object{{QStringLiteral("date"), QString::fromStdString(entry.Date)},
                             {QStringLiteral("title"), QString::fromStdString(entry.Name)},
                             {QStringLiteral("price"), entry.Price},
                             {QStringLiteral("location"), QString::fromStdString(entry.Location)},
                             {QStringLiteral("link"), QString::fromStdString(entry.Link)},
                             {QStringLiteral("new"), entry.New},
                             {QStringLiteral("image"), entry.HasImage}};
    out << QJsonDocument(object).toJson(QJsonDocument::Compact).toStdString() << '\n';
}

} // namespace

void WriteExportHeader(std::ostream& out, TExportFormat format) {
    if (format == TExportFormat::Csv)
        out << "date,title,price,location,link,new,image\r\n";
}

void WriteExportedEntry(std::ostream& out, const TEntry& entry, TExportFormat format) {
    switch (format) {
    case TExportFormat::Csv:
        WriteCsvEntry(out, entry);
        break;
    case TExportFormat::Json:
        WriteJsonEntry(out, entry);
        break;
    }
}

void ExportEntries(std::ostream& out, const std::vector<const TEntry*>& entries, TExportFormat format) {
    WriteExportHeader(out, format);
    for (const TEntry* entry : entries)
        if (entry)
            WriteExportedEntry(out, *entry, format);
}
