#include "platform/linux/WireProtocol.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace tavrel::detail
{

bool HeaderAcceptable(const RequestHeader& header)
{
    if (header.magic != kRequestMagic || (header.flags & ~(kFlagPost | kFlagCopyData)) != 0)
        return false;
    if (header.flags & kFlagCopyData)
        return !(header.flags & kFlagPost) && header.payloadSize <= kMaxCopyDataPayload;
    return header.payloadSize == 0;
}

std::size_t RequestReader::Missing() const
{
    if (m_state != State::Reading)
        return 0;
    if (m_headerFill < sizeof m_headerBytes)
        return sizeof m_headerBytes - m_headerFill;
    return static_cast<std::size_t>(m_header.payloadSize) - m_payload.size();
}

RequestReader::State RequestReader::Take(const std::uint8_t* bytes, std::size_t size)
{
    if (m_state != State::Reading)
        return m_state = State::Refused;
    if (m_headerFill < sizeof m_headerBytes)
    {
        const std::size_t n = std::min(size, sizeof m_headerBytes - m_headerFill);
        if (n > 0)
            std::memcpy(m_headerBytes + m_headerFill, bytes, n);
        m_headerFill += n;
        bytes += n;
        size -= n;
        if (m_headerFill < sizeof m_headerBytes)
            return m_state;
        std::memcpy(&m_header, m_headerBytes, sizeof m_header);
        if (!HeaderAcceptable(m_header))
            return m_state = State::Refused;
    }
    if (size > Missing())
        return m_state = State::Refused;
    m_payload.insert(m_payload.end(), bytes, bytes + size);
    if (m_payload.size() == m_header.payloadSize)
        m_state = State::Complete;
    return m_state;
}

bool WriteAll(int fd, const void* data, std::size_t size)
{
    const auto* bytes = static_cast<const std::uint8_t*>(data);
    while (size > 0)
    {
        const ssize_t n = ::send(fd, bytes, size, MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        bytes += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

bool ReadAll(int fd, void* data, std::size_t size, std::optional<Clock::time_point> deadline)
{
    auto* bytes = static_cast<std::uint8_t*>(data);
    while (size > 0)
    {
        int waitMs = -1;
        if (deadline)
        {
            const auto left =
                std::chrono::duration_cast<std::chrono::milliseconds>(*deadline - Clock::now());
            if (left.count() <= 0)
                return false;
            waitMs = static_cast<int>(std::min<long long>(left.count(), 1 << 30));
        }
        pollfd pfd{fd, POLLIN, 0};
        const int ready = ::poll(&pfd, 1, waitMs);
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready <= 0)
            return false;
        const ssize_t n = ::recv(fd, bytes, size, 0);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        bytes += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

std::optional<uid_t> PeerUid(int fd)
{
    ucred credentials{};
    socklen_t length = sizeof credentials;
    if (::getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &credentials, &length) != 0)
        return std::nullopt;
    return credentials.uid;
}

} // namespace tavrel::detail
