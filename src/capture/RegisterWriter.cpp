#include "capture/RegisterWriter.h"

#include "capture/RegisterFile.h"
#include "platform/MessageBox.h"
#include "shared/camera/CameraControl.h"

namespace tavrel
{

bool WriteRegisterFile(const std::string& path, tavrel::IXCcontrol* control, tavrel::HWND owner,
                       RegisterWriteReport* report)
{
    RegisterWriteReport local;
    RegisterWriteReport& r = report ? *report : local;
    r = RegisterWriteReport{};
    RegisterList list;
    if (!ReadRegisterFile(path, list))
        return false;
    r.opened = true;
    bool told = false;
    bool skipRegisters = false;
    for (const RegisterWrite& w : list.writes)
    {
        if (!control)
            continue;
        if (w.kind == RegisterWrite::Kind::Property)
        {
            control->SetProperty(w.target, w.value); // result ignored, as designed
            ++r.propertyWrites;
            continue;
        }
        if (skipRegisters)
            continue;
        const std::uint8_t address[2] = {static_cast<std::uint8_t>(w.target & 0xFF),
                                         static_cast<std::uint8_t>((w.target >> 8) & 0xFF)};
        const std::uint8_t data[1] = {static_cast<std::uint8_t>(w.value & 0xFF)};
        const tavrel::HRESULT hr = control->Reg_WriteSensor_Pro(2, address, 1, data);
        if (hr == tavrel::S_OK)
        {
            ++r.registerWrites;
            continue;
        }
        ++r.failedWrites;
        if (hr == tavrel::E_REGISTER_ACCESS_UNAVAILABLE || hr == tavrel::E_DEVICE_NOT_CONNECTED)
        {
            // Every further write would fail the same way.
            r.registerAccessUnavailable = hr == tavrel::E_REGISTER_ACCESS_UNAVAILABLE;
            skipRegisters = true;
            continue;
        }
        if (!told)
        {
            tavrel::MessageBox(owner, "m_pIXCcontrol->Reg_WriteSensor_Pro");
            told = true;
        }
    }
    if (control)
    {
        std::uint32_t value = 0;
        if (control->GetProperty(tavrel::kButtonProperty, &value) == tavrel::S_OK && (value & 1))
            control->SetProperty(tavrel::kButtonProperty, value & ~1u);
    }
    return true;
}

} // namespace tavrel
