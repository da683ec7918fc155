// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/TExportResults.h"

#include <sstream>

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QSaveFile>

#include "core/IUserMessages.h"

namespace {

/// Asks where to export; empty when the user cancels. Sets selectedFilter to the filter chosen.
QString AskExportFile(QWidget* parent, QString& selectedFilter) {
    selectedFilter = CsvFilesFilter;
    QString path =
        QFileDialog::getSaveFileName(parent, QStringLiteral("Export"), QDir::homePath(),
                                     CsvFilesFilter + QStringLiteral(";;") + JsonFilesFilter, &selectedFilter);
    if (!path.isEmpty() && QFileInfo(path).suffix().isEmpty())
        path += selectedFilter == JsonFilesFilter ? QStringLiteral(".json") : QStringLiteral(".csv");
    return path;
}

/// Writes text to path through a temporary file renamed over it; the reason on failure.
QString WriteWhole(const QString& path, const std::string& text) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return file.errorString();
    if (file.write(text.data(), static_cast<qint64>(text.size())) != static_cast<qint64>(text.size())) {
        const QString reason = file.errorString();
        file.cancelWriting();
        return reason;
    }
    if (!file.commit())
        return file.errorString();
    return {};
}

} // namespace

TExportFormat ExportFormatFor(const QString& path, const QString& selectedFilter) {
    const QString suffix = QFileInfo(path).suffix().toLower();
    if (suffix == QLatin1String("json"))
        return TExportFormat::Json;
    if (suffix == QLatin1String("csv"))
        return TExportFormat::Csv;
    return selectedFilter == JsonFilesFilter ? TExportFormat::Json : TExportFormat::Csv;
}

bool ExportResults(QWidget* parent, const std::vector<const TEntry*>& entries, QString path) {
    QString selectedFilter;
    if (path.isEmpty())
        path = AskExportFile(parent, selectedFilter);
    if (path.isEmpty())
        return false;
    std::ostringstream text;
    ExportEntries(text, entries, ExportFormatFor(path, selectedFilter));
    const QString reason = WriteWhole(path, text.str());
    if (reason.isEmpty())
        return true;
    UserMessages().Error(QStringLiteral("The results could not be exported to %1: %2")
                             .arg(QDir::toNativeSeparators(path), reason)
                             .toStdString());
    return false;
}
