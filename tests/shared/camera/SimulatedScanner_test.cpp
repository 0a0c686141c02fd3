// The simulated scanner's shared state, driven by tavrel-sim in other processes.

#include "shared/camera/CameraControl.h"
#include "shared/camera/SimulatedScanner.h"

#include "support/Process.h"
#include "support/Sandbox.h"
#include "support/Wait.h"

#include "platform/Desktop.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <mutex>
#include <string>
#include <vector>

namespace tavrel::test
{

namespace
{

struct SimResult
{
    int exitCode = -1;
    std::string out;
    std::string err;
};

// $TAVREL_BIN_DIR when the test runner passes it, else the build tree's bin
// folder beside this test's own folder.
std::string SimProgram()
{
    const char* bin = std::getenv("TAVREL_BIN_DIR");
    if (bin != nullptr && *bin != '\0')
    {
        return std::string(bin) + "/tavrel-sim";
    }
    return (std::filesystem::read_symlink("/proc/self/exe").parent_path() / "../bin/tavrel-sim")
        .lexically_normal()
        .string();
}

SimResult RunSim(const std::vector<std::string>& args)
{
    std::string error;
    auto process = test::Process::Start(SimProgram(), args, {}, &error);
    if (!process)
    {
        ADD_FAILURE() << "tavrel-sim did not start: " << error;
        return {};
    }
    auto code = process->WaitForExit();
    return {code.value_or(-1), process->StdOut(), process->StdErr()};
}

// The capture program's sequence: enumerate, open the first entry, attach.
struct OpenedControl
{
    IXCEnumerator* enumerator = nullptr;
    IXCcontrol* control = nullptr;
    HRESULT openResult = E_FAIL;

