#include "capture/ThreadOwner.h"

#include <condition_variable>
#include <list>
#include <mutex>
#include <thread>

namespace tavrel
{

struct ThreadOwner::State
{
    struct Entry
    {
        std::jthread thread;
        bool ended = false;
    };
    mutable std::mutex mutex;
    std::list<Entry> threads;
    bool stopping = false;
};

ThreadOwner::ThreadOwner(Poster post) : m_post(std::move(post)), m_state(std::make_shared<State>())
{
}

ThreadOwner::~ThreadOwner()
{
    StopAll();
}

void ThreadOwner::ReapEnded(State& state)
{
    std::list<State::Entry> ended;
    {
        std::lock_guard lock(state.mutex);
        const auto self = std::this_thread::get_id();
        for (auto it = state.threads.begin(); it != state.threads.end();)
        {
            const auto next = std::next(it);
            // A thread cannot join itself; the next reap takes it.
            if (it->ended && it->thread.get_id() != self)
                ended.splice(ended.end(), state.threads, it);
            it = next;
        }
    }
    // Joined here, outside the lock: an ended thread only has to return.
}

std::stop_source ThreadOwner::Spawn(std::function<void(std::stop_token)> work)
{
    ReapEnded(*m_state);
    std::lock_guard lock(m_state->mutex);
    if (m_state->stopping)
        return std::stop_source(std::nostopstate);
    const auto entry = m_state->threads.emplace(m_state->threads.end());
    // The entry is filled in under the lock that the thread takes to mark
    // itself ended, so it never sees a half-made entry.
    entry->thread = std::jthread(
        [this, entry, work = std::move(work),
         weak = std::weak_ptr<State>(m_state)](std::stop_token stop)
        {
            work(stop);
            State& state = *m_state;
            // Reaping before this thread counts as ended: two ending threads
            // must never join each other.
            ReapEnded(state);
            {
                std::lock_guard endLock(state.mutex);
                entry->ended = true;
            }
            if (m_post)
                m_post(
                    [weak]
                    {
                        if (const auto alive = weak.lock())
                            ReapEnded(*alive);
                    });
        });
    return entry->thread.get_stop_source();
}

void ThreadOwner::StopAll()
{
    for (;;)
    {
        std::list<State::Entry> threads;
        {
            std::lock_guard lock(m_state->mutex);
            m_state->stopping = true;
            threads.swap(m_state->threads);
        }
        if (threads.empty())
            return;
        for (auto& entry : threads)
            entry.thread.request_stop();
        // The list's destruction joins every thread.
    }
}

void ThreadOwner::Reap()
{
    ReapEnded(*m_state);
}

std::size_t ThreadOwner::Count() const
{
    std::lock_guard lock(m_state->mutex);
    return m_state->threads.size();
}

bool ThreadOwner::Wait(std::stop_token stop, std::chrono::milliseconds period)
{
    std::mutex mutex;
    std::condition_variable_any wake;
    std::unique_lock lock(mutex);
    wake.wait_for(lock, stop, period, [] { return false; });
    return !stop.stop_requested();
}

} // namespace tavrel
