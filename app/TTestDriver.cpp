// SPDX-License-Identifier: GPL-3.0-or-later
#include "TTestDriver.h"

#include <functional>

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QHeaderView>
#include <QJsonArray>
#include <QJsonDocument>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QLocalServer>
#include <QLocalSocket>
#include <QMenu>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPointer>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <QTreeView>

namespace {

QString Plain(QString text) {
    return text.remove(QLatin1Char('&'));
}

/// The top-level window a command names: "modal" and "popup" are the ones in front,
/// anything else an object name (a showing window first).
QWidget* FindWindow(const QString& name) {
    if (name == QLatin1String("modal"))
        return QApplication::activeModalWidget();
    if (name == QLatin1String("popup"))
        return QApplication::activePopupWidget();
    QWidget* hidden = nullptr;
    for (QWidget* window : QApplication::topLevelWidgets()) {
        if (window->objectName() != name)
            continue;
        if (window->isVisible())
            return window;
        hidden = window;
    }
    return hidden;
}

/// The widget of a command: {"window": W, "name": N} or {"window": W, "button": caption}.
QWidget* FindTarget(const QJsonObject& command) {
    const QString windowName = command.value(QLatin1String("window")).toString();
    QList<QWidget*> roots;
    if (!windowName.isEmpty()) {
        if (QWidget* window = FindWindow(windowName))
            roots << window;
    } else {
        for (QWidget* window : QApplication::topLevelWidgets())
            if (window->isVisible())
                roots << window;
    }
    const QString name = command.value(QLatin1String("name")).toString();
    const QString caption = command.value(QLatin1String("button")).toString();
    const QByteArray className = command.value(QLatin1String("class")).toString().toLatin1();
    QWidget* hidden = nullptr;
    for (QWidget* root : std::as_const(roots)) {
        if (name.isEmpty() && caption.isEmpty() && className.isEmpty())
            return root;
        QList<QWidget*> candidates;
        if (!className.isEmpty()) {
            for (QWidget* child : root->findChildren<QWidget*>())
                if (child->inherits(className.constData()))
                    candidates << child;
        } else if (!name.isEmpty()) {
            if (root->objectName() == name)
                candidates << root;
            candidates << root->findChildren<QWidget*>(name);
        } else {
            for (QAbstractButton* button : root->findChildren<QAbstractButton*>())
                if (Plain(button->text()) == caption)
                    candidates << button;
        }
        for (QWidget* candidate : std::as_const(candidates)) {
            if (candidate->isVisible())
                return candidate;
            hidden = candidate;
        }
    }
    return hidden;
}

QString TextOf(QWidget* widget) {
    if (auto* label = qobject_cast<QLabel*>(widget))
        return label->text();
    if (auto* edit = qobject_cast<QLineEdit*>(widget))
        return edit->text();
    if (auto* memo = qobject_cast<QPlainTextEdit*>(widget))
        return memo->toPlainText();
    if (auto* box = qobject_cast<QMessageBox*>(widget))
        return box->text();
    if (auto* button = qobject_cast<QAbstractButton*>(widget))
        return Plain(button->text());
    if (auto* combo = qobject_cast<QComboBox*>(widget))
        return combo->currentText();
    return widget->windowTitle();
}

QString ColourName(const QVariant& brush) {
    if (!brush.isValid())
        return {};
    return brush.value<QBrush>().color().name();
}

QJsonArray RowsOf(QAbstractItemView* view) {
    QJsonArray rows;
    const QAbstractItemModel* model = view->model();
    if (!model)
        return rows;
    const auto* tree = qobject_cast<QTreeView*>(view);
    for (int row = 0; row < model->rowCount(); ++row) {
        QJsonArray cells;
        for (int column = 0; column < model->columnCount(); ++column)
            cells << model->index(row, column).data(Qt::DisplayRole).toString();
        const QModelIndex first = model->index(row, 0);
        rows << QJsonObject{
            {QStringLiteral("cells"), cells},
            {QStringLiteral("checked"), first.data(Qt::CheckStateRole).toInt() == Qt::Checked},
            {QStringLiteral("background"), ColourName(first.data(Qt::BackgroundRole))},
            {QStringLiteral("selected"), view->selectionModel() && view->selectionModel()->isRowSelected(row, {})},
            {QStringLiteral("hidden"), tree && tree->isRowHidden(row, {})},
        };
    }
    return rows;
}

QStringList HeaderTexts(QAbstractItemView* view) {
    QStringList texts;
    if (const QAbstractItemModel* model = view->model())
        for (int section = 0; section < model->columnCount(); ++section)
            texts << model->headerData(section, Qt::Horizontal, Qt::DisplayRole).toString().trimmed();
    return texts;
}

/// Brings the widget's window to the front, as a click on it would, so that its
/// shortcuts and focus behave as for a person.
void Activate(QWidget* widget) {
    QWidget* window = widget->window();
    if (QApplication::activePopupWidget() || QApplication::activeWindow() == window)
        return;
    window->activateWindow();
    (void)QTest::qWaitForWindowActive(window, 2000);
}

void Click(QWidget* widget, Qt::MouseButton button, QPoint at, bool twice) {
    if (button == Qt::LeftButton && !QApplication::activePopupWidget())
        Activate(widget);
    QPointer<QWidget> alive(widget);
    if (twice)
        QTest::mouseDClick(widget, button, {}, at);
    else
        QTest::mouseClick(widget, button, {}, at);
    // A right click asks for the context menu; the window system would send this event.
    if (button == Qt::RightButton && alive) {
        QContextMenuEvent menu(QContextMenuEvent::Mouse, at, widget->mapToGlobal(at));
        QApplication::sendEvent(widget, &menu);
    }
}

Qt::MouseButton ButtonOf(const QJsonObject& command) {
    return command.value(QLatin1String("mouse")).toString() == QLatin1String("right") ? Qt::RightButton
                                                                                      : Qt::LeftButton;
}

QJsonObject Failed(const QString& why) {
    return {{QStringLiteral("ok"), false}, {QStringLiteral("error"), why}};
}

/// Runs input after the answer has gone out (it may open a modal dialog).
void Later(QWidget* target, std::function<void(QWidget*)> input) {
    QPointer<QWidget> guarded(target);
    QTimer::singleShot(0, qApp, [guarded, input = std::move(input)] {
        if (guarded)
            input(guarded.data());
    });
}

} // namespace

