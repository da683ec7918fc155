// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/TWorkerThread.h"

#include <chrono>
#include <thread>

TWorkerThread::~TWorkerThread() {
    Join();
}

void TWorkerThread::Start(std::function<void()> onFinished) {
    m_job = TBackgroundWork::Start([this, onFinished = std::move(onFinished)](std::stop_token stop) {
        Run(std::move(stop));
        if (onFinished)
            onFinished();
    });
}

void TWorkerThread::Join() {
    while (!m_job.Finished())
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
}
