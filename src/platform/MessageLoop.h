#pragma once
// A UI thread for programs and test hosts without Qt: the thread that calls
// Run() carries out posted and invoked work in order, and timers.

#include "platform/EventLoop.h"

#include <chrono>
#include <functional>
#include <memory>

namespace tavrel
{

class MessageLoop final : public EventLoop
{
public:
    MessageLoop();
    ~MessageLoop() override;
    MessageLoop(const MessageLoop&) = delete;
    MessageLoop& operator=(const MessageLoop&) = delete;

    // Runs until Quit(); returns the exit code given to Quit.
    int Run();
    // Stops the loop: Invoke from now on returns false.
    void Quit(int code = 0);

    void Post(std::function<void()> work) override;
    bool Invoke(const std::function<void()>& work) override;
    void SetTimer(unsigned id, std::chrono::milliseconds period,
                  std::function<void()> callback) override;
    void KillTimer(unsigned id) override;
    bool IsLoopThread() const override;
    void RunAside(const std::function<void()>& work) override;

private:
    struct Impl;
    std::unique_ptr<Impl> m_impl;
};

} // namespace tavrel
