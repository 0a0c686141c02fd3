#pragma once
// The main frame's status bar as the hand-over and storage steps use it:
// pane 2 shows the queue status, pane 1 hosts the progress bar during a run.
// Every call comes on the UI thread.

#include "platform/WinTypes.h"

#include <string>

namespace tavrel
{

// String 61489, the queue-status prefix of status pane 2.
constexpr const char* kQueueStatusText = "等待处理页数：";

class IStatusBar
{
public:
    virtual ~IStatusBar() = default;
    virtual void SetPaneText(int pane, const std::string& text) = 0;
    virtual RECT GetPaneRect(int pane) const = 0;
    // Places the bar at the rectangle's left and top (105 wide), shows it,
    // range 0 to 100, position 0.
    virtual void PlaceProgressBar(const RECT& rect) = 0;
    virtual void SetProgressPos(int position) = 0;
    // (0, 0, 0, 0) hides the bar.
    virtual void MoveProgressBar(const RECT& rect) = 0;
    // The queue status's prefix in the program's language.
    virtual std::string QueueStatusText() const { return kQueueStatusText; }
};

} // namespace tavrel
