#include "platform/linux/EndpointCore.h"

#include "platform/linux/SendWait.h"
#include "platform/linux/WindowRegistry.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <map>

#include <fcntl.h>
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
// Connections whose requests are still arriving, at most.
constexpr std::size_t kMaxIncoming = 64;

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
      m_wakeFd(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)),
      // Without a dispatcher the handler thread is the endpoint's own, known
      // once it runs; until then no thread may take a send for its own.
      m_uiThread(m_dispatcher ? std::this_thread::get_id() : std::thread::id())
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
    // Requests are read as their bytes come, side by side, so that a sender
    // that stalls (or announces more than it sends) holds up nobody else.
    std::vector<Incoming> incoming;
    std::vector<pollfd> fds;
    while (!m_stopping)
    {
        fds.clear();
        fds.push_back({m_wakeFd, POLLIN, 0});
        // A full table leaves further senders waiting in the backlog.
        fds.push_back({incoming.size() < kMaxIncoming ? m_listenFd : -1, POLLIN, 0});
        auto wait = std::chrono::milliseconds(-1);
        const auto now = Clock::now();
        for (const Incoming& in : incoming)
        {
            fds.push_back({in.fd, POLLIN, 0});
            const auto left = std::max(std::chrono::duration_cast<std::chrono::milliseconds>(
                                           in.deadline - now + std::chrono::milliseconds(1)),
                                       std::chrono::milliseconds(0));
            if (wait.count() < 0 || left < wait)
                wait = left;
        }
        const int ready = ::poll(fds.data(), fds.size(), static_cast<int>(wait.count()));
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready < 0 || (fds[0].revents & POLLIN) || m_stopping)
            break;

        std::vector<Incoming> waiting;
        for (std::size_t i = 0; i < incoming.size(); ++i)
        {
            Incoming& in = incoming[i];
            const bool alive =
                !(fds[2 + i].revents & (POLLIN | POLLHUP | POLLERR)) || ReadArrived(in);
            if (alive && in.reader.Current() == RequestReader::State::Complete)
            {
                // Replies are written whole, so back to blocking writes.
                ::fcntl(in.fd, F_SETFL, ::fcntl(in.fd, F_GETFL) & ~O_NONBLOCK);
                Item item;
                item.header = in.reader.Header();
                item.payload = std::move(in.reader.Payload());
                item.fd = in.fd;
                Dispatch(std::move(item));
            }
            else if (alive && Clock::now() < in.deadline)
            {
                waiting.push_back(std::move(in));
            }
            else
            {
                ::close(in.fd);
            }
        }
        incoming = std::move(waiting);
        if (fds[1].revents & POLLIN)
            Accept(incoming);
    }
    for (const Incoming& in : incoming)
        ::close(in.fd);
}

void EndpointCore::Accept(std::vector<Incoming>& incoming)
{
    const int fd = ::accept4(m_listenFd, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
    if (fd < 0)
        return;
    // Only processes of our own user may talk to our windows.
    const auto peer = PeerUid(fd);
    if (!peer || *peer != ::getuid())
    {
        ::close(fd);
        return;
    }
    Incoming in;
    in.fd = fd;
    in.deadline = Clock::now() + kRequestReadTimeout;
    incoming.push_back(std::move(in));
}

bool EndpointCore::ReadArrived(Incoming& in)
{
    std::uint8_t chunk[4096];
    while (in.reader.Current() == RequestReader::State::Reading)
    {
        // Never past this request: its bytes are all that is read.
        const std::size_t want = std::min(in.reader.Missing(), sizeof chunk);
        const ssize_t n = ::recv(in.fd, chunk, want, 0);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
            return true;
        if (n <= 0)
            return false; // gone before its request was whole
        if (in.reader.Take(chunk, static_cast<std::size_t>(n)) == RequestReader::State::Refused)
            return false;
    }
    return true;
}

void EndpointCore::Dispatch(Item item)
{
    const int fd = item.fd;
    if (item.header.flags & kFlagPost)
    {
        // A post is answered as soon as it is queued.
        Reply(fd, Answer{true, 0, {}});
        ::close(fd);
        item.fd = -1;
        Enqueue(std::move(item));
        return;
    }

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
