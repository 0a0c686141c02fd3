#pragma once
// USB arrival and removal, delivered to the windows registered with
// Desktop::RegisterDeviceNotification as WM_DEVICECHANGE. A monitor watches
// udev in the process that owns it and posts to that process's windows; the
// simulated scanner broadcasts through Desktop::BroadcastDeviceChange.

#include "platform/Desktop.h"

#include <memory>

namespace tavrel
{

class DeviceNotifications
{
public:
    // Starts watching USB devices; posts to `hwnd`. Null when udev is absent.
    static std::unique_ptr<DeviceNotifications> Start(HWND hwnd);
    virtual ~DeviceNotifications() = default; // stops and joins the watcher
};

} // namespace tavrel
