#pragma once
// The user-interface thread as engines see it: work posted or sent to it,
// and timers in the manner of SetTimer/KillTimer. MessageLoop implements it
// for headless hosts and tests, QtEventLoop (platform/qt) for the programs.

#include "platform/Desktop.h"

#include <chrono>
#include <functional>

namespace tavrel
{

class EventLoop
{
public:
    virtual ~EventLoop() = default;

    // Queues work for the loop's thread and returns at once; safe from any
    // thread. Work still queued when the loop stops is dropped unrun.
    virtual void Post(std::function<void()> work) = 0;
    // Runs work on the loop's thread and waits for it, as a sent message
    // does; on the loop's own thread it runs at once. False, with the work
    // not run, when the loop has stopped.
    virtual bool Invoke(const std::function<void()>& work) = 0;
    // The callback runs on the loop's thread every period until KillTimer;
    // setting an id again restarts it with the new period and callback.
    // Both are safe from any thread.
    virtual void SetTimer(unsigned id, std::chrono::milliseconds period,
                          std::function<void()> callback) = 0;
    virtual void KillTimer(unsigned id) = 0;
    virtual bool IsLoopThread() const = 0;
    // Runs work on a thread of its own and meanwhile goes on serving this
    // loop: posted and invoked work, timers and, in the programs, painting,
    // but no user input. Returns when the work has finished, as a modal loop
    // returns; a long step on the loop's thread keeps the window alive so.
    // Away from the loop's thread the work runs at once.
    virtual void RunAside(const std::function<void()>& work) = 0;

    // For WindowEndpoint::Create: runs the window's handlers on this loop.
    // Unless an implementation says otherwise, endpoints made with it must go
    // before the loop does.
    virtual UiDispatcher Dispatcher()
    {
        return [this](const std::function<void()>& work) { return Invoke(work); };
    }
};

} // namespace tavrel
