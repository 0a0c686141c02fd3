#include "capture/CaptureEngine.h"

#include "platform/Desktop.h"
#include "platform/MessageBox.h"
#include "platform/Paths.h"
#include "shared/camera/CameraControl.h"
#include "shared/camera/SimulatedScanner.h"
#include "support/Files.h"
#include "support/Process.h"
#include "support/Sandbox.h"
#include "support/Wait.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <thread>

namespace tavrel::test
{

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using tavrel::test::ReadFile;
using tavrel::test::WaitFor;

namespace
{

// The preview worker and the button poller.
constexpr std::size_t kResidentThreads = 2;

class RecordingView : public CaptureView
{
public:
    void SetCaptureButtonState(bool enabled) override { enabledState = enabled; }
    void ShowProgressPopup() override { ++shown; }
    void HideProgressPopup() override { ++hidden; }
    std::atomic<bool> enabledState{false};
    std::atomic<int> shown{0};
    std::atomic<int> hidden{0};
};

// The simulated camera with its stills swallowed: a trigger is taken, no
// still ever arrives (the simulated scanner itself always answers).
class StillLessBackend : public VideoBackend
{
    class Source : public VideoSource
    {
    public:
        explicit Source(std::unique_ptr<VideoSource> inner) : m_inner(std::move(inner)) {}
        bool SetCaptureFormat(const VideoFormat& f) override
        {
            return m_inner->SetCaptureFormat(f);
        }
        VideoFormat CaptureFormat() const override { return m_inner->CaptureFormat(); }
        bool SetStillSize(int w, int h) override { return m_inner->SetStillSize(w, h); }
        bool Start(VideoCallbacks callbacks) override
        {
            callbacks.still = nullptr;
            return m_inner->Start(std::move(callbacks));
        }
        void Stop() override { m_inner->Stop(); }
        bool IsStreaming() const override { return m_inner->IsStreaming(); }
        bool TriggerStill() override { return m_inner->TriggerStill(); }
        bool FiresStillOnButton() const override { return true; }

    private:
        std::unique_ptr<VideoSource> m_inner;
    };

public:
    std::vector<VideoDeviceInfo> Enumerate() override { return m_inner->Enumerate(); }
    std::unique_ptr<VideoSource> Open(const std::string& path) override
    {
        auto inner = m_inner->Open(path);
        return inner ? std::make_unique<Source>(std::move(inner)) : nullptr;
    }

private:
    std::unique_ptr<VideoBackend> m_inner = MakeSimulatedVideoBackend();
};

class EngineTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        tavrel::SetScannerBackend(tavrel::ScannerBackend::Simulated);
        std::string error;
        ASSERT_TRUE(tavrel::PrepareProgramFolder(&error)) << error;
        m_folder = tavrel::ProgramFolder();
        SetLoopAndTime(300, 3);
        SetSensorStillMode(1);
        tavrel::ClearRecordedMessageBoxes();
        m_loopThread = std::jthread([this] { m_loop.Run(); });
    }
    void TearDown() override
    {
        m_engine.reset();
        m_loop.Quit();
        m_loopThread = {};
        m_host.reset();
    }
    void SetLoopAndTime(int failTime, int tryLoop)
    {
        std::ofstream(m_folder + "/LoopAndTime.ini")
            << "[LoopAndTime]\nFailTime=" << failTime << "\nTryLoop=" << tryLoop << "\n";
    }
    void SetSensorStillMode(int mode)
    {
        std::string text = ReadFile(m_folder + "/sensor.xml");
        const std::string from = "stillmode=\"1\"";
        const auto at = text.find(from);
        ASSERT_NE(at, std::string::npos);
        text.replace(at, from.size(), "stillmode=\"" + std::to_string(mode) + "\"");
        std::ofstream(m_folder + "/sensor.xml", std::ios::binary) << text;
    }
    void StartHost()
    {
        m_dest = m_folder + "/pictures";
        fs::create_directories(m_dest);
        m_events = m_folder + "/host-events.txt";
        std::string error;
        m_host = tavrel::test::Process::Start("tavrel_handover_host",
                                              {m_dest, "--events", m_events}, {}, &error);
        ASSERT_NE(m_host, nullptr) << error;
        ASSERT_TRUE(WaitFor([] { return tavrel::Desktop::FindWindow("Pelidor") != 0; }));
    }
    void StartEngine(bool registerWriter = false, std::unique_ptr<VideoBackend> backend = {})
    {
        CaptureEngineOptions options;
        options.backend = std::move(backend);
        options.folder = m_folder;
        options.view = &m_view;
        options.startupRegisterWriter = registerWriter;
        m_engine = std::make_unique<CCaptureEngine>(m_loop, std::move(options));
        bool started = false;
        ASSERT_TRUE(m_loop.Invoke([&] { started = m_engine->Start(); }));
        ASSERT_TRUE(started);
        ASSERT_TRUE(m_engine->GraphReady());
        ASSERT_TRUE(m_engine->HasControl());
        ASSERT_TRUE(WaitFor([&] { return Idle() && m_engine->HasFrame(); }));
    }
    bool Idle() const
    {
        return m_engine->CaptureButtonEnabled() && m_engine->ImageInProcess() == 0;
    }
    // tavrel-sim, as a user's script drives the scanner (plug and unplug
    // broadcast the device notifications).
    void Sim(const std::string& command)
    {
        std::string error;
        auto sim = tavrel::test::Process::Start("tavrel-sim", {command}, {}, &error);
        ASSERT_NE(sim, nullptr) << error;
        ASSERT_EQ(sim->WaitForExit(), 0) << sim->StdErr();
    }
    std::string Log() const { return ReadFile(m_folder + "/log.txt"); }
    int StoredCount() const
    {
        const std::string events = ReadFile(m_events);
        int n = 0;
        for (std::size_t p = 0; (p = events.find("stored ", p)) != std::string::npos; ++p)
            ++n;
        return n;
    }

