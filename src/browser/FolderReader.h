#pragma once
// Folder reads away from the UI thread. A read that finishes within a short
// wait is applied at once, so a local folder fills without a flash of an
// empty pane; one that takes longer (a slow or unreachable mount) is
// applied when it arrives, and the pane shows it as loading meanwhile.

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace tavrel
{

// Queues work for the UI thread; callable from any thread.
using PostToUi = std::function<void(std::function<void()>)>;

class CFolderReader
{
public:
    // Work runs on a reading thread and returns what the UI thread applies.
    using Work = std::function<std::function<void()>()>;

    explicit CFolderReader(PostToUi post, int maxThreads = 4);
    ~CFolderReader();
    CFolderReader(const CFolderReader&) = delete;
    CFolderReader& operator=(const CFolderReader&) = delete;

    // UI thread. Waits up to `inlineWait`; when the work is done by then its
    // result is applied before this returns (true), else later (false).
    bool Read(Work work, std::chrono::milliseconds inlineWait, std::uint64_t* ticket = nullptr);
    // UI thread: the result of the ticket is never applied.
    void Cancel(std::uint64_t ticket);
    // Drops every pending result and stops the threads (waiting for reads
    // in progress).
    void Shutdown();

private:
    struct Job;
    void ThreadMain();
    void Deliver(const std::shared_ptr<Job>& job);

    PostToUi m_post;
    int m_maxThreads;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::condition_variable m_finished;
    std::deque<std::shared_ptr<Job>> m_queue;
    std::vector<std::shared_ptr<Job>> m_open; // not yet applied, UI thread only
    std::vector<std::thread> m_threads;
    int m_idle = 0;
    bool m_stopping = false;
    std::uint64_t m_nextTicket = 1;
    // Posted deliveries hold it weakly: none runs after Shutdown.
    std::shared_ptr<int> m_alive = std::make_shared<int>(0);
};

} // namespace tavrel
