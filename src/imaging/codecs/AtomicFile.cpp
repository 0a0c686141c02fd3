#include "imaging/codecs/AtomicFile.h"

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

namespace tavrel
{

namespace
{
std::atomic<unsigned> g_counter{0};
} // namespace

CAtomicFile::CAtomicFile(std::string finalPath) : m_finalPath(std::move(finalPath))
{
    const std::size_t slash = m_finalPath.rfind('/');
    const std::string folder =
        slash == std::string::npos ? std::string() : m_finalPath.substr(0, slash + 1);
    const std::string base =
        slash == std::string::npos ? m_finalPath : m_finalPath.substr(slash + 1);
    if (base.empty())
        return;
    for (int attempt = 0; attempt < 100; ++attempt)
    {
        const std::string candidate = folder + "." + base + ".part" + std::to_string(getpid()) +
                                      "-" + std::to_string(g_counter++);
        // 0666 so that the umask decides the mode, as for any new file.
        const int fd = ::open(candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0)
        {
            ::close(fd);
            m_tempPath = candidate;
            return;
        }
        if (errno != EEXIST)
            return;
    }
}

CAtomicFile::~CAtomicFile()
{
    if (!m_committed && !m_tempPath.empty())
        ::unlink(m_tempPath.c_str());
}

bool CAtomicFile::Commit()
{
    if (m_tempPath.empty() || m_committed)
        return false;
    const int fd = ::open(m_tempPath.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool synced = ::fsync(fd) == 0;
    ::close(fd);
    if (!synced || std::rename(m_tempPath.c_str(), m_finalPath.c_str()) != 0)
        return false;
    m_committed = true;
    return true;
}

} // namespace tavrel
