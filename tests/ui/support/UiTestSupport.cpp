// SPDX-License-Identifier: GPL-3.0-or-later
#include "UiTestSupport.h"

#include <dlfcn.h>
#include <link.h>

#include <string>

#include <QAbstractButton>
#include <QApplication>
#include <QDeadlineTimer>
#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QSettings>
#include <QTimer>
#include <QtTest>

namespace {

/// Mesa's software GL driver, which the windows' GL contexts (the web preview's among them)
/// load, keeps a few blocks until the process ends and is unloaded with the display before
/// LeakSanitizer reports them, which then cannot name the driver. Run as the application
/// ends, before the display closes: the driver stays loaded and its leaks match "_dri.so".
void KeepGlDriversLoaded() {
    dl_iterate_phdr(
        [](dl_phdr_info* info, size_t, void*) {
            const std::string name = info->dlpi_name ? info->dlpi_name : "";
            if (name.ends_with("_dri.so"))
                dlopen(name.c_str(), RTLD_LAZY | RTLD_NOLOAD | RTLD_NODELETE);
            return 0;
        },
        nullptr);
}

void KeepGlDriversLoadedAtExit() {
    qAddPostRoutine(KeepGlDriversLoaded);
}
Q_COREAPP_STARTUP_FUNCTION(KeepGlDriversLoadedAtExit)

void WhenModalShows(std::function<bool(QWidget*)> handle, int attemptsLeft) {
    QTimer::singleShot(10, [handle = std::move(handle), attemptsLeft]() mutable {
        QWidget* modal = QApplication::activeModalWidget();
        if (modal && modal->isVisible() && handle(modal))
            return;
        if (attemptsLeft > 0)
            WhenModalShows(std::move(handle), attemptsLeft - 1);
    });
}

} // namespace

void AnswerNextBox(const QString& button, TShownBox& shown) {
    WhenModalShows(
        [button, &shown](QWidget* modal) {
            auto* box = qobject_cast<QMessageBox*>(modal);
            if (!box)
                return false;
            SaveScreenshot(box, QStringLiteral("message-box-") + QString::number(static_cast<int>(box->icon())));
            shown.Title = box->windowTitle();
            shown.Text = box->text();
            shown.Icon = box->icon();
            shown.Buttons.clear();
            for (QAbstractButton* candidate : box->buttons())
                shown.Buttons << candidate->text().remove(QLatin1Char('&'));
            shown.Answered = true;
            for (QAbstractButton* candidate : box->buttons())
                if (candidate->text().remove(QLatin1Char('&')) == button) {
                    QTest::mouseClick(candidate, Qt::LeftButton);
                    break;
                }
            return true;
        },
        1000);
}

void AnswerNextDialog(std::function<void(QWidget*)> answer) {
    WhenModalShows(
        [answer = std::move(answer)](QWidget* modal) {
            if (qobject_cast<QMessageBox*>(modal))
                return false; // boxes are for AnswerNextBox
            answer(modal);
            return true;
        },
        1000);
}

void SaveScreenshot(QWidget* widget, const QString& name) {
    const QByteArray folder = qgetenv("TRAWLIX_SCREENSHOTS");
    if (folder.isEmpty() || !widget)
        return;
    QApplication::processEvents();
    // The whole window as the window manager would frame it is not available under Xvfb;
    // the widget's own rendering is what the user sees inside the frame.
    widget->grab().save(QString::fromLocal8Bit(folder) + QLatin1Char('/') + name + QStringLiteral(".png"));
}

bool WaitUntil(const std::function<bool()>& done, int milliseconds) {
    QDeadlineTimer deadline(milliseconds);
    while (!done() && !deadline.hasExpired())
        QTest::qWait(10);
    return done();
}

void InstallShippedSkins(const std::string& dataFolder) {
    const QDir shipped(QStringLiteral(TRAWLIX_SOURCE_DIR "/data/skins"));
    const QString target = QString::fromStdString(dataFolder) + QStringLiteral("Skins/");
    for (const QString& skin : shipped.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QDir().mkpath(target + skin);
        const QDir files(shipped.filePath(skin));
        for (const QString& file : files.entryList(QDir::Files))
            QFile::copy(files.filePath(file), target + skin + QLatin1Char('/') + file);
    }
}

void RememberSignInWithoutAccount() {
    QSettings stored(QStringLiteral("Corvane"), QStringLiteral("Trawlix"));
    stored.setValue(QStringLiteral("LoginEMail"), QString());
    stored.setValue(QStringLiteral("LoginKey"), QString());
}

TOpenedLinks::TOpenedLinks() {
    QDesktopServices::setUrlHandler(QStringLiteral("http"), this, "Open");
    QDesktopServices::setUrlHandler(QStringLiteral("https"), this, "Open");
}

TOpenedLinks::~TOpenedLinks() {
    QDesktopServices::unsetUrlHandler(QStringLiteral("http"));
    QDesktopServices::unsetUrlHandler(QStringLiteral("https"));
}
