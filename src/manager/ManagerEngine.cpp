#include "manager/ManagerEngine.h"

#include "manager/CaptureLauncher.h"
#include "shared/InstanceGuard.h"

#include <chrono>

namespace tavrel
{

namespace
{

// A capture program that does not answer its WM_CLOSE within this time is
// left to itself: the manager's close must not hang on it.
constexpr auto kCaptureCloseTimeout = std::chrono::seconds(10);

} // namespace

CManagerEngine::CManagerEngine(EventLoop& loop, CUserSettings& settings, IManagerFrame& frame,
                               ManagerEngineOptions options)
    : m_settings(settings), m_frame(frame), m_options(std::move(options)),
      m_receiver(ManagerPanes{}, &loop)
{
    // The explorer window's copy; 0 (icons) when the file cannot be read, as
    // the file list assumes then.
    int mode = kViewModeIcons;
    if (m_settings.GetDefaultViewMode(mode))
        m_viewMode = mode;
}

CManagerEngine::~CManagerEngine()
{
    ReleaseDevices();
    if (m_marked)
        InstanceGuard::UnmarkWindow(m_hwnd, kPelidorInstanceName);
}

void CManagerEngine::Create(HWND frame)
{
    m_hwnd = frame;
    // Marked before bars and panes exist, so that a second start finds us.
    m_marked = InstanceGuard::MarkWindow(frame, kPelidorInstanceName);
}

void CManagerEngine::StartDevices()
{
    m_scanner.Query();
    if (m_options.watchDevices)
    {
        m_options.watchDevices(m_hwnd);
        m_notificationsRegistered = true;
    }
    Changed();
}

void CManagerEngine::SetPanes(IFileListPane* fileList, IFolderTreePane* folderTree,
                              IStatusBar* statusBar)
{
    ManagerPanes panes;
    panes.fileList = fileList;
    panes.folderTree = folderTree;
    panes.statusBar = statusBar;
    // The run's final WM_CLOSE travels like any other, so the close steps run
    // again once the handler has returned.
    panes.closeFrame = [this]
    {
        if (m_hwnd)
            Desktop::PostMessage(m_hwnd, WM_CLOSE);
    };
    m_receiver.SetPanes(panes);
}

LRESULT CManagerEngine::HandleMessage(const Message& message, bool* handled)
{
    if (message.message == WM_DEVICECHANGE)
    {
        if (handled)
            *handled = true;
        OnDeviceChange(message.wParam);
        return 1;
    }
    const LRESULT result = m_receiver.HandleMessage(message, handled);
    if (message.message == WM_COPYDATA)
        Changed();
    return result;
}

void CManagerEngine::OnDeviceChange(WPARAM event)
{
    if (m_closing)
        return;
    if (event == DBT_DEVICEARRIVAL)
        m_scanner.Query();
    else if (event == DBT_DEVICEREMOVECOMPLETE)
        m_scanner.Release();
    else
        return;
    Changed();
}

bool CManagerEngine::Close()
{
    m_closing = true;
    // The mark goes first, so a new start is never handed to a closing frame.
    if (m_marked)
        InstanceGuard::UnmarkWindow(m_hwnd, kPelidorInstanceName);
    m_marked = false;
    if (m_foldersShown)
        m_frame.StopThumbnailWorker();
    if (const HWND capture = Desktop::FindWindow(kCaptureWindowClass))
        Desktop::SendMessage(capture, WM_CLOSE, 0, 0, nullptr, kCaptureCloseTimeout);
    m_frame.EmptyClipboard();
    m_settings.SetDefaultViewMode(m_viewMode);
    m_frame.HideFrame();
    ReleaseDevices();
    if (m_receiver.RequestClose())
        return true;
    m_frame.HideFrame();
    Changed();
    return false;
}

void CManagerEngine::ReleaseDevices()
{
    m_scanner.Release();
    if (m_notificationsRegistered)
        Desktop::UnregisterDeviceNotification(m_hwnd);
    m_notificationsRegistered = false;
}

void CManagerEngine::SetViewMode(int mode)
{
    m_viewMode = mode;
    Changed();
}

void CManagerEngine::StoreViewMode(int mode)
{
    m_viewMode = mode;
    m_settings.SetDefaultViewMode(mode);
    Changed();
}

void CManagerEngine::ToggleFolders()
{
    m_foldersShown = !m_foldersShown;
    Changed();
}

void CManagerEngine::LaunchCapture(bool verify)
{
    LaunchCaptureProgram(verify ? kCaptureVerifyArgument : "");
}

void CManagerEngine::SetEditFlags(const EditFlags& flags)
{
    if (flags == m_edit)
        return;
    m_edit = flags;
    Changed();
}

} // namespace tavrel
