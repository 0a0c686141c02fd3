#pragma once
// The scanner's camera control component as both programs call it: a device
// enumerator and control objects with fixed class and interface identifiers
// and a fixed slot order, created through a factory keyed by class identifier
// (the stand-in for CoCreateInstance). Two implementations stand behind it:
// the simulated scanner and V4L2 devices.

#include "platform/WinTypes.h"

#include <cstdint>

namespace tavrel
{

struct GUID
{
    std::uint32_t data1;
    std::uint16_t data2;
    std::uint16_t data3;
    std::uint8_t data4[8];
    friend bool operator==(const GUID&, const GUID&) = default;
};

constexpr GUID MakeXcGuid(std::uint32_t first)
{
    return GUID{first, 0x4119, 0x11DA, {0xAE, 0x0E, 0x00, 0x0D, 0x56, 0xAC, 0x7B, 0x4C}};
}

constexpr GUID CLSID_XCEnumerator = MakeXcGuid(0xA917C758);
constexpr GUID IID_IXCEnumerator = MakeXcGuid(0xA917C759);
constexpr GUID CLSID_XCcontrol = MakeXcGuid(0xA917C74D); // capture program's control
constexpr GUID IID_IXCcontrol = MakeXcGuid(0xA917C74C);
constexpr GUID CLSID_XCcontrolManager = MakeXcGuid(0xA917C75A); // manager's control
constexpr GUID IID_IXCcontrolManager = MakeXcGuid(0xA917C75B);
constexpr GUID IID_IUnknown = {0x00000000, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};

constexpr HRESULT E_NOTIMPL = static_cast<HRESULT>(0x80004001u);
// The device was removed (or re-plugged) since it was opened; open it again.
constexpr HRESULT E_DEVICE_NOT_CONNECTED = static_cast<HRESULT>(0x8007048Fu);
// The device has no channel to its sensor registers (a V4L2 camera without an
// extension unit named in "XuControl.ini"). Reg_WriteSensor_Pro answers this
// for every write, so a register writer that sees it should drop the rest of
// the list's register lines without a message: the camera still works with
// its own defaults, and one message box per register line helps nobody.
constexpr HRESULT E_REGISTER_ACCESS_UNAVAILABLE = static_cast<HRESULT>(0x80070032u);

// The camera's button state: non-zero = pressed; bit 0 is a latch that the
// programs clear by writing the value back without it.
constexpr std::uint32_t kButtonProperty = 0x8107;

// Sensor registers the simulated scanner understands (Reg_WriteSensor_Pro with
// a 2-byte little-endian address and 1 data byte). Register lists for it use
// these; any other register is stored and logged but changes nothing.
//   0x3a00 film type: 0 positive, 1 negative, 2 black and white, 3 print
//          (reflective, photo sizes). Unwritten: 0.
//   0x3a01 exposure gain in 1/64 steps: 0x40 = 1.0, 0x80 = 2.0. Unwritten: 0x40.
constexpr std::uint16_t kRegFilmType = 0x3a00;
constexpr std::uint16_t kRegExposureGain = 0x3a01;

constexpr int kDeviceEntryCapacity = 10;
constexpr int kDeviceTextLength = 260;

struct DeviceEntry
{
    char16_t path[kDeviceTextLength];   // Windows-style device path, lower case
    char16_t second[kDeviceTextLength]; // its length is handed to Open
};
// Entries: `path` is the device path that the video source reports for the
// same camera (compare without regard to case); `second` is the device's
// friendly name. Open ignores the length it is given.

// Slots 0 to 2.
struct IUnknown
{
    virtual HRESULT QueryInterface(const GUID& iid, void** object) = 0;
    virtual std::uint32_t AddRef() = 0;
    virtual std::uint32_t Release() = 0;

protected:
    ~IUnknown() = default;
};

struct IXCEnumerator : IUnknown
{
    // Slot 3: fills up to `capacity` entries; *count in: capacity, out: filled.
    // S_FALSE when more devices exist than fit.
    virtual HRESULT Enumerate(DeviceEntry* table, std::uint32_t* count, std::uint32_t capacity) = 0;
    // Slot 4: 0 when the device was opened.
    virtual HRESULT Open(const char16_t* path, std::uint32_t secondLength, IUnknown** device,
                         std::uint64_t* handleValue) = 0;

protected:
    ~IXCEnumerator() = default;
};

// The control object; the manager's object has the same slots without
// Reg_WriteSensor_Pro (it answers E_NOTIMPL there).
struct IXCcontrol : IUnknown
{
    virtual HRESULT Reserved3() = 0;
    virtual HRESULT Reserved4() = 0;
    virtual HRESULT Reserved5() = 0;
    virtual HRESULT Reserved6() = 0;
    virtual HRESULT Reserved7() = 0;
    virtual HRESULT Reserved8() = 0;
    // Slot 9: set property / write register.
    virtual HRESULT SetProperty(std::uint32_t property, std::uint32_t value) = 0;
    // Slot 10: get property / read register (16 bits used).
    virtual HRESULT GetProperty(std::uint32_t property, std::uint32_t* value) = 0;
    virtual HRESULT Reserved11() = 0;
    virtual HRESULT Reserved12() = 0;
    virtual HRESULT Reserved13() = 0;
    virtual HRESULT Reserved14() = 0;
    virtual HRESULT Reserved15() = 0;
    virtual HRESULT Reserved16() = 0;
    virtual HRESULT Reserved17() = 0;
    virtual HRESULT Reserved18() = 0;
    virtual HRESULT Reserved19() = 0;
    virtual HRESULT Reserved20() = 0;
    // Slot 21: the handle value returned by Open.
    virtual void AttachHandle(std::uint64_t handleValue) = 0;
    // Slot 22: the device object returned by Open.
    virtual void AttachDevice(IUnknown* device) = 0;
    // Slot 23: capture program only.
    virtual HRESULT Reg_WriteSensor_Pro(std::uint32_t addressLength, const std::uint8_t* address,
                                        std::uint32_t dataLength, const std::uint8_t* data) = 0;

protected:
    ~IXCcontrol() = default;
};

// CoCreateInstance for the component's classes; REGDB_E_CLASSNOTREG for others.
HRESULT CoCreateInstance(const GUID& clsid, const GUID& iid, void** object);

// Which implementation CoCreateInstance uses: the simulated scanner when the
// program runs with --simulated or TAVREL_SCANNER=simulated, else V4L2.
enum class ScannerBackend
{
    V4l2,
    Simulated
};
void SetScannerBackend(ScannerBackend backend);
ScannerBackend CurrentScannerBackend(); // reads TAVREL_SCANNER until set

} // namespace tavrel
