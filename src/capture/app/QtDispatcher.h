#pragma once
// Runs window handlers on the Qt UI thread for a WindowEndpoint. The caller
// waits for the handler, but gives up once the application stops, so a
// message that arrives during shutdown never hangs the endpoint thread.

#include "platform/Desktop.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QThread>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>

namespace tavrel
{

class QtDispatcher
{
public:
    QtDispatcher() : m_state(std::make_shared<State>()) {}
    ~QtDispatcher() { Stop(); }
    // After Stop no more handlers run; waiting callers return false.
    void Stop()
    {
        m_state->running = false;
        m_state->changed.notify_all();
    }

    UiDispatcher Dispatcher() const
    {
        std::shared_ptr<State> state = m_state;
        return [state](const std::function<void()>& work) -> bool
        {
            QCoreApplication* app = QCoreApplication::instance();
            if (!app || !state->running)
                return false;
            if (QThread::currentThread() == app->thread())
            {
                work();
                return true;
            }
            auto done = std::make_shared<std::atomic<bool>>(false);
            QMetaObject::invokeMethod(
                app,
                [state, done, work]
                {
                    if (state->running)
                        work();
                    std::lock_guard lock(state->mutex);
                    *done = true;
                    state->changed.notify_all();
                },
                Qt::QueuedConnection);
            std::unique_lock lock(state->mutex);
            while (!*done && state->running)
                state->changed.wait_for(lock, std::chrono::milliseconds(100));
            return *done;
        };
    }

private:
    struct State
    {
        std::atomic<bool> running{true};
        std::mutex mutex;
        std::condition_variable changed;
    };
    std::shared_ptr<State> m_state;
};

} // namespace tavrel
