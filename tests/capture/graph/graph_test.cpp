#include "capture/CaptureGraph.h"
#include "capture/DeviceControl.h"
#include "capture/RegisterWriter.h"

#include "platform/MessageBox.h"
#include "shared/camera/CameraControl.h"
#include "support/Sandbox.h"
#include "support/Wait.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <fstream>
#include <thread>

namespace tavrel::test
{

namespace
{

// A backend with fixed devices whose sources stream nothing.
class ListedBackend : public VideoBackend
{
public:
    explicit ListedBackend(std::vector<VideoDeviceInfo> devices) : m_devices(std::move(devices)) {}
    std::vector<VideoDeviceInfo> Enumerate() override { return m_devices; }
    std::unique_ptr<VideoSource> Open(const std::string& path) override
    {
        opened->push_back(path);
        return nullptr;
    }
    std::shared_ptr<std::vector<std::string>> opened = std::make_shared<std::vector<std::string>>();

private:
    std::vector<VideoDeviceInfo> m_devices;
};

class GraphTest : public ::testing::Test
{
protected:
    void SetUp() override { tavrel::ClearRecordedMessageBoxes(); }
    void DeviceSel(const std::string& body)
    {
        std::ofstream(m_dir + "/DeviceSel.xml")
            << "<?xml version=\"1.0\"?><device>" << body << "</device>";
    }
    static bool Shown(const std::string& text)
    {
        const auto boxes = tavrel::RecordedMessageBoxes();
        return std::find(boxes.begin(), boxes.end(), text) != boxes.end();
    }
    tavrel::test::Sandbox m_sandbox;
    std::string m_dir = m_sandbox.Home();
};

const VideoDeviceInfo kWebcam{"\\\\?\\usb#vid_046d&pid_0825&mi_00#1-1#{x}\\global", "Webcam"};
const VideoDeviceInfo kScanner{"\\\\?\\USB#VID_0AC8&PID_3370&MI_00#1-2#{x}\\global", "Scanner"};
const VideoDeviceInfo kScanner2{"\\\\?\\usb#vid_0ac8&pid_3370&mi_00#2-1#{x}\\global", "Scanner 2"};

} // namespace

TEST_F(GraphTest, AcceptedCameraEnumeratedSecondIsUsed)
{
    DeviceSel("<pid>vid_0ac8&amp;pid_3370</pid>");
    auto backend = std::make_unique<ListedBackend>(std::vector{kWebcam, kScanner});
    auto opened = backend->opened;
    CCaptureGraph graph(std::move(backend), m_dir, m_dir);
    ASSERT_EQ(graph.AcceptedIds().size(), 1u);
    EXPECT_EQ(graph.FindDevices(), 0);
    ASSERT_EQ(graph.MatchedPaths().size(), 1u);
    EXPECT_EQ(graph.MatchedNames()[0], "Scanner"); // compared without regard to case
    EXPECT_FALSE(graph.Build());                   // the source does not open
    ASSERT_EQ(opened->size(), 1u);
    EXPECT_EQ((*opened)[0], kScanner.path);
}

TEST_F(GraphTest, MatchOrderIsByIdThenDevice)
{
    DeviceSel("<pid>2-1</pid><pid>vid_0ac8</pid>");
    CCaptureGraph graph(std::make_unique<ListedBackend>(std::vector{kScanner, kScanner2}), m_dir,
                        m_dir);
    ASSERT_EQ(graph.FindDevices(), 0);
    // "2-1" first (second scanner), then both scanners for "vid_0ac8".
    ASSERT_EQ(graph.MatchedNames().size(), 3u);
    EXPECT_EQ(graph.MatchedNames()[0], "Scanner 2");
    EXPECT_EQ(graph.MatchedNames()[1], "Scanner");
    EXPECT_EQ(graph.MatchedNames()[2], "Scanner 2");
}

TEST_F(GraphTest, EmptyDeviceElementMatchesNothingAndNoDeviceGivesTheMessage)
{
    DeviceSel("");
    CCaptureGraph graph(std::make_unique<ListedBackend>(std::vector{kScanner}), m_dir, m_dir);
    EXPECT_TRUE(graph.AcceptedIds().empty());
    EXPECT_EQ(graph.FindDevices(), -1);
    EXPECT_FALSE(Shown("找不到与.XML中匹配的PIDVID"));

    CCaptureGraph none(std::make_unique<ListedBackend>(std::vector<VideoDeviceInfo>{}), m_dir,
                       m_dir);
    EXPECT_EQ(none.FindDevices(), -1);
    EXPECT_TRUE(Shown("找不到与.XML中匹配的PIDVID"));
}

TEST_F(GraphTest, MissingDeviceSelAndUnnamedDeviceAreReported)
{
    CCaptureGraph graph(
        std::make_unique<ListedBackend>(std::vector{VideoDeviceInfo{"", "?"}, kScanner}), m_dir,
        m_dir);
    EXPECT_TRUE(Shown("Load DeviceSel.xml Failed!"));
    EXPECT_EQ(graph.FindDevices(), -1);
    EXPECT_TRUE(Shown("找不到设备的PidVid！"));
    // The graph keeps its own defaults without "sensor.xml".
    EXPECT_EQ(graph.Settings().stillMode, 0);
    EXPECT_EQ(graph.Settings().stillWidth, 2592);
    EXPECT_TRUE(graph.GrabFrame().empty());
}

namespace
{

// A control object whose register writes fail in a chosen way; records
// every write in order, and any two calls that overlap in time.
class RecordingControl : public tavrel::IXCcontrol
{
    struct Call
    {
        explicit Call(RecordingControl& c) : control(c)
        {
            if (control.inside++ != 0)
                ++control.overlaps;
        }
        ~Call() { --control.inside; }
        RecordingControl& control;
    };

public:
    explicit RecordingControl(tavrel::HRESULT registerResult) : m_registerResult(registerResult) {}
    tavrel::HRESULT QueryInterface(const tavrel::GUID&, void**) override
    {
        return tavrel::E_NOINTERFACE;
    }
    std::uint32_t AddRef() override { return 1; }
    std::uint32_t Release() override { return 1; }
    tavrel::HRESULT Reserved3() override { return tavrel::E_NOTIMPL; }
    tavrel::HRESULT Reserved4() override { return tavrel::E_NOTIMPL; }
    tavrel::HRESULT Reserved5() override { return tavrel::E_NOTIMPL; }
    tavrel::HRESULT Reserved6() override { return tavrel::E_NOTIMPL; }
    tavrel::HRESULT Reserved7() override { return tavrel::E_NOTIMPL; }
    tavrel::HRESULT Reserved8() override { return tavrel::E_NOTIMPL; }
    tavrel::HRESULT SetProperty(std::uint32_t p, std::uint32_t v) override
    {
        Call call(*this);
        log.push_back("prop " + std::to_string(p) + "=" + std::to_string(v));
        if (p == tavrel::kButtonProperty)
            button = v;
        return tavrel::S_OK;
    }
    tavrel::HRESULT GetProperty(std::uint32_t p, std::uint32_t* v) override
    {
        Call call(*this);
        // A read between the first and the last write of a list came from
        // someone other than the writer.
        if (registerWrites > 0 && registerWrites < listLength)
            ++readsInsideList;
        std::this_thread::sleep_for(std::chrono::microseconds(200)); // a USB transfer
        *v = p == tavrel::kButtonProperty ? button.load() : 0;
        return tavrel::S_OK;
    }
    tavrel::HRESULT Reserved11() override { return tavrel::E_NOTIMPL; }
    tavrel::HRESULT Reserved12() override { return tavrel::E_NOTIMPL; }
    tavrel::HRESULT Reserved13() override { return tavrel::E_NOTIMPL; }
    tavrel::HRESULT Reserved14() override { return tavrel::E_NOTIMPL; }
    tavrel::HRESULT Reserved15() override { return tavrel::E_NOTIMPL; }
    tavrel::HRESULT Reserved16() override { return tavrel::E_NOTIMPL; }
    tavrel::HRESULT Reserved17() override { return tavrel::E_NOTIMPL; }
    tavrel::HRESULT Reserved18() override { return tavrel::E_NOTIMPL; }
    tavrel::HRESULT Reserved19() override { return tavrel::E_NOTIMPL; }
    tavrel::HRESULT Reserved20() override { return tavrel::E_NOTIMPL; }
    void AttachHandle(std::uint64_t) override {}
    void AttachDevice(tavrel::IUnknown*) override {}
    tavrel::HRESULT Reg_WriteSensor_Pro(std::uint32_t al, const std::uint8_t* a, std::uint32_t dl,
                                        const std::uint8_t* d) override
    {
        Call call(*this);
        log.push_back("reg " + std::to_string(al) + ":" + std::to_string(a[0] | a[1] << 8) + " " +
                      std::to_string(dl) + ":" + std::to_string(d[0]));
        ++registerWrites;
        return m_registerResult;
    }
    std::vector<std::string> log;
    std::atomic<std::uint32_t> button = 0;
    std::atomic<int> inside{0}, overlaps{0}, registerWrites{0}, readsInsideList{0};
    int listLength = 0;

private:
    tavrel::HRESULT m_registerResult;
};

} // namespace

TEST_F(GraphTest, RegisterFileWritesInOrderAndClearsALatchedPress)
{
    std::ofstream(m_dir + "/list.txt") << "#3012@0A\r\n10@8108\r\n#0001@1FF\r\n\r\n#9@9\r\n";
    RecordingControl control(tavrel::S_OK);
    control.button = 0x0003;
    tavrel::DeviceControl device;
    device.Adopt(&control, nullptr);
    // The button is not polled before the first list is written.
    EXPECT_EQ(device.RegisterWriteBusy(), 1);
    EXPECT_FALSE(device.ReadButton());
    RegisterWriteReport report;
    ASSERT_TRUE(device.WriteRegisterFile(m_dir + "/list.txt", 0, &report));
    EXPECT_EQ(device.RegisterWriteBusy(), 0);
    const std::vector<std::string> expected = {"reg 2:12306 1:10", "prop 33032=16", "reg 2:1 1:255",
                                               "prop 33031=2"};
    EXPECT_EQ(control.log, expected);
    EXPECT_EQ(report.registerWrites, 2);
    EXPECT_EQ(device.ReadButton(), 2u);
    EXPECT_TRUE(tavrel::RecordedMessageBoxes().empty());
}

TEST_F(GraphTest, FailingRegisterWritesGiveOneMessageAndUnavailableAccessNone)
{
    std::ofstream(m_dir + "/list.txt") << "#1@1\n#2@2\n#3@3\n";
    RecordingControl failing(tavrel::E_FAIL);
    ASSERT_TRUE(WriteRegisterFile(m_dir + "/list.txt", &failing, 0));
    EXPECT_EQ(failing.log.size(), 3u); // the list goes on
    EXPECT_EQ(tavrel::RecordedMessageBoxes(),
              std::vector<std::string>{"m_pIXCcontrol->Reg_WriteSensor_Pro"});

    tavrel::ClearRecordedMessageBoxes();
    RecordingControl noAccess(tavrel::E_REGISTER_ACCESS_UNAVAILABLE);
    RegisterWriteReport report;
    ASSERT_TRUE(WriteRegisterFile(m_dir + "/list.txt", &noAccess, 0, &report));
    EXPECT_EQ(noAccess.log.size(), 1u);
    EXPECT_TRUE(report.registerAccessUnavailable);
    EXPECT_TRUE(tavrel::RecordedMessageBoxes().empty());
}

TEST_F(GraphTest, MissingRegisterFileClearsBusyAndWritesNothing)
{
    RecordingControl control(tavrel::S_OK);
    tavrel::DeviceControl device;
    device.Adopt(&control, nullptr);
    EXPECT_FALSE(device.WriteRegisterFile(m_dir + "/none.txt", 0));
    EXPECT_EQ(device.RegisterWriteBusy(), 0);
    EXPECT_TRUE(control.log.empty());
    std::ofstream(m_dir + "/list.txt") << "#1@1\n";
    EXPECT_TRUE(WriteRegisterFile(m_dir + "/list.txt", nullptr, 0)); // parsed, not written
}

TEST_F(GraphTest, ButtonReadsNeverInterleaveWithARegisterList)
{
    RecordingControl control(tavrel::S_OK);
    tavrel::DeviceControl device;
    device.Adopt(&control, nullptr);
    std::ofstream(m_dir + "/first.txt") << "#1@1\n";
    ASSERT_TRUE(device.WriteRegisterFile(m_dir + "/first.txt", 0));
    std::string lines;
    for (int i = 0; i < 300; ++i)
        lines += "#3012@0A\n";
    std::ofstream(m_dir + "/long.txt") << lines;
    control.registerWrites = 0;
    control.listLength = 300;

    std::atomic<int> reads{0};
    std::jthread poller(
        [&](std::stop_token stop)
        {
            while (!stop.stop_requested())
                if (device.ReadButton())
                    ++reads;
        });
    ASSERT_TRUE(tavrel::test::WaitFor([&] { return reads > 0; }));
    for (int round = 0; round < 5; ++round)
    {
        control.registerWrites = 0;
        control.button = 1; // a press latched meanwhile is dropped
        ASSERT_TRUE(device.WriteRegisterFile(m_dir + "/long.txt", 0));
        EXPECT_EQ(control.button.load(), 0u);
    }
    poller.request_stop();
    poller.join();
    EXPECT_EQ(control.overlaps.load(), 0);
    EXPECT_EQ(control.readsInsideList.load(), 0);
}

} // namespace tavrel::test
