#pragma once
// Owns a set of worker threads. Each runs with a stop token; a thread that
// has ended is joined soon after (by the next thread to end, the next Spawn,
// or the reap it posts to the UI loop), so the set holds only live threads
// rather than every thread started since the program began.

#include <chrono>
#include <cstddef>
#include <functional>
#include <memory>
#include <stop_token>

namespace tavrel
{

class ThreadOwner
{
public:
    // `post` queues work for the UI thread; without it, ended threads are
    // joined by the next thread to end or the next Spawn.
    using Poster = std::function<void(std::function<void()>)>;

    explicit ThreadOwner(Poster post = {});
    // Stops and joins every thread.
    ~ThreadOwner();
    ThreadOwner(const ThreadOwner&) = delete;
    ThreadOwner& operator=(const ThreadOwner&) = delete;

    // The thread's stop source, to end that one thread; one without a
    // stop state (nothing started) once StopAll has begun.
    std::stop_source Spawn(std::function<void(std::stop_token)> work);
    // Asks every thread to stop and joins them all; later Spawns start
    // nothing. Not to be called from one of the owned threads.
    void StopAll();
    // Joins the threads that have ended.
    void Reap();
    // Threads started and not yet joined.
    std::size_t Count() const;

    // Sleeps for `period` unless `stop` is requested first; false when it was.
    static bool Wait(std::stop_token stop, std::chrono::milliseconds period);

private:
    struct State;
    static void ReapEnded(State& state);

    Poster m_post;
    std::shared_ptr<State> m_state;
};

} // namespace tavrel
