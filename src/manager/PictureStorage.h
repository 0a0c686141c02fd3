#pragma once
// Storing incoming pictures: the single-picture step for pixels handed over
// (kinds 1001, 1008) and the loop for pictures handed over as files (1003).
// Runs on the UI thread inside the hand-over handler; the picture is
// processed and written aside while the UI thread's loop goes on.

#include "manager/HandoverState.h"
#include "manager/ProgressAnimation.h"

#include <ctime>
#include <functional>
#include <set>
#include <string>

namespace tavrel
{

class CDib;
class EventLoop;

// "%Y-%m-%d-%H-%M-%S" of the local time.
std::string StoredFileStem(std::time_t when);

// Writes `picture` into `folder` under a temporary name and renames it to
// stem + extension, or stem + "_N" + extension when that name is taken; the
// final name is never replaced. True with *finalPath set when the file is
// complete under its final name; nothing is left behind on failure.
bool WritePictureFile(CDib& picture, std::int32_t outputFormat, std::int32_t bitDepthIndex,
                      const std::string& folder, const std::string& stem, std::string* finalPath);

class CPictureStorage
{
public:
    // `notifyFrame` stands for WM_PICTURE_STORED sent to the frame.
    using FrameNotice = std::function<void(WPARAM wParam, const std::string* path)>;
    // Without a loop, everything runs on the calling thread.
    CPictureStorage(HandoverState& state, const ManagerPanes& panes, FrameNotice notifyFrame,
                    EventLoop* loop = nullptr);
    ~CPictureStorage();

    // Both start with the busy flag set by the handler and end with it clear.
    bool StoreFrontPicture();
    bool StoreQueuedFiles();

    // Removes what a storage run killed mid-write (a crash, kill -9) left in
    // `folder`: only our own temporary files, only those no writer holds.
    // Done for the folder shown at start and, after each run, for the run's
    // folders.
    void RemoveLeftovers(const std::string& folder);

    // The time source of the file names (tests pin it).
    void SetClock(std::function<std::time_t()> clock) { m_clock = std::move(clock); }
    // The last file stored ("" when the last run stored nothing).
    const std::string& LastStoredPath() const { return m_lastStored; }

private:
    void StartRun();
    void FinishRun();
    void DeleteJobFiles(const std::string& picturePath, const std::string& profilePath);
    void NoticeStored(const std::string& folder, const std::string& path);
    void ReportWriteFailure(const std::string& folder);
    void ReportProcessingFailure();
    void RunAside(const std::function<void()>& work);

    HandoverState& m_state;
    const ManagerPanes& m_panes;
    FrameNotice m_notifyFrame;
    EventLoop* m_loop;
    CProgressAnimation m_animation;
    std::function<std::time_t()> m_clock;
    std::string m_lastStored;
    std::set<std::string> m_runFolders;
};

} // namespace tavrel
