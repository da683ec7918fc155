// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QJsonObject>
#include <QObject>

class QLocalServer;
class QLocalSocket;
class QWidget;

/// A hook for the end-to-end test, off unless TRAWLIX_TEST_DRIVER names a local socket.
/// The test connects to that socket and sends one JSON command a line; the driver acts
/// as a person would (mouse clicks, key presses, choosing in menus and lists, all sent to
/// the widgets as input events) and reads what a person would see (texts, rows, colours,
/// which windows show). It never calls the program's own functions. Every input is sent
/// after the answer, from the event loop, so that a modal dialog it opens cannot block the
/// connection: the test then reads the state it waits for. User-interface thread only.
class TTestDriver final : public QObject {
    Q_OBJECT

public:
    /// Listens on the socket TRAWLIX_TEST_DRIVER names; nullptr when it is unset.
    static TTestDriver* StartIfRequested(QObject* parent);

private:
    explicit TTestDriver(QObject* parent);
    bool Listen(const QString& name);
    void ReadCommands(QLocalSocket* socket);
    QJsonObject Answer(const QJsonObject& command);

    QLocalServer* m_server = nullptr;
};