TTestDriver::TTestDriver(QObject* parent) : QObject(parent) {}

TTestDriver* TTestDriver::StartIfRequested(QObject* parent) {
    const QString name = qEnvironmentVariable("TRAWLIX_TEST_DRIVER");
    if (name.isEmpty())
        return nullptr;
    auto* driver = new TTestDriver(parent);
    if (!driver->Listen(name)) {
        delete driver;
        return nullptr;
    }
    return driver;
}

bool TTestDriver::Listen(const QString& name) {
    m_server = new QLocalServer(this);
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    if (!m_server->listen(name))
        return false;
    connect(m_server, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* socket = m_server->nextPendingConnection()) {
            connect(socket, &QLocalSocket::readyRead, this, [this, socket] { ReadCommands(socket); });
            connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        }
    });
    return true;
}

void TTestDriver::ReadCommands(QLocalSocket* socket) {
    while (socket->canReadLine()) {
        const QJsonObject command = QJsonDocument::fromJson(socket->readLine()).object();
        QJsonObject answer;
        try {
            answer = Answer(command);
        } catch (const std::exception& error) {
            answer = Failed(QString::fromLocal8Bit(error.what()));
        }
        socket->write(QJsonDocument(answer).toJson(QJsonDocument::Compact) + '\n');
        socket->flush();
    }
}

