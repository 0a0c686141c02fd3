#pragma once
// The manager side of the picture channel, as the main frame hosts it: the
// WM_COPYDATA receive handler for kinds 1001, 1003 and 1008, the frame's
// WM_PICTURE_STORED (1127) handling and message 1126. Widget-free; runs on
// the UI thread of its host (the manager engine, CManagerEngine).
//
// Results of a picture message: kPictureTaken when the picture was stored,
// kPictureRefused when it was not (busy, closing, bad descriptor, pixels not
// taken, profile unreadable, write failed); the sender then keeps it.

#include "manager/HandoverState.h"
#include "manager/PictureStorage.h"
#include "platform/Desktop.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace tavrel
{

class EventLoop;

// The section's limit; the picture's sides are held to kMaxPictureSide
// (imaging/codecs/PictureLimits.h), the same as every reader's.
constexpr std::size_t kMaxSectionBytes = std::size_t(1) << 30;

// Shown when the picture section's name is held by something not ours.
constexpr const char* kForeignSectionText =
    "The picture was not taken: its shared memory \"TavrelImage\" belongs to another user.";

class CHandoverReceiver
{
public:
    // `loop`: the UI thread's, which goes on while a picture is written
    // (none: everything runs on the calling thread).
    explicit CHandoverReceiver(const ManagerPanes& panes, EventLoop* loop = nullptr);
    ~CHandoverReceiver();
    CHandoverReceiver(const CHandoverReceiver&) = delete;
    CHandoverReceiver& operator=(const CHandoverReceiver&) = delete;

    // The frame's handlers for WM_COPYDATA, 1127 and 1126; `handled` false
    // for any other message (and for other copy-data kinds), which the host
    // gives its default handling.
    LRESULT HandleMessage(const Message& message, bool* handled = nullptr);
    // The panes of the explorer window, once it exists (not during a run).
    void SetPanes(const ManagerPanes& panes);

    LRESULT OnCopyData(const CopyData& data, bool* handled = nullptr);
    // WM_PICTURE_STORED: forwards a stored-file notice to the file list, or
    // refreshes the queue status in pane 2.
    LRESULT OnPictureStored(WPARAM wParam, const std::string* path);

    // The frame's close while a run may be in progress: true when the frame
    // may close now; false when the run's end will close it (close pending).
    bool RequestClose();

    bool IsBusy() const { return m_state.busy; }
    bool IsClosePending() const { return m_state.closePending; }
    const IncomingJobQueue& Queue() const { return m_state.queue; }
    bool BufferHoldsPixels() const { return m_state.picture.HasPixels(); }
    CPictureStorage& Storage() { return m_storage; }

private:
    LRESULT ReceivePixels(std::uint64_t kind, const CopyData& data);
    LRESULT ReceiveFile(const CopyData& data);
    std::string DestinationFolder();
    void ShowQueueStatus();

    ManagerPanes m_panes;
    HandoverState m_state;
    CPictureStorage m_storage;
};

} // namespace tavrel
