// The component's V4L2 backend. Opening a device keeps its video node open:
// uvcvideo polls the camera's status endpoint, and so reports the snapshot
// button, only while the node is open.

#include "platform/Paths.h"
#include "platform/ProfileString.h"
#include "shared/camera/ButtonLatch.h"
#include "shared/camera/CameraControl.h"
#include "shared/camera/ScannerDriver.h"
#include "shared/camera/V4l2Devices.h"
#include "shared/camera/XuControl.h"

#include <cerrno>
#include <climits>
#include <condition_variable>
#include <cstdlib>
#include <fcntl.h>
#include <linux/usb/video.h>
#include <linux/uvcvideo.h>
#include <map>
#include <mutex>
#include <strings.h>
#include <sys/ioctl.h>
#include <thread>
#include <unistd.h>

namespace tavrel
{

namespace
{

HRESULT FromErrno(int error)
{
    return static_cast<HRESULT>(0x80070000u | (static_cast<unsigned>(error) & 0xFFFF));
}

std::string Canonical(const std::string& path)
{
    char resolved[PATH_MAX];
    return ::realpath(path.c_str(), resolved) ? std::string(resolved) : std::string();
}

class V4l2Device final : public ScannerDevice
{
public:
    V4l2Device(V4l2DeviceInfo info, V4l2Roots roots, int videoFd, std::optional<XuControl> xu)
        : m_info(std::move(info)), m_roots(std::move(roots)), m_videoFd(videoFd), m_xu(xu)
    {
        m_watcher = std::thread([this] { WatchButton(); });
    }

    ~V4l2Device() override
    {
        {
            std::lock_guard lock(m_mutex);
            m_stop = true;
        }
        m_wake.notify_all();
        m_watcher.join();
        ::close(m_videoFd);
    }

    HRESULT GetProperty(std::uint32_t property, std::uint32_t* value) override
    {
        if (!Present())
        {
            return E_DEVICE_NOT_CONNECTED;
        }
        if (property == kButtonProperty)
        {
            *value = m_latch.Value();
            return S_OK;
        }
        std::lock_guard lock(m_mutex);
        auto it = m_properties.find(property);
        *value = it == m_properties.end() ? 0 : it->second & 0xFFFF;
        return S_OK;
    }

    HRESULT SetProperty(std::uint32_t property, std::uint32_t value) override
    {
        if (!Present())
        {
            return E_DEVICE_NOT_CONNECTED;
        }
        if (property == kButtonProperty)
        {
            m_latch.Write(value);
            return S_OK;
        }
        // Other properties have no meaning on a UVC camera; kept so that a
        // read gives back what was written.
        std::lock_guard lock(m_mutex);
        m_properties[property] = value;
        return S_OK;
    }

    HRESULT WriteSensorRegister(std::uint16_t address, std::uint8_t value) override
    {
        if (!m_xu)
        {
            return E_REGISTER_ACCESS_UNAVAILABLE;
        }
        std::vector<std::uint8_t> payload = m_xu->Payload(address, value);
        uvc_xu_control_query query{};
        query.unit = m_xu->unitId;
        query.selector = m_xu->selector;
        query.query = UVC_SET_CUR;
        query.size = static_cast<std::uint16_t>(payload.size());
        query.data = payload.data();
        if (::ioctl(m_videoFd, UVCIOC_CTRL_QUERY, &query) != 0)
        {
            return errno == ENODEV ? E_DEVICE_NOT_CONNECTED : FromErrno(errno);
        }
        return S_OK;
    }

private:
    // The node number may be reused by another camera after an unplug.
    bool Present() const
    {
        return Canonical(m_roots.sysfs + "/class/video4linux/" +
                         m_info.node.substr(m_info.node.rfind('/') + 1) + "/device") ==
               m_info.interfaceDir;
    }

    // The input device can appear a moment after the node is opened and goes
    // away with the camera: look for it until the device is closed.
    void WatchButton()
    {
        std::unique_ptr<ButtonEventReader> reader;
        std::unique_lock lock(m_mutex);
        while (!m_stop)
        {
            if (!reader || !reader->Running())
            {
                reader.reset();
                lock.unlock();
                for (const std::string& event : FindButtonEventNodes(m_info, m_roots))
                {
                    int fd = ::open(event.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
                    if (fd >= 0)
                    {
                        reader = std::make_unique<ButtonEventReader>(fd, m_latch);
                        break;
                    }
                }
                lock.lock();
            }
            m_wake.wait_for(lock, std::chrono::milliseconds(500), [this] { return m_stop; });
        }
        lock.unlock();
        reader.reset();
    }

    const V4l2DeviceInfo m_info;
    const V4l2Roots m_roots;
    const int m_videoFd;
    const std::optional<XuControl> m_xu;
    ButtonLatch m_latch;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    bool m_stop = false;
    std::map<std::uint32_t, std::uint32_t> m_properties;
    std::thread m_watcher;
};

class V4l2Driver final : public ScannerDriver
{
public:
    V4l2Driver() : m_roots(CurrentV4l2Roots()) {}

    std::vector<ScannerDeviceInfo> Enumerate() override
    {
        std::vector<ScannerDeviceInfo> devices;
        for (const auto& info : EnumerateV4l2Devices(m_roots))
        {
            devices.push_back({info.devicePath, info.friendlyName});
        }
        return devices;
    }

    HRESULT Open(const std::string& path, std::shared_ptr<ScannerDevice>* device) override
    {
        for (auto& info : EnumerateV4l2Devices(m_roots))
        {
            if (strcasecmp(info.devicePath.c_str(), path.c_str()) != 0)
            {
                continue;
            }
            int fd = ::open(info.node.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
            if (fd < 0)
            {
                return FromErrno(errno);
            }
            std::optional<XuControl> xu =
                LoadXuControl(ProgramFolder() + "/XuControl.ini", info.vendorId, info.productId);
            *device = std::make_shared<V4l2Device>(std::move(info), m_roots, fd, xu);
            return S_OK;
        }
        return E_DEVICE_NOT_CONNECTED;
    }

private:
    V4l2Roots m_roots;
};

} // namespace

std::unique_ptr<ScannerDriver> MakeV4l2ScannerDriver()
{
    return std::make_unique<V4l2Driver>();
}

} // namespace tavrel