    tavrel::test::Sandbox m_sandbox;
    tavrel::MessageLoop m_loop;
    std::jthread m_loopThread;
    std::string m_folder, m_dest, m_events;
    std::unique_ptr<tavrel::test::Process> m_host;
    RecordingView m_view;
    std::unique_ptr<CCaptureEngine> m_engine;
};

} // namespace

TEST_F(EngineTest, OnScreenPressInStillModeStoresAProcessedPicture)
{
    StartHost();
    StartEngine();
    ASSERT_EQ(m_engine->StillMode(), 1);
    m_loop.Post([this] { m_engine->OnCaptureButton(); });
    ASSERT_TRUE(WaitFor([&] { return StoredCount() == 1 && Idle(); }, 60s)) << Log();
    EXPECT_EQ(m_engine->CaptureRequested(), 0);
    // The capture thread is joined once it has ended.
    EXPECT_TRUE(WaitFor([&] { return m_engine->ThreadCount() == kResidentThreads; }));
    const std::string log = Log();
    const char* const order[] = {"\r\nButton Capture!\r\n",
                                 "Enter CallBack!\r\n",
                                 "Post Command!\r\n",
                                 "Enter Command!\r\n",
                                 "No Image Processing, So this Action Entered!\r\n",
                                 "Mapping File!\r\n",
                                 "Before Save!\r\n",
                                 "Capture End!\r\n"};
    std::size_t at = 0;
    for (const char* text : order)
    {
        const std::size_t found = log.find(text, at);
        ASSERT_NE(found, std::string::npos) << text << "\n" << log;
        at = found + 1;
    }
    // "%d, %d" follows "Capture End!".
    const std::size_t end = log.find("Capture End!\r\n");
    const std::string timing = log.substr(end + 14);
    int a = -1, b = -1;
    EXPECT_EQ(std::sscanf(timing.c_str(), "%d, %d\r\n", &a, &b), 2) << timing;
    EXPECT_GE(a, 0);
    EXPECT_GE(b, 0);
    // The stored file is a JPEG of the cropped still.
    int jpegs = 0;
    for (const auto& entry : fs::recursive_directory_iterator(m_dest))
        if (entry.path().extension() == ".jpg" || entry.path().extension() == ".JPG")
            ++jpegs;
    EXPECT_EQ(jpegs, 1);
}

TEST_F(EngineTest, OnScreenPressInFrameGrabModeStoresAPicture)
{
    SetSensorStillMode(0);
    StartHost();
    StartEngine();
    ASSERT_EQ(m_engine->StillMode(), 0);
    m_loop.Post([this] { m_engine->OnCaptureButton(); });
    ASSERT_TRUE(WaitFor([&] { return StoredCount() == 1 && Idle(); }, 60s)) << Log();
    EXPECT_EQ(Log().find("Enter CallBack!"), std::string::npos);
}

TEST_F(EngineTest, DevicePressGoesThroughTheButtonPoller)
{
    StartHost();
    StartEngine(true);
    // The button is not polled before the first register list is written.
    EXPECT_EQ(m_engine->RegisterWriteBusy(), 1);
    ASSERT_TRUE(WaitFor([&] { return m_engine->RegisterWriteBusy() == 0; }));
    const auto programmed = tavrel::SimScanner::Load();
    ASSERT_TRUE(programmed);
    EXPECT_EQ(programmed->Register(tavrel::kRegExposureGain, 0), 0x40);
    std::string error;
    ASSERT_TRUE(tavrel::SimScanner::Press(&error)) << error;
    ASSERT_TRUE(WaitFor([&] { return StoredCount() == 1 && Idle(); }, 60s)) << Log();
    ASSERT_TRUE(WaitFor([&] { return Log().find("Write Chip!\r\n") != std::string::npos; }));
    EXPECT_NE(Log().find("StillPin Snap!\r\n"), std::string::npos) << Log();
    // The latch is cleared after the capture.
    const auto state = tavrel::SimScanner::Load();
    ASSERT_TRUE(state);
    EXPECT_EQ(state->button, 0u);
}

