#pragma once
// USB video capture devices as sysfs shows them, named with the Windows-style
// device paths that both the component and the capture graph use:
//   \\?\usb#vid_0ac8&pid_3370&mi_00#1-2#{65e8773d-8f56-11d0-a3b9-00a0c9223196}\global
// (lower case; "1-2" is the USB bus and port path of the camera).

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace tavrel
{

struct V4l2DeviceInfo
{
    std::string devicePath;   // Windows-style, lower case
    std::string friendlyName; // sysfs "name" of the node
    std::string node;         // <dev root>/videoN
    std::string interfaceDir; // the USB interface in sysfs (the camera's video function)
    std::uint16_t vendorId = 0;
    std::uint16_t productId = 0;
    int interfaceNumber = 0;
    std::string busPort; // e.g. "1-2" or "3-1.4"
};

struct V4l2Roots
{
    std::string sysfs = "/sys";
    std::string dev = "/dev";
    // Device capabilities of a node (VIDIOC_QUERYCAP device_caps); nullopt
    // when the node cannot be asked, then the sysfs "index" decides (uvcvideo
    // gives its metadata node index 1).
    std::function<std::optional<std::uint32_t>(const std::string& node)> queryCaps;
};

std::string MakeUsbDevicePath(std::uint16_t vendorId, std::uint16_t productId, int interfaceNumber,
                              const std::string& busPort);

// USB video capture nodes in the order of their node numbers; metadata and
// output-only nodes and non-USB devices are left out.
std::vector<V4l2DeviceInfo> EnumerateV4l2Devices(const V4l2Roots& roots = {});

// The event nodes (<dev root>/input/eventN) of the input devices below a USB
// interface: the camera's snapshot button.
std::vector<std::string> FindButtonEventNodes(const V4l2DeviceInfo& device,
                                              const V4l2Roots& roots = {});

// VIDIOC_QUERYCAP on the node; nullopt when it cannot be opened.
std::optional<std::uint32_t> QueryV4l2DeviceCaps(const std::string& node);

// Where the component's V4L2 backend looks (tests point it at a fake tree).
void SetV4l2Roots(const V4l2Roots& roots);
V4l2Roots CurrentV4l2Roots();

} // namespace tavrel
