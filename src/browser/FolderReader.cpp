#include "browser/FolderReader.h"

#include <algorithm>

namespace tavrel
{

struct CFolderReader::Job
{
    std::uint64_t ticket = 0;
    Work work;
    std::function<void()> result; // set by the reading thread, under m_mutex
    bool finished = false;        // under m_mutex
    bool done = false;            // applied or cancelled; UI thread only
};

CFolderReader::CFolderReader(PostToUi post, int maxThreads)
    : m_post(std::move(post)), m_maxThreads(std::max(1, maxThreads))
{
}

CFolderReader::~CFolderReader()
{
    Shutdown();
}

void CFolderReader::Shutdown()
{
    {
        std::lock_guard lock(m_mutex);
        m_stopping = true;
        m_queue.clear();
        m_alive.reset();
    }
    m_wake.notify_all();
    for (const auto& job : m_open)
        job->done = true;
    m_open.clear();
    for (std::thread& thread : m_threads)
        if (thread.joinable())
            thread.join();
    m_threads.clear();
}

bool CFolderReader::Read(Work work, std::chrono::milliseconds inlineWait, std::uint64_t* ticket)
{
    auto job = std::make_shared<Job>();
    job->work = std::move(work);
    {
        std::lock_guard lock(m_mutex);
        if (m_stopping)
            return false;
        job->ticket = m_nextTicket++;
        m_queue.push_back(job);
        // A thread stuck on a dead mount must not hold up other folders.
        if (m_idle == 0 && int(m_threads.size()) < m_maxThreads)
            m_threads.emplace_back([this] { ThreadMain(); });
    }
    m_open.push_back(job);
    if (ticket)
        *ticket = job->ticket;
    m_wake.notify_one();

    std::unique_lock lock(m_mutex);
    if (!m_finished.wait_for(lock, inlineWait, [&] { return job->finished; }))
        return false;
    lock.unlock();
    Deliver(job);
    return true;
}

void CFolderReader::Cancel(std::uint64_t ticket)
{
    for (const auto& job : m_open)
        if (job->ticket == ticket)
            job->done = true;
    std::erase_if(m_open, [](const auto& job) { return job->done; });
}

void CFolderReader::Deliver(const std::shared_ptr<Job>& job)
{
    if (job->done)
        return;
    job->done = true;
    std::erase(m_open, job);
    std::function<void()> result;
    {
        std::lock_guard lock(m_mutex);
        result = std::move(job->result);
    }
    if (result)
        result();
}

void CFolderReader::ThreadMain()
{
    std::unique_lock lock(m_mutex);
    while (true)
    {
        ++m_idle;
        m_wake.wait(lock, [this] { return m_stopping || !m_queue.empty(); });
        --m_idle;
        if (m_stopping)
            return;
        std::shared_ptr<Job> job = std::move(m_queue.front());
        m_queue.pop_front();
        Work work = std::move(job->work);
        lock.unlock();
        std::function<void()> result = work ? work() : nullptr;
        lock.lock();
        job->result = std::move(result);
        job->finished = true;
        m_finished.notify_all();
        if (!m_stopping)
        {
            // The post only carries the job; Deliver checks on the UI thread
            // whether it was already applied, cancelled or shut down.
            std::weak_ptr<int> alive = m_alive;
            lock.unlock();
            m_post(
                [this, alive, job]
                {
                    if (alive.lock())
                        Deliver(job);
                });
            lock.lock();
        }
    }
}

} // namespace tavrel
