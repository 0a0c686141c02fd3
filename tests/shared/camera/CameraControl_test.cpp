// The component's objects through their interface pointers, and the vtable
// slot numbers the programs rely on.

#include "shared/camera/CameraControl.h"
#include "shared/camera/SimulatedScanner.h"

#include "support/Sandbox.h"

#include <gtest/gtest.h>

#include <string>

namespace tavrel::test
{

namespace
{

template <typename T> T* Create(const GUID& clsid, const GUID& iid)
{
    void* object = nullptr;
    EXPECT_EQ(CoCreateInstance(clsid, iid, &object), S_OK);
    return static_cast<T*>(object);
}

// Calls a virtual function by its slot number, as a caller compiled against
// the vendor's header would.
template <typename R, typename... Args> R CallSlot(void* object, int slot, Args... args)
{
    void** table = *static_cast<void***>(object);
    return reinterpret_cast<R (*)(void*, Args...)>(table[slot])(object, args...);
}

std::u16string Utf16Path()
{
    std::string path = kSimulatedDevicePath;
    return std::u16string(path.begin(), path.end());
}

class CameraControlTest : public ::testing::Test
{
protected:
    void SetUp() override { SetScannerBackend(ScannerBackend::Simulated); }
    test::Sandbox m_sandbox;
};

} // namespace

TEST_F(CameraControlTest, FactoryAnswersOnlyTheComponentsClassesAndInterfaces)
{
    void* object = reinterpret_cast<void*>(1);
    EXPECT_EQ(CoCreateInstance(MakeXcGuid(0x12345678), IID_IUnknown, &object), REGDB_E_CLASSNOTREG);
    EXPECT_EQ(object, nullptr);
    EXPECT_EQ(CoCreateInstance(CLSID_XCcontrol, IID_IXCcontrolManager, &object), E_NOINTERFACE);
    EXPECT_EQ(CoCreateInstance(CLSID_XCcontrolManager, IID_IXCcontrol, &object), E_NOINTERFACE);
    EXPECT_EQ(CoCreateInstance(CLSID_XCEnumerator, IID_IXCcontrol, &object), E_NOINTERFACE);
    EXPECT_EQ(CoCreateInstance(CLSID_XCEnumerator, IID_IXCEnumerator, nullptr), E_POINTER);

    auto* control = Create<IXCcontrol>(CLSID_XCcontrol, IID_IXCcontrol);
    ASSERT_NE(control, nullptr);
    void* again = nullptr;
    EXPECT_EQ(control->QueryInterface(IID_IUnknown, &again), S_OK);
    EXPECT_EQ(again, control);
    EXPECT_EQ(control->QueryInterface(IID_IXCEnumerator, &again), E_NOINTERFACE);
    EXPECT_EQ(again, nullptr);
    // Created with 1, +1 by the successful query.
    EXPECT_EQ(control->AddRef(), 3u);
    EXPECT_EQ(control->Release(), 2u);
    EXPECT_EQ(control->Release(), 1u);
    EXPECT_EQ(control->Release(), 0u);
}

TEST_F(CameraControlTest, ControlWithoutDeviceFailsAndManagerHasNoRegisterWrite)
{
    auto* control = Create<IXCcontrol>(CLSID_XCcontrol, IID_IXCcontrol);
    auto* manager = Create<IXCcontrol>(CLSID_XCcontrolManager, IID_IXCcontrolManager);
    std::uint32_t value = 7;
    EXPECT_TRUE(FAILED(control->GetProperty(kButtonProperty, &value)));
    EXPECT_TRUE(FAILED(control->SetProperty(kButtonProperty, 0)));
    std::uint8_t address[2] = {0x00, 0x3a}, data[1] = {1};
    EXPECT_EQ(manager->Reg_WriteSensor_Pro(2, address, 1, data), E_NOTIMPL);
    EXPECT_EQ(control->Reserved3(), E_NOTIMPL);
    control->Release();
    manager->Release();
}

TEST_F(CameraControlTest, SimulatedDeviceThroughTheSlotNumbers)
{
    auto* enumerator = Create<IXCEnumerator>(CLSID_XCEnumerator, IID_IXCEnumerator);
    auto* control = Create<IXCcontrol>(CLSID_XCcontrol, IID_IXCcontrol);
    ASSERT_TRUE(enumerator && control);

    DeviceEntry table[kDeviceEntryCapacity] = {};
    std::uint32_t count = kDeviceEntryCapacity;
    ASSERT_EQ((CallSlot<HRESULT, DeviceEntry*, std::uint32_t*, std::uint32_t>(enumerator, 3, table,
                                                                              &count, 10u)),
              S_OK);
    ASSERT_EQ(count, 1u);
    std::u16string path = table[0].path;
    EXPECT_NE(path.find(u"vid_0ac8&pid_337"), std::u16string::npos);
    EXPECT_NE(path.find(u"vid_0ac8&pid_3370"), std::u16string::npos);
    EXPECT_GT(std::u16string(table[0].second).size(), 0u);

    IUnknown* device = nullptr;
    std::uint64_t handle = 0;
    ASSERT_EQ((CallSlot<HRESULT, const char16_t*, std::uint32_t, IUnknown**, std::uint64_t*>(
                  enumerator, 4, table[0].path, 24u, &device, &handle)),
              S_OK);
    ASSERT_NE(device, nullptr);
    CallSlot<void, std::uint64_t>(control, 21, handle);
    CallSlot<void, IUnknown*>(control, 22, device);
    EXPECT_EQ(device->Release(), 0u); // the control keeps what it needs

    ASSERT_TRUE(SimScanner::Press());
    std::uint32_t value = 0;
    EXPECT_EQ(
        (CallSlot<HRESULT, std::uint32_t, std::uint32_t*>(control, 10, kButtonProperty, &value)),
        S_OK);
    EXPECT_EQ(value, 1u);
    EXPECT_EQ(
        (CallSlot<HRESULT, std::uint32_t, std::uint32_t>(control, 9, kButtonProperty, value & ~1u)),
        S_OK);
    std::uint8_t address[2] = {0x12, 0x30}, data[1] = {0x0a};
    EXPECT_EQ(
        (CallSlot<HRESULT, std::uint32_t, const std::uint8_t*, std::uint32_t, const std::uint8_t*>(
            control, 23, 2u, address, 1u, data)),
        S_OK);

    auto state = SimScanner::Load();
    ASSERT_TRUE(state);
    EXPECT_EQ(state->button, 0u);
    ASSERT_EQ(state->writes.size(), 2u);
    EXPECT_EQ(state->writes[1].kind, SimScannerWrite::Kind::Register);
    EXPECT_EQ(state->writes[1].address, 0x3012u);
    EXPECT_EQ(state->writes[1].value, 0x0au);
    control->Release();
    enumerator->Release();
}

TEST_F(CameraControlTest, EnumerationHonoursCapacityAndAttachHandleAloneWorks)
{
    auto* enumerator = Create<IXCEnumerator>(CLSID_XCEnumerator, IID_IXCEnumerator);
    DeviceEntry table[1] = {};
    std::uint32_t count = 0;
    EXPECT_EQ(enumerator->Enumerate(table, &count, 10), S_FALSE);
    EXPECT_EQ(count, 0u);
    EXPECT_EQ(enumerator->Enumerate(nullptr, &count, 10), E_POINTER);

    count = 1;
    ASSERT_EQ(enumerator->Enumerate(table, &count, 1), S_OK);
    IUnknown* device = nullptr;
    std::uint64_t handle = 0;
    std::u16string upper = table[0].path;
    for (auto& c : upper)
    {
        c = (c >= u'a' && c <= u'z') ? static_cast<char16_t>(c - 32) : c;
    }
    ASSERT_EQ(enumerator->Open(upper.c_str(), 0, &device, &handle), S_OK);
    IUnknown* other = reinterpret_cast<IUnknown*>(1);
    std::uint64_t otherHandle = 0;
    EXPECT_EQ(enumerator->Open(u"\\\\?\\usb#vid_1234&pid_0001", 0, &other, &otherHandle),
              E_INVALIDARG);
    EXPECT_EQ(other, nullptr);

    auto* control = Create<IXCcontrol>(CLSID_XCcontrol, IID_IXCcontrol);
    control->AttachHandle(handle);
    std::uint32_t value = 9;
    EXPECT_EQ(control->GetProperty(kButtonProperty, &value), S_OK);
    EXPECT_EQ(value, 0u);
    control->Release(); // handle lookups are weak: the device goes with its last holder
    device->Release();
    enumerator->Release();
}

TEST_F(CameraControlTest, RegisterWriteRejectsBadLengthsAndFillsConsecutiveRegisters)
{
    auto* enumerator = Create<IXCEnumerator>(CLSID_XCEnumerator, IID_IXCEnumerator);
    auto* control = Create<IXCcontrol>(CLSID_XCcontrol, IID_IXCcontrol);
    IUnknown* device = nullptr;
    std::uint64_t handle = 0;
    ASSERT_EQ(enumerator->Open(Utf16Path().c_str(), 0, &device, &handle), S_OK);
    control->AttachDevice(device);
    device->Release();

    std::uint8_t address[3] = {0xff, 0xff, 0}, data[2] = {1, 2};
    EXPECT_EQ(control->Reg_WriteSensor_Pro(0, address, 1, data), E_INVALIDARG);
    EXPECT_EQ(control->Reg_WriteSensor_Pro(3, address, 1, data), E_INVALIDARG);
    EXPECT_EQ(control->Reg_WriteSensor_Pro(2, address, 0, data), E_INVALIDARG);
    EXPECT_EQ(control->Reg_WriteSensor_Pro(2, address, 2, data), E_INVALIDARG); // past 0xffff
    std::uint8_t burst[2] = {0x00, 0x3a};
    EXPECT_EQ(control->Reg_WriteSensor_Pro(2, burst, 2, data), S_OK);
    auto state = SimScanner::Load();
    ASSERT_TRUE(state);
    EXPECT_EQ(state->Register(0x3a00, 0), 1);
    EXPECT_EQ(state->Register(0x3a01, 0), 2);
    EXPECT_EQ(state->writeCount, 2u);
    control->Release();
    enumerator->Release();
}

TEST(ScannerBackendTest, SetBackendOverridesTheEnvironment)
{
    SetScannerBackend(ScannerBackend::V4l2);
    EXPECT_EQ(CurrentScannerBackend(), ScannerBackend::V4l2);
    SetScannerBackend(ScannerBackend::Simulated);
    EXPECT_EQ(CurrentScannerBackend(), ScannerBackend::Simulated);
}

} // namespace tavrel::test
