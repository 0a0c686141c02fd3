#pragma once
// Top-level windows of one user's session, shared by every process that uses
// the same runtime directory. A window is an endpoint registered there by the
// process that serves it; it exists exactly as long as that process serves
// it (a crashed owner's windows are not found). Messages travel over
// Unix-domain sockets to the owner, which runs the handler on its UI thread.

#include "platform/WinTypes.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace tavrel
{

// The payload of WM_COPYDATA: dwData and the bytes. Valid during the call only.
struct CopyData
{
    std::uint64_t kind = 0;
    std::vector<std::uint8_t> bytes;
};

struct Message
{
    HWND hwnd = 0;
    UINT message = 0;
    WPARAM wParam = 0;
    LPARAM lParam = 0;
    const CopyData* copyData = nullptr; // WM_COPYDATA only
};

// Requests that the design makes of another program's window. The owner's
// endpoint carries them out (see WindowEndpoint::SetWindowOps).
constexpr UINT kMsgIsIconic = 0x7F01;   // result 1 when minimised
constexpr UINT kMsgShowWindow = 0x7F02; // wParam: SW_ command
constexpr UINT kMsgSetForeground = 0x7F03;
constexpr UINT kMsgGetWindowRect = 0x7F04; // reply: RECT as 4 little-endian int32
constexpr UINT kMsgSetWindowPos = 0x7F05;  // copy-data: RECT as 4 little-endian int32

struct SendResult
{
    bool delivered = false; // false: no such window, owner gone, or timed out
    LRESULT result = 0;
    std::vector<std::uint8_t> reply; // optional bytes the handler returned
};

// How the owning program runs a handler on its UI thread: the function must
// run `work` there and return only after it has run (or return false when the
// thread no longer runs, e.g. during shutdown).
using UiDispatcher = std::function<bool(const std::function<void()>& work)>;

class WindowEndpoint
{
public:
    using Handler =
        std::function<LRESULT(const Message& message, std::vector<std::uint8_t>& reply)>;

    struct WindowOps
    {
        std::function<bool()> isIconic;
        std::function<void(int swCommand)> showWindow;
        std::function<void()> setForeground;
        std::function<RECT()> getRect;
        std::function<void(const RECT&)> setRect;
    };

    // Registers a top-level window. Without a dispatcher the handler runs on
    // the endpoint's own service thread, one message at a time. nullptr with
    // errno set when the window cannot be made (EADDRINUSE: its socket name
    // is taken).
    static std::unique_ptr<WindowEndpoint> Create(const std::string& className,
                                                  const std::string& title, Handler handler,
                                                  UiDispatcher dispatcher = {});
    virtual ~WindowEndpoint() = default; // unregisters: the window is gone

    virtual HWND Handle() const = 0;
    virtual void SetTitle(const std::string& title) = 0;
    virtual void SetWindowOps(WindowOps ops) = 0;
};

namespace Desktop
{

// FindWindowW: the first live window of that class and title; either may be
// left out, and both compare without regard to case.
HWND FindWindow(const std::optional<std::string>& className,
                const std::optional<std::string>& title = {});
// The top-level walk: GetWindow(GetDesktopWindow(), GW_CHILD), then GW_HWNDNEXT.
HWND GetFirstWindow();
HWND GetNextWindow(HWND hwnd);
bool IsWindow(HWND hwnd);
std::string GetClassName(HWND hwnd);
std::string GetWindowText(HWND hwnd);
// GetWindowThreadProcessId: the owning process, 0 when there is no such window.
int GetWindowProcessId(HWND hwnd);

// Window properties, visible to every process of the session. 0 = absent.
bool SetProp(HWND hwnd, const std::string& name, std::uint64_t value);
std::uint64_t GetProp(HWND hwnd, const std::string& name);
std::uint64_t RemoveProp(HWND hwnd, const std::string& name); // previous value, 0 if none
// EnumPropsW: the names of the window's properties, as they were set.
std::vector<std::string> GetPropNames(HWND hwnd);

// Synchronous: returns after the owner's UI thread has run the handler. A
// window whose owner is gone fails at once; a live owner that does not answer
// within `timeout` fails too (never a hang).
SendResult SendMessage(HWND hwnd, UINT message, WPARAM wParam = 0, LPARAM lParam = 0,
                       const CopyData* copyData = nullptr,
                       std::chrono::milliseconds timeout = std::chrono::minutes(10));
// Queued; does not wait for the handler.
bool PostMessage(HWND hwnd, UINT message, WPARAM wParam = 0, LPARAM lParam = 0);

// Requests carried out by the window's owner.
bool IsIconic(HWND hwnd);
bool ShowWindow(HWND hwnd, int swCommand);
bool SetForegroundWindow(HWND hwnd);
std::optional<RECT> GetWindowRect(HWND hwnd);
bool SetWindowPos(HWND hwnd, const RECT& rect);

// Device notifications: a registered window receives WM_DEVICECHANGE with
// DBT_DEVICEARRIVAL / DBT_DEVICEREMOVECOMPLETE (posted).
bool RegisterDeviceNotification(HWND hwnd);
bool UnregisterDeviceNotification(HWND hwnd);
void BroadcastDeviceChange(WPARAM event);

} // namespace Desktop

} // namespace tavrel
