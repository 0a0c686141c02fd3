#pragma once
// The session's table of top-level windows, kept as files in
// "<runtime>/windows/": "<hwnd>.lock" is held by the owning process for as
// long as the window lives (the kernel drops the lock when the process dies,
// however it dies), "<hwnd>.win" holds class, title and owner, "<hwnd>.props/"
// the properties and "<hwnd>.devnotify" the device-notification request.
// Records of dead owners are removed by whoever notices them.

#include "platform/WinTypes.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include <sys/socket.h>
#include <sys/un.h>

namespace tavrel::detail
{

struct WindowRecord
{
    std::string className;
    std::string title;
    int ownerPid = 0;
};

class WindowRegistry
{
public:
    // "" when there is no usable runtime directory.
    static std::string Folder();

    // Registers a new window for this process. Returns its handle and the
    // descriptor that carries the liveness lock (kept open by the owner), or
    // 0 on failure. `beforePublish` runs once the handle is known and before
    // other processes can see the window (the endpoint starts listening).
    struct Published
    {
        HWND hwnd = 0;
        int lockFd = -1;
    };
    static Published Publish(const WindowRecord& record, bool (*beforePublish)(HWND, void*),
                             void* context);
    // Withdraws a window of this process; the lock descriptor is closed.
    static void Withdraw(HWND hwnd, int lockFd);

    static bool IsAlive(HWND hwnd);
    // Live windows in creation order.
    static std::vector<HWND> LiveWindows();
    static std::optional<WindowRecord> Read(HWND hwnd);
    static bool WriteRecord(HWND hwnd, const WindowRecord& record);

    static bool SetProp(HWND hwnd, const std::string& name, std::uint64_t value);
    static std::uint64_t GetProp(HWND hwnd, const std::string& name);
    static std::uint64_t RemoveProp(HWND hwnd, const std::string& name);
    static std::vector<std::string> PropNames(HWND hwnd);

    static bool SetDeviceNotification(HWND hwnd, bool on);
    static bool WantsDeviceNotification(HWND hwnd);

    // Where the window's endpoint listens: a path in the folder when it
    // fits a socket address, otherwise an abstract name tied to the session.
    static bool SocketAddress(HWND hwnd, sockaddr_un* address, socklen_t* length);
    static std::string SocketPath(HWND hwnd);

private:
    static std::string Base(HWND hwnd);
    static void Remove(HWND hwnd);
};

} // namespace tavrel::detail
