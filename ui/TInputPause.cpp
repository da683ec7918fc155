// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/TInputPause.h"

#include <algorithm>

#include <QApplication>
#include <QEvent>
#include <QMessageBox>
#include <QVariant>
#include <QWidget>

namespace {

bool IsInput(QEvent::Type type) {
    switch (type) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::Wheel:
    case QEvent::ContextMenu:
    case QEvent::Shortcut:
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TouchEnd:
    case QEvent::Drop:
        return true;
    default:
        return false;
    }
}

} // namespace

void TInputPause::Begin() {
    if (m_depth++ > 0)
        return;
    m_paused.clear();
    // A message box only answers a question: it stays live, also when a wait begins while it shows.
    for (QWidget* window : QApplication::topLevelWidgets())
        if (window->isVisible() && !qobject_cast<QMessageBox*>(window))
            m_paused.emplace_back(window);
    qApp->installEventFilter(this);
    QApplication::setOverrideCursor(Qt::WaitCursor);
}

void TInputPause::End() {
    if (m_depth == 0 || --m_depth > 0)
        return;
    QApplication::restoreOverrideCursor();
    qApp->removeEventFilter(this);
    m_paused.clear();
}

bool TInputPause::IsPaused(const QWidget* widget) const {
    const QWidget* window = widget->window();
    return std::any_of(m_paused.begin(), m_paused.end(),
                       [window](const QPointer<QWidget>& paused) { return paused.data() == window; });
}

bool TInputPause::eventFilter(QObject* watched, QEvent* event) {
    if (!IsInput(event->type()))
        return false;
    if (const auto* widget = qobject_cast<const QWidget*>(watched))
        return IsPaused(widget) && !widget->property(StaysLive).toBool();
    // A shortcut reaches an action or a shortcut object: those belong to the held windows.
    return event->type() == QEvent::Shortcut;
}
