#include "platform/NamedSemaphore.h"

#include "platform/Paths.h"
#include "platform/linux/SessionNames.h"

#include <cerrno>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tavrel
{

namespace
{

// Every holder keeps a shared lock on the mark's file; the kernel drops it
// when the holder ends, however it ends. Whether anyone else holds it is
// asked with an exclusive try, under a guard lock so that the probe and the
// change to a shared lock are one step for every other creator.
class LockSemaphore final : public NamedSemaphore
{
public:
    explicit LockSemaphore(int fd) : m_fd(fd) {}
    ~LockSemaphore() override { ::close(m_fd); }

private:
    int m_fd;
};

int LockRetrying(int fd, int operation)
{
    int rc;
    do
        rc = ::flock(fd, operation);
    while (rc != 0 && errno == EINTR);
    return rc;
}

} // namespace

std::unique_ptr<NamedSemaphore> NamedSemaphore::Create(const std::string& name, Status* status)
{
    Status ignored;
    Status& result = status ? *status : ignored;
    result = Status::Failed;

    const std::string runtime = RuntimeDirectory();
    if (runtime.empty() || name.empty())
        return nullptr;
    const std::string dir = runtime + "/semaphores";
    if (::mkdir(dir.c_str(), 0700) != 0 && errno != EEXIST)
        return nullptr;

    const int guard = ::open((dir + "/.guard").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (guard < 0)
        return nullptr;
    if (LockRetrying(guard, LOCK_EX) != 0)
    {
        ::close(guard);
        return nullptr;
    }

    const std::string path = JoinPath(dir, detail::EncodeName(name));
    const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0)
    {
        ::close(guard);
        return nullptr;
    }
    if (::flock(fd, LOCK_EX | LOCK_NB) == 0)
        result = Status::Created;
    else if (errno == EWOULDBLOCK)
        result = Status::AlreadyExists;
    else
        result = Status::Failed;

    if (result == Status::Failed || LockRetrying(fd, LOCK_SH) != 0)
    {
        result = Status::Failed;
        ::close(fd);
        ::close(guard);
        return nullptr;
    }
    ::close(guard); // closing drops the guard lock
    return std::make_unique<LockSemaphore>(fd);
}

} // namespace tavrel
