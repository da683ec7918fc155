// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/TWorkerThread.h"

TWorkerThread::~TWorkerThread() {
    Join();
}

void TWorkerThread::Start(std::function<void()> onFinished) {
    m_thread = std::thread([this, onFinished = std::move(onFinished)] {
        Run();
        if (onFinished)
            onFinished();
        m_finished.store(true);
    });
}

void TWorkerThread::Join() {
    if (m_thread.joinable() && m_thread.get_id() != std::this_thread::get_id())
        m_thread.join();
}
