// SPDX-License-Identifier: GPL-3.0-or-later
#include "CliOutput.h"

#include <QJsonDocument>
#include <QJsonObject>

#include "core/TextHelpers.h"
#include "search/TEntry.h"

namespace {

/// Tabs and line breaks inside a field would break the line format.
std::string TsvField(const std::string& text) {
    std::string field = text;
    for (char& c : field)
        if (c == '\t' || c == '\n' || c == '\r')
            c = ' ';
    return field;
}

std::string CsvField(const std::string& text) {
    if (text.find_first_of(",\"\r\n") == std::string::npos)
        return text;
    return "\"" + ReplaceAll(text, "\"", "\"\"") + "\"";
}

std::string Mark(bool value) {
    return value ? "1" : "0";
}

} // namespace

void WriteEntry(std::ostream& out, const TEntry& entry, TEntryFormat format) {
    const std::string price = FormatDecimal(entry.Price);
    switch (format) {
    case TEntryFormat::Tsv:
        out << TsvField(entry.Date) << '\t' << TsvField(entry.Name) << '\t' << price << '\t' << TsvField(entry.Location)
            << '\t' << TsvField(entry.Link) << '\t' << Mark(entry.New) << '\t' << Mark(entry.HasImage) << '\n';
        break;
    case TEntryFormat::Csv:
        out << CsvField(entry.Date) << ',' << CsvField(entry.Name) << ',' << price << ',' << CsvField(entry.Location)
            << ',' << CsvField(entry.Link) << ',' << Mark(entry.New) << ',' << Mark(entry.HasImage) << "\r\n";
        break;
    case TEntryFormat::Json: {
        const QJsonObject object{{QStringLiteral("date"), QString::fromStdString(entry.Date)},
                                 {QStringLiteral("title"), QString::fromStdString(entry.Name)},
                                 {QStringLiteral("price"), entry.Price},
                                 {QStringLiteral("location"), QString::fromStdString(entry.Location)},
                                 {QStringLiteral("link"), QString::fromStdString(entry.Link)},
                                 {QStringLiteral("new"), entry.New},
                                 {QStringLiteral("image"), entry.HasImage}};
        out << QJsonDocument(object).toJson(QJsonDocument::Compact).toStdString() << '\n';
        break;
    }
    }
}

void WriteCsvHeader(std::ostream& out) {
    out << "date,title,price,location,link,new,image\r\n";
}
