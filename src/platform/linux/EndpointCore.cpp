#include "platform/linux/EndpointCore.h"

#include "platform/linux/SendWait.h"
#include "platform/linux/WindowRegistry.h"

#include <cerrno>
#include <cstring>
#include <map>

#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace tavrel::detail
{

namespace
{

// A sender writes its whole request right after connecting; one that does
// not is dropped rather than allowed to hold up the window.
constexpr auto kRequestReadTimeout = std::chrono::seconds(5);

std::mutex g_localMutex;
std::map<HWND, std::weak_ptr<EndpointCore>> g_local;

void PutInt32(std::vector<std::uint8_t>& out, std::int32_t value)
{
    const auto bits = static_cast<std::uint32_t>(value);
    for (int shift = 0; shift < 32; shift += 8)
        out.push_back(static_cast<std::uint8_t>(bits >> shift));
}

std::int32_t GetInt32(const std::uint8_t* in)
{
    return static_cast<std::int32_t>(
        static_cast<std::uint32_t>(in[0]) | static_cast<std::uint32_t>(in[1]) << 8 |
        static_cast<std::uint32_t>(in[2]) << 16 | static_cast<std::uint32_t>(in[3]) << 24);
}

} // namespace

EndpointCore::EndpointCore(WindowEndpoint::Handler handler, UiDispatcher dispatcher)
    : m_handler(std::move(handler)), m_dispatcher(std::move(dispatcher)),
      m_wakeFd(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)), m_uiThread(std::this_thread::get_id())
{
}

EndpointCore::~EndpointCore()
{
    Stop();
    if (m_wakeFd >= 0)
        ::close(m_wakeFd);
}

bool EndpointCore::Listen(HWND hwnd)
{
    sockaddr_un address{};
    socklen_t length = 0;
    if (m_wakeFd < 0 || !WindowRegistry::SocketAddress(hwnd, &address, &length))
        return false;
    m_listenFd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (m_listenFd < 0)
        return false;
    if (address.sun_path[0] != '\0')
        ::unlink(address.sun_path);
    if (::bind(m_listenFd, reinterpret_cast<sockaddr*>(&address), length) != 0 ||
        ::listen(m_listenFd, 64) != 0)
    {
        ::close(m_listenFd);
        m_listenFd = -1;
        return false;
    }
    m_hwnd = hwnd;
    return true;
}

void EndpointCore::Start()
{
    {
        std::lock_guard lock(g_localMutex);
        g_local[m_hwnd] = weak_from_this();
    }
    m_serviceThread = std::thread([this] { ServiceLoop(); });
    m_dispatchThread = std::thread([this] { DispatchLoop(); });
}

void EndpointCore::Stop()
{
    if (m_stopping.exchange(true))
        return;
    {
        std::lock_guard lock(g_localMutex);
        g_local.erase(m_hwnd);
    }
    const std::uint64_t one = 1;
    [[maybe_unused]] ssize_t n = ::write(m_wakeFd, &one, sizeof one);
    if (m_serviceThread.joinable())
        m_serviceThread.join();
    {
        std::lock_guard lock(m_queueMutex);
        m_queueChanged.notify_all();
    }
    if (m_dispatchThread.joinable())
        m_dispatchThread.join();
    if (m_listenFd >= 0)
        ::close(m_listenFd);
    m_listenFd = -1;
}

std::shared_ptr<EndpointCore> EndpointCore::Local(HWND hwnd)
{
    std::lock_guard lock(g_localMutex);
    const auto it = g_local.find(hwnd);
    return it == g_local.end() ? nullptr : it->second.lock();
}

void EndpointCore::SetWindowOps(WindowEndpoint::WindowOps ops)
{
    std::lock_guard lock(m_opsMutex);
    m_ops = std::move(ops);
}

void EndpointCore::ServiceLoop()
{
    while (!m_stopping)
    {
        pollfd fds[2] = {{m_listenFd, POLLIN, 0}, {m_wakeFd, POLLIN, 0}};
        const int ready = ::poll(fds, 2, -1);
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready < 0 || (fds[1].revents & POLLIN) || m_stopping)
            break;
        if (fds[0].revents & POLLIN)
            Accept();
    }
}