QJsonObject TTestDriver::Answer(const QJsonObject& command) {
    const QString kind = command.value(QLatin1String("cmd")).toString();
    QJsonObject answer{{QStringLiteral("ok"), true}};
    if (kind == QLatin1String("windows")) {
        QJsonArray windows;
        for (QWidget* window : QApplication::topLevelWidgets())
            if (window->isVisible())
                windows << QJsonObject{{QStringLiteral("name"), window->objectName()},
                                       {QStringLiteral("class"), QLatin1String(window->metaObject()->className())},
                                       {QStringLiteral("title"), window->windowTitle()}};
        answer.insert(QStringLiteral("windows"), windows);
        if (QWidget* modal = QApplication::activeModalWidget())
            answer.insert(QStringLiteral("modal"), modal->objectName());
        return answer;
    }
    QWidget* target = FindTarget(command);
    if (kind == QLatin1String("state")) {
        answer.insert(QStringLiteral("found"), target != nullptr);
        if (!target)
            return answer;
        answer.insert(QStringLiteral("class"), QLatin1String(target->metaObject()->className()));
        answer.insert(QStringLiteral("visible"), target->isVisible());
        answer.insert(QStringLiteral("enabled"), target->isEnabled());
        answer.insert(QStringLiteral("text"), TextOf(target));
        answer.insert(QStringLiteral("title"), target->window()->windowTitle());
        if (auto* button = qobject_cast<QAbstractButton*>(target))
            answer.insert(QStringLiteral("checked"), button->isChecked());
        if (const QVariant url = target->property("url"); url.isValid())
            answer.insert(QStringLiteral("url"), url.toUrl().toString());
        if (auto* box = qobject_cast<QMessageBox*>(target)) {
            QJsonArray buttons;
            for (QAbstractButton* button : box->buttons())
                buttons << Plain(button->text());
            answer.insert(QStringLiteral("buttons"), buttons);
        }
        if (auto* view = qobject_cast<QAbstractItemView*>(target)) {
            answer.insert(QStringLiteral("rows"), RowsOf(view));
            answer.insert(QStringLiteral("headers"), QJsonArray::fromStringList(HeaderTexts(view)));
        }
        return answer;
    }
    if (!target)
        return Failed(QStringLiteral("no such widget: ") + QString::fromUtf8(QJsonDocument(command).toJson()));
    if (!target->isVisible() || !target->isEnabled())
        return Failed(QStringLiteral("not visible or not enabled: ") + target->objectName());

    if (kind == QLatin1String("click")) {
        const Qt::MouseButton button = ButtonOf(command);
        const bool twice = command.value(QLatin1String("double")).toBool();
        Later(target, [button, twice](QWidget* widget) { Click(widget, button, widget->rect().center(), twice); });
    } else if (kind == QLatin1String("type")) {
        const QString text = command.value(QLatin1String("text")).toString();
        Later(target, [text](QWidget* widget) {
            Activate(widget);
            widget->setFocus(Qt::OtherFocusReason);
            QTest::keyClicks(widget, text);
        });
    } else if (kind == QLatin1String("key")) {
        const QKeySequence sequence(command.value(QLatin1String("key")).toString());
        if (sequence.isEmpty())
            return Failed(QStringLiteral("no such key"));
        const QKeyCombination key = sequence[0];
        Later(target, [key](QWidget* widget) {
            Activate(widget);
            QTest::keyClick(widget, key.key(), key.keyboardModifiers());
        });
    } else if (kind == QLatin1String("click-row")) {
        auto* view = qobject_cast<QAbstractItemView*>(target);
        if (!view || !view->model())
            return Failed(QStringLiteral("not a list"));
        // A column the list does not have means its first one.
        int column = command.value(QLatin1String("column")).toInt(1);
        if (column >= view->model()->columnCount())
            column = 0;
        const QModelIndex index = view->model()->index(command.value(QLatin1String("row")).toInt(), column);
        if (!index.isValid())
            return Failed(QStringLiteral("no such row"));
        view->scrollTo(index);
        const Qt::MouseButton button = ButtonOf(command);
        const bool twice = command.value(QLatin1String("double")).toBool();
        const QPoint at = view->visualRect(index).center();
        Later(view->viewport(), [button, twice, at](QWidget* viewport) { Click(viewport, button, at, twice); });
    } else if (kind == QLatin1String("click-header")) {
        auto* tree = qobject_cast<QTreeView*>(target);
        const int section =
            tree ? int(HeaderTexts(tree).indexOf(command.value(QLatin1String("section")).toString())) : -1;
        if (section < 0)
            return Failed(QStringLiteral("no such column"));
        QHeaderView* header = tree->header();
        const QPoint at(header->sectionViewportPosition(section) + header->sectionSize(section) / 2,
                        header->height() / 2);
        Later(header->viewport(), [at](QWidget* viewport) { Click(viewport, Qt::LeftButton, at, false); });
    } else if (kind == QLatin1String("menu")) {
        auto* menu = qobject_cast<QMenu*>(target);
        const QString item = command.value(QLatin1String("item")).toString();
        QAction* chosen = nullptr;
        for (QAction* action : menu ? menu->actions() : QList<QAction*>())
            if (action->isVisible() && Plain(action->text()) == item)
                chosen = action;
        if (!chosen || !chosen->isEnabled())
            return Failed(QStringLiteral("no such menu item: ") + item);
        const QPoint at = menu->actionGeometry(chosen).center();
        Later(menu, [at](QWidget* widget) { Click(widget, Qt::LeftButton, at, false); });
    } else if (kind == QLatin1String("choose")) {
        // A drop-down list: a click opens it, a click on the item chooses.
        auto* combo = qobject_cast<QComboBox*>(target);
        const int row = combo ? combo->findText(command.value(QLatin1String("item")).toString()) : -1;
        if (row < 0)
            return Failed(QStringLiteral("no such item"));
        Later(combo, [row](QWidget* widget) {
            auto* box = static_cast<QComboBox*>(widget);
            Click(box, Qt::LeftButton, box->rect().center(), false);
            QAbstractItemView* list = box->view();
            if (!QTest::qWaitFor([list] { return list->isVisible(); }, 2000))
                return;
            // A fresh drop-down ignores a release that comes sooner than a double click could.
            QTest::qWait(QApplication::doubleClickInterval() + 100);
            const QModelIndex index = list->model()->index(row, box->modelColumn());
            list->scrollTo(index);
            Click(list->viewport(), Qt::LeftButton, list->visualRect(index).center(), false);
        });
    } else if (kind == QLatin1String("tab")) {
        // A page of a tab widget: a click on its tab.
        auto* tabs = qobject_cast<QTabWidget*>(target);
        QTabBar* bar = tabs ? tabs->tabBar() : nullptr;
        const QString caption = command.value(QLatin1String("item")).toString();
        int index = -1;
        for (int tab = 0; bar && tab < bar->count(); ++tab)
            if (Plain(bar->tabText(tab)) == caption)
                index = tab;
        if (index < 0)
            return Failed(QStringLiteral("no such tab: ") + caption);
        const QPoint at = bar->tabRect(index).center();
        Later(bar, [at](QWidget* widget) { Click(widget, Qt::LeftButton, at, false); });
    } else if (kind == QLatin1String("close")) {
        // The close box of the window's frame.
        Later(target, [](QWidget* widget) { widget->window()->close(); });
    } else if (kind == QLatin1String("screenshot")) {
        const QString path = command.value(QLatin1String("path")).toString();
        if (!target->grab().save(path))
            return Failed(QStringLiteral("cannot write ") + path);
    } else {
        return Failed(QStringLiteral("unknown command ") + kind);
    }
    return answer;
}
