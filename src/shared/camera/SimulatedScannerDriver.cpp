// The component's simulated backend: one device, present while plugged in,
// whose properties and registers live in the shared state.

#include "shared/camera/CameraControl.h"
#include "shared/camera/ScannerDriver.h"
#include "shared/camera/SimulatedScanner.h"

#include <strings.h>

namespace tavrel
{

namespace
{

class SimulatedDevice final : public ScannerDevice
{
public:
    explicit SimulatedDevice(std::uint64_t generation) : m_generation(generation) {}

    HRESULT GetProperty(std::uint32_t property, std::uint32_t* value) override
    {
        auto state = SimScanner::Load();
        if (!state)
        {
            return E_FAIL;
        }
        if (!Present(*state))
        {
            return E_DEVICE_NOT_CONNECTED;
        }
        if (property == kButtonProperty)
        {
            *value = state->button & 0xFFFF;
        }
        else
        {
            auto it = state->properties.find(property);
            *value = it == state->properties.end() ? 0 : it->second & 0xFFFF;
        }
        return S_OK;
    }

    HRESULT SetProperty(std::uint32_t property, std::uint32_t value) override
    {
        return Write(SimScannerWrite::Kind::Property, property, value);
    }

    HRESULT WriteSensorRegister(std::uint16_t address, std::uint8_t value) override
    {
        return Write(SimScannerWrite::Kind::Register, address, value);
    }

private:
    bool Present(const SimScannerState& state) const
    {
        return state.plugged && state.generation == m_generation;
    }

    HRESULT Write(SimScannerWrite::Kind kind, std::uint32_t address, std::uint32_t value)
    {
        HRESULT hr = E_FAIL;
        SimScanner::Update(
            [&](SimScannerState& state)
            {
                if (!Present(state))
                {
                    hr = E_DEVICE_NOT_CONNECTED;
                    return false;
                }
                state.RecordWrite(kind, address, value);
                hr = S_OK;
                return true;
            });
        return hr;
    }

    const std::uint64_t m_generation;
};

class SimulatedDriver final : public ScannerDriver
{
public:
    std::vector<ScannerDeviceInfo> Enumerate() override
    {
        auto state = SimScanner::Load();
        if (!state || !state->plugged)
        {
            return {};
        }
        return {{kSimulatedDevicePath, kSimulatedDeviceName}};
    }

    HRESULT Open(const std::string& path, std::shared_ptr<ScannerDevice>* device) override
    {
        if (strcasecmp(path.c_str(), kSimulatedDevicePath) != 0)
        {
            return E_INVALIDARG;
        }
        auto state = SimScanner::Load();
        if (!state)
        {
            return E_FAIL;
        }
        if (!state->plugged)
        {
            return E_DEVICE_NOT_CONNECTED;
        }
        *device = std::make_shared<SimulatedDevice>(state->generation);
        return S_OK;
    }
};

} // namespace

std::unique_ptr<ScannerDriver> MakeSimulatedScannerDriver()
{
    return std::make_unique<SimulatedDriver>();
}

} // namespace tavrel
