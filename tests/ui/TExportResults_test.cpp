// SPDX-License-Identifier: GPL-3.0-or-later
// ctest-labels: gui
// Exporting entries to a file: the file's bytes, and what the user sees when it cannot be written.
#include "ui/TExportResults.h"

#include "TestSupport.h"
#include "UiTestSupport.h"

#include <linux/capability.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <sstream>

#include <QDir>
#include <QFile>
#include <QMessageBox>
#include <QtTest>

#include "search/TEntry.h"
#include "search/TFavourite.h"
#include "ui/TMessageBoxes.h"

namespace {

/// While it lives, this thread cannot write where its permissions forbid it even as root
/// (the effective capability to override them is dropped, and given back at the end).
class TPermissionsEnforced final {
public:
    TPermissionsEnforced() {
        if (syscall(SYS_capget, &m_header, m_saved) != 0)
            return;
        __user_cap_data_struct reduced[2] = {m_saved[0], m_saved[1]};
        reduced[0].effective &= ~(1u << CAP_DAC_OVERRIDE);
        m_dropped = syscall(SYS_capset, &m_header, reduced) == 0;
    }
    ~TPermissionsEnforced() {
        if (m_dropped)
            syscall(SYS_capset, &m_header, m_saved);
    }
    TPermissionsEnforced(const TPermissionsEnforced&) = delete;
    TPermissionsEnforced& operator=(const TPermissionsEnforced&) = delete;

private:
    __user_cap_header_struct m_header{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct m_saved[2]{};
    bool m_dropped = false;
};

QByteArray ReadAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QStringList FolderContents(const QString& folder) {
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name);
}

} // namespace

class TExportResultsTest final : public QObject {
    Q_OBJECT

private:
    /// A result, a known one and a favourite, with the characters files trip over.
    struct TEntries {
        TEntries() {
            bike.New = true;
            lamp.New = false;
            favourite.Note = "call after six";
        }
        std::vector<const TEntry*> All() const { return {&bike, &lamp, &favourite}; }
        std::string Expected(TExportFormat format) const {
            std::ostringstream out;
            ExportEntries(out, All(), format);
            return out.str();
        }
        TEntry bike{"Mar 5", "vélo, \"comme neuf\"", "http://miami.craigslist.org/a/1.html",
                    120,     "south florida",        true};
        TEntry lamp{"Mar 4", "lamp\nwith shade", "http://miami.craigslist.org/a/2.html", 0, "miami – dade", false};
        TFavourite favourite{TEntry("Mar 3", "chair", "http://miami.craigslist.org/a/3.html", 15.5, "x", true)};
    };

private Q_SLOTS:
    void TheFormatFollowsTheExtensionThenTheFilter_data() {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("filter");
        QTest::addColumn<bool>("json");
        QTest::newRow(".csv") << QStringLiteral("/t/r.csv") << QString() << false;
        QTest::newRow(".json") << QStringLiteral("/t/r.json") << QString() << true;
        QTest::newRow(".JSON") << QStringLiteral("/t/r.JSON") << QString() << true;
        QTest::newRow(".json under the CSV filter") << QStringLiteral("/t/r.json") << CsvFilesFilter << true;
        QTest::newRow(".csv under the JSON filter") << QStringLiteral("/t/r.csv") << JsonFilesFilter << false;
        QTest::newRow(".txt under the JSON filter") << QStringLiteral("/t/r.txt") << JsonFilesFilter << true;
        QTest::newRow(".txt, no filter") << QStringLiteral("/t/r.txt") << QString() << false;
        QTest::newRow("a dotted folder") << QStringLiteral("/t/v.json/r") << QString() << false;
    }
    void TheFormatFollowsTheExtensionThenTheFilter() {
        QFETCH(QString, path);
        QFETCH(QString, filter);
        QFETCH(bool, json);
        QCOMPARE(ExportFormatFor(path, filter) == TExportFormat::Json, json);
    }

