#pragma once
// The manager's application object: the picture hand-over and its storage
// runs, the busy, close-pending and closing flags, the scanner query, the
// capture launch and the explorer window's state and commands. Widget-free;
// every call runs on the program's UI thread (the thread that serves the
// frame's window), whose event loop it is given. The Qt frame and the test
// hosts drive the same object.

#include "browser/PaneInterfaces.h"
#include "manager/HandoverReceiver.h"
#include "manager/ManagerCommands.h"
#include "manager/ScannerQuery.h"
#include "manager/StatusBarPane.h"
#include "manager/UserSettings.h"
#include "platform/Desktop.h"

#include <functional>
#include <memory>

namespace tavrel
{

class EventLoop;

// What the engine asks of the frame that shows it.
class IManagerFrame
{
public:
    virtual ~IManagerFrame() = default;
    virtual void HideFrame() = 0;
    // Stops the file list's thumbnail worker and waits for it.
    virtual void StopThumbnailWorker() {}
    virtual void EmptyClipboard() {}
    // Something the frame shows changed (view mode, folders pane, edit
    // flags, scanner, busy).
    virtual void StateChanged() {}
};

struct EditFlags
{
    bool cut = false;
    bool copy = false;
    bool paste = false;
    bool del = false;
    friend bool operator==(const EditFlags&, const EditFlags&) = default;
};

struct ManagerEngineOptions
{
    // Registers the frame's window for device notifications after the first
    // scanner query (the program's start-up helper: the session's broadcasts
    // and udev). None: the frame hears no devices.
    std::function<bool(HWND frame)> watchDevices;
};

class CManagerEngine
{
public:
    CManagerEngine(EventLoop& loop, CUserSettings& settings, IManagerFrame& frame,
                   ManagerEngineOptions options = {});
    ~CManagerEngine();
    CManagerEngine(const CManagerEngine&) = delete;
    CManagerEngine& operator=(const CManagerEngine&) = delete;

    // The frame's creation, once its window exists: the instance mark (before
    // bars and panes), then the first scanner query and the device
    // notifications.
    void Create(HWND frame);
    void StartDevices();
    // The explorer window's panes, as a hand-over locates them (any may be
    // null).
    void SetPanes(IFileListPane* fileList, IFolderTreePane* folderTree, IStatusBar* statusBar);

    // The frame's message map: WM_COPYDATA, 1127, 1126 and WM_DEVICECHANGE;
    // `handled` false for the rest.
    LRESULT HandleMessage(const Message& message, bool* handled = nullptr);
    void OnDeviceChange(WPARAM event);
    // WM_CLOSE. True when the frame may close now; false when a storage run
    // is in progress: the frame is hidden and the run's end sends WM_CLOSE
    // again.
    bool Close();

    // The explorer window.
    int ViewMode() const { return m_viewMode; }
    // 32960 / 32961: the list's mode only.
    void SetViewMode(int mode);
    // 32898 / 32899: the mode, stored as "defaultviewmdoe".
    void StoreViewMode(int mode);
    bool FoldersShown() const { return m_foldersShown; }
    void ToggleFolders();
    // 32873 / 32901, and 32988 with "/Verify".
    void LaunchCapture(bool verify);
    EditFlags Edit() const { return m_edit; }
    void SetEditFlags(const EditFlags& flags);
    bool Renaming() const { return m_renaming; }
    void SetRenaming(bool renaming) { m_renaming = renaming; }

    bool IsBusy() const { return m_receiver.IsBusy(); }
    bool IsClosePending() const { return m_receiver.IsClosePending(); }
    // Set by the first WM_CLOSE; the file list consults it.
    bool IsClosing() const { return m_closing; }
    int QueueCount() const { return m_receiver.Queue().Count(); }
    bool ScannerHeld() const { return m_scanner.Holds(); }
    HWND Window() const { return m_hwnd; }
    CHandoverReceiver& Receiver() { return m_receiver; }
    CUserSettings& Settings() { return m_settings; }

private:
    void ReleaseDevices();
    void Changed() { m_frame.StateChanged(); }

    CUserSettings& m_settings;
    IManagerFrame& m_frame;
    ManagerEngineOptions m_options;
    CHandoverReceiver m_receiver;
    CScannerQuery m_scanner;
    bool m_notificationsRegistered = false;
    HWND m_hwnd = 0;
    bool m_marked = false;
    bool m_closing = false;
    int m_viewMode = kViewModeIcons;
    bool m_foldersShown = true;
    bool m_renaming = false;
    EditFlags m_edit;
};

} // namespace tavrel
