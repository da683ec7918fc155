// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/UiHandOver.h"

#include <condition_variable>
#include <mutex>

#include <QCoreApplication>
#include <QEvent>
#include <QPointer>
#include <QThread>

// Qt's own cross-thread synchronisation is invisible to ThreadSanitizer (the distribution's
// Qt is not instrumented): the hand-over posts an object it made itself and states the
// ordering explicitly, and waits on a standard condition variable.
#if defined(__SANITIZE_THREAD__)
extern "C" void __tsan_acquire(void* address);
extern "C" void __tsan_release(void* address);
#define TRAWLIX_TSAN_ACQUIRE(address) __tsan_acquire(address)
#define TRAWLIX_TSAN_RELEASE(address) __tsan_release(address)
#else
#define TRAWLIX_TSAN_ACQUIRE(address)
#define TRAWLIX_TSAN_RELEASE(address)
#endif

namespace {

/// The worker's side of one hand-over: lives on the worker's stack until it is released.
struct Waiter {
    std::mutex Mutex;
    std::condition_variable Finished;
    bool Done = false;
    bool Ran = false;

    void Finish(bool ran) {
        std::lock_guard lock(Mutex);
        Ran = ran;
        Done = true;
        Finished.notify_one();
    }

    bool Wait() {
        std::unique_lock lock(Mutex);
        Finished.wait(lock, [this] { return Done; });
        return Ran;
    }
};

/// Carries the work to the context's thread; runs it there unless the context has died.
/// A posted call owns a copy of its work and has no waiter.
class HandOverCall final : public QObject {
public:
    HandOverCall(QObject* context, const std::function<void()>& work, Waiter& waiter)
        : m_context(context), m_work(work), m_waiter(&waiter) {}
    HandOverCall(QObject* context, std::function<void()> work)
        : m_context(context), m_ownWork(std::move(work)), m_work(m_ownWork), m_waiter(nullptr) {}

    ~HandOverCall() override {
        // Never delivered (the event loop went away first): release the worker.
        if (m_waiter)
            m_waiter->Finish(false);
    }

protected:
    bool event(QEvent* event) override {
        TRAWLIX_TSAN_ACQUIRE(this); // before touching the event the worker made
        if (event->type() != QEvent::User)
            return QObject::event(event);
        const bool alive = !m_context.isNull();
        if (alive)
            m_work();
        if (Waiter* waiter = std::exchange(m_waiter, nullptr))
            waiter->Finish(alive);
        deleteLater();
        return true;
    }

private:
    QPointer<QObject> m_context;
    std::function<void()> m_ownWork;
    const std::function<void()>& m_work;
    Waiter* m_waiter;
};

void Post(HandOverCall* call, QObject* context) {
    call->moveToThread(context->thread());
    auto* event = new QEvent(QEvent::User);
    TRAWLIX_TSAN_RELEASE(call);
    QCoreApplication::postEvent(call, event);
}

} // namespace

bool RunOnUiThread(QObject* context, const std::function<void()>& work) {
    if (!context)
        return false;
    if (context->thread() == QThread::currentThread()) {
        work();
        return true;
    }
    Waiter waiter;
    Post(new HandOverCall(context, work, waiter), context);
    return waiter.Wait();
}

void PostToUiThread(QObject* context, std::function<void()> work) {
    if (context)
        Post(new HandOverCall(context, std::move(work)), context);
}
