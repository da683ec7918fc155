// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <functional>

#include <QHash>
#include <QObject>
#include <QString>

class QSystemTrayIcon;

/// Notices on the desktop through the freedesktop notification service on the session
/// bus, or as the tray icon's message where no such service runs. Clicking a notice
/// reports its tag. Never waits for the bus: calls go out asynchronously. UI thread.
class TDesktopNotifier final : public QObject {
    Q_OBJECT
public:
    static constexpr const char* Service = "org.freedesktop.Notifications";
    static constexpr const char* Path = "/org/freedesktop/Notifications";

    /// tray shows the notices when the service is missing (not owned; may be null).
    explicit TDesktopNotifier(QSystemTrayIcon* tray, QObject* parent = nullptr);

    /// Shows a notice; tag comes back through Activated when the user clicks it.
    void Notify(const QString& summary, const QString& body, int tag);

    /// A notice was clicked (or its "Open" action chosen).
    std::function<void(int tag)> Activated;

private Q_SLOTS:
    void ActionInvoked(uint id, const QString& action);
    void NotificationClosed(uint id, uint reason);

private:
    void ShowInTray(const QString& summary, const QString& body, int tag);

    QSystemTrayIcon* m_tray;
    QHash<uint, int> m_shown;
    int m_trayTag = -1;
};
