#include "platform/Desktop.h"

#include "platform/linux/EndpointCore.h"
#include "platform/linux/SendWait.h"
#include "platform/linux/WindowRegistry.h"
#include "platform/linux/WireProtocol.h"

#include <algorithm>
#include <cctype>
#include <cerrno>

#include <sys/socket.h>
#include <sys/time.h>
#include <sys/un.h>
#include <unistd.h>

namespace tavrel
{

using detail::WindowRegistry;

namespace
{

constexpr auto kPostTimeout = std::chrono::seconds(10);

bool EqualNoCase(const std::string& a, const std::string& b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(),
                                              [](unsigned char x, unsigned char y)
                                              { return std::tolower(x) == std::tolower(y); });
}

class Connection
{
public:
    ~Connection()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    int Fd() const { return m_fd; }

    // Connects to the window's owner and makes sure it is one of ours.
    bool Open(HWND hwnd, detail::Clock::time_point deadline)
    {
        sockaddr_un address{};
        socklen_t length = 0;
        if (!WindowRegistry::SocketAddress(hwnd, &address, &length))
            return false;
        m_fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        if (m_fd < 0)
            return false;
        // A full backlog must not hold the sender past its deadline.
        const auto left = std::max<long long>(
            1,
            std::chrono::duration_cast<std::chrono::microseconds>(deadline - detail::Clock::now())
                .count());
        timeval limit{static_cast<time_t>(left / 1000000),
                      static_cast<suseconds_t>(left % 1000000)};
        ::setsockopt(m_fd, SOL_SOCKET, SO_SNDTIMEO, &limit, sizeof limit);
        int rc;
        do
            rc = ::connect(m_fd, reinterpret_cast<sockaddr*>(&address), length);
        while (rc != 0 && errno == EINTR);
        if (rc != 0)
            return false;
        const auto peer = detail::PeerUid(m_fd);
        return peer && *peer == ::getuid();
    }

private:
    int m_fd = -1;
};

SendResult Transact(HWND hwnd, const detail::RequestHeader& header,
                    const std::vector<std::uint8_t>& payload, std::chrono::milliseconds timeout,
                    bool serveWhileWaiting)
{
    SendResult result;
    const auto deadline = detail::Clock::now() + timeout;
    if (!WindowRegistry::IsAlive(hwnd))
        return result;
    Connection connection;
    if (!connection.Open(hwnd, deadline))
        return result;
    if (!detail::WriteAll(connection.Fd(), &header, sizeof header) ||
        (!payload.empty() && !detail::WriteAll(connection.Fd(), payload.data(), payload.size())))
        return result;
    if (serveWhileWaiting && !detail::SendWait::WaitReadable(connection.Fd(), deadline))
        return result;
    detail::ReplyHeader reply;
    if (!detail::ReadAll(connection.Fd(), &reply, sizeof reply, deadline) ||
        reply.magic != detail::kReplyMagic || reply.status != detail::kStatusHandled ||
        reply.payloadSize > detail::kMaxReplyPayload)
        return result;
    result.reply.resize(reply.payloadSize);
    if (!detail::ReadAll(connection.Fd(), result.reply.data(), result.reply.size(), deadline))
    {
        result.reply.clear();
        return result;
    }
    result.delivered = true;
    result.result = reply.result;
    return result;
}

std::vector<std::uint8_t> RectBytes(const RECT& rect)
{
    std::vector<std::uint8_t> out;
    for (int value : {rect.left, rect.top, rect.right, rect.bottom})
    {
        const auto bits = static_cast<std::uint32_t>(value);
        for (int shift = 0; shift < 32; shift += 8)
            out.push_back(static_cast<std::uint8_t>(bits >> shift));
    }
    return out;
}

} // namespace

