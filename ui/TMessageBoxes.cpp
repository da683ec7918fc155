// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/TMessageBoxes.h"

#include <QApplication>
#include <QMessageBox>

namespace {

const QString Title = QStringLiteral("Trawlix");

QString Text(const std::string& text) {
    return QString::fromStdString(text);
}

} // namespace

TMessageBoxes::TMessageBoxes() {
    SetUserMessages(this);
}

TMessageBoxes::~TMessageBoxes() {
    SetUserMessages(nullptr);
}

void TMessageBoxes::Information(const std::string& text) {
    QMessageBox::information(QApplication::activeWindow(), Title, Text(text));
}

void TMessageBoxes::Error(const std::string& text) {
    QMessageBox::critical(QApplication::activeWindow(), Title, Text(text));
}

void TMessageBoxes::Warning(const std::string& text) {
    QMessageBox::warning(QApplication::activeWindow(), Title, Text(text));
}

bool TMessageBoxes::Question(const std::string& text) {
    return QMessageBox::question(QApplication::activeWindow(), Title, Text(text), QMessageBox::Yes | QMessageBox::No) ==
           QMessageBox::Yes;
}
