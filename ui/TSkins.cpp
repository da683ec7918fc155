// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/TSkins.h"

#include <QApplication>
#include <QDir>
#include <QFile>

namespace {

QString g_current;

QString SkinsFolder(const std::string& dataFolder) {
    return QString::fromStdString(dataFolder) + QStringLiteral("Skins");
}

} // namespace

namespace TSkins {

QStringList Available(const std::string& dataFolder) {
    QStringList names;
    const QDir folder(SkinsFolder(dataFolder));
    for (const QString& name : folder.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name | QDir::IgnoreCase))
        if (QFile::exists(folder.filePath(name + QStringLiteral("/skin.qss"))))
            names << name;
    return names;
}

bool Apply(const std::string& dataFolder, const std::string& name) {
    QString sheet;
    bool applied = true;
    if (!name.empty()) {
        const QString folder = SkinsFolder(dataFolder) + QLatin1Char('/') + QString::fromStdString(name);
        QFile file(folder + QStringLiteral("/skin.qss"));
        if (file.open(QIODevice::ReadOnly)) {
            sheet = QString::fromUtf8(file.readAll());
            QDir::setSearchPaths(QStringLiteral("skin"), {folder});
        } else {
            applied = false;
        }
    }
    g_current = applied ? QString::fromStdString(name) : QString();
    if (qApp->styleSheet() != sheet)
        qApp->setStyleSheet(sheet);
    return applied;
}

QString Current() {
    return g_current;
}

} // namespace TSkins