    OpenedControl()
    {
        CoCreateInstance(CLSID_XCEnumerator, IID_IXCEnumerator,
                         reinterpret_cast<void**>(&enumerator));
        CoCreateInstance(CLSID_XCcontrol, IID_IXCcontrol, reinterpret_cast<void**>(&control));
        std::string path = kSimulatedDevicePath;
        std::u16string wide(path.begin(), path.end());
        IUnknown* device = nullptr;
        std::uint64_t handle = 0;
        openResult = enumerator->Open(wide.c_str(), 0, &device, &handle);
        if (openResult == S_OK)
        {
            control->AttachHandle(handle);
            control->AttachDevice(device);
            device->Release();
        }
    }
    ~OpenedControl()
    {
        control->Release();
        enumerator->Release();
    }
    std::uint32_t EnumeratedCount()
    {
        DeviceEntry table[kDeviceEntryCapacity];
        std::uint32_t count = kDeviceEntryCapacity;
        return SUCCEEDED(enumerator->Enumerate(table, &count, kDeviceEntryCapacity)) ? count : 99;
    }
};

class SimulatedScannerTest : public ::testing::Test
{
protected:
    void SetUp() override { SetScannerBackend(ScannerBackend::Simulated); }
    test::Sandbox m_sandbox;
};

} // namespace

TEST_F(SimulatedScannerTest, PressInAnotherProcessLatchesUntilWrittenBack)
{
    OpenedControl opened;
    ASSERT_EQ(opened.openResult, S_OK);
    std::uint32_t value = 5;
    ASSERT_EQ(opened.control->GetProperty(kButtonProperty, &value), S_OK);
    EXPECT_EQ(value, 0u);

    ASSERT_EQ(RunSim({"press"}).exitCode, 0);
    ASSERT_EQ(opened.control->GetProperty(kButtonProperty, &value), S_OK);
    EXPECT_EQ(value, 1u);
    // Still latched on a second read: only a write clears it.
    ASSERT_EQ(opened.control->GetProperty(kButtonProperty, &value), S_OK);
    EXPECT_EQ(value, 1u);
    ASSERT_EQ(opened.control->SetProperty(kButtonProperty, value & ~1u), S_OK);
    ASSERT_EQ(opened.control->GetProperty(kButtonProperty, &value), S_OK);
    EXPECT_EQ(value, 0u);

    SimResult status = RunSim({"status"});
    EXPECT_NE(status.out.find("button: 0x0000"), std::string::npos) << status.out;
}

TEST_F(SimulatedScannerTest, UnplugRemovesTheDeviceAndPlugGivesANewOne)
{
    OpenedControl before;
    ASSERT_EQ(before.openResult, S_OK);
    ASSERT_EQ(RunSim({"unplug"}).exitCode, 0);

    std::uint32_t value = 0;
    EXPECT_EQ(before.control->GetProperty(kButtonProperty, &value), E_DEVICE_NOT_CONNECTED);
    EXPECT_EQ(before.EnumeratedCount(), 0u);
    SimResult press = RunSim({"press"});
    EXPECT_EQ(press.exitCode, 1);
    EXPECT_NE(press.err.find("unplugged"), std::string::npos);
    {
        OpenedControl whileOut;
        EXPECT_EQ(whileOut.openResult, E_DEVICE_NOT_CONNECTED);
    }

    ASSERT_EQ(RunSim({"plug"}).exitCode, 0);
    // A handle from before the removal stays dead, as with a real device.
    EXPECT_EQ(before.control->GetProperty(kButtonProperty, &value), E_DEVICE_NOT_CONNECTED);
    OpenedControl after;
    EXPECT_EQ(after.openResult, S_OK);
    EXPECT_EQ(after.EnumeratedCount(), 1u);
    EXPECT_NE(RunSim({"status"}).out.find("plugged: yes"), std::string::npos);
}

TEST_F(SimulatedScannerTest, StatusListsTheWritesInOrderAndTheFilm)
{
    OpenedControl opened;
    ASSERT_EQ(opened.openResult, S_OK);
    const std::uint8_t lists[][3] = {{0x00, 0x3a, 0x01}, {0x01, 0x3a, 0x50}, {0x12, 0x30, 0x0a}};
    for (const auto& line : lists)
    {
        ASSERT_EQ(opened.control->Reg_WriteSensor_Pro(2, line, 1, line + 2), S_OK);
    }
    ASSERT_EQ(opened.control->SetProperty(0x8107, 0x10), S_OK);
    ASSERT_EQ(RunSim({"film", "print"}).exitCode, 0);
    EXPECT_EQ(RunSim({"film", "slide"}).exitCode, 2);

    std::string out = RunSim({"status"}).out;
    std::size_t a = out.find("reg 0x3a00 = 0x01");
    std::size_t b = out.find("reg 0x3a01 = 0x50");
    std::size_t c = out.find("reg 0x3012 = 0x0a");
    std::size_t d = out.find("prop 0x8107 = 0x0010");
    ASSERT_NE(d, std::string::npos) << out;
    EXPECT_LT(a, b);
    EXPECT_LT(b, c);
    EXPECT_LT(c, d);
    EXPECT_NE(out.find("film: print"), std::string::npos) << out;
    EXPECT_NE(out.find("sensor film type: negative"), std::string::npos) << out;
    EXPECT_NE(out.find("writes: 4"), std::string::npos) << out;
}

TEST_F(SimulatedScannerTest, PlugAndUnplugNotifyRegisteredWindows)
{
    std::mutex mutex;
    std::vector<WPARAM> events;
    auto window =
        WindowEndpoint::Create("CameraNotifyTest", "",
                               [&](const Message& message, std::vector<std::uint8_t>&) -> LRESULT
                               {
                                   if (message.message == WM_DEVICECHANGE)
                                   {
                                       std::lock_guard lock(mutex);
                                       events.push_back(message.wParam);
                                   }
                                   return 1;
                               });
    ASSERT_TRUE(window);
    ASSERT_TRUE(Desktop::RegisterDeviceNotification(window->Handle()));

    ASSERT_EQ(RunSim({"unplug"}).exitCode, 0);
    ASSERT_EQ(RunSim({"plug"}).exitCode, 0);
    auto received = [&]
    {
        std::lock_guard lock(mutex);
        return events;
    };
    ASSERT_TRUE(test::WaitFor([&] { return received().size() >= 2; }));
    EXPECT_EQ(received(), (std::vector<WPARAM>{DBT_DEVICEREMOVECOMPLETE, DBT_DEVICEARRIVAL}));
}

TEST(SimScannerStateTest, RoundTripsAndKeepsOnlyTheLatestWrites)
{
    SimScannerState state;
    state.plugged = false;
    state.generation = 7;
    state.film = HolderFilm::BlackWhite;
    for (std::uint32_t i = 0; i < SimScannerState::kWriteLogCapacity + 5; ++i)
    {
        state.RecordWrite(SimScannerWrite::Kind::Register, 0x3000 + i, i & 0xff);
    }
    state.RecordWrite(SimScannerWrite::Kind::Property, kButtonProperty, 0x12345);
    ASSERT_EQ(state.writes.size(), SimScannerState::kWriteLogCapacity);
    EXPECT_EQ(state.button, 0x2345u);

    auto parsed = SimScannerState::Parse(state.Serialize());
    ASSERT_TRUE(parsed);
    EXPECT_FALSE(parsed->plugged);
    EXPECT_EQ(parsed->generation, 7u);
    EXPECT_EQ(parsed->film, HolderFilm::BlackWhite);
    EXPECT_EQ(parsed->button, 0x2345u);
    EXPECT_EQ(parsed->writeCount, SimScannerState::kWriteLogCapacity + 6);
    ASSERT_EQ(parsed->writes.size(), state.writes.size());
    EXPECT_EQ(parsed->writes.front().address, 0x3006u);
    EXPECT_EQ(parsed->writes.back().kind, SimScannerWrite::Kind::Property);
    EXPECT_EQ(parsed->Register(0x3006, 0), 6);

    EXPECT_FALSE(SimScannerState::Parse("garbage\nplugged 0\n"));
}

} // namespace tavrel::test
