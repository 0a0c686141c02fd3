#include "shared/camera/V4l2Devices.h"

#include "platform/Paths.h"

#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <linux/videodev2.h>
#include <mutex>
#include <sys/ioctl.h>
#include <unistd.h>

namespace tavrel
{

namespace
{

std::mutex g_rootsMutex;
V4l2Roots g_roots;

std::string ReadAttribute(const std::string& path)
{
    FILE* file = std::fopen(path.c_str(), "r");
    if (file == nullptr)
    {
        return {};
    }
    char buffer[256] = {};
    std::size_t n = std::fread(buffer, 1, sizeof buffer - 1, file);
    std::fclose(file);
    std::string text(buffer, n);
    while (!text.empty() && (text.back() == '\n' || text.back() == ' ' || text.back() == '\r'))
    {
        text.pop_back();
    }
    return text;
}

std::optional<unsigned long> ParseHex(const std::string& text)
{
    if (text.empty())
    {
        return std::nullopt;
    }
    char* end = nullptr;
    unsigned long value = std::strtoul(text.c_str(), &end, 16);
    return *end == '\0' ? std::optional(value) : std::nullopt;
}

std::vector<std::string> ListDirectory(const std::string& path)
{
    std::vector<std::string> names;
    if (DIR* dir = ::opendir(path.c_str()))
    {
        while (dirent* entry = ::readdir(dir))
        {
            std::string name = entry->d_name;
            if (name != "." && name != "..")
            {
                names.push_back(name);
            }
        }
        ::closedir(dir);
    }
    return names;
}

std::optional<int> NumberAfter(const std::string& name, const std::string& prefix)
{
    if (name.size() <= prefix.size() || name.compare(0, prefix.size(), prefix) != 0)
    {
        return std::nullopt;
    }
    char* end = nullptr;
    long value = std::strtol(name.c_str() + prefix.size(), &end, 10);
    return *end == '\0' && value >= 0 ? std::optional(static_cast<int>(value)) : std::nullopt;
}

std::string Canonical(const std::string& path)
{
    char resolved[PATH_MAX];
    return ::realpath(path.c_str(), resolved) ? std::string(resolved) : std::string();
}

std::string Lower(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

bool IsCaptureNode(const V4l2Roots& roots, const std::string& node, const std::string& classDir)
{
    std::optional<std::uint32_t> caps =
        roots.queryCaps ? roots.queryCaps(node) : QueryV4l2DeviceCaps(node);
    if (caps)
    {
        return (*caps & (V4L2_CAP_VIDEO_CAPTURE | V4L2_CAP_VIDEO_CAPTURE_MPLANE)) != 0;
    }
    std::string index = ReadAttribute(classDir + "/index");
    return index.empty() || index == "0";
}

} // namespace

std::string MakeUsbDevicePath(std::uint16_t vendorId, std::uint16_t productId, int interfaceNumber,
                              const std::string& busPort)
{
    char head[64];
    std::snprintf(head, sizeof head, "\\\\?\\usb#vid_%04x&pid_%04x&mi_%02x#", vendorId, productId,
                  interfaceNumber & 0xFF);
    return Lower(head + busPort + "#{65e8773d-8f56-11d0-a3b9-00a0c9223196}\\global");
}

std::vector<V4l2DeviceInfo> EnumerateV4l2Devices(const V4l2Roots& roots)
{
    const std::string classRoot = roots.sysfs + "/class/video4linux";
    std::vector<std::pair<int, std::string>> nodes;
    for (const std::string& name : ListDirectory(classRoot))
    {
        if (auto number = NumberAfter(name, "video"))
        {
            nodes.emplace_back(*number, name);
        }
    }
    std::sort(nodes.begin(), nodes.end());

    std::vector<V4l2DeviceInfo> found;
    for (const auto& [number, name] : nodes)
    {
        const std::string classDir = JoinPath(classRoot, name);
        // device -> the USB interface (e.g. .../usb1/1-2/1-2:1.0); its parent is the USB device.
        std::string interfaceDir = Canonical(classDir + "/device");
        if (interfaceDir.empty())
        {
            continue;
        }
        std::string usbDir = interfaceDir.substr(0, interfaceDir.rfind('/'));
        auto vendor = ParseHex(ReadAttribute(usbDir + "/idVendor"));
        auto product = ParseHex(ReadAttribute(usbDir + "/idProduct"));
        auto interfaceNumber = ParseHex(ReadAttribute(interfaceDir + "/bInterfaceNumber"));
        if (!vendor || !product || !interfaceNumber)
        {
            continue; // not a USB camera
        }
        const std::string node = JoinPath(roots.dev, name);
        if (!IsCaptureNode(roots, node, classDir))
        {
            continue;
        }
        V4l2DeviceInfo info;
        info.vendorId = static_cast<std::uint16_t>(*vendor);
        info.productId = static_cast<std::uint16_t>(*product);
        info.interfaceNumber = static_cast<int>(*interfaceNumber);
        info.busPort = usbDir.substr(usbDir.rfind('/') + 1);
        info.devicePath =
            MakeUsbDevicePath(info.vendorId, info.productId, info.interfaceNumber, info.busPort);
        info.friendlyName = ReadAttribute(classDir + "/name");
        info.node = node;
        info.interfaceDir = interfaceDir;
        found.push_back(std::move(info));
    }
    return found;
}

std::vector<std::string> FindButtonEventNodes(const V4l2DeviceInfo& device, const V4l2Roots& roots)
{
    std::vector<std::string> events;
    const std::string inputRoot = device.interfaceDir + "/input";
    for (const std::string& input : ListDirectory(inputRoot))
    {
        if (!NumberAfter(input, "input"))
        {
            continue;
        }
        for (const std::string& entry : ListDirectory(JoinPath(inputRoot, input)))
        {
            if (NumberAfter(entry, "event"))
            {
                events.push_back(roots.dev + "/input/" + entry);
            }
        }
    }
    std::sort(events.begin(), events.end());
    return events;
}

std::optional<std::uint32_t> QueryV4l2DeviceCaps(const std::string& node)
{
    int fd = ::open(node.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
    {
        return std::nullopt;
    }
    v4l2_capability caps{};
    int rc = ::ioctl(fd, VIDIOC_QUERYCAP, &caps);
    ::close(fd);
    if (rc != 0)
    {
        return std::nullopt;
    }
    return (caps.capabilities & V4L2_CAP_DEVICE_CAPS) ? caps.device_caps : caps.capabilities;
}

void SetV4l2Roots(const V4l2Roots& roots)
{
    std::lock_guard lock(g_rootsMutex);
    g_roots = roots;
}

V4l2Roots CurrentV4l2Roots()
{
    std::lock_guard lock(g_rootsMutex);
    return g_roots;
}

} // namespace tavrel
