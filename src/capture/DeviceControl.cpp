#include "capture/DeviceControl.h"

#include "platform/Utf.h"
#include "shared/camera/CameraControl.h"

#include <strings.h>

namespace tavrel
{

DeviceControl::~DeviceControl()
{
    Release();
}

bool DeviceControl::Attach(const std::string& devicePath)
{
    void* e = nullptr;
    void* c = nullptr;
    CoCreateInstance(CLSID_XCEnumerator, IID_IXCEnumerator, &e);
    CoCreateInstance(CLSID_XCcontrol, IID_IXCcontrol, &c);
    auto* enumerator = static_cast<IXCEnumerator*>(e);
    auto* control = static_cast<IXCcontrol*>(c);
    auto releaseBoth = [&]
    {
        if (enumerator)
            enumerator->Release();
        if (control)
            control->Release();
        return false;
    };
    if (!control || !enumerator || devicePath.empty())
        return releaseBoth();
    DeviceEntry entries[kDeviceEntryCapacity] = {};
    std::uint32_t count = kDeviceEntryCapacity;
    if (FAILED(enumerator->Enumerate(entries, &count, kDeviceEntryCapacity)))
        return releaseBoth();
    for (std::uint32_t i = 0; i < count && i < std::uint32_t(kDeviceEntryCapacity); ++i)
    {
        if (strcasecmp(Utf16ToUtf8(entries[i].path).c_str(), devicePath.c_str()) != 0)
            continue;
        IUnknown* device = nullptr;
        std::uint64_t handle = 0;
        const auto secondLength =
            static_cast<std::uint32_t>(std::u16string(entries[i].second).size());
        if (enumerator->Open(entries[i].path, secondLength, &device, &handle) != S_OK)
            continue;
        control->AttachHandle(handle);
        control->AttachDevice(device);
        // A press latched before we came must not start a capture.
        std::uint32_t value = 0;
        if (control->GetProperty(kButtonProperty, &value) == S_OK)
            control->SetProperty(kButtonProperty, value & ~1u);
        if (device)
            device->Release();
        Adopt(control, enumerator);
        return true;
    }
    return releaseBoth();
}

void DeviceControl::Adopt(IXCcontrol* control, IXCEnumerator* enumerator)
{
    std::lock_guard lock(m_mutex);
    ReleaseLocked();
    m_pIXCcontrol = control;
    m_deviceEnumerator = enumerator;
}

void DeviceControl::ReleaseLocked()
{
    if (m_pIXCcontrol)
        m_pIXCcontrol->Release();
    if (m_deviceEnumerator)
        m_deviceEnumerator->Release();
    m_pIXCcontrol = nullptr;
    m_deviceEnumerator = nullptr;
}

void DeviceControl::Release()
{
    std::lock_guard lock(m_mutex);
    ReleaseLocked();
}

bool DeviceControl::Present() const
{
    std::lock_guard lock(m_mutex);
    return m_pIXCcontrol != nullptr;
}

std::optional<std::uint32_t> DeviceControl::ReadButton()
{
    // Cheap refusal first, so a poller never queues behind a long list.
    if (RegisterWriteBusy())
        return std::nullopt;
    std::lock_guard lock(m_mutex);
    std::uint32_t value = 0;
    if (RegisterWriteBusy() || !m_pIXCcontrol ||
        m_pIXCcontrol->GetProperty(kButtonProperty, &value) != S_OK)
        return std::nullopt;
    return value & 0xFFFF;
}

bool DeviceControl::ClearButtonLatch()
{
    std::lock_guard lock(m_mutex);
    return m_pIXCcontrol && m_pIXCcontrol->SetProperty(kButtonProperty, 0) == S_OK;
}

bool DeviceControl::WriteRegisterFile(const std::string& path, HWND owner,
                                      RegisterWriteReport* report)
{
    // Marked busy before the lock is taken: see the header.
    ++m_writers;
    bool opened = false;
    {
        std::lock_guard lock(m_mutex);
        opened = tavrel::WriteRegisterFile(path, m_pIXCcontrol, owner, report);
        m_firstListDone = true;
    }
    --m_writers;
    return opened;
}

int DeviceControl::RegisterWriteBusy() const
{
    return m_writers.load() > 0 || !m_firstListDone.load() ? 1 : 0;
}

} // namespace tavrel
