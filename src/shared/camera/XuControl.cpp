#include "shared/camera/XuControl.h"

#include "platform/ProfileString.h"

#include <cstdlib>

namespace tavrel
{

namespace
{

constexpr const char* kSection = "XuControl";

bool MatchesHex(const std::string& wanted, std::uint16_t actual)
{
    if (wanted.empty())
    {
        return true;
    }
    char* end = nullptr;
    unsigned long value = std::strtoul(wanted.c_str(), &end, 16);
    return *end == '\0' && value == actual;
}

} // namespace

std::vector<std::uint8_t> XuControl::Payload(std::uint16_t address, std::uint8_t value) const
{
    std::vector<std::uint8_t> payload(size, 0);
    payload[0] = static_cast<std::uint8_t>(address & 0xFF);
    payload[1] = static_cast<std::uint8_t>(address >> 8);
    payload[2] = value;
    return payload;
}

std::optional<XuControl> LoadXuControl(const std::string& iniPath, std::uint16_t vendorId,
                                       std::uint16_t productId)
{
    int unit = GetPrivateProfileInt(kSection, "UnitId", 0, iniPath);
    int selector = GetPrivateProfileInt(kSection, "Selector", 0, iniPath);
    int size = GetPrivateProfileInt(kSection, "Size", 3, iniPath);
    if (unit < 1 || unit > 255 || selector < 1 || selector > 255 || size < 3 || size > 64)
    {
        return std::nullopt;
    }
    if (!MatchesHex(GetPrivateProfileString(kSection, "Vendor", "", iniPath), vendorId) ||
        !MatchesHex(GetPrivateProfileString(kSection, "Product", "", iniPath), productId))
    {
        return std::nullopt;
    }
    XuControl xu;
    xu.unitId = static_cast<std::uint8_t>(unit);
    xu.selector = static_cast<std::uint8_t>(selector);
    xu.size = static_cast<std::uint16_t>(size);
    return xu;
}

} // namespace tavrel
