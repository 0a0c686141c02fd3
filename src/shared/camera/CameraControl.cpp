#include "shared/camera/CameraControl.h"

#include "platform/Utf.h"
#include "shared/camera/ScannerDriver.h"

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <map>
#include <mutex>

namespace tavrel
{

namespace
{

std::atomic<int> g_backend{-1}; // -1: not set, read the environment

// Handle values given out by Open, so that AttachHandle alone can find the
// device again (the design attaches both, in either order).
class HandleRegistry
{
public:
    std::uint64_t Add(const std::shared_ptr<ScannerDevice>& device)
    {
        std::lock_guard lock(m_mutex);
        for (auto it = m_devices.begin(); it != m_devices.end();)
        {
            it = it->second.expired() ? m_devices.erase(it) : std::next(it);
        }
        std::uint64_t handle = m_next++;
        m_devices[handle] = device;
        return handle;
    }
    std::shared_ptr<ScannerDevice> Find(std::uint64_t handle)
    {
        std::lock_guard lock(m_mutex);
        auto it = m_devices.find(handle);
        return it == m_devices.end() ? nullptr : it->second.lock();
    }

private:
    std::mutex m_mutex;
    std::uint64_t m_next = 0x5C0001;
    std::map<std::uint64_t, std::weak_ptr<ScannerDevice>> m_devices;
};

HandleRegistry& Handles()
{
    static HandleRegistry registry;
    return registry;
}

std::unique_ptr<ScannerDriver> MakeDriver()
{
    return CurrentScannerBackend() == ScannerBackend::Simulated ? MakeSimulatedScannerDriver()
                                                                : MakeV4l2ScannerDriver();
}

void CopyText(char16_t* dst, const std::u16string& text)
{
    std::size_t n = std::min<std::size_t>(text.size(), kDeviceTextLength - 1);
    std::copy_n(text.data(), n, dst);
    dst[n] = u'\0';
}

template <typename Base> class RefCounted : public Base
{
public:
    std::uint32_t AddRef() override { return ++m_refs; }
    std::uint32_t Release() override
    {
        std::uint32_t left = --m_refs;
        if (left == 0)
        {
            delete this;
        }
        return left;
    }

protected:
    virtual ~RefCounted() = default;
    HRESULT Answer(const GUID& iid, const GUID& own, void** object)
    {
        if (object == nullptr)
        {
            return E_POINTER;
        }
        if (iid == own || iid == IID_IUnknown)
        {
            *object = static_cast<Base*>(this);
            AddRef();
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }

private:
    std::atomic<std::uint32_t> m_refs{1};
};

// The device object that Open hands out.
class CDeviceObject final : public RefCounted<IUnknown>
{
public:
    explicit CDeviceObject(std::shared_ptr<ScannerDevice> device) : m_device(std::move(device)) {}
    HRESULT QueryInterface(const GUID& iid, void** object) override
    {
        return Answer(iid, IID_IUnknown, object);
    }
    const std::shared_ptr<ScannerDevice>& Device() const { return m_device; }

private:
    std::shared_ptr<ScannerDevice> m_device;
};

class CEnumerator final : public RefCounted<IXCEnumerator>
{
public:
    CEnumerator() : m_driver(MakeDriver()) {}

    HRESULT QueryInterface(const GUID& iid, void** object) override
    {
        return Answer(iid, IID_IXCEnumerator, object);
    }

    HRESULT Enumerate(DeviceEntry* table, std::uint32_t* count, std::uint32_t capacity) override
    {
        if (table == nullptr || count == nullptr)
        {
            return E_POINTER;
        }
        std::uint32_t room = std::min<std::uint32_t>(*count, capacity);
        std::vector<ScannerDeviceInfo> found = m_driver->Enumerate();
        std::uint32_t filled = std::min<std::uint32_t>(room, found.size());
        for (std::uint32_t i = 0; i < filled; ++i)
        {
            CopyText(table[i].path, Utf8ToUtf16(found[i].path));
            CopyText(table[i].second, Utf8ToUtf16(found[i].name));
        }
        *count = filled;
        return found.size() > filled ? S_FALSE : S_OK;
    }

    HRESULT Open(const char16_t* path, std::uint32_t, IUnknown** device,
                 std::uint64_t* handleValue) override
    {
        if (path == nullptr || device == nullptr)
        {
            return E_POINTER;
        }
        *device = nullptr;
        std::shared_ptr<ScannerDevice> opened;
        HRESULT hr = m_driver->Open(Utf16ToUtf8(path), &opened);
        if (FAILED(hr))
        {
            return hr;
        }
        if (handleValue != nullptr)
        {
            *handleValue = Handles().Add(opened);
        }
        *device = new CDeviceObject(std::move(opened));
        return S_OK;
    }

private:
    std::unique_ptr<ScannerDriver> m_driver;
};

class CControl final : public RefCounted<IXCcontrol>
{
public:
    explicit CControl(bool manager) : m_manager(manager) {}

    HRESULT QueryInterface(const GUID& iid, void** object) override
    {
        return Answer(iid, m_manager ? IID_IXCcontrolManager : IID_IXCcontrol, object);
    }

    HRESULT Reserved3() override { return E_NOTIMPL; }
    HRESULT Reserved4() override { return E_NOTIMPL; }
    HRESULT Reserved5() override { return E_NOTIMPL; }
    HRESULT Reserved6() override { return E_NOTIMPL; }
    HRESULT Reserved7() override { return E_NOTIMPL; }
    HRESULT Reserved8() override { return E_NOTIMPL; }

    HRESULT SetProperty(std::uint32_t property, std::uint32_t value) override
    {
        auto device = Attached();
        return device ? device->SetProperty(property, value) : E_FAIL;
    }

    HRESULT GetProperty(std::uint32_t property, std::uint32_t* value) override
    {
        if (value == nullptr)
        {
            return E_POINTER;
        }
        auto device = Attached();
        return device ? device->GetProperty(property, value) : E_FAIL;
    }

    HRESULT Reserved11() override { return E_NOTIMPL; }
    HRESULT Reserved12() override { return E_NOTIMPL; }
    HRESULT Reserved13() override { return E_NOTIMPL; }
    HRESULT Reserved14() override { return E_NOTIMPL; }
    HRESULT Reserved15() override { return E_NOTIMPL; }
    HRESULT Reserved16() override { return E_NOTIMPL; }
    HRESULT Reserved17() override { return E_NOTIMPL; }
    HRESULT Reserved18() override { return E_NOTIMPL; }
    HRESULT Reserved19() override { return E_NOTIMPL; }
    HRESULT Reserved20() override { return E_NOTIMPL; }

    void AttachHandle(std::uint64_t handleValue) override
    {
        std::lock_guard lock(m_mutex);
        if (!m_device)
        {
            m_device = Handles().Find(handleValue);
        }
    }

    void AttachDevice(IUnknown* device) override
    {
        auto* ours = dynamic_cast<CDeviceObject*>(device);
        std::lock_guard lock(m_mutex);
        if (device == nullptr)
        {
            m_device.reset();
        }
        else if (ours != nullptr)
        {
            m_device = ours->Device();
        }
    }

    HRESULT Reg_WriteSensor_Pro(std::uint32_t addressLength, const std::uint8_t* address,
                                std::uint32_t dataLength, const std::uint8_t* data) override
    {
        if (m_manager)
        {
            return E_NOTIMPL;
        }
        if (address == nullptr || data == nullptr)
        {
            return E_POINTER;
        }
        if (addressLength < 1 || addressLength > 2 || dataLength < 1)
        {
            return E_INVALIDARG;
        }
        auto device = Attached();
        if (!device)
        {
            return E_FAIL;
        }
        std::uint32_t first = address[0] | (addressLength == 2 ? address[1] << 8 : 0);
        if (first + dataLength > 0x10000)
        {
            return E_INVALIDARG;
        }
        // More than one data byte fills consecutive registers.
        for (std::uint32_t i = 0; i < dataLength; ++i)
        {
            HRESULT hr =
                device->WriteSensorRegister(static_cast<std::uint16_t>(first + i), data[i]);
            if (FAILED(hr))
            {
                return hr;
            }
        }
        return S_OK;
    }

private:
    std::shared_ptr<ScannerDevice> Attached()
    {
        std::lock_guard lock(m_mutex);
        return m_device;
    }

    const bool m_manager;
    std::mutex m_mutex;
    std::shared_ptr<ScannerDevice> m_device;
};

} // namespace

HRESULT CoCreateInstance(const GUID& clsid, const GUID& iid, void** object)
{
    if (object == nullptr)
    {
        return E_POINTER;
    }
    *object = nullptr;
    IUnknown* created = nullptr;
    if (clsid == CLSID_XCEnumerator)
    {
        created = new CEnumerator();
    }
    else if (clsid == CLSID_XCcontrol)
    {
        created = new CControl(false);
    }
    else if (clsid == CLSID_XCcontrolManager)
    {
        created = new CControl(true);
    }
    else
    {
        return REGDB_E_CLASSNOTREG;
    }
    HRESULT hr = created->QueryInterface(iid, object);
    created->Release();
    return hr;
}

void SetScannerBackend(ScannerBackend backend)
{
    g_backend = static_cast<int>(backend);
}

ScannerBackend CurrentScannerBackend()
{
    int chosen = g_backend.load();
    if (chosen >= 0)
    {
        return static_cast<ScannerBackend>(chosen);
    }
    const char* env = std::getenv("TAVREL_SCANNER");
    return env != nullptr && std::string(env) == "simulated" ? ScannerBackend::Simulated
                                                             : ScannerBackend::V4l2;
}

} // namespace tavrel
