#include "manager/ScannerQuery.h"

#include "shared/camera/CameraControl.h"

#include <string_view>

namespace tavrel
{

namespace
{

constexpr std::u16string_view kScannerPathPart = u"vid_0ac8&pid_337";

} // namespace

bool CScannerQuery::Query()
{
    Release();
    void* e = nullptr;
    void* c = nullptr;
    CoCreateInstance(CLSID_XCEnumerator, IID_IXCEnumerator, &e);
    CoCreateInstance(CLSID_XCcontrolManager, IID_IXCcontrolManager, &c);
    m_enumerator = static_cast<IXCEnumerator*>(e);
    m_pIXCcontrol = static_cast<IXCcontrol*>(c);
    if (!m_enumerator || !m_pIXCcontrol)
    {
        Release();
        return false;
    }

    DeviceEntry entries[kDeviceEntryCapacity] = {};
    std::uint32_t count = kDeviceEntryCapacity;
    if (FAILED(m_enumerator->Enumerate(entries, &count, kDeviceEntryCapacity)))
    {
        Release();
        return false;
    }
    IUnknown* device = nullptr;
    std::uint64_t handle = 0;
    bool opened = false;
    for (std::uint32_t i = 0; i < count && i < std::uint32_t(kDeviceEntryCapacity); ++i)
    {
        // Case-sensitive, as the component spells its paths in lower case.
        if (std::u16string_view(entries[i].path).find(kScannerPathPart) ==
            std::u16string_view::npos)
            continue;
        const auto secondLength = std::uint32_t(std::u16string_view(entries[i].second).size());
        opened = m_enumerator->Open(entries[i].path, secondLength, &device, &handle) == S_OK;
        if (opened)
            break;
        device = nullptr;
    }
    if (!opened)
    {
        Release();
        return false;
    }
    m_pIXCcontrol->AttachHandle(handle);
    m_pIXCcontrol->AttachDevice(device);
    std::uint32_t value = 0;
    if (m_pIXCcontrol->GetProperty(kButtonProperty, &value) == S_OK)
        m_pIXCcontrol->SetProperty(kButtonProperty, value & 0xFFFEu);
    if (device)
        device->Release();
    return true;
}

void CScannerQuery::Release()
{
    if (m_pIXCcontrol)
        m_pIXCcontrol->Release();
    if (m_enumerator)
        m_enumerator->Release();
    m_pIXCcontrol = nullptr;
    m_enumerator = nullptr;
}

} // namespace tavrel
