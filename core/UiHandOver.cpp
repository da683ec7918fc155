// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/UiHandOver.h"

#include <QThread>

bool RunOnUiThread(QObject* context, const std::function<void()>& work) {
    if (!context)
        return false;
    if (context->thread() == QThread::currentThread()) {
        work();
        return true;
    }
    // A queued call whose receiver dies is discarded, which releases the waiting worker;
    // ran tells whether the work itself was done.
    bool ran = false;
    QMetaObject::invokeMethod(
        context,
        [&] {
            work();
            ran = true;
        },
        Qt::BlockingQueuedConnection);
    return ran;
}
