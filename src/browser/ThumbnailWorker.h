#pragma once
// The one thumbnail worker of the file list. It draws the cells of the
// current job in order, each decoded at reduced scale (JPEG through DCT
// scaling), and hands them to the UI thread in small batches tagged with
// the job's generation: a cell of an older job is never applied. The worker
// never waits on the UI thread, so stopping it can never deadlock.

#include "browser/FolderReader.h"
#include "browser/ThumbnailCell.h"

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace tavrel
{

class CDib;

struct ThumbnailJob
{
    int index = 0;    // the list item the cell belongs to
    std::string path; // picture file, or one of the shipped PNG pictures
};

struct ThumbnailResult
{
    int index = 0;
    std::shared_ptr<const ThumbnailImage> image;
};

class CThumbnailWorker
{
public:
    using Deliver = std::function<void(std::uint64_t generation, std::vector<ThumbnailResult>)>;
    // Decodes what the codecs do not read (e.g. through Qt's image plugins),
    // at about maxWidth × maxHeight; runs on the worker thread.
    using FallbackDecoder =
        std::function<bool(const std::string& path, CDib& picture, int maxWidth, int maxHeight)>;

    CThumbnailWorker(PostToUi post, Deliver deliver);
    ~CThumbnailWorker();
    CThumbnailWorker(const CThumbnailWorker&) = delete;
    CThumbnailWorker& operator=(const CThumbnailWorker&) = delete;

    void SetFallbackDecoder(FallbackDecoder decoder);

    // Replaces whatever the worker was doing by `jobs` under `generation`.
    void Start(std::uint64_t generation, std::vector<ThumbnailJob> jobs);
    // Adds cells to the current job (a pasted or stored file).
    void Append(std::uint64_t generation, std::vector<ThumbnailJob> jobs);
    // Drops the remaining cells; with `wait`, returns only once the worker is
    // idle (it finishes the picture in hand first).
    void Stop(bool wait);
    // True while cells remain to be drawn.
    bool Running() const { return m_running.load(); }

private:
    void ThreadMain();
    std::shared_ptr<const ThumbnailImage> Draw(const std::string& path);

    PostToUi m_post;
    Deliver m_deliver;
    FallbackDecoder m_fallback;
    std::shared_ptr<int> m_alive = std::make_shared<int>(0);

    mutable std::mutex m_mutex;
    std::condition_variable m_wake;
    std::condition_variable m_idle;
    std::vector<ThumbnailJob> m_jobs;
    std::size_t m_next = 0;
    std::uint64_t m_generation = 0;
    bool m_busy = false;
    bool m_quit = false;
    std::atomic<bool> m_running{false};
    // Cells that are the same for every entry of a kind (folder, places).
    std::vector<std::pair<std::string, std::shared_ptr<const ThumbnailImage>>> m_shared;
    std::thread m_thread;
};

} // namespace tavrel
