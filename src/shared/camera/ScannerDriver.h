#pragma once
// What the component's COM-style objects need from a scanner implementation.

#include "platform/WinTypes.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace tavrel
{

struct ScannerDeviceInfo
{
    std::string path; // Windows-style, lower case
    std::string name; // friendly name
};

// One opened device. Thread-safe: the button poller and the register writer
// call it from different threads.
class ScannerDevice
{
public:
    virtual ~ScannerDevice() = default;
    virtual HRESULT GetProperty(std::uint32_t property, std::uint32_t* value) = 0;
    virtual HRESULT SetProperty(std::uint32_t property, std::uint32_t value) = 0;
    virtual HRESULT WriteSensorRegister(std::uint16_t address, std::uint8_t value) = 0;
};

class ScannerDriver
{
public:
    virtual ~ScannerDriver() = default;
    virtual std::vector<ScannerDeviceInfo> Enumerate() = 0;
    // `path` compares without regard to case.
    virtual HRESULT Open(const std::string& path, std::shared_ptr<ScannerDevice>* device) = 0;
};

std::unique_ptr<ScannerDriver> MakeSimulatedScannerDriver();
std::unique_ptr<ScannerDriver> MakeV4l2ScannerDriver();

} // namespace tavrel
