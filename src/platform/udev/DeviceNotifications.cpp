// USB hot-plug through a udev monitor.

#include "platform/DeviceNotifications.h"

#include <cerrno>
#include <cstring>
#include <thread>

#include <libudev.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

namespace tavrel
{

namespace
{

class UdevNotifications final : public DeviceNotifications
{
public:
    UdevNotifications(HWND hwnd, udev* context, udev_monitor* monitor, int wakeFd)
        : m_hwnd(hwnd), m_udev(context), m_monitor(monitor), m_wakeFd(wakeFd),
          m_thread([this] { Watch(); })
    {
    }

    ~UdevNotifications() override
    {
        const std::uint64_t one = 1;
        [[maybe_unused]] ssize_t n = ::write(m_wakeFd, &one, sizeof one);
        m_thread.join();
        udev_monitor_unref(m_monitor);
        udev_unref(m_udev);
        ::close(m_wakeFd);
    }

private:
    void Watch()
    {
        const int monitorFd = udev_monitor_get_fd(m_monitor);
        for (;;)
        {
            pollfd fds[2] = {{monitorFd, POLLIN, 0}, {m_wakeFd, POLLIN, 0}};
            const int ready = ::poll(fds, 2, -1);
            if (ready < 0 && errno == EINTR)
                continue;
            if (ready < 0 || (fds[1].revents & POLLIN))
                return;
            if (!(fds[0].revents & POLLIN))
                continue;
            udev_device* device = udev_monitor_receive_device(m_monitor);
            if (!device)
                continue;
            const char* action = udev_device_get_action(device);
            // Whole devices only: each interface of a device reports too.
            const char* type = udev_device_get_devtype(device);
            const bool wholeDevice = type && std::strcmp(type, "usb_device") == 0;
            if (action && wholeDevice)
            {
                if (std::strcmp(action, "add") == 0)
                    Desktop::PostMessage(m_hwnd, WM_DEVICECHANGE, DBT_DEVICEARRIVAL, 0);
                else if (std::strcmp(action, "remove") == 0)
                    Desktop::PostMessage(m_hwnd, WM_DEVICECHANGE, DBT_DEVICEREMOVECOMPLETE, 0);
            }
            udev_device_unref(device);
        }
    }

    HWND m_hwnd;
    udev* m_udev;
    udev_monitor* m_monitor;
    int m_wakeFd;
    std::thread m_thread;
};

} // namespace

std::unique_ptr<DeviceNotifications> DeviceNotifications::Start(HWND hwnd)
{
    udev* context = udev_new();
    if (!context)
        return nullptr;
    udev_monitor* monitor = udev_monitor_new_from_netlink(context, "udev");
    if (!monitor || udev_monitor_filter_add_match_subsystem_devtype(monitor, "usb", nullptr) < 0 ||
        udev_monitor_enable_receiving(monitor) < 0)
    {
        if (monitor)
            udev_monitor_unref(monitor);
        udev_unref(context);
        return nullptr;
    }
    const int wakeFd = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (wakeFd < 0)
    {
        udev_monitor_unref(monitor);
        udev_unref(context);
        return nullptr;
    }
    return std::make_unique<UdevNotifications>(hwnd, context, monitor, wakeFd);
}

} // namespace tavrel
