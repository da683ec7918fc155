// SPDX-License-Identifier: GPL-3.0-or-later
// ctest-labels: unit
#include "search/TEntryExport.h"

#include <sstream>

#include <gtest/gtest.h>

#include <QJsonDocument>
#include <QJsonObject>

#include "search/TEntry.h"
#include "search/TFavourite.h"

namespace {

TEntry MakeEntry(const std::string& title, const std::string& location = "united states - florida - south florida") {
    TEntry entry("Mar 5", title, "http://miami.craigslist.org/mdc/act/1.html", 25, location, true);
    entry.New = false;
    return entry;
}

std::string Export(const std::vector<const TEntry*>& entries, TExportFormat format) {
    std::ostringstream out;
    ExportEntries(out, entries, format);
    return out.str();
}

TEST(TEntryExportTest, AnEmptyListGivesTheCsvHeaderAloneAndNoJson) {
    EXPECT_EQ(Export({}, TExportFormat::Csv), "date,title,price,location,link,new,image\r\n");
    EXPECT_EQ(Export({}, TExportFormat::Json), "");
}

TEST(TEntryExportTest, CsvQuotesOnlyTheFieldsThatNeedIt) {
    const struct {
        std::string title;
        std::string field;
    } cases[] = {
        {"plain bike", "plain bike"},
        {"bike, red", "\"bike, red\""},
        {"the \"best\" bike", "\"the \"\"best\"\" bike\""},
        {"two\nlines", "\"two\nlines\""},
        {"carriage\rreturn", "\"carriage\rreturn\""},
        {"\"", "\"\"\"\""},
        {"vélo à Montréal – 5 €", "vélo à Montréal – 5 €"},
        {"", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.title);
        const TEntry entry = MakeEntry(c.title);
        EXPECT_EQ(Export({&entry}, TExportFormat::Csv),
                  "date,title,price,location,link,new,image\r\nMar 5," + c.field +
                      ",25,united states - florida - south florida,http://miami.craigslist.org/mdc/act/1.html,0,1\r\n");
    }
}

TEST(TEntryExportTest, CsvWritesPricesMarksAndOneRecordPerEntryInOrder) {
    TEntry cheap("Feb 1", "lamp", "http://a/1.html", 12.5, "here, there", false);
    TEntry free("Feb 2", "chair", "http://a/2.html", 0, "x", true);
    TFavourite kept(MakeEntry("kept"));
    kept.Note = "the note is not exported";
    EXPECT_EQ(
        Export({&cheap, &free, &kept}, TExportFormat::Csv),
        "date,title,price,location,link,new,image\r\n"
        "Feb 1,lamp,12.5,\"here, there\",http://a/1.html,1,0\r\n"
        "Feb 2,chair,0,x,http://a/2.html,1,1\r\n"
        "Mar 5,kept,25,united states - florida - south florida,http://miami.craigslist.org/mdc/act/1.html,0,1\r\n");
}

TEST(TEntryExportTest, JsonIsOneCompactObjectPerLine) {
    const TEntry entry = MakeEntry("bike");
    EXPECT_EQ(Export({&entry, &entry}, TExportFormat::Json),
              std::string("{\"date\":\"Mar 5\",\"image\":true,\"link\":\"http://miami.craigslist.org/mdc/act/1.html\","
                          "\"location\":\"united states - florida - south florida\",\"new\":false,\"price\":25,"
                          "\"title\":\"bike\"}\n") +
                  "{\"date\":\"Mar 5\",\"image\":true,\"link\":\"http://miami.craigslist.org/mdc/act/1.html\","
                  "\"location\":\"united states - florida - south florida\",\"new\":false,\"price\":25,"
                  "\"title\":\"bike\"}\n");
}

// Whatever a title holds, each line reads back as the same text.
TEST(TEntryExportTest, JsonEscapesWhatWouldBreakTheLineAndKeepsUtf8) {
    const std::string titles[] = {"a \"quoted\" word", "back\\slash",       "two\nlines\r\n",
                                  "tab\there",         "control \x01 byte", "vélo à Montréal – 5 € 🚲",
                                  "</script>"};
    for (const std::string& title : titles) {
        SCOPED_TRACE(title);
        const TEntry entry = MakeEntry(title, "zürich");
        const std::string line = Export({&entry}, TExportFormat::Json);
        ASSERT_FALSE(line.empty());
        EXPECT_EQ(line.find('\n'), line.size() - 1) << "one line per entry";
        EXPECT_EQ(line.find('\r'), std::string::npos);
        QJsonParseError error;
        const QJsonDocument document = QJsonDocument::fromJson(QByteArray::fromStdString(line), &error);
        ASSERT_EQ(error.error, QJsonParseError::NoError) << error.errorString().toStdString();
        EXPECT_EQ(document.object().value(QStringLiteral("title")).toString().toStdString(), title);
        EXPECT_EQ(document.object().value(QStringLiteral("location")).toString().toStdString(), "zürich");
    }
    // UTF-8 is written as it is, not as \u escapes.
    const TEntry entry = MakeEntry("vélo");
    EXPECT_NE(Export({&entry}, TExportFormat::Json).find("\"title\":\"vélo\""), std::string::npos);
}

TEST(TEntryExportTest, AMissingEntryIsPassedOver) {
    const TEntry entry = MakeEntry("bike");
    EXPECT_EQ(Export({nullptr, &entry}, TExportFormat::Json), Export({&entry}, TExportFormat::Json));
}

} // namespace
