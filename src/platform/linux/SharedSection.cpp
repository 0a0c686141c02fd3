#include "platform/SharedSection.h"

#include "platform/linux/SessionNames.h"

#include <cerrno>
#include <cstring>
#include <thread>

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tavrel
{

namespace
{

constexpr std::uint32_t kMagic = 0x54565353; // "SSVT"
constexpr std::size_t kHeaderSize = 64;      // keeps the data area aligned

struct Header
{
    std::uint32_t magic;
    std::int32_t creatorPid;
    std::uint64_t creatorStartTime;
    std::uint64_t dataSize;
};
static_assert(sizeof(Header) <= kHeaderSize);

std::string ObjectName(const std::string& name)
{
    const std::string key = detail::SessionKey();
    if (key.empty())
        return {};
    return "/tavrel-" + key + "-" + detail::EncodeName(name);
}

enum class HeaderState
{
    Valid,
    Stale,
    Unfinished
};

HeaderState ReadHeader(int fd, Header* header)
{
    struct stat st
    {
    };
    if (::fstat(fd, &st) != 0 || static_cast<std::size_t>(st.st_size) < kHeaderSize)
        return HeaderState::Unfinished;
    if (::pread(fd, header, sizeof *header, 0) != static_cast<ssize_t>(sizeof *header))
        return HeaderState::Unfinished;
    if (header->magic != kMagic)
        return HeaderState::Unfinished;
    if (static_cast<std::uint64_t>(st.st_size) < kHeaderSize + header->dataSize)
        return HeaderState::Stale;
    return detail::ProcessAlive(header->creatorPid, header->creatorStartTime) ? HeaderState::Valid
                                                                              : HeaderState::Stale;
}

// Reads the header of an existing section, allowing its creator a moment to
// finish writing it; a header that never appears belongs to a creator that
// died half-way.
HeaderState ExistingHeader(int fd, Header* header)
{
    for (int attempt = 0; attempt < 50; ++attempt)
    {
        const HeaderState state = ReadHeader(fd, header);
        if (state != HeaderState::Unfinished)
            return state;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return HeaderState::Stale;
}

// Ours: a regular object of this user that nobody else may open. Any other
// object under our name was put there by someone else and is never used.
bool IsOurs(int fd)
{
    struct stat st
    {
    };
    return ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_uid == ::geteuid() &&
           (st.st_mode & 07777) == 0600;
}

// Opens an existing object read-write; EACCES means another user's.
int OpenExisting(const std::string& objectName, bool* notOurs)
{
    const int fd = ::shm_open(objectName.c_str(), O_RDWR | O_CLOEXEC, 0);
    if (fd < 0)
    {
        *notOurs = errno == EACCES;
        return -1;
    }
    if (!IsOurs(fd))
    {
        ::close(fd);
        *notOurs = true;
        return -1;
    }
    *notOurs = false;
    return fd;
}

bool TransferAll(int fd, bool write, std::uint8_t* data, std::size_t bytes, off_t offset)
{
    while (bytes > 0)
    {
        const ssize_t n =
            write ? ::pwrite(fd, data, bytes, offset) : ::pread(fd, data, bytes, offset);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        data += n;
        bytes -= static_cast<std::size_t>(n);
        offset += n;
    }
    return true;
}

bool SameObject(int fd, const std::string& objectName)
{
    const int other = ::shm_open(objectName.c_str(), O_RDONLY, 0);
    if (other < 0)
        return false;
    struct stat a
    {
    }, b{};
    const bool same = ::fstat(fd, &a) == 0 && ::fstat(other, &b) == 0 && a.st_ino == b.st_ino &&
                      a.st_dev == b.st_dev;
    ::close(other);
    return same;
}

class LinuxSharedSection final : public SharedSection
{
public:
    LinuxSharedSection(int fd, std::string objectName, std::size_t size, bool creator)
        : m_fd(fd), m_objectName(std::move(objectName)), m_size(size), m_creator(creator)
    {
    }

    ~LinuxSharedSection() override
    {
        Unmap();
        // Only the name that still refers to our own section is removed.
        if (m_creator && SameObject(m_fd, m_objectName))
            ::shm_unlink(m_objectName.c_str());
        ::close(m_fd);
    }

    std::size_t Size() const override { return m_size; }

    bool Read(std::size_t offset, void* data, std::size_t bytes) const override
    {
        return Fits(offset, bytes) && TransferAll(m_fd, false, static_cast<std::uint8_t*>(data),
                                                  bytes, static_cast<off_t>(kHeaderSize + offset));
    }

    bool Write(std::size_t offset, const void* data, std::size_t bytes) override
    {
        // pwrite never faults: a section cut short is simply grown again.
        return Fits(offset, bytes) &&
               TransferAll(m_fd, true,
                           const_cast<std::uint8_t*>(static_cast<const std::uint8_t*>(data)), bytes,
                           static_cast<off_t>(kHeaderSize + offset));
    }

    std::uint8_t* Map() override
    {
        if (!m_base)
        {
            struct stat st
            {
            };
            if (::fstat(m_fd, &st) != 0 ||
                static_cast<std::uint64_t>(st.st_size) < kHeaderSize + m_size)
                return nullptr;
            void* base =
                ::mmap(nullptr, kHeaderSize + m_size, PROT_READ | PROT_WRITE, MAP_SHARED, m_fd, 0);
            if (base == MAP_FAILED)
                return nullptr;
            m_base = static_cast<std::uint8_t*>(base);
        }
        return m_base + kHeaderSize;
    }

    void Unmap() override
    {
        if (m_base)
        {
            ::munmap(m_base, kHeaderSize + m_size);
            m_base = nullptr;
        }
    }

private:
    bool Fits(std::size_t offset, std::size_t bytes) const
    {
        return offset <= m_size && bytes <= m_size - offset;
    }

    int m_fd;
    std::string m_objectName;
    std::size_t m_size;
    bool m_creator;
    std::uint8_t* m_base = nullptr;
};

} // namespace

std::unique_ptr<SharedSection> SharedSection::Create(const std::string& name, std::size_t size,
                                                     Status* status)
{
    Status ignored;
    Status& result = status ? *status : ignored;
    result = Status::Failed;
    const std::string objectName = ObjectName(name);
    if (objectName.empty() || size == 0)
        return nullptr;

    for (int attempt = 0; attempt < 8; ++attempt)
    {
        int fd = ::shm_open(objectName.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (fd >= 0)
        {
            Header header{kMagic, static_cast<std::int32_t>(::getpid()),
                          detail::ProcessStartTime(::getpid()), size};
            // 0600 whatever the umask, so that the section passes its own check.
            if (::fchmod(fd, 0600) != 0 ||
                ::ftruncate(fd, static_cast<off_t>(kHeaderSize + size)) != 0 ||
                ::pwrite(fd, &header, sizeof header, 0) != static_cast<ssize_t>(sizeof header))
            {
                ::shm_unlink(objectName.c_str());
                ::close(fd);
                return nullptr;
            }
            result = Status::Created;
            return std::make_unique<LinuxSharedSection>(fd, objectName, size, true);
        }
        if (errno != EEXIST)
            return nullptr;

        bool notOurs = false;
        fd = OpenExisting(objectName, &notOurs);
        if (notOurs)
        {
            result = Status::NotOurs;
            return nullptr;
        }
        if (fd < 0)
            continue; // removed meanwhile: try to create it again
        Header header{};
        if (ExistingHeader(fd, &header) == HeaderState::Valid)
        {
            result = Status::AlreadyExists;
            return std::make_unique<LinuxSharedSection>(fd, objectName, header.dataSize, false);
        }
        // Left behind by a creator that is gone: it must not block this one.
        if (SameObject(fd, objectName))
            ::shm_unlink(objectName.c_str());
        ::close(fd);
    }
    return nullptr;
}

std::unique_ptr<SharedSection> SharedSection::Open(const std::string& name, bool* notOurs)
{
    bool ignored = false;
    bool& foreign = notOurs ? *notOurs : ignored;
    foreign = false;
    const std::string objectName = ObjectName(name);
    if (objectName.empty())
        return nullptr;
    const int fd = OpenExisting(objectName, &foreign);
    if (fd < 0)
        return nullptr;
    Header header{};
    if (ExistingHeader(fd, &header) != HeaderState::Valid)
    {
        ::close(fd);
        return nullptr;
    }
    return std::make_unique<LinuxSharedSection>(fd, objectName, header.dataSize, false);
}

} // namespace tavrel
