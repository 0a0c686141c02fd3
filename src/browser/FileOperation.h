#pragma once
// Copy, move and delete-to-trash on a thread of their own, in place of the
// shell's file operation: progress reported to the UI thread, cancellable
// between any two chunks, and nothing half-written left behind. A file or
// folder appears under its target name only once it is complete; a move
// removes its source only after the copy is in place.

#include "browser/FolderReader.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <thread>
#include <vector>

namespace tavrel
{

enum class OperationKind
{
    Copy,
    Move,
    Trash,
};

struct OperationItem
{
    std::string source;
    std::string target;   // full path; unused for Trash
    bool replace = false; // a file already at the target is replaced
};

struct OperationProgress
{
    OperationKind kind = OperationKind::Copy;
    std::string currentName;
    std::uint64_t bytesDone = 0;
    std::uint64_t bytesTotal = 0;
    std::size_t itemsDone = 0;
    std::size_t itemsTotal = 0;
    std::int64_t elapsedMs = 0;
};

struct OperationOutcome
{
    OperationKind kind = OperationKind::Copy;
    std::vector<OperationItem> completed; // in the order they were done
    bool cancelled = false;
    std::string error; // the first failure, worded for the user; "" when none
};

class CFileOperation
{
public:
    explicit CFileOperation(PostToUi post);
    ~CFileOperation(); // cancels and waits
    CFileOperation(const CFileOperation&) = delete;
    CFileOperation& operator=(const CFileOperation&) = delete;

    // False while another operation runs. `progress` and `done` run on the
    // UI thread; `done` always runs exactly once for a started operation.
    bool Start(OperationKind kind, std::vector<OperationItem> items,
               std::function<void(const OperationProgress&)> progress,
               std::function<void(const OperationOutcome&)> done);
    void Cancel() { m_cancel = true; }
    bool Running() const { return m_running.load(); }
    // Blocks until the worker has ended; its `done` still arrives through
    // the UI thread's queue. For the close of the program.
    void Wait();

    // Runs an operation on the calling thread (the worker's body).
    static OperationOutcome Run(OperationKind kind, const std::vector<OperationItem>& items,
                                const std::atomic<bool>& cancel,
                                const std::function<void(const OperationProgress&)>& progress);

private:
    PostToUi m_post;
    std::atomic<bool> m_cancel{false};
    std::atomic<bool> m_running{false};
    std::shared_ptr<int> m_alive = std::make_shared<int>(0);
    std::thread m_thread;
};

} // namespace tavrel
