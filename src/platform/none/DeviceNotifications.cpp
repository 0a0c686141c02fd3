// Builds without udev: no hot-plug notifications; the simulated scanner still
// broadcasts its own.

#include "platform/DeviceNotifications.h"

namespace tavrel
{

std::unique_ptr<DeviceNotifications> DeviceNotifications::Start(HWND)
{
    return nullptr;
}

} // namespace tavrel