void EndpointCore::Accept()
{
    const int fd = ::accept4(m_listenFd, nullptr, nullptr, SOCK_CLOEXEC);
    if (fd < 0)
        return;
    // Only processes of our own user may talk to our windows.
    const auto peer = PeerUid(fd);
    if (!peer || *peer != ::getuid())
    {
        ::close(fd);
        return;
    }
    Item item;
    const auto deadline = Clock::now() + kRequestReadTimeout;
    if (!ReadAll(fd, &item.header, sizeof item.header, deadline) ||
        item.header.magic != kRequestMagic || item.header.payloadSize > kMaxPayload)
    {
        ::close(fd);
        return;
    }
    item.payload.resize(item.header.payloadSize);
    if (!ReadAll(fd, item.payload.data(), item.payload.size(), deadline))
    {
        ::close(fd);
        return;
    }

    if (item.header.flags & kFlagPost)
    {
        // A post is answered as soon as it is queued.
        Reply(fd, Answer{true, 0, {}});
        ::close(fd);
        Enqueue(std::move(item));
        return;
    }

    item.fd = fd;
    // A UI thread that waits in a send of its own answers this one at once.
    auto self = shared_from_this();
    auto shared = std::make_shared<Item>(std::move(item));
    if (SendWait::TryHandTo(UiThread(),
                            [self, shared]
                            {
                                Reply(shared->fd, self->Serve(shared->header, shared->payload));
                                ::close(shared->fd);
                            }))
        return;
    Enqueue(std::move(*shared));
}

void EndpointCore::Enqueue(Item item)
{
    std::lock_guard lock(m_queueMutex);
    m_queue.push_back(std::move(item));
    m_queueChanged.notify_one();
}

void EndpointCore::DispatchLoop()
{
    if (!m_dispatcher)
        m_uiThread = std::this_thread::get_id();
    for (;;)
    {
        Item item;
        {
            std::unique_lock lock(m_queueMutex);
            m_queueChanged.wait(lock, [this] { return m_stopping || !m_queue.empty(); });
            if (m_stopping)
                break;
            item = std::move(m_queue.front());
            m_queue.pop_front();
        }
        const Answer answer = RunOnUi(item);
        if (item.fd >= 0)
        {
            Reply(item.fd, answer);
            ::close(item.fd);
        }
    }
    // The window is going: senders still waiting learn it at once.
    std::lock_guard lock(m_queueMutex);
    for (auto& item : m_queue)
    {
        if (item.fd >= 0)
        {
            Reply(item.fd, Answer{});
            ::close(item.fd);
        }
    }
    m_queue.clear();
}

Answer EndpointCore::RunOnUi(const Item& item)
{
    Answer answer;
    if (!m_dispatcher)
    {
        std::lock_guard lock(m_handlerMutex);
        return Serve(item.header, item.payload);
    }
    const bool ran = m_dispatcher(
        [&]
        {
            m_uiThread = std::this_thread::get_id();
            answer = Serve(item.header, item.payload);
        });
    if (!ran)
        return Answer{};
    return answer;
}

Answer EndpointCore::Serve(const RequestHeader& header, const std::vector<std::uint8_t>& payload)
{
    Answer answer;
    answer.handled = true;
    if (header.message >= kMsgIsIconic && header.message <= kMsgSetWindowPos)
    {
        WindowEndpoint::WindowOps ops;
        {
            std::lock_guard lock(m_opsMutex);
            ops = m_ops;
        }
        switch (header.message)
        {
        case kMsgIsIconic:
            answer.result = ops.isIconic && ops.isIconic() ? 1 : 0;
            break;
        case kMsgShowWindow:
            if (ops.showWindow)
                ops.showWindow(static_cast<int>(header.wParam));
            answer.result = ops.showWindow ? 1 : 0;
            break;
        case kMsgSetForeground:
            if (ops.setForeground)
                ops.setForeground();
            answer.result = ops.setForeground ? 1 : 0;
            break;
        case kMsgGetWindowRect:
            if (ops.getRect)
            {
                const RECT rect = ops.getRect();
                for (int value : {rect.left, rect.top, rect.right, rect.bottom})
                    PutInt32(answer.reply, value);
                answer.result = 1;
            }
            break;
        case kMsgSetWindowPos:
            if (ops.setRect && payload.size() >= 16)
            {
                const RECT rect{GetInt32(&payload[0]), GetInt32(&payload[4]), GetInt32(&payload[8]),
                                GetInt32(&payload[12])};
                ops.setRect(rect);
                answer.result = 1;
            }
            break;
        }
        return answer;
    }

    CopyData copyData;
    Message message{m_hwnd, header.message, header.wParam, header.lParam, nullptr};
    if (header.flags & kFlagCopyData)
    {
        copyData.kind = header.copyDataKind;
        copyData.bytes = payload;
        message.copyData = &copyData;
    }
    if (m_handler)
        answer.result = m_handler(message, answer.reply);
    return answer;
}

void EndpointCore::Reply(int fd, const Answer& answer)
{
    ReplyHeader header;
    header.status = answer.handled ? kStatusHandled : kStatusRefused;
    header.result = answer.result;
    header.payloadSize = answer.reply.size();
    if (WriteAll(fd, &header, sizeof header) && !answer.reply.empty())
        WriteAll(fd, answer.reply.data(), answer.reply.size());
}

} // namespace tavrel::detail
