// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <vector>

#include <QObject>
#include <QPointer>

class QWidget;

/// Holds the windows still while the user-interface thread waits for the account database
/// with its event loop running: the windows open when the wait begins go on painting but
/// their clicks and keys are dropped (not queued, so nothing is done twice afterwards),
/// and a wait cursor shows. Message boxes and windows that open meanwhile (the tray menu)
/// work as usual, and so does a widget with the property StaysLive set (Stop). Waits may
/// nest. User-interface thread.
class TInputPause final : public QObject {
public:
    static constexpr const char* StaysLive = "staysLiveDuringWaits";

    void Begin();
    void End();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool IsPaused(const QWidget* widget) const;

    int m_depth = 0;
    std::vector<QPointer<QWidget>> m_paused;
};
