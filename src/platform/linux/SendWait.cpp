#include "platform/linux/SendWait.h"

#include <cerrno>
#include <deque>
#include <mutex>
#include <unordered_map>

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

namespace tavrel::detail
{

namespace
{

struct WaitState
{
    int wakeFd = -1;
    int depth = 0;
    std::mutex mutex;
    std::deque<std::function<void()>> tasks;

    WaitState() : wakeFd(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {}
    ~WaitState()
    {
        if (wakeFd >= 0)
            ::close(wakeFd);
    }

    void RunPending()
    {
        for (;;)
        {
            std::function<void()> task;
            {
                std::lock_guard lock(mutex);
                if (tasks.empty())
                    return;
                task = std::move(tasks.front());
                tasks.pop_front();
            }
            task();
        }
    }
};

std::mutex g_waitersMutex;
std::unordered_map<std::thread::id, WaitState*> g_waiters;

WaitState& ThisThreadState()
{
    thread_local WaitState state;
    return state;
}

} // namespace

bool SendWait::TryHandTo(std::thread::id thread, std::function<void()> task)
{
    std::lock_guard lock(g_waitersMutex);
    const auto it = g_waiters.find(thread);
    if (it == g_waiters.end())
        return false;
    WaitState& state = *it->second;
    {
        std::lock_guard stateLock(state.mutex);
        state.tasks.push_back(std::move(task));
    }
    const std::uint64_t one = 1;
    [[maybe_unused]] ssize_t n = ::write(state.wakeFd, &one, sizeof one);
    return true;
}

bool SendWait::WaitReadable(int fd, std::optional<std::chrono::steady_clock::time_point> deadline)
{
    WaitState& state = ThisThreadState();
    if (state.depth++ == 0)
    {
        std::lock_guard lock(g_waitersMutex);
        g_waiters[std::this_thread::get_id()] = &state;
    }

    bool readable = false;
    for (;;)
    {
        int waitMs = -1;
        if (deadline)
        {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                *deadline - std::chrono::steady_clock::now());
            if (left.count() <= 0)
                break;
            waitMs = static_cast<int>(std::min<long long>(left.count(), 1 << 30));
        }
        pollfd fds[2] = {{fd, POLLIN, 0}, {state.wakeFd, POLLIN, 0}};
        const int ready = ::poll(fds, 2, waitMs);
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready < 0)
            break;
        if (fds[1].revents & POLLIN)
        {
            std::uint64_t count = 0;
            [[maybe_unused]] ssize_t n = ::read(state.wakeFd, &count, sizeof count);
            state.RunPending();
        }
        if (fds[0].revents & (POLLIN | POLLHUP | POLLERR))
        {
            readable = true;
            break;
        }
    }

    if (--state.depth == 0)
    {
        {
            std::lock_guard lock(g_waitersMutex);
            g_waiters.erase(std::this_thread::get_id());
        }
        // Whatever was handed over before we left is still ours to run.
        state.RunPending();
    }
    return readable;
}

} // namespace tavrel::detail
