#include "capture/Log.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>

namespace tavrel
{

namespace
{

bool IsValidUtf8(std::string_view s)
{
    std::size_t i = 0;
    while (i < s.size())
    {
        const auto c = static_cast<unsigned char>(s[i]);
        int extra = 0;
        std::uint32_t cp = 0;
        if (c < 0x80)
        {
            ++i;
            continue;
        }
        else if ((c & 0xE0) == 0xC0)
        {
            extra = 1, cp = c & 0x1F;
        }
        else if ((c & 0xF0) == 0xE0)
        {
            extra = 2, cp = c & 0x0F;
        }
        else if ((c & 0xF8) == 0xF0)
        {
            extra = 3, cp = c & 0x07;
        }
        else
        {
            return false;
        }
        if (i + static_cast<std::size_t>(extra) >= s.size())
            return false;
        for (int k = 1; k <= extra; ++k)
        {
            const auto cc = static_cast<unsigned char>(s[i + k]);
            if ((cc & 0xC0) != 0x80)
                return false;
            cp = (cp << 6) | (cc & 0x3F);
        }
        const std::uint32_t minimum[] = {0, 0x80, 0x800, 0x10000};
        if (cp < minimum[extra] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
            return false;
        i += static_cast<std::size_t>(extra) + 1;
    }
    return true;
}

} // namespace

CLog::~CLog()
{
    Close();
}

bool CLog::Open(const std::string& path)
{
    const int fd = ::open(path.c_str(), O_CREAT | O_TRUNC | O_RDWR | O_APPEND | O_CLOEXEC, 0644);
    std::lock_guard lock(m_mutex);
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = fd;
    return fd >= 0;
}

bool CLog::ToFileBytes(std::string_view text, std::string& bytes)
{
    bytes.clear();
    if (!IsValidUtf8(text))
        return false;
    bytes.reserve(text.size() + 8);
    for (const char c : text)
    {
        if (c == '\n')
            bytes += '\r';
        bytes += c;
    }
    return true;
}

void CLog::Write(std::string_view text)
{
    std::string bytes;
    if (!ToFileBytes(text, bytes) || bytes.empty())
        return;
    std::lock_guard lock(m_mutex);
    const int fd = m_fd;
    if (fd < 0)
        return;
    std::size_t done = 0;
    while (done < bytes.size())
    {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return;
        done += static_cast<std::size_t>(n);
    }
}

void CLog::Close()
{
    std::lock_guard lock(m_mutex);
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
}

bool CLog::IsOpen() const
{
    std::lock_guard lock(m_mutex);
    return m_fd >= 0;
}

} // namespace tavrel
