// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/TDesktopNotifier.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QSystemTrayIcon>
#include <QVariantMap>

TDesktopNotifier::TDesktopNotifier(QSystemTrayIcon* tray, QObject* parent) : QObject(parent), m_tray(tray) {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (bus.isConnected()) {
        bus.connect(QLatin1String(Service), QLatin1String(Path), QLatin1String(Service),
                    QStringLiteral("ActionInvoked"), this, SLOT(ActionInvoked(uint, QString)));
        bus.connect(QLatin1String(Service), QLatin1String(Path), QLatin1String(Service),
                    QStringLiteral("NotificationClosed"), this, SLOT(NotificationClosed(uint, uint)));
    }
    if (m_tray)
        connect(m_tray, &QSystemTrayIcon::messageClicked, this, [this] {
            if (m_trayTag >= 0 && Activated)
                Activated(m_trayTag);
        });
}

void TDesktopNotifier::Notify(const QString& summary, const QString& body, int tag) {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        ShowInTray(summary, body, tag);
        return;
    }
    QDBusMessage call = QDBusMessage::createMethodCall(QLatin1String(Service), QLatin1String(Path),
                                                       QLatin1String(Service), QStringLiteral("Notify"));
    call << QStringLiteral("Trawlix") << 0u << QStringLiteral("system-search") << summary << body
         << QStringList{QStringLiteral("default"), QStringLiteral("Open")} << QVariantMap() << -1;
    auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(call), this);
    // No service on the bus answers with an error: the tray shows the notice then.
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this, watcher, summary, body, tag] {
        const QDBusPendingReply<uint> reply = *watcher;
        if (reply.isError())
            ShowInTray(summary, body, tag);
        else
            m_shown.insert(reply.value(), tag);
        watcher->deleteLater();
    });
}

void TDesktopNotifier::ShowInTray(const QString& summary, const QString& body, int tag) {
    if (!m_tray)
        return;
    m_trayTag = tag;
    m_tray->showMessage(summary, body);
}

void TDesktopNotifier::ActionInvoked(uint id, const QString&) {
    const auto shown = m_shown.constFind(id);
    if (shown == m_shown.cend())
        return; // another program's notice
    const int tag = shown.value();
    m_shown.erase(shown);
    if (Activated)
        Activated(tag);
}

void TDesktopNotifier::NotificationClosed(uint id, uint) {
    m_shown.remove(id);
}
