// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QLocalServer>
#include <QObject>
#include <QString>

/// Keeps the program to one instance per user. The first start listens on a local socket
/// in the abstract namespace (nothing is left on disk when it crashes); a later start
/// finds it taken, sends "BringTrawlixToFront" and should end. Lives on the UI thread.
class TSingleInstance final : public QObject {
    Q_OBJECT
public:
    /// The message a second start sends to the running instance.
    static constexpr const char* BringToFrontMessage = "BringTrawlixToFront";

    /// name: the socket name; empty means "Trawlix-" and the user's id, or
    /// $TRAWLIX_INSTANCE_NAME when set.
    explicit TSingleInstance(QString name = {}, QObject* parent = nullptr);

    /// Takes the instance. False when another instance runs: then the message has been
    /// sent to it (best effort) and the caller ends without touching anything.
    bool Acquire();

Q_SIGNALS:
    /// Another start asked this instance to come to the front.
    void BringToFrontRequested();

private:
    void OnConnection();

    QString m_name;
    QLocalServer m_server;
};
