// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/Log.h"

#include <fstream>
#include <mutex>

#include <QDateTime>

namespace {

std::mutex logMutex;
std::string logPath;

std::string Timestamp() {
    return QDateTime::currentDateTime().toString(QStringLiteral("dd.MM.yy hh:mm")).toStdString();
}

void Fail(const std::string& what) {
    throw std::ios_base::failure(what + ": " + logPath);
}

} // namespace

void ResetLog(const std::string& folder) {
    std::lock_guard lock(logMutex);
    logPath = folder + "log.tx";
    std::ofstream file(logPath, std::ios::binary | std::ios::trunc);
    if (!file)
        Fail("Cannot create the log file");
}

void WriteLog(const std::string& message) {
    std::lock_guard lock(logMutex);
    if (logPath.empty())
        throw std::ios_base::failure("The log file has not been set up");
    std::ofstream file(logPath, std::ios::binary | std::ios::app);
    if (!file)
        Fail("Cannot open the log file");
    file << Timestamp() << ": " << message << "\r\n";
    file.close();
    if (file.fail())
        Fail("Cannot write the log file");
}

std::string LogFilePath() {
    std::lock_guard lock(logMutex);
    return logPath;
}
