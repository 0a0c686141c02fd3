#include "browser/FileOperation.h"

#include "browser/ShellNamespace.h"
#include "platform/FileSystem.h"
#include "platform/Trash.h"

#include <cerrno>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <set>

namespace tavrel
{

namespace
{

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

std::uint64_t TreeSize(const std::string& path)
{
    const auto info = InspectEntry(path);
    if (!info)
        return 0;
    if (!info->isFolder)
        return info->size;
    std::uint64_t total = 0;
    std::error_code ec;
    for (auto it = fs::recursive_directory_iterator(path, ec);
         !ec && it != fs::recursive_directory_iterator(); it.increment(ec))
        if (it->is_regular_file(ec) && !it->is_symlink(ec))
            total += it->file_size(ec);
    return total;
}

class Runner
{
public:
    Runner(OperationKind kind, const std::atomic<bool>& cancel,
           const std::function<void(const OperationProgress&)>& progress)
        : m_cancel(cancel), m_progress(progress), m_start(Clock::now())
    {
        m_state.kind = kind;
    }

    OperationOutcome Run(const std::vector<OperationItem>& items)
    {
        OperationOutcome outcome;
        outcome.kind = m_state.kind;
        m_state.itemsTotal = items.size();
        if (m_state.kind != OperationKind::Trash)
            for (const OperationItem& item : items)
                m_state.bytesTotal += TreeSize(item.source);
        std::set<std::string> touched;
        for (const OperationItem& item : items)
        {
            if (m_cancel)
            {
                outcome.cancelled = true;
                break;
            }
            m_state.currentName = BaseName(item.source);
            Report(true);
            const int err = RunItem(item);
            if (err == ECANCELED)
            {
                outcome.cancelled = true;
                break;
            }
            if (err != 0)
            {
                outcome.error =
                    m_error.empty() ? BaseName(item.source) + ": " + std::strerror(err) : m_error;
                break;
            }
            outcome.completed.push_back(item);
            if (!item.target.empty())
                touched.insert(ParentPath(item.target));
            ++m_state.itemsDone;
        }
        // The renames into each target folder are made durable together.
        for (const std::string& folder : touched)
            SyncFolder(folder);
        Report(true);
        return outcome;
    }

private:
    int RunItem(const OperationItem& item)
    {
        switch (m_state.kind)
        {
        case OperationKind::Trash:
        {
            const TrashResult result = MoveToTrash(item.source);
            if (!result.ok)
            {
                m_error = result.error;
                return EIO;
            }
            return 0;
        }
        case OperationKind::Move:
        {
            const std::uint64_t size = TreeSize(item.source);
            const int err = item.replace ? RenameReplacing(item.source, item.target)
                                         : RenameNoReplace(item.source, item.target);
            if (err == 0)
            {
                m_state.bytesDone += size;
                return 0;
            }
            if (err != EXDEV)
                return err;
            // Another volume: copy completely, then remove the source.
            const int copied = CopyItem(item);
            if (copied != 0)
                return copied;
            return RemoveEntry(item.source);
        }
        case OperationKind::Copy:
            return CopyItem(item);
        }
        return EINVAL;
    }

    int CopyItem(const OperationItem& item)
    {
        const auto info = InspectEntry(item.source);
        if (!info)
            return ENOENT;
        if (!info->isFolder)
            return CopyFile(item.source, item.target, item.replace);
        // A folder is built under a hidden name and renamed when complete.
        const std::string temp = TemporarySibling(item.target);
        int err = CopyTree(item.source, temp);
        if (err == 0)
            err = RenameNoReplace(temp, item.target);
        if (err != 0)
            RemoveEntry(temp);
        return err;
    }

    int CopyFile(const std::string& from, const std::string& to, bool replace)
    {
        const std::uint64_t before = m_state.bytesDone;
        return CopyEntryAtomically(from, to, replace,
                                   [&](std::uint64_t bytes)
                                   {
                                       m_state.bytesDone = before + bytes;
                                       Report(false);
                                       return !m_cancel.load();
                                   });
    }

    int CopyTree(const std::string& from, const std::string& to)
    {
        if (const int err = MakeFolder(to); err != 0)
            return err;
        std::error_code ec;
        for (const fs::directory_entry& entry : fs::directory_iterator(from, ec))
        {
            if (m_cancel)
                return ECANCELED;
            const std::string name = entry.path().filename().string();
            const std::string source = JoinPath(from, name);
            const std::string target = JoinPath(to, name);
            const auto info = InspectEntry(source);
            if (!info)
                continue; // gone meanwhile
            int err = 0;
            if (info->isFolder)
                err = CopyTree(source, target);
            else if (info->isRegular || info->isLink)
                err = CopyFile(source, target, false);
            if (err != 0)
                return err;
        }
        if (ec)
            return ec.value();
        if (const auto info = InspectEntry(from))
            fs::permissions(to, fs::perms(info->mode & 07777), ec);
        return 0;
    }

    void Report(bool now)
    {
        const auto elapsed = Clock::now() - m_start;
        if (!now && elapsed - m_lastReport < std::chrono::milliseconds(50))
            return;
        m_lastReport = elapsed;
        m_state.elapsedMs = std::chrono::duration_cast<std::chrono::milliseconds>(elapsed).count();
        if (m_progress)
            m_progress(m_state);
    }

    const std::atomic<bool>& m_cancel;
    const std::function<void(const OperationProgress&)>& m_progress;
    Clock::time_point m_start;
    Clock::duration m_lastReport{};
    OperationProgress m_state;
    std::string m_error;
};

} // namespace

CFileOperation::CFileOperation(PostToUi post) : m_post(std::move(post)) {}

CFileOperation::~CFileOperation()
{
    m_cancel = true;
    m_alive.reset();
    if (m_thread.joinable())
        m_thread.join();
}

OperationOutcome CFileOperation::Run(OperationKind kind, const std::vector<OperationItem>& items,
                                     const std::atomic<bool>& cancel,
                                     const std::function<void(const OperationProgress&)>& progress)
{
    Runner runner(kind, cancel, progress);
    return runner.Run(items);
}

bool CFileOperation::Start(OperationKind kind, std::vector<OperationItem> items,
                           std::function<void(const OperationProgress&)> progress,
                           std::function<void(const OperationOutcome&)> done)
{
    if (m_running)
        return false;
    if (m_thread.joinable())
        m_thread.join();
    m_cancel = false;
    m_running = true;
    std::weak_ptr<int> alive = m_alive;
    m_thread = std::thread(
        [this, alive, kind, items = std::move(items), progress = std::move(progress),
         done = std::move(done)]
        {
            auto report = [this, alive, &progress](const OperationProgress& state)
            {
                m_post(
                    [alive, progress, state]
                    {
                        if (alive.lock() && progress)
                            progress(state);
                    });
            };
            OperationOutcome outcome = Run(kind, items, m_cancel, report);
            m_post(
                [this, alive, done, outcome = std::move(outcome)]
                {
                    if (!alive.lock())
                        return;
                    m_running = false;
                    if (done)
                        done(outcome);
                });
        });
    return true;
}

void CFileOperation::Wait()
{
    if (m_thread.joinable())
        m_thread.join();
}

} // namespace tavrel