namespace Desktop
{

HWND FindWindow(const std::optional<std::string>& className,
                const std::optional<std::string>& title)
{
    for (HWND hwnd : WindowRegistry::LiveWindows())
    {
        const auto record = WindowRegistry::Read(hwnd);
        if (record && (!className || EqualNoCase(record->className, *className)) &&
            (!title || EqualNoCase(record->title, *title)))
            return hwnd;
    }
    return 0;
}

HWND GetFirstWindow()
{
    const auto windows = WindowRegistry::LiveWindows();
    return windows.empty() ? 0 : windows.front();
}

HWND GetNextWindow(HWND hwnd)
{
    for (HWND candidate : WindowRegistry::LiveWindows())
    {
        if (candidate > hwnd)
            return candidate;
    }
    return 0;
}

bool IsWindow(HWND hwnd)
{
    return hwnd != 0 && WindowRegistry::IsAlive(hwnd);
}

std::string GetClassName(HWND hwnd)
{
    if (!IsWindow(hwnd))
        return {};
    const auto record = WindowRegistry::Read(hwnd);
    return record ? record->className : std::string();
}

std::string GetWindowText(HWND hwnd)
{
    if (!IsWindow(hwnd))
        return {};
    const auto record = WindowRegistry::Read(hwnd);
    return record ? record->title : std::string();
}

int GetWindowProcessId(HWND hwnd)
{
    if (!IsWindow(hwnd))
        return 0;
    const auto record = WindowRegistry::Read(hwnd);
    return record ? record->ownerPid : 0;
}

std::vector<std::string> GetPropNames(HWND hwnd)
{
    return WindowRegistry::PropNames(hwnd);
}

bool SetProp(HWND hwnd, const std::string& name, std::uint64_t value)
{
    return WindowRegistry::SetProp(hwnd, name, value);
}

std::uint64_t GetProp(HWND hwnd, const std::string& name)
{
    return WindowRegistry::GetProp(hwnd, name);
}

std::uint64_t RemoveProp(HWND hwnd, const std::string& name)
{
    return WindowRegistry::RemoveProp(hwnd, name);
}

SendResult SendMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam,
                       const CopyData* copyData, std::chrono::milliseconds timeout)
{
    detail::RequestHeader header;
    header.hwnd = hwnd;
    header.message = message;
    header.wParam = wParam;
    header.lParam = lParam;
    std::vector<std::uint8_t> payload;
    if (copyData)
    {
        header.flags |= detail::kFlagCopyData;
        header.copyDataKind = copyData->kind;
        header.payloadSize = copyData->bytes.size();
        payload = copyData->bytes;
    }

    // A send from the window's own UI thread runs the handler directly, as
    // a send within one thread does.
    if (auto local = detail::EndpointCore::Local(hwnd);
        local && local->UiThread() == std::this_thread::get_id())
    {
        detail::Answer answer = local->Serve(header, payload);
        return SendResult{answer.handled, answer.result, std::move(answer.reply)};
    }
    return Transact(hwnd, header, payload, timeout, true);
}

bool PostMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    detail::RequestHeader header;
    header.flags = detail::kFlagPost;
    header.hwnd = hwnd;
    header.message = message;
    header.wParam = wParam;
    header.lParam = lParam;
    return Transact(hwnd, header, {}, kPostTimeout, false).delivered;
}

bool IsIconic(HWND hwnd)
{
    const SendResult sent = SendMessage(hwnd, kMsgIsIconic);
    return sent.delivered && sent.result != 0;
}

bool ShowWindow(HWND hwnd, int swCommand)
{
    return SendMessage(hwnd, kMsgShowWindow, static_cast<WPARAM>(swCommand)).delivered;
}

bool SetForegroundWindow(HWND hwnd)
{
    const SendResult sent = SendMessage(hwnd, kMsgSetForeground);
    return sent.delivered && sent.result != 0;
}

std::optional<RECT> GetWindowRect(HWND hwnd)
{
    const SendResult sent = SendMessage(hwnd, kMsgGetWindowRect);
    if (!sent.delivered || sent.result == 0 || sent.reply.size() < 16)
        return std::nullopt;
    auto get = [&](std::size_t at)
    {
        return static_cast<int>(static_cast<std::uint32_t>(sent.reply[at]) |
                                static_cast<std::uint32_t>(sent.reply[at + 1]) << 8 |
                                static_cast<std::uint32_t>(sent.reply[at + 2]) << 16 |
                                static_cast<std::uint32_t>(sent.reply[at + 3]) << 24);
    };
    return RECT{get(0), get(4), get(8), get(12)};
}

bool SetWindowPos(HWND hwnd, const RECT& rect)
{
    CopyData data{0, RectBytes(rect)};
    const SendResult sent = SendMessage(hwnd, kMsgSetWindowPos, 0, 0, &data);
    return sent.delivered && sent.result != 0;
}

bool RegisterDeviceNotification(HWND hwnd)
{
    return WindowRegistry::SetDeviceNotification(hwnd, true);
}

bool UnregisterDeviceNotification(HWND hwnd)
{
    return WindowRegistry::SetDeviceNotification(hwnd, false);
}

void BroadcastDeviceChange(WPARAM event)
{
    for (HWND hwnd : WindowRegistry::LiveWindows())
    {
        if (WindowRegistry::WantsDeviceNotification(hwnd))
            PostMessage(hwnd, WM_DEVICECHANGE, event, 0);
    }
}

} // namespace Desktop

} // namespace tavrel
