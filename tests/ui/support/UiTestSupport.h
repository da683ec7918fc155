// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <functional>
#include <string>

#include <QList>
#include <QMessageBox>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QUrl>

class QWidget;

/// A modal message box as the user saw it.
struct TShownBox {
    QString Title;
    QString Text;
    QMessageBox::Icon Icon = QMessageBox::NoIcon;
    QStringList Buttons;
    /// True once a box has been seen and answered.
    bool Answered = false;
};

/// Once the next modal message box shows, records it in shown and presses the button with
/// that text (without "&"). Gives up after about ten seconds, so that a box that never
/// comes fails the test that waits for it. shown must outlive the answer.
void AnswerNextBox(const QString& button, TShownBox& shown);

/// Once the next modal dialog other than a message box shows, calls answer with it (e.g. to fill an
/// input dialog and accept it). Gives up after about ten seconds.
void AnswerNextDialog(std::function<void(QWidget*)> answer);

/// Saves a picture of the widget as NAME.png into the folder named by
/// $TRAWLIX_SCREENSHOTS; does nothing when it is not set.
void SaveScreenshot(QWidget* widget, const QString& name);

/// Copies the skins the program ships (every file of each) into dataFolder's "Skins".
void InstallShippedSkins(const std::string& dataFolder);

/// Runs the event loop until done() or the time is up; returns done().
/// Stores a remembered sign-in without an account, so that the main window signs in by
/// itself as the program starts (as it does for a returning user).
void RememberSignInWithoutAccount();

bool WaitUntil(const std::function<bool()>& done, int milliseconds = 20000);

/// Receives the links the desktop would open in its browser, while it lives.
class TOpenedLinks final : public QObject {
    Q_OBJECT
public:
    TOpenedLinks();
    ~TOpenedLinks() override;
    QList<QUrl> Links;
public Q_SLOTS:
    void Open(const QUrl& url) { Links << url; }
};
