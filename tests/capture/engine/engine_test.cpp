// The capture sequence end to end: presses on screen and on the camera,
// stills that never come, the hand-over to a stand-in manager, and what a
// close or an unplugged camera does meanwhile.

#include "EngineHost.h"

#include <cstdio>
#include <functional>
#include <future>
#include <signal.h>

using namespace std::chrono_literals;

namespace tavrel::test
{

namespace
{

// The simulated camera with its stills taken away: a trigger is taken and
// no still comes, unless the test hands one in as the camera would.
class StillTap
{
public:
    void Set(std::function<void(const VideoStill&)> callback)
    {
        std::lock_guard lock(m_mutex);
        m_callback = std::move(callback);
    }
    void Deliver(const VideoStill& still)
    {
        std::lock_guard lock(m_mutex);
        if (m_callback)
            m_callback(still);
    }

private:
    std::mutex m_mutex;
    std::function<void(const VideoStill&)> m_callback;
};

class StillLessBackend : public VideoBackend
{
    class Source : public VideoSource
    {
    public:
        Source(std::unique_ptr<VideoSource> inner, std::shared_ptr<StillTap> tap)
            : m_inner(std::move(inner)), m_tap(std::move(tap))
        {
        }
        ~Source() override { m_tap->Set(nullptr); }
        bool SetCaptureFormat(const VideoFormat& f) override
        {
            return m_inner->SetCaptureFormat(f);
        }
        VideoFormat CaptureFormat() const override { return m_inner->CaptureFormat(); }
        bool SetStillSize(int w, int h) override { return m_inner->SetStillSize(w, h); }
        bool Start(VideoCallbacks callbacks) override
        {
            m_tap->Set(std::move(callbacks.still));
            callbacks.still = nullptr;
            return m_inner->Start(std::move(callbacks));
        }
        void Stop() override
        {
            m_tap->Set(nullptr);
            m_inner->Stop();
        }
        bool IsStreaming() const override { return m_inner->IsStreaming(); }
        bool TriggerStill() override { return m_inner->TriggerStill(); }
        bool FiresStillOnButton() const override { return true; }

    private:
        std::unique_ptr<VideoSource> m_inner;
        std::shared_ptr<StillTap> m_tap;
    };

public:
    explicit StillLessBackend(std::shared_ptr<StillTap> tap = std::make_shared<StillTap>())
        : m_tap(std::move(tap))
    {
    }
    std::vector<VideoDeviceInfo> Enumerate() override { return m_inner->Enumerate(); }
    std::unique_ptr<VideoSource> Open(const std::string& path) override
    {
        auto inner = m_inner->Open(path);
        return inner ? std::make_unique<Source>(std::move(inner), m_tap) : nullptr;
    }

private:
    std::unique_ptr<VideoBackend> m_inner = MakeSimulatedVideoBackend();
    std::shared_ptr<StillTap> m_tap;
};

} // namespace

TEST_F(EngineTest, OnScreenPressInStillModeStoresAProcessedPicture)
{
    StartHost();
    StartEngine();
    ASSERT_TRUE(State().stillMode);
    // The preview is a shared picture: the frame less its preview margins
    // (24 pixels a side), reduced only by whole factors of the frame width.
    const auto frame = m_engine->Frame();
    ASSERT_NE(frame, nullptr);
    EXPECT_EQ(frame->Width(), 592);
    OnLoop([&] { m_engine->SetPreviewWidth(200); });
    ASSERT_TRUE(WaitFor([&] { return m_engine->Frame()->Width() == 296; }));
    EXPECT_EQ(Click(control::kCapture), 1);
    ASSERT_TRUE(WaitFor([&] { return StoredCount() == 1 && Idle(); }, 60s)) << Log();
    EXPECT_EQ(m_engine->CaptureRequested(), 0);
    EXPECT_EQ(State().lastHandover, HandoverResult::Stored);
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
    const std::string timing = log.substr(log.find("Capture End!\r\n") + 14);
    int a = -1, b = -1;
    EXPECT_EQ(std::sscanf(timing.c_str(), "%d, %d\r\n", &a, &b), 2) << timing;
    EXPECT_GE(a, 0);
    EXPECT_GE(b, 0);
    int jpegs = 0;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(m_dest))
        jpegs += entry.path().extension() == ".jpg" || entry.path().extension() == ".JPG";
    EXPECT_EQ(jpegs, 1);
}

TEST_F(EngineTest, OnScreenPressInFrameGrabModeStoresAPicture)
{
    SetSensorStillMode(0);
    StartHost();
    StartEngine();
    ASSERT_FALSE(State().stillMode);
    Click(control::kCapture);
    ASSERT_TRUE(WaitFor([&] { return StoredCount() == 1 && Idle(); }, 60s)) << Log();
    EXPECT_EQ(Log().find("Enter CallBack!"), std::string::npos);
}

