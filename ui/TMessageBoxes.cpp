// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/TMessageBoxes.h"

#include <QApplication>
#include <QMessageBox>
#include <QThread>

#include "core/UiHandOver.h"

namespace {

const QString Title = QStringLiteral("Trawlix");

QString Text(const std::string& text) {
    return QString::fromStdString(text);
}

/// Shows a box on the user-interface thread, also when asked from the database's thread
/// (which the user-interface thread is then waiting for, its event loop running).
template <class F> auto OnUiThread(F show) {
    QCoreApplication* application = QCoreApplication::instance();
    if (!application || application->thread() == QThread::currentThread())
        return show();
    decltype(show()) answer{};
    RunOnUiThread(application, [&] { answer = show(); });
    return answer;
}

} // namespace

TMessageBoxes::TMessageBoxes() {
    SetUserMessages(this);
}

TMessageBoxes::~TMessageBoxes() {
    SetUserMessages(nullptr);
}

void TMessageBoxes::Information(const std::string& text) {
    OnUiThread([&] { return QMessageBox::information(QApplication::activeWindow(), Title, Text(text)); });
}

void TMessageBoxes::Error(const std::string& text) {
    OnUiThread([&] { return QMessageBox::critical(QApplication::activeWindow(), Title, Text(text)); });
}

void TMessageBoxes::Warning(const std::string& text) {
    OnUiThread([&] { return QMessageBox::warning(QApplication::activeWindow(), Title, Text(text)); });
}

bool TMessageBoxes::Question(const std::string& text) {
    return OnUiThread([&] {
        return QMessageBox::question(QApplication::activeWindow(), Title, Text(text),
                                     QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes;
    });
}