    void TheFileHoldsTheEntriesInTheChosenFormat_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("json");
        QTest::newRow("CSV") << QStringLiteral("results.csv") << false;
        QTest::newRow("JSON") << QStringLiteral("results.json") << true;
        QTest::newRow("a name with spaces and accents") << QStringLiteral("mes résultats.json") << true;
    }
    void TheFileHoldsTheEntriesInTheChosenFormat() {
        QFETCH(QString, name);
        QFETCH(bool, json);
        TMessageBoxes boxes;
        TTempDataFolder folder;
        const TEntries entries;
        const QString path = QString::fromStdString(folder.Path()) + name;
        QVERIFY(ExportResults(nullptr, entries.All(), path));
        const std::string expected = entries.Expected(json ? TExportFormat::Json : TExportFormat::Csv);
        QCOMPARE(ReadAll(path).toStdString(), expected);
        if (json)
            QVERIFY(ReadAll(path).startsWith("{\"date\":\"Mar 5\""));
        else
            QVERIFY(ReadAll(path).startsWith("date,title,price,location,link,new,image\r\n"
                                             "Mar 5,\"vélo, \"\"comme neuf\"\"\",120,"));
        QCOMPARE(FolderContents(QString::fromStdString(folder.Path())), QStringList{name});
    }

    void AnEarlierFileIsReplacedWhole() {
        TMessageBoxes boxes;
        TTempDataFolder folder;
        const QString path = QString::fromStdString(folder.File("results.csv"));
        folder.WriteFile("results.csv", std::string(10000, 'x'));
        QVERIFY(ExportResults(nullptr, {}, path));
        QCOMPARE(ReadAll(path), QByteArray("date,title,price,location,link,new,image\r\n"));
    }

    void AFileThatCannotBeWrittenIsReportedAndNothingIsLeft_data() {
        QTest::addColumn<QString>("where");
        QTest::newRow("a missing folder") << QStringLiteral("missing");
        QTest::newRow("a read-only folder") << QStringLiteral("read-only");
        QTest::newRow("a folder of that name") << QStringLiteral("folder in the way");
    }
    void AFileThatCannotBeWrittenIsReportedAndNothingIsLeft() {
        QFETCH(QString, where);
        TMessageBoxes boxes;
        TTempDataFolder folder;
        const QString base = QString::fromStdString(folder.Path());
        QString target = base + QStringLiteral("missing/results.csv");
        if (where == QLatin1String("read-only")) {
            QVERIFY(QDir(base).mkdir(QStringLiteral("locked")));
            target = base + QStringLiteral("locked/results.csv");
            QFile earlier(target);
            QVERIFY(earlier.open(QIODevice::WriteOnly) && earlier.write("earlier export") > 0);
            earlier.close();
            QVERIFY(QFile::setPermissions(base + QStringLiteral("locked"), QFile::ReadOwner | QFile::ExeOwner));
            QVERIFY(QFile::setPermissions(target, QFile::ReadOwner));
        } else if (where == QLatin1String("folder in the way")) {
            target = base + QStringLiteral("results.csv");
            QVERIFY(QDir(base).mkdir(QStringLiteral("results.csv")));
        }
        const QString targetFolder = QFileInfo(target).absolutePath();
        const QStringList before = FolderContents(targetFolder);
        const QStringList baseBefore = FolderContents(base);
        const TEntries entries;

        TPermissionsEnforced enforced;
        QFile probe(targetFolder + QStringLiteral("/probe"));
        if (where == QLatin1String("read-only") && probe.open(QIODevice::WriteOnly)) {
            probe.remove();
            QSKIP("this process writes into read-only folders");
        }
        TShownBox shown;
        AnswerNextBox(QStringLiteral("OK"), shown);
        QVERIFY(!ExportResults(nullptr, entries.All(), target));
        QVERIFY2(shown.Answered, "the failure was shown");
        QCOMPARE(shown.Icon, QMessageBox::Critical);
        QVERIFY2(shown.Text.startsWith(QStringLiteral("The results could not be exported to ") + target + ": "),
                 qPrintable(shown.Text));
        QVERIFY2(shown.Text.size() > QStringLiteral("The results could not be exported to : ").size() + target.size(),
                 "the reason is given");
        // No temporary or partial file, and an earlier export is as it was.
        QCOMPARE(FolderContents(targetFolder), before);
        QCOMPARE(FolderContents(base), baseBefore);
        if (where == QLatin1String("read-only")) {
            QCOMPARE(ReadAll(target), QByteArray("earlier export"));
            QFile::setPermissions(targetFolder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        }
    }
};

QTEST_MAIN(TExportResultsTest)
#include "TExportResults_test.moc"
