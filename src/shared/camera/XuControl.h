#pragma once
// The UVC extension-unit control through which a V4L2 camera's sensor
// registers are written. The vendor's unit is not discoverable, so it must be
// named in "XuControl.ini" in the program folder:
//
//   [XuControl]
//   UnitId=4          extension unit id (decimal, 1..255)
//   Selector=2        control selector (decimal, 1..255)
//   Size=8            payload bytes (decimal, 3..64; default 3)
//   Vendor=0ac8       optional: only this USB vendor (hex)
//   Product=3370      optional: only this USB product (hex)
//
// Each register write is one UVC_SET_CUR with the payload
//   byte 0 address low, byte 1 address high, byte 2 value, the rest 0.
// Without a usable section the camera has no register access.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace tavrel
{

struct XuControl
{
    std::uint8_t unitId = 0;
    std::uint8_t selector = 0;
    std::uint16_t size = 3;

    std::vector<std::uint8_t> Payload(std::uint16_t address, std::uint8_t value) const;
};

// nullopt when the file is missing, incomplete, out of range, or names
// another vendor or product.
std::optional<XuControl> LoadXuControl(const std::string& iniPath, std::uint16_t vendorId,
                                       std::uint16_t productId);

} // namespace tavrel