TEST_F(EngineTest, DevicePressGoesThroughTheButtonPoller)
{
    // No retry may set a request of its own before the still comes.
    SetLoopAndTime(600000, 3);
    StartHost();
    StartEngine();
    // The film dialog's start-up writer programs the positive film's list;
    // the button is polled once it is through.
    ASSERT_TRUE(
        WaitFor([&] { return RegistersWritten(0).size() == 2 && !m_engine->RegisterWriteBusy(); }));
    EXPECT_EQ(SimScanner::Load()->Register(kRegExposureGain, 0), 0x40);
    const auto pressed = std::chrono::steady_clock::now();
    std::string error;
    ASSERT_TRUE(SimScanner::Press(&error)) << error;
    ASSERT_TRUE(WaitFor([&] { return StoredCount() == 1 && Idle(); }, 60s)) << Log();
    const auto stored = std::chrono::steady_clock::now();
    ASSERT_TRUE(WaitFor([&] { return Log().find("Write Chip!\r\n") != std::string::npos; }));
    const std::string log = Log();
    EXPECT_NE(log.find("StillPin Snap!\r\n"), std::string::npos) << log;
    EXPECT_EQ(log.find("Button Capture!"), std::string::npos) << log;
    // The latch is cleared after the capture: holding the button takes one.
    EXPECT_EQ(SimScanner::Load()->button, 0u);
    // The request-to-hand-over time counts from this press: it lies within
    // what the test saw from the press to the stored picture.
    const auto end = log.find("Capture End!\r\n");
    ASSERT_NE(end, std::string::npos) << log;
    int requestToHandover = -1, handoverToEnd = -1;
    ASSERT_EQ(std::sscanf(log.c_str() + end + 14, "%d, %d", &requestToHandover, &handoverToEnd), 2);
    EXPECT_GE(requestToHandover, 0) << log;
    EXPECT_LE(requestToHandover,
              std::chrono::duration_cast<std::chrono::milliseconds>(stored - pressed).count());
}

TEST_F(EngineTest, StillsThatNeverComeGiveThreeExpiriesThenGiveUp)
{
    StartHost();
    auto tap = std::make_shared<StillTap>();
    Start start;
    start.backend = std::make_unique<StillLessBackend>(tap);
    StartEngine(std::move(start));
    Click(control::kCapture);
    const auto givenUp = [&](int times)
    { return Count(Log(), "Have No Image to Process!") == times; };
    ASSERT_TRUE(WaitFor([&] { return givenUp(1); }, 30s)) << Log();
    const std::string log = Log();
    EXPECT_EQ(Count(log, "Time End\r\n"), 3) << log;
    EXPECT_EQ(Count(log, "No Image, So Begin New Event!\r\n"), 2);
    EXPECT_EQ(Count(log, "\r\nButton Capture!\r\n"), 3); // the press and two new triggers
    EXPECT_EQ(Count(log, "Have No Image to Process!\r\n"), 1);
    EXPECT_EQ(Count(log, "Enter CallBack!"), 0);
    const CaptureState s = State();
    EXPECT_TRUE(s.captureButtonEnabled);
    EXPECT_FALSE(s.progressVisible);
    EXPECT_EQ(s.retryCount, 0);
    EXPECT_EQ(s.lastHandover, HandoverResult::NoPicture);
    EXPECT_EQ(StoredCount(), 0);
    // A camera slower than every retry: its still is the press's picture.
    std::vector<std::uint8_t> still(640 * 480 * 2, 128);
    tap->Deliver(VideoStill{640, 480, still.data(), still.size()});
    ASSERT_TRUE(WaitFor([&] { return StoredCount() == 1 && Idle(); }, 60s)) << Log();
    EXPECT_EQ(State().lastHandover, HandoverResult::Stored);

    // Given up again, the scanner's button is still taken as a new press.
    Click(control::kCapture);
    ASSERT_TRUE(WaitFor([&] { return givenUp(2); }, 30s)) << Log();
    std::string error;
    ASSERT_TRUE(SimScanner::Press(&error)) << error;
    EXPECT_TRUE(WaitFor([&] { return Log().find("StillPin Snap!") != std::string::npos; }, 30s))
        << Log();
    // That press is news of its own: the old "no picture" is gone.
    EXPECT_EQ(State().lastHandover, HandoverResult::None);
}

