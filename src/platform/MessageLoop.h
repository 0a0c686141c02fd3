#pragma once
// A UI thread for programs and test hosts without Qt: the thread that calls
// Run() carries out posted and invoked work in order, and timers.

#include "platform/Desktop.h"

#include <chrono>
#include <functional>
#include <memory>

namespace tavrel
{

class MessageLoop
{
public:
    MessageLoop();
    ~MessageLoop();
    MessageLoop(const MessageLoop&) = delete;
    MessageLoop& operator=(const MessageLoop&) = delete;

    // Runs until Quit(); returns the exit code given to Quit.
    int Run();
    void Quit(int code = 0);
    // Queues work for the loop's thread; safe from any thread.
    void Post(std::function<void()> work);
    // Runs work on the loop's thread and waits for it; false when the loop
    // has quit. Called on the loop's own thread it runs the work at once.
    bool Invoke(const std::function<void()>& work);
    // A dispatcher for WindowEndpoint::Create that runs handlers on this loop.
    UiDispatcher Dispatcher();

    // Timers in the manner of SetTimer/KillTimer: the callback runs on the
    // loop's thread every period until killed; setting an id again restarts it.
    void SetTimer(unsigned id, std::chrono::milliseconds period, std::function<void()> callback);
    void KillTimer(unsigned id);

private:
    struct Impl;
    std::unique_ptr<Impl> m_impl;
};

} // namespace tavrel
