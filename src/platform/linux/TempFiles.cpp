#include "platform/TempFiles.h"

#include "platform/Paths.h"

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tavrel
{

namespace
{

std::string NameFor(const std::string& folder, const std::string& prefix, unsigned unique)
{
    char number[16];
    std::snprintf(number, sizeof number, "%X", unique);
    std::string path = folder;
    if (!path.empty() && path.back() != '/')
        path += '/';
    // As there, only the first three characters of the prefix count.
    return path + prefix.substr(0, 3) + number + ".tmp";
}

} // namespace

std::string GetTempPath()
{
    const std::string runtime = RuntimeDirectory();
    if (runtime.empty())
        return {};
    const std::string dir = runtime + "/tmp";
    if (::mkdir(dir.c_str(), 0700) != 0 && errno != EEXIST)
        return {};
    struct stat st
    {
    };
    if (::stat(dir.c_str(), &st) != 0 || !S_ISDIR(st.st_mode))
        return {};
    return dir + "/";
}

std::string GetTempFileName(const std::string& folder, const std::string& prefix, unsigned unique)
{
    if (unique != 0)
        return NameFor(folder, prefix, unique & 0xFFFFu);

    // Start where the clock and the process point, so that two processes
    // rarely probe the same names; the exclusive create settles any clash.
    static std::atomic<unsigned> counter{0};
    const auto ticks = std::chrono::steady_clock::now().time_since_epoch().count();
    unsigned start = static_cast<unsigned>(ticks) ^ (static_cast<unsigned>(::getpid()) << 7);
    start += counter.fetch_add(1) * 0x9E37u;
    for (unsigned i = 0; i < 0x10000u; ++i)
    {
        const unsigned candidate = (start + i) & 0xFFFFu;
        if (candidate == 0)
            continue;
        const std::string path = NameFor(folder, prefix, candidate);
        const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (fd >= 0)
        {
            ::close(fd);
            return path;
        }
        if (errno != EEXIST)
            return {};
    }
    return {};
}

} // namespace tavrel