TEST_F(EngineTest, StillsThatNeverComeGiveThreeExpiriesThenGiveUp)
{
    StartHost();
    StartEngine(false, std::make_unique<StillLessBackend>());
    m_loop.Post([this] { m_engine->OnCaptureButton(); });
    ASSERT_TRUE(
        WaitFor([&] { return Log().find("Have No Image to Process!") != std::string::npos; }, 30s))
        << Log();
    const std::string log = Log();
    auto count = [&](const std::string& text)
    {
        int n = 0;
        for (std::size_t p = 0; (p = log.find(text, p)) != std::string::npos; ++p)
            ++n;
        return n;
    };
    EXPECT_EQ(count("Time End\r\n"), 3) << log;
    EXPECT_EQ(count("No Image, So Begin New Event!\r\n"), 2);
    EXPECT_EQ(count("\r\nButton Capture!\r\n"), 3); // the press and two new triggers
    EXPECT_EQ(count("Have No Image to Process!\r\n"), 1);
    EXPECT_EQ(count("Enter CallBack!"), 0);
    EXPECT_TRUE(m_engine->CaptureButtonEnabled());
    EXPECT_EQ(m_engine->RetryCount(), 0);
    EXPECT_EQ(StoredCount(), 0);
    EXPECT_GE(m_view.shown.load(), 2);
}

TEST_F(EngineTest, StillArrivingDuringAHandOverIsConvertedButNotCaptured)
{
    StartHost();
    StartEngine();
    m_loop.Post([this] { m_engine->OnCaptureButton(); });
    // While the first capture is in process, a second still arrives.
    ASSERT_TRUE(WaitFor([&] { return m_engine->ImageInProcess() == 1; }, 30s)) << Log();
    std::vector<std::uint8_t> still(64 * 48 * 2, 128);
    m_engine->OnStillImage(VideoStill{64, 48, still.data(), still.size()});
    ASSERT_TRUE(WaitFor([&] { return StoredCount() == 1 && Idle(); }, 60s)) << Log();
    const std::string log = Log();
    // Two stills converted ("Post Command!" twice), one capture entered.
    std::size_t posts = 0, entered = 0;
    for (std::size_t p = 0; (p = log.find("Post Command!", p)) != std::string::npos; ++p)
        ++posts;
    for (std::size_t p = 0; (p = log.find("So this Action Entered!", p)) != std::string::npos; ++p)
        ++entered;
    EXPECT_EQ(posts, 2u) << log;
    EXPECT_EQ(entered, 1u) << log;
    // Nothing else gets stored later: once every queued command has run and
    // no capture thread is left, no hand-over can still be under way.
    ASSERT_TRUE(m_loop.Invoke([] {}));
    ASSERT_TRUE(WaitFor([&] { return m_engine->ThreadCount() == kResidentThreads && Idle(); }));
    EXPECT_EQ(StoredCount(), 1);
    EXPECT_EQ(m_engine->ImageInProcess(), 0);
}

TEST_F(EngineTest, UnplugAndPlugDuringPreviewKeepTheGraph)
{
    StartEngine();
    Sim("unplug");
    ASSERT_TRUE(WaitFor([&] { return m_engine->StreamState() == StreamEvent::Stalled; }));
    EXPECT_TRUE(m_engine->GraphReady()); // nothing happens at removal
    Sim("plug");
    // The plug broadcast reaches "Tavrel Camera"; the kept graph streams on.
    ASSERT_TRUE(WaitFor([&] { return m_engine->DeviceArrivals() == 1; }));
    ASSERT_TRUE(WaitFor([&] { return m_engine->StreamState() == StreamEvent::Recovered; }));
    const std::uint64_t frames = m_engine->FrameSequence();
    ASSERT_TRUE(WaitFor([&] { return m_engine->FrameSequence() > frames + 2; }));
    EXPECT_TRUE(m_engine->GraphReady());
    EXPECT_TRUE(m_engine->HasControl());
    EXPECT_TRUE(m_engine->CaptureButtonEnabled());
}

TEST_F(EngineTest, ManagerMissingGivesTheMessageAndACleanState)
{
    SetSensorStillMode(0);
    StartEngine();
    m_loop.Post([this] { m_engine->OnCaptureButton(); });
    ASSERT_TRUE(WaitFor(
        [&]
        {
            const auto boxes = tavrel::RecordedMessageBoxes();
            return std::find(boxes.begin(), boxes.end(), "Not Find Pelidor Window!") != boxes.end();
        }));
    ASSERT_TRUE(WaitFor([&] { return Idle() && m_engine->CaptureRequested() == 0; }));
    EXPECT_EQ(m_engine->PreviewEnabled(), 1);
    EXPECT_EQ(m_engine->RetryCount(), 0);
    EXPECT_EQ(m_engine->StillInProgress(), 0);
}

} // namespace tavrel::test
