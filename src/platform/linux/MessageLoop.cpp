#include "platform/MessageLoop.h"

#include <condition_variable>
#include <deque>
#include <map>
#include <mutex>
#include <thread>

namespace tavrel
{

namespace
{

using Clock = std::chrono::steady_clock;

struct Timer
{
    std::chrono::milliseconds period{};
    Clock::time_point due;
    std::function<void()> callback;
};

} // namespace

struct MessageLoop::Impl
{
    std::mutex mutex;
    std::condition_variable changed;
    std::deque<std::function<void()>> queue;
    std::map<unsigned, Timer> timers;
    bool quit = false;
    int exitCode = 0;
    std::thread::id loopThread;
    bool running = false;

    // Carries out posted work and due timers until `done` holds; `lock`
    // holds `mutex` on entry and exit.
    void Serve(std::unique_lock<std::mutex>& lock, const std::function<bool()>& done)
    {
        while (!done())
        {
            if (!queue.empty())
            {
                auto work = std::move(queue.front());
                queue.pop_front();
                lock.unlock();
                work();
                lock.lock();
                continue;
            }

            // The earliest timer, if any is due, runs next.
            auto next = timers.end();
            for (auto it = timers.begin(); it != timers.end(); ++it)
            {
                if (next == timers.end() || it->second.due < next->second.due)
                    next = it;
            }
            if (next != timers.end() && next->second.due <= Clock::now())
            {
                Timer& timer = next->second;
                // The next expiry counts from now, so a slow callback does
                // not cause a burst of catch-up calls.
                timer.due = Clock::now() + timer.period;
                auto callback = timer.callback;
                lock.unlock();
                callback();
                lock.lock();
                continue;
            }

            if (next == timers.end())
            {
                changed.wait(lock);
                continue;
            }
            // A copy: the wait reads its deadline again after waking, when
            // another thread may have killed the timer.
            const Clock::time_point due = next->second.due;
            changed.wait_until(lock, due);
        }
    }
};

MessageLoop::MessageLoop() : m_impl(std::make_unique<Impl>()) {}

MessageLoop::~MessageLoop()
{
    Quit();
}

int MessageLoop::Run()
{
    std::unique_lock lock(m_impl->mutex);
    m_impl->loopThread = std::this_thread::get_id();
    m_impl->running = true;
    m_impl->Serve(lock, [this] { return m_impl->quit; });
    m_impl->running = false;
    m_impl->loopThread = {};
    const int code = m_impl->exitCode;
    lock.unlock();
    m_impl->changed.notify_all();
    return code;
}

void MessageLoop::Quit(int code)
{
    std::lock_guard lock(m_impl->mutex);
    if (!m_impl->quit)
        m_impl->exitCode = code;
    m_impl->quit = true;
    m_impl->changed.notify_all();
}

void MessageLoop::Post(std::function<void()> work)
{
    std::lock_guard lock(m_impl->mutex);
    m_impl->queue.push_back(std::move(work));
    m_impl->changed.notify_all();
}

bool MessageLoop::Invoke(const std::function<void()>& work)
{
    enum class State
    {
        Queued,
        Running,
        Done,
        Cancelled
    };
    auto state = std::make_shared<State>(State::Queued);
    std::unique_lock lock(m_impl->mutex);
    if (m_impl->running && m_impl->loopThread == std::this_thread::get_id())
    {
        lock.unlock();
        work();
        return true;
    }
    if (m_impl->quit)
        return false;
    // The work may refer to the caller's objects: it either runs while the
    // caller waits here, or never.
    m_impl->queue.push_back(
        [this, state, &work]
        {
            {
                std::lock_guard runLock(m_impl->mutex);
                if (*state == State::Cancelled)
                    return;
                *state = State::Running;
            }
            work();
            std::lock_guard doneLock(m_impl->mutex);
            *state = State::Done;
            m_impl->changed.notify_all();
        });
    m_impl->changed.notify_all();
    m_impl->changed.wait(
        lock, [&] { return *state == State::Done || (m_impl->quit && *state == State::Queued); });
    if (*state == State::Done)
        return true;
    *state = State::Cancelled;
    return false;
}

bool MessageLoop::IsLoopThread() const
{
    std::lock_guard lock(m_impl->mutex);
    return m_impl->running && m_impl->loopThread == std::this_thread::get_id();
}

void MessageLoop::RunAside(const std::function<void()>& work)
{
    if (!IsLoopThread())
    {
        work();
        return;
    }
    bool finished = false;
    std::thread worker(
        [&]
        {
            work();
            std::lock_guard lock(m_impl->mutex);
            finished = true;
            m_impl->changed.notify_all();
        });
    std::unique_lock lock(m_impl->mutex);
    m_impl->Serve(lock, [&] { return finished || m_impl->quit; });
    // A loop told to quit meanwhile still lets the work finish first.
    m_impl->changed.wait(lock, [&] { return finished; });
    lock.unlock();
    worker.join();
}

void MessageLoop::SetTimer(unsigned id, std::chrono::milliseconds period,
                           std::function<void()> callback)
{
    std::lock_guard lock(m_impl->mutex);
    Timer& timer = m_impl->timers[id];
    timer.period = std::max(period, std::chrono::milliseconds(1));
    timer.due = Clock::now() + timer.period;
    timer.callback = std::move(callback);
    m_impl->changed.notify_all();
}

void MessageLoop::KillTimer(unsigned id)
{
    std::lock_guard lock(m_impl->mutex);
    m_impl->timers.erase(id);
    m_impl->changed.notify_all();
}

} // namespace tavrel
