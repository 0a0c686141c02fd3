#pragma once
// The event-loop interface on the Qt GUI thread. Create and destroy it on
// that thread, with the application object in place. Waiting in Invoke is event-driven:
// the caller wakes when the work has run, when it is dropped unrun, or when
// the loop stops, whichever comes first.

#include "platform/EventLoop.h"

#include <memory>

namespace tavrel
{

class QtEventLoop final : public EventLoop
{
public:
    QtEventLoop();
    ~QtEventLoop() override; // stops; timers go with it
    QtEventLoop(const QtEventLoop&) = delete;
    QtEventLoop& operator=(const QtEventLoop&) = delete;

    // After Stop nothing more runs and waiting callers get false.
    void Stop();
    bool Stopped() const;
    // Work of Invoke running now, on the GUI thread (nested modal loops can
    // make it more than one).
    int Running() const;

    void Post(std::function<void()> work) override;
    bool Invoke(const std::function<void()>& work) override;
    void SetTimer(unsigned id, std::chrono::milliseconds period,
                  std::function<void()> callback) override;
    void KillTimer(unsigned id) override;
    bool IsLoopThread() const override;
    // User input waits in the window system's queue meanwhile (so nothing
    // the user does can re-enter the caller), and is handled afterwards.
    void RunAside(const std::function<void()>& work) override;
    // Stays safe to call after the loop has gone (it then returns false).
    UiDispatcher Dispatcher() override;

    struct State;

private:
    std::shared_ptr<State> m_state;
};

} // namespace tavrel
