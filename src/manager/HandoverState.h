#pragma once
// The main frame's state for incoming pictures, shared by the receive
// handler and the storage step, and the panes both reach.

#include "browser/PaneInterfaces.h"
#include "imaging/cwimage/dib/Dib.h"
#include "manager/IncomingJobQueue.h"
#include "manager/StatusBarPane.h"
#include "platform/WinTypes.h"

#include <atomic>
#include <cstdint>
#include <functional>

namespace tavrel
{

// WM_PICTURE_STORED: wParam 1 and a path, a stored-file notice; wParam 0, the
// queue status changed.
constexpr UINT WM_PICTURE_STORED = WM_USER + 103;
constexpr UINT WM_MANAGER_IGNORED = WM_USER + 102;

struct ManagerPanes
{
    IFileListPane* fileList = nullptr;
    IFolderTreePane* folderTree = nullptr; // null: no tree shown
    IStatusBar* statusBar = nullptr;
    // WM_CLOSE to the frame once a pending close may complete.
    std::function<void()> closeFrame;
};

struct HandoverState
{
    IncomingJobQueue queue;
    CDib picture;
    std::atomic<bool> busy{false};
    std::atomic<bool> closePending{false};
    std::uint64_t lastKind = 0;
    std::int32_t outputFormat = 0;
    std::int32_t bitDepthIndex = 0;
    RECT pane1Rect{};
};

} // namespace tavrel
