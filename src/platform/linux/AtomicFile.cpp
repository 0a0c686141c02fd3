#include "platform/AtomicFile.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <random>

#include <dirent.h>
#include <fcntl.h>
#include <stdio.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tavrel
{

namespace
{

constexpr std::string_view kMarker = ".tavrel-";
constexpr std::string_view kSuffix = ".tmp";
constexpr std::size_t kRandomChars = 6;
// Keeps "." + name + marker + random + suffix within NAME_MAX.
constexpr std::size_t kMaxBaseBytes = 200;

bool IsAlnum(char c)
{
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

std::string FolderOf(const std::string& path)
{
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string NameOf(const std::string& path)
{
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string TemporaryName(const std::string& target)
{
    static constexpr char kChars[] =
        "0123456789abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ";
    thread_local std::minstd_rand random(std::random_device{}());
    std::string base = NameOf(target);
    if (base.size() > kMaxBaseBytes)
    {
        std::size_t cut = kMaxBaseBytes;
        // Never half a UTF-8 character.
        while (cut > 0 && (static_cast<unsigned char>(base[cut]) & 0xC0) == 0x80)
            --cut;
        base.resize(cut);
    }
    std::string name = "." + base + std::string(kMarker);
    for (std::size_t i = 0; i < kRandomChars; ++i)
        name += kChars[random() % (sizeof kChars - 1)];
    name += kSuffix;
    const std::size_t slash = target.rfind('/');
    return slash == std::string::npos ? name : target.substr(0, slash + 1) + name;
}

// A locked temporary file under a fresh name. Made nameless first where the
// file system allows, so that it is locked before anyone can see it.
int CreateLocked(const std::string& target, mode_t mode, std::string& tempPath)
{
    const int anonymous = ::open(FolderOf(target).c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, mode);
    if (anonymous >= 0)
    {
        ::flock(anonymous, LOCK_EX);
        const std::string self = "/proc/self/fd/" + std::to_string(anonymous);
        for (int attempt = 0; attempt < 100; ++attempt)
        {
            const std::string candidate = TemporaryName(target);
            if (::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, candidate.c_str(), AT_SYMLINK_FOLLOW) ==
                0)
            {
                tempPath = candidate;
                return anonymous;
            }
            if (errno != EEXIST)
                break;
        }
        ::close(anonymous);
    }
    else if (errno == ENOENT || errno == ENOTDIR || errno == EACCES || errno == EROFS)
    {
        return -1;
    }
    // No O_TMPFILE here (or no /proc): a named file, locked right after.
    for (int attempt = 0; attempt < 100; ++attempt)
    {
        const std::string candidate = TemporaryName(target);
        const int fd = ::open(candidate.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, mode);
        if (fd >= 0)
        {
            ::flock(fd, LOCK_EX);
            tempPath = candidate;
            return fd;
        }
        if (errno != EEXIST)
            return -1;
    }
    errno = EEXIST;
    return -1;
}

// A replaced link keeps pointing where it did: the file it names is replaced.
std::string ResolveLink(const std::string& target)
{
    struct stat st
    {
    };
    if (::lstat(target.c_str(), &st) != 0 || !S_ISLNK(st.st_mode))
        return target;
    char* real = ::realpath(target.c_str(), nullptr);
    if (real == nullptr)
        return target;
    std::string resolved(real);
    std::free(real);
    return resolved;
}

int RenameNoReplace(const std::string& from, const std::string& to)
{
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0)
        return 0;
    if (errno != EINVAL && errno != ENOSYS)
        return errno;
    // File systems without the flag: a hard link refuses an existing name too.
    if (::link(from.c_str(), to.c_str()) != 0)
        return errno;
    ::unlink(from.c_str());
    return 0;
}

int SyncFolder(const std::string& folder)
{
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return errno;
    const int error = ::fsync(fd) == 0 ? 0 : errno;
    ::close(fd);
    return error;
}

} // namespace

AtomicFile::AtomicFile(std::string target, const Options& options)
    : m_target(options.replace ? ResolveLink(target) : std::move(target)), m_options(options)
{
    if (NameOf(m_target).empty())
    {
        m_error = EISDIR;
        return;
    }
    m_fd = CreateLocked(m_target, m_options.newFileMode, m_tempPath);
    if (m_fd < 0)
        m_error = errno;
}

AtomicFile::~AtomicFile()
{
    if (m_fd < 0)
        return;
    // Unlinked while still locked, so that no cleaner races us for it.
    if (!m_committed)
        ::unlink(m_tempPath.c_str());
    ::close(m_fd);
}

bool AtomicFile::Fail(int error)
{
    m_error = error;
    return false;
}

bool AtomicFile::Write(std::string_view bytes)
{
    if (m_fd < 0)
        return Fail(EBADF);
    while (!bytes.empty())
    {
        const ssize_t n = ::write(m_fd, bytes.data(), bytes.size());
        if (n < 0)
        {
            if (errno == EINTR)
                continue;
            return Fail(errno);
        }
        bytes.remove_prefix(std::size_t(n));
    }
    return true;
}

void AtomicFile::SetTarget(std::string target)
{
    m_target = std::move(target);
}

bool AtomicFile::Commit()
{
    if (m_fd < 0)
        return Fail(m_error != 0 ? m_error : EBADF);
    if (m_committed)
        return true;
    if (FolderOf(m_target) != FolderOf(m_tempPath))
        return Fail(EXDEV);
    if (m_options.replace)
    {
        struct stat st
        {
        };
        if (::stat(m_target.c_str(), &st) == 0)
            ::fchmod(m_fd, st.st_mode & 07777);
    }
    if (m_options.sync && !m_synced)
    {
        if (::fsync(m_fd) != 0)
            return Fail(errno);
        m_synced = true;
    }
    if (m_options.replace)
    {
        if (::rename(m_tempPath.c_str(), m_target.c_str()) != 0)
            return Fail(errno);
    }
    else if (const int error = RenameNoReplace(m_tempPath, m_target); error != 0)
    {
        return Fail(error);
    }
    m_committed = true;
    m_error = 0;
    if (m_options.syncFolder)
    {
        if (const int error = SyncFolder(FolderOf(m_target)); error != 0)
            return Fail(error);
    }
    return true;
}

int AtomicFile::ReleaseDescriptor()
{
    if (!m_committed)
        return -1;
    const int fd = m_fd;
    m_fd = -1;
    return fd;
}

bool WriteFileAtomically(const std::string& path, std::string_view bytes,
                         const AtomicFile::Options& options, std::string* error)
{
    AtomicFile file(path, options);
    if (file.IsOpen() && file.Write(bytes) && file.Commit())
        return true;
    if (error != nullptr)
        *error = std::strerror(file.Error());
    return false;
}

bool IsAtomicFileTemporary(std::string_view name)
{
    const std::size_t tail = kMarker.size() + kRandomChars + kSuffix.size();
    if (name.size() <= tail + 1 || name.front() != '.')
        return false;
    const std::string_view end = name.substr(name.size() - tail);
    if (end.substr(0, kMarker.size()) != kMarker ||
        end.substr(end.size() - kSuffix.size()) != kSuffix)
        return false;
    for (char c : end.substr(kMarker.size(), kRandomChars))
        if (!IsAlnum(c))
            return false;
    return true;
}

int RemoveAbandonedTemporaries(const std::string& folder)
{
    DIR* dir = ::opendir(folder.c_str());
    if (dir == nullptr)
        return 0;
    const int dirFd = ::dirfd(dir);
    int removed = 0;
    while (const dirent* entry = ::readdir(dir))
    {
        if (!IsAtomicFileTemporary(entry->d_name))
            continue;
        const int fd =
            ::openat(dirFd, entry->d_name, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0)
            continue;
        struct stat held
        {
        };
        struct stat named
        {
        };
        // A live writer holds the lock; a dead one's went with it. The name
        // must still be the file we locked when it goes.
        if (::fstat(fd, &held) == 0 && S_ISREG(held.st_mode) && held.st_uid == ::getuid() &&
            ::flock(fd, LOCK_EX | LOCK_NB) == 0 &&
            ::fstatat(dirFd, entry->d_name, &named, AT_SYMLINK_NOFOLLOW) == 0 &&
            named.st_ino == held.st_ino && named.st_dev == held.st_dev &&
            ::unlinkat(dirFd, entry->d_name, 0) == 0)
            ++removed;
        ::close(fd);
    }
    ::closedir(dir);
    return removed;
}

} // namespace tavrel
