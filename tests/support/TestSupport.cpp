// SPDX-License-Identifier: GPL-3.0-or-later
#include "TestSupport.h"

#include <fstream>
#include <sstream>
#include <stdexcept>

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFile>
#include <QThread>

#include <gtest/gtest.h>

#include "refdata/TCategories.h"

TTempDataFolder::TTempDataFolder() : m_path(m_dir.path().toStdString() + "/") {
    if (!m_dir.isValid())
        throw std::runtime_error("cannot create a temporary folder");
}

void TTempDataFolder::InstallShippedRefData() const {
    for (const char* name : {"Places.tx", "Categories.tx"}) {
        const QString source = QStringLiteral(TRAWLIX_REFDATA_OUT "/") + QLatin1String(name);
        QFile::remove(QString::fromStdString(File(name)));
        if (!QFile::copy(source, QString::fromStdString(File(name))))
            throw std::runtime_error("cannot copy " + source.toStdString());
    }
}

void TTempDataFolder::WriteFile(const std::string& name, const std::string& bytes) const {
    std::ofstream file(File(name), std::ios::binary | std::ios::trunc);
    file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!file)
        throw std::runtime_error("cannot write " + File(name));
}

std::string TTempDataFolder::ReadFile(const std::string& name) const {
    std::ifstream file(File(name), std::ios::binary);
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
}

bool WaitFor(const std::function<bool()>& done, std::chrono::milliseconds timeout) {
    QDeadlineTimer deadline(timeout);
    while (!done() && !deadline.hasExpired()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QThread::msleep(1);
    }
    return done();
}

TPlace* CategoryCoded(const TCategories& categories, const std::string& code) {
    for (const auto& category : categories.Items)
        if (category->Link == code)
            return category.get();
    ADD_FAILURE() << "no category " << code;
    return nullptr;
}

TRefRecord Place(int id, int parentId, const std::string& name, int level, const std::string& link, double latitude,
                 double longitude) {
    TRefRecord record;
    record.Id = id;
    record.ParentId = parentId;
    record.Name = name;
    record.Level = level;
    record.Link = link;
    record.Latitude = latitude;
    record.Longitude = longitude;
    return record;
}

std::string FixtureFile(const std::string& relative) {
    return std::string(TRAWLIX_FIXTURES_DIR "/") + relative;
}
