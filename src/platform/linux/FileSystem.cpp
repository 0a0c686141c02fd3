#include "platform/FileSystem.h"

#include <atomic>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <vector>

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <unistd.h>

namespace tavrel
{

namespace
{

class Fd
{
public:
    explicit Fd(int fd) : m_fd(fd) {}
    ~Fd()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    int Get() const { return m_fd; }
    int Release()
    {
        const int fd = m_fd;
        m_fd = -1;
        return fd;
    }

private:
    int m_fd;
};

std::string FolderOf(const std::string& path)
{
    const auto slash = path.find_last_of('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

int CopyData(int in, int out, const CopyProgress& progress)
{
    constexpr std::size_t kChunk = 1 << 20;
    std::uint64_t done = 0;
    std::vector<char> buffer;
    while (true)
    {
        // copy_file_range lets the kernel (or a reflinking file system) do the
        // work; plain reads are the fall-back across file-system types.
        ssize_t n = ::copy_file_range(in, nullptr, out, nullptr, kChunk, 0);
        if (n < 0 && (errno == EXDEV || errno == ENOSYS || errno == EINVAL || errno == EOPNOTSUPP))
        {
            if (buffer.empty())
                buffer.resize(kChunk);
            n = ::read(in, buffer.data(), buffer.size());
            for (ssize_t put = 0; n > 0 && put < n;)
            {
                const ssize_t w = ::write(out, buffer.data() + put, std::size_t(n - put));
                if (w < 0 && errno == EINTR)
                    continue;
                if (w <= 0)
                    return w < 0 ? errno : EIO;
                put += w;
            }
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return errno;
        if (n == 0)
            return 0;
        done += std::uint64_t(n);
        if (progress && !progress(done))
            return ECANCELED;
    }
}

} // namespace

std::optional<EntryInfo> InspectEntry(const std::string& path)
{
    struct statx sx;
    if (::statx(AT_FDCWD, path.c_str(), AT_SYMLINK_NOFOLLOW, STATX_BASIC_STATS | STATX_BTIME,
                &sx) != 0)
        return std::nullopt;
    EntryInfo info;
    info.isFolder = S_ISDIR(sx.stx_mode);
    info.isLink = S_ISLNK(sx.stx_mode);
    info.isRegular = S_ISREG(sx.stx_mode);
    info.size = sx.stx_size;
    info.device = (std::uint64_t(sx.stx_dev_major) << 32) | sx.stx_dev_minor;
    info.modifiedTime = sx.stx_mtime.tv_sec;
    info.accessTime = sx.stx_atime.tv_sec;
    if (sx.stx_mask & STATX_BTIME)
        info.birthTime = sx.stx_btime.tv_sec;
    info.mode = sx.stx_mode;
    return info;
}

int RenameNoReplace(const std::string& from, const std::string& to)
{
    return ::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0 ? 0
                                                                                            : errno;
}

int RenameReplacing(const std::string& from, const std::string& to)
{
    return ::rename(from.c_str(), to.c_str()) == 0 ? 0 : errno;
}

std::string TemporarySibling(const std::string& target)
{
    static std::atomic<unsigned> counter{0};
    const std::string folder = FolderOf(target);
    const std::string name = target.substr(target.find_last_of('/') + 1);
    for (;;)
    {
        const std::string candidate = (folder == "/" ? "" : folder) + "/." + name + ".part-" +
                                      std::to_string(::getpid()) + "-" +
                                      std::to_string(counter.fetch_add(1));
        struct stat st;
        if (::lstat(candidate.c_str(), &st) != 0)
            return candidate;
    }
}

int CopyEntryAtomically(const std::string& from, const std::string& to, bool replace,
                        const CopyProgress& progress)
{
    struct stat st;
    if (::lstat(from.c_str(), &st) != 0)
        return errno;
    const std::string temp = TemporarySibling(to);
    auto place = [&]() -> int
    {
        const int err = replace ? RenameReplacing(temp, to) : RenameNoReplace(temp, to);
        if (err != 0)
            ::unlink(temp.c_str());
        return err;
    };
    if (S_ISLNK(st.st_mode))
    {
        std::vector<char> target(std::size_t(st.st_size > 0 ? st.st_size : 4095) + 1);
        const ssize_t n = ::readlink(from.c_str(), target.data(), target.size() - 1);
        if (n < 0)
            return errno;
        if (::symlink(std::string(target.data(), std::size_t(n)).c_str(), temp.c_str()) != 0)
            return errno;
        return place();
    }
    if (!S_ISREG(st.st_mode))
        return EINVAL;

    Fd in(::open(from.c_str(), O_RDONLY | O_CLOEXEC));
    if (in.Get() < 0)
        return errno;
    Fd out(::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, st.st_mode & 07777));
    if (out.Get() < 0)
        return errno;
    int err = CopyData(in.Get(), out.Get(), progress);
    if (err == 0)
    {
        const timespec times[2] = {st.st_atim, st.st_mtim};
        ::futimens(out.Get(), times);
        if (::fsync(out.Get()) != 0)
            err = errno;
    }
    if (::close(out.Release()) != 0 && err == 0)
        err = errno;
    if (err != 0)
    {
        ::unlink(temp.c_str());
        return err;
    }
    return place();
}

int MakeFolder(const std::string& path)
{
    return ::mkdir(path.c_str(), 0777) == 0 ? 0 : errno;
}

int RemoveEntry(const std::string& path)
{
    std::error_code ec;
    std::filesystem::remove_all(path, ec);
    return ec ? ec.value() : 0;
}

int SyncFolder(const std::string& path)
{
    Fd fd(::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (fd.Get() < 0)
        return errno;
    return ::fsync(fd.Get()) == 0 ? 0 : errno;
}

bool IsCompressedEntry(const std::string& path)
{
    // O_NONBLOCK: never wait on a device node or a FIFO that is in the way.
    Fd fd(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOFOLLOW));
    if (fd.Get() < 0)
        return false;
    int flags = 0;
    return ::ioctl(fd.Get(), FS_IOC_GETFLAGS, &flags) == 0 && (flags & FS_COMPR_FL) != 0;
}

} // namespace tavrel
