#include "browser/ThumbnailWorker.h"

#include "imaging/codecs/ImageCodec.h"
#include "imaging/codecs/Thumbnail.h"
#include "imaging/cwimage/dib/Dib.h"

#include <chrono>

namespace tavrel
{

namespace
{

// Cells gathered before one hand-over to the UI thread: few enough posts to
// keep the UI thread free, frequent enough that cells appear as they come.
constexpr auto kBatchPeriod = std::chrono::milliseconds(30);

bool IsShippedPicture(const std::string& path)
{
    return path.rfind("png/", 0) == 0;
}

} // namespace

CThumbnailWorker::CThumbnailWorker(PostToUi post, Deliver deliver)
    : m_post(std::move(post)), m_deliver(std::move(deliver))
{
    m_thread = std::thread([this] { ThreadMain(); });
}

CThumbnailWorker::~CThumbnailWorker()
{
    {
        std::lock_guard lock(m_mutex);
        m_quit = true;
        m_jobs.clear();
        m_alive.reset();
    }
    m_wake.notify_all();
    m_thread.join();
}

void CThumbnailWorker::SetFallbackDecoder(FallbackDecoder decoder)
{
    std::lock_guard lock(m_mutex);
    m_fallback = std::move(decoder);
}

void CThumbnailWorker::Start(std::uint64_t generation, std::vector<ThumbnailJob> jobs)
{
    {
        std::lock_guard lock(m_mutex);
        m_generation = generation;
        m_jobs = std::move(jobs);
        m_next = 0;
        m_running = !m_jobs.empty() || m_busy;
    }
    m_wake.notify_all();
}

void CThumbnailWorker::Append(std::uint64_t generation, std::vector<ThumbnailJob> jobs)
{
    {
        std::lock_guard lock(m_mutex);
        if (generation != m_generation)
        {
            m_generation = generation;
            m_jobs.clear();
            m_next = 0;
        }
        for (ThumbnailJob& job : jobs)
            m_jobs.push_back(std::move(job));
        m_running = true;
    }
    m_wake.notify_all();
}

void CThumbnailWorker::Stop(bool wait)
{
    std::unique_lock lock(m_mutex);
    ++m_generation;
    m_jobs.clear();
    m_next = 0;
    if (wait)
        m_idle.wait(lock, [this] { return !m_busy; });
    m_running = m_busy;
}

std::shared_ptr<const ThumbnailImage> CThumbnailWorker::Draw(const std::string& path)
{
    const bool shipped = IsShippedPicture(path);
    if (shipped)
        for (const auto& [name, image] : m_shared)
            if (name == path)
                return image;
    CDib picture;
    bool loaded = LoadThumbnail(path, picture, kThumbnailWidth, kThumbnailHeight) != 0;
    if (!loaded)
    {
        FallbackDecoder fallback;
        {
            std::lock_guard lock(m_mutex);
            fallback = m_fallback;
        }
        loaded = fallback && fallback(path, picture, kThumbnailWidth, kThumbnailHeight);
    }
    if (!loaded)
        return nullptr;
    auto image = std::make_shared<ThumbnailImage>(RenderThumbnailCell(picture));
    if (image->bgr.empty())
        return nullptr;
    if (shipped)
        m_shared.emplace_back(path, image);
    return image;
}

void CThumbnailWorker::ThreadMain()
{
    std::vector<ThumbnailResult> batch;
    std::uint64_t batchGeneration = 0;
    auto lastPost = std::chrono::steady_clock::now();
    // `last`: the job is done; the worker counts as running until the UI
    // thread has the final batch, so "not running" means every cell is in.
    auto flush = [&](std::unique_lock<std::mutex>& lock, bool last)
    {
        if (batch.empty() && !last)
            return;
        std::weak_ptr<int> alive = m_alive;
        lock.unlock();
        m_post(
            [this, alive, last, generation = batchGeneration, finished = m_generation,
             cells = std::move(batch)]() mutable
            {
                if (!alive.lock())
                    return;
                if (!cells.empty())
                    m_deliver(generation, std::move(cells));
                if (last)
                {
                    std::lock_guard guard(m_mutex);
                    if (finished == m_generation && !m_busy && m_next >= m_jobs.size())
                        m_running = false;
                }
            });
        lock.lock();
        batch.clear();
        lastPost = std::chrono::steady_clock::now();
    };

    std::unique_lock lock(m_mutex);
    while (true)
    {
        m_busy = false;
        if (m_next >= m_jobs.size())
        {
            if (m_running)
                flush(lock, true);
            m_idle.notify_all();
            m_wake.wait(lock, [this] { return m_quit || m_next < m_jobs.size(); });
        }
        if (m_quit)
        {
            m_busy = false;
            m_idle.notify_all();
            return;
        }
        if (batchGeneration != m_generation)
        {
            batch.clear(); // cells of a stopped job go nowhere
            batchGeneration = m_generation;
        }
        const ThumbnailJob job = m_jobs[m_next++];
        const std::uint64_t generation = m_generation;
        m_busy = true;
        lock.unlock();
        auto image = Draw(job.path);
        lock.lock();
        if (image && generation == m_generation)
            batch.push_back(ThumbnailResult{job.index, std::move(image)});
        if (std::chrono::steady_clock::now() - lastPost >= kBatchPeriod)
            flush(lock, false);
    }
}

} // namespace tavrel
