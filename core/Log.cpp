// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/Log.h"

#include <cerrno>
#include <cstring>
#include <fstream>
#include <mutex>

#include <QCoreApplication>
#include <QDateTime>
#include <QThread>

#include "core/IUserMessages.h"

namespace {

std::mutex logMutex;
std::string logPath;
bool failureShown = false;

std::string Timestamp() {
    return QDateTime::currentDateTime().toString(QStringLiteral("dd.MM.yy hh:mm")).toStdString();
}

/// The text to show for the first failure since the log was set up, or empty when one has
/// been shown already. Called with logMutex held.
std::string FailureText(const std::string& what) {
    const int error = errno;
    if (failureShown)
        return {};
    failureShown = true;
    std::string text = what + " " + logPath;
    if (error != 0)
        text += std::string(" (") + std::strerror(error) + ")";
    return text + ". The program goes on without its log.";
}

/// Shows text on the user-interface thread; called without logMutex, since showing a
/// message may write to the log itself.
void Show(const std::string& text) {
    if (text.empty())
        return;
    QCoreApplication* application = QCoreApplication::instance();
    if (!application || QThread::currentThread() == application->thread()) {
        UserMessages().Error(text);
        return;
    }
    QMetaObject::invokeMethod(
        application, [text] { UserMessages().Error(text); }, Qt::QueuedConnection);
}

} // namespace

void ResetLog(const std::string& folder) {
    std::string failure;
    {
        std::lock_guard lock(logMutex);
        logPath = folder + "log.tx";
        failureShown = false;
        errno = 0;
        std::ofstream file(logPath, std::ios::binary | std::ios::trunc);
        if (!file)
            failure = FailureText("Cannot create the log file");
    }
    Show(failure);
}

void WriteLog(const std::string& message) {
    std::string failure;
    {
        std::lock_guard lock(logMutex);
        if (logPath.empty())
            return; // no log set up yet: nothing is lost that anybody asked for
        errno = 0;
        std::ofstream file(logPath, std::ios::binary | std::ios::app);
        if (file) {
            file << Timestamp() << ": " << message << "\r\n";
            file.close();
        }
        if (!file)
            failure = FailureText("Cannot write the log file");
    }
    Show(failure);
}

std::string LogFilePath() {
    std::lock_guard lock(logMutex);
    return logPath;
}
