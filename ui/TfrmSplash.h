// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

#include <QDialog>

class QLabel;

/// The About box: thanks the user, shows the program's version and links its home page.
/// A click anywhere but on the link (or Escape) closes it; the link opens the home page
/// in the desktop's browser. User-interface thread.
class TfrmSplash final : public QDialog {
    Q_OBJECT
public:
    TfrmSplash(std::string homePage, QWidget* parent = nullptr);

    /// Shows the version and the box, modally; returns when it closes.
    void ShowAbout();

    QLabel* lblVersion = nullptr;
    /// The home page link.
    QLabel* Label5 = nullptr;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    void Label5Click();

    const std::string m_homePage;
};
