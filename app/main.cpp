// SPDX-License-Identifier: GPL-3.0-or-later
// The program block: one instance per user, the session, the windows, the event loop.
#include <cstdlib>
#include <iostream>
#include <memory>

#include <QApplication>
#include <QMessageBox>

#include "core/TSingleInstance.h"
#include "session/TSession.h"
#include "ui/TAppIcon.h"
#include "ui/TMainForm.h"
#include "ui/TMessageBoxes.h"
#include "ui/TProgramWindows.h"
#include "ui/TResultPreview.h"

#include "TTestDriver.h"

namespace {

bool HasDisplay() {
    for (const char* variable : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        if (const char* value = std::getenv(variable); value && *value)
            return true;
    return false;
}

} // namespace

int main(int argc, char** argv) {
    // Without a display the toolkit would abort with its own words; say what to do instead.
    if (!HasDisplay()) {
        std::cerr << "trawlix: no display (neither DISPLAY nor WAYLAND_DISPLAY is set); "
                     "trawlix-cli runs searches from a terminal.\n";
        return 1;
    }
    // The preview's web engine starts only when a page is first previewed.
    TResultPreview::PrepareWebEngine();
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Trawlix"));
    QApplication::setApplicationVersion(QStringLiteral(TRAWLIX_VERSION));
    QApplication::setWindowIcon(TrawlixIcon());
    // The program lives on in the tray with no window showing.
    QApplication::setQuitOnLastWindowClosed(false);

    TSingleInstance instance;
    if (!instance.Acquire())
        return 0;

    TMessageBoxes messages;
    std::unique_ptr<TSession> session;
    try {
        session = std::make_unique<TSession>();
    } catch (const std::exception& error) {
        QMessageBox::critical(nullptr, QStringLiteral("Trawlix"),
                              QStringLiteral("Trawlix cannot start: %1").arg(QString::fromLocal8Bit(error.what())));
        return 1;
    }
    int result = 0;
    {
        TProgramWindows windows(*session);
        QObject::connect(&instance, &TSingleInstance::BringToFrontRequested, &windows.MainForm(),
                         &TMainForm::RestoreFromTray);
        windows.Show();
        // Only for the end-to-end test, and only when it names its socket.
        TTestDriver::StartIfRequested(&application);
        result = QApplication::exec();
        windows.SaveOnExit();
    }
    // The searches file is written as the session goes.
    QApplication::setOverrideCursor(Qt::WaitCursor);
    session.reset();
    QApplication::restoreOverrideCursor();
    return result;
}
