#include "platform/RegularFile.h"

#include <cerrno>
#include <utility>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tavrel
{

namespace
{

int NotRegularError(mode_t mode)
{
    return S_ISDIR(mode) ? EISDIR : EINVAL;
}

} // namespace

RegularFile::RegularFile(const std::string& path)
{
    // Looked at before opening: opening a device may already do something.
    struct stat st
    {
    };
    if (::stat(path.c_str(), &st) != 0)
    {
        m_error = errno;
        return;
    }
    if (!S_ISREG(st.st_mode))
    {
        m_error = NotRegularError(st.st_mode);
        return;
    }
    // Non-blocking, in case the name was replaced by a FIFO meanwhile; the
    // descriptor's own type decides.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0)
    {
        m_error = errno;
        return;
    }
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode))
    {
        m_error = S_ISREG(st.st_mode) ? errno : NotRegularError(st.st_mode);
        ::close(fd);
        return;
    }
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags >= 0)
        ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
    m_fd = fd;
    m_size = static_cast<std::uint64_t>(st.st_size);
}

RegularFile::~RegularFile()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

RegularFile::RegularFile(RegularFile&& other) noexcept
    : m_fd(std::exchange(other.m_fd, -1)), m_size(other.m_size), m_error(other.m_error)
{
}

RegularFile& RegularFile::operator=(RegularFile&& other) noexcept
{
    if (this != &other)
    {
        if (m_fd >= 0)
            ::close(m_fd);
        m_fd = std::exchange(other.m_fd, -1);
        m_size = other.m_size;
        m_error = other.m_error;
    }
    return *this;
}

std::size_t RegularFile::ReadAt(std::uint64_t offset, void* buffer, std::size_t n) const
{
    auto* bytes = static_cast<char*>(buffer);
    std::size_t done = 0;
    while (m_fd >= 0 && done < n)
    {
        const ssize_t got =
            ::pread(m_fd, bytes + done, n - done, static_cast<off_t>(offset + done));
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            break;
        done += static_cast<std::size_t>(got);
    }
    return done;
}

int RegularFile::Release()
{
    return std::exchange(m_fd, -1);
}

std::FILE* RegularFile::ReleaseAsStream()
{
    const int fd = Release();
    if (fd < 0)
        return nullptr;
    std::FILE* stream = ::fdopen(fd, "rb");
    if (!stream)
        ::close(fd);
    return stream;
}

} // namespace tavrel
