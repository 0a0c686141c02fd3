#include "shared/camera/ButtonLatch.h"

#include <cerrno>
#include <chrono>
#include <cstring>
#include <linux/input.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

namespace tavrel
{

bool ButtonLatch::WaitForPresses(std::uint64_t count, int timeoutMs) const
{
    std::unique_lock lock(m_mutex);
    return m_changed.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                              [&] { return m_presses.load() >= count; });
}

void ButtonLatch::NotePress()
{
    Press();
    {
        std::lock_guard lock(m_mutex);
        ++m_presses;
    }
    m_changed.notify_all();
}

ButtonEventReader::ButtonEventReader(int fd, ButtonLatch& latch)
    : m_fd(fd), m_stopFd(::eventfd(0, EFD_CLOEXEC)), m_latch(latch)
{
    m_thread = std::thread([this] { Run(); });
}

ButtonEventReader::~ButtonEventReader()
{
    std::uint64_t one = 1;
    if (m_stopFd >= 0)
    {
        [[maybe_unused]] ssize_t n = ::write(m_stopFd, &one, sizeof one);
    }
    m_thread.join();
    if (m_stopFd >= 0)
    {
        ::close(m_stopFd);
    }
    ::close(m_fd);
}

void ButtonEventReader::Run()
{
    // Records may arrive split across reads (a pipe does not keep them whole).
    unsigned char pending[sizeof(input_event) * 16];
    std::size_t filled = 0;
    while (m_stopFd >= 0)
    {
        pollfd fds[2] = {{m_fd, POLLIN, 0}, {m_stopFd, POLLIN, 0}};
        int ready = ::poll(fds, 2, -1);
        if (ready < 0)
        {
            if (errno == EINTR)
            {
                continue;
            }
            break;
        }
        if (fds[1].revents != 0)
        {
            break;
        }
        if (fds[0].revents == 0)
        {
            continue;
        }
        ssize_t n = ::read(m_fd, pending + filled, sizeof pending - filled);
        if (n < 0 && (errno == EINTR || errno == EAGAIN))
        {
            continue;
        }
        if (n <= 0)
        {
            break; // end of file, or ENODEV when the camera is unplugged
        }
        filled += static_cast<std::size_t>(n);
        std::size_t used = 0;
        while (filled - used >= sizeof(input_event))
        {
            input_event event;
            std::memcpy(&event, pending + used, sizeof event);
            used += sizeof event;
            if (event.type == EV_KEY && event.code == KEY_CAMERA && event.value == 1)
            {
                m_latch.NotePress();
            }
        }
        std::memmove(pending, pending + used, filled - used);
        filled -= used;
    }
    m_running = false;
}

} // namespace tavrel
