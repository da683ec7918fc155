// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/UiHandOver.h"

#include <condition_variable>
#include <memory>
#include <mutex>
#include <stop_token>
#include <utility>

#include <QCoreApplication>
#include <QEvent>
#include <QPointer>
#include <QThread>

#include "core/TBackgroundWork.h"

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

/// The two sides of one synchronous hand-over. Shared: a worker asked to stop leaves
/// before the call is delivered, and the call then must not touch the work.
struct HandOverState {
    enum class Stage { Posted, Running, Ran, Dropped, Abandoned };

    explicit HandOverState(const std::function<void()>& work) : Work(work) {}

    /// The worker's; used only while the worker waits (Stage::Running).
    const std::function<void()>& Work;
    std::mutex Mutex;
    std::condition_variable Changed;
    Stage Now = Stage::Posted;

    void Set(Stage stage) {
        std::lock_guard lock(Mutex);
        Now = stage;
        Changed.notify_all();
    }
};

/// Carries the work to the context's thread; runs it there unless the context has died or
/// the worker has left. A posted call owns its work and has no worker waiting.
class HandOverCall final : public QObject {
public:
    HandOverCall(QObject* context, std::shared_ptr<HandOverState> state)
        : m_context(context), m_state(std::move(state)) {}
    HandOverCall(QObject* context, std::function<void()> work) : m_context(context), m_ownWork(std::move(work)) {}

    ~HandOverCall() override {
        // Never delivered (the event loop went away first): release the worker.
        if (m_state)
            DropUnlessAbandoned();
    }

protected:
    bool event(QEvent* event) override {
        TRAWLIX_TSAN_ACQUIRE(this); // before touching the event the worker made
        if (event->type() != QEvent::User)
            return QObject::event(event);
        if (std::shared_ptr<HandOverState> state = std::exchange(m_state, nullptr))
            RunForWorker(*state);
        else if (!m_context.isNull())
            m_ownWork();
        deleteLater();
        return true;
    }

private:
    void RunForWorker(HandOverState& state) {
        {
            std::lock_guard lock(state.Mutex);
            if (state.Now == HandOverState::Stage::Abandoned)
                return;
            if (m_context.isNull()) {
                state.Now = HandOverState::Stage::Dropped;
                state.Changed.notify_all();
                return;
            }
            state.Now = HandOverState::Stage::Running;
        }
        state.Work();
        state.Set(HandOverState::Stage::Ran);
    }

    void DropUnlessAbandoned() {
        std::lock_guard lock(m_state->Mutex);
        if (m_state->Now == HandOverState::Stage::Posted) {
            m_state->Now = HandOverState::Stage::Dropped;
            m_state->Changed.notify_all();
        }
    }

    QPointer<QObject> m_context;
    std::shared_ptr<HandOverState> m_state;
    std::function<void()> m_ownWork;
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
    const std::stop_token stop = TBackgroundWork::CurrentStopToken();
    if (stop.stop_requested())
        return false;
    auto state = std::make_shared<HandOverState>(work);
    // A stop request wakes the wait below; made before the lock is taken, since it runs
    // at once when the stop came meanwhile, and gone only after the lock is released.
    std::stop_callback wake(stop, [&state] {
        std::lock_guard lock(state->Mutex);
        state->Changed.notify_all();
    });
    Post(new HandOverCall(context, state), context);
    std::unique_lock lock(state->Mutex);
    using Stage = HandOverState::Stage;
    state->Changed.wait(lock, [&] {
        return state->Now == Stage::Ran || state->Now == Stage::Dropped ||
               (state->Now == Stage::Posted && stop.stop_requested());
    });
    if (state->Now == Stage::Posted) {
        // Asked to stop before the call began: it never runs.
        state->Now = Stage::Abandoned;
        return false;
    }
    return state->Now == Stage::Ran;
}

void PostToUiThread(QObject* context, std::function<void()> work) {
    if (context)
        Post(new HandOverCall(context, std::move(work)), context);
}