TEST_F(EngineTest, StillArrivingDuringAHandOverIsConvertedButNotCaptured)
{
    StartHost();
    auto tap = std::make_shared<StillTap>();
    Start start;
    start.backend = std::make_unique<StillLessBackend>(tap);
    StartEngine(std::move(start));
    // Two stills as the camera would deliver them, the second while the
    // first is being handed over: the manager is held (stopped) until the
    // second has been dealt with, so the hand-over cannot end before.
    ASSERT_EQ(::kill(m_host->Pid(), SIGSTOP), 0);
    Click(control::kCapture);
    std::vector<std::uint8_t> still(640 * 480 * 2, 128);
    auto deliver = [&] { tap->Deliver(VideoStill{640, 480, still.data(), still.size()}); };
    deliver();
    ASSERT_TRUE(WaitFor([&] { return Log().find("Before Save!") != std::string::npos; }, 30s))
        << Log();
    deliver();
    OnLoop([] {}); // the second still's command has run
    EXPECT_TRUE(State().imageInProcess);
    ASSERT_EQ(::kill(m_host->Pid(), SIGCONT), 0);
    ASSERT_TRUE(WaitFor([&] { return StoredCount() == 1 && Idle(); }, 60s)) << Log();
    const std::string log = Log();
    EXPECT_EQ(Count(log, "Post Command!"), 2) << log;
    EXPECT_EQ(Count(log, "So this Action Entered!"), 1) << log;
    // Nothing else gets stored later: once every queued command has run and
    // no capture thread is left, no hand-over can still be under way.
    OnLoop([] {});
    ASSERT_TRUE(WaitFor([&] { return m_engine->ThreadCount() == kResidentThreads && Idle(); }));
    EXPECT_EQ(StoredCount(), 1);

    // The other order, as a slow camera gives it: the second still is taken
    // during the hand-over but its command runs only after the hand-over
    // has ended. That press was served; it stores no second picture.
    ASSERT_EQ(::kill(m_host->Pid(), SIGSTOP), 0);
    Click(control::kCapture);
    deliver();
    ASSERT_TRUE(WaitFor([&] { return Count(Log(), "Before Save!") == 2; }, 30s)) << Log();
    std::promise<void> release;
    m_loop.Post([held = release.get_future().share()] { held.wait(); });
    deliver();
    ASSERT_EQ(::kill(m_host->Pid(), SIGCONT), 0);
    ASSERT_TRUE(WaitFor([&] { return StoredCount() == 2 && Idle(); }, 60s)) << Log();
    release.set_value();
    OnLoop([] {});
    ASSERT_TRUE(WaitFor([&] { return m_engine->ThreadCount() == kResidentThreads && Idle(); }));
    EXPECT_EQ(StoredCount(), 2) << Log();
    EXPECT_EQ(Count(Log(), "So this Action Entered!"), 2) << Log();
}

TEST_F(EngineTest, UnplugAndPlugDuringPreviewKeepTheGraphAndTheButton)
{
    StartHost();
    StartEngine();
    Sim("unplug");
    ASSERT_TRUE(WaitFor([&] { return State().stream == StreamStatus::Stalled; }));
    EXPECT_TRUE(State().graphReady); // nothing happens at removal
    Sim("plug");
    ASSERT_TRUE(WaitFor([&] { return State().stream == StreamStatus::Streaming; }));
    const std::uint64_t frames = m_engine->CameraFrames();
    ASSERT_TRUE(WaitFor([&] { return m_engine->CameraFrames() > frames + 2; }));
    EXPECT_TRUE(State().graphReady);
    // The arrival reached the window: the control object opened before the
    // camera went is answered no more, so a working camera button shows the
    // engine opened it again.
    std::string error;
    ASSERT_TRUE(WaitFor(
        [&]
        {
            if (StoredCount() == 0 && SimScanner::Load()->button == 0)
                SimScanner::Press(&error);
            return StoredCount() == 1;
        },
        60s))
        << Log();
}

TEST_F(EngineTest, ManagerMissingGivesTheMessageAndACleanState)
{
    SetSensorStillMode(0);
    StartEngine();
    Click(control::kCapture);
    ASSERT_TRUE(WaitFor(
        [&]
        {
            const auto boxes = RecordedMessageBoxes();
            return std::find(boxes.begin(), boxes.end(), "Not Find Pelidor Window!") != boxes.end();
        }));
    ASSERT_TRUE(WaitFor([&] { return Idle() && m_engine->CaptureRequested() == 0; }));
    EXPECT_EQ(State().lastHandover, HandoverResult::NoManager);
    EXPECT_EQ(State().retryCount, 0);
}

TEST_F(EngineTest, ClosingDuringACaptureStoresThePictureAndEnds)
{
    SetSensorStillMode(0);
    StartHost();
    StartEngine();
    std::atomic<bool> done{false};
    OnLoop(
        [&]
        {
            m_engine->Command(control::kCapture);
            m_engine->Close([&] { done = true; });
        });
    ASSERT_TRUE(WaitFor([&] { return done.load(); }, 60s)) << Log();
    // The picture under way was handed over before the final exit.
    EXPECT_EQ(StoredCount(), 1);
    EXPECT_EQ(Seen(EngineEvent::Exiting), 1);
    EXPECT_FALSE(State().graphReady);
    OnLoop([&] { m_engine.reset(); }); // joins what is left, at once
}

} // namespace tavrel::test
