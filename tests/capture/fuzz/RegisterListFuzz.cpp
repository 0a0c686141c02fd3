// Register list fuzz target: whatever a list holds, writing its entries out
// again in the list's own notation reads back as the same entries.
#include "capture/RegisterFile.h"

#include <cstdio>
#include <string>
#include <string_view>

namespace
{

std::string Hex(std::uint32_t value)
{
    char text[16];
    std::snprintf(text, sizeof text, "%X", value);
    return text;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace tavrel;
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const RegisterList list = ParseRegisterText(text);
    std::string again;
    for (const RegisterWrite& w : list.writes)
        again += w.kind == RegisterWrite::Kind::SensorRegister
                     ? "#" + Hex(w.target) + "@" + Hex(w.value) + "\r\n"
                     : Hex(w.value) + "@" + Hex(w.target) + "\r\n";
    const RegisterList back = ParseRegisterText(again);
    if (back.writes.size() != list.writes.size())
        __builtin_trap();
    for (std::size_t i = 0; i < back.writes.size(); ++i)
        if (back.writes[i].kind != list.writes[i].kind ||
            back.writes[i].target != list.writes[i].target ||
            back.writes[i].value != list.writes[i].value)
            __builtin_trap();
    return 0;
}
