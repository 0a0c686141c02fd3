#include "capture/CaptureSequence.h"

#include "capture/HandoverSender.h"
#include "capture/Yuy2Converter.h"
#include "imaging/ProcessingChain.h"

#include <algorithm>
#include <chrono>
#include <cstdio>

namespace tavrel
{

namespace
{

using namespace std::chrono_literals;

std::int64_t Now()
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

HandoverResult ResultOf(CHandoverSender::Outcome outcome)
{
    switch (outcome)
    {
    case CHandoverSender::Outcome::Stored:
        return HandoverResult::Stored;
    case CHandoverSender::Outcome::Kept:
        return HandoverResult::Kept;
    case CHandoverSender::Outcome::NoManager:
        return HandoverResult::NoManager;
    case CHandoverSender::Outcome::Lost:
        break;
    }
    return HandoverResult::Lost;
}

FrameMargins Margins(const CropMargins& m)
{
    return {m.left, m.top, m.right, m.bottom};
}

} // namespace

CaptureSequence::CaptureSequence(Context context) : m_c(std::move(context)) {}

CaptureSequence::~CaptureSequence()
{
    KillTimer();
}

void CaptureSequence::Configure(int stillMode, int failTimeMs, int tryLoop)
{
    m_stillMode = stillMode;
    m_failTime = failTimeMs;
    m_tryLoop = tryLoop;
    m_c.changed();
}

void CaptureSequence::SetOutput(int outputFormat, int bitDepthIndex)
{
    m_outputFormat = outputFormat;
    m_bitDepthIndex = bitDepthIndex;
}

void CaptureSequence::SetCaptureButtonState(bool enabled)
{
    if (m_buttonEnabled.exchange(enabled) != enabled)
        m_c.changed();
}

void CaptureSequence::EnableCaptureButton()
{
    // A press now would have its retry timer killed by the settle's end.
    if (m_settleCount == 0)
        SetCaptureButtonState(true);
}

void CaptureSequence::ShowProgress(bool visible)
{
    if (m_progressVisible.exchange(visible) != visible)
        m_c.changed();
}

void CaptureSequence::SetTimer()
{
    m_c.loop.SetTimer(kCaptureTimerId, std::chrono::milliseconds(std::max(1, m_failTime.load())),
                      [this] { OnCaptureTimer(); });
}

void CaptureSequence::KillTimer()
{
    m_c.loop.KillTimer(kCaptureTimerId);
}

void CaptureSequence::Stop()
{
    KillTimer();
    ShowProgress(false);
}

bool CaptureSequence::HoldingStill() const
{
    const std::int64_t last = m_lastStillTime;
    return last != 0 && Now() - last <= m_c.sensor().stillWaitTimeMs;
}

void CaptureSequence::ForgetNoPicture()
{
    {
        std::lock_guard lock(m_mutex);
        if (m_lastHandover != HandoverResult::NoPicture)
            return;
        m_lastHandover = HandoverResult::None;
    }
    m_c.changed();
}

void CaptureSequence::OnCaptureButton()
{
    m_captureRequested = 1;
    m_givenUp = 0;
    m_pressTime = Now();
    ForgetNoPicture();
    m_c.log.Write("\nButton Capture!\n");
    if (m_buttonEnabled)
    {
        m_previewEnabled = 0;
        if (m_stillMode != 1)
        {
            StartCapture(Source::PreviewFrame);
        }
        else
        {
            m_captureSource = CaptureSource::ScreenButton;
            if (m_c.device.TriggerStill())
            {
                SetCaptureButtonState(false);
                SetTimer(); // setting it again restarts it
                m_c.playSound();
            }
        }
    }
    m_c.profile.Save();
}

bool CaptureSequence::OnDeviceButton()
{
    int idle = 0;
    if (!m_captureRequested.compare_exchange_strong(idle, 1) && m_givenUp.exchange(0) == 0)
        return false;
    // The log's request-to-hand-over time starts at the press, whichever
    // button made it.
    m_pressTime = Now();
    ForgetNoPicture();
    if (m_stillMode != 1)
    {
        m_c.post([this] { OnCaptureButton(); });
        return true;
    }
    if (m_imageInProcess == 0)
    {
        m_captureSource = CaptureSource::DeviceButton;
        SetCaptureButtonState(false);
        SetTimer();
        m_c.playSound();
        m_c.log.Write("StillPin Snap!\n");
        // A camera without a still button of its own needs the trigger.
        if (!m_c.device.FiresStillOnButton())
            m_c.device.TriggerStill();
    }
    return true;
}

void CaptureSequence::OnStillImage(const VideoStill& still)
{
    if (m_captureRequested == 0)
    {
        m_c.log.Write("No Snap, But Image Come, So Canceled!\n");
        return;
    }
    if (m_stillInProgress.exchange(1) == 1)
    {
        m_c.log.Write("Has Image Processing, Abort CallBack!\n");
        return;
    }
    m_c.log.Write("Enter CallBack!\n");
    auto image = std::make_unique<CDib>();
    if (!still.yuy2 || still.width <= 0 || still.height <= 0 ||
        still.bytes < std::size_t(still.width) * std::size_t(still.height) * 2 ||
        !ConvertYuy2ToDib(still.yuy2, still.bytes, still.width, still.height, *image))
    {
        // An unusable buffer must not block every later still.
        m_stillInProgress = 0;
        return;
    }
    m_lastStillTime = Now();
    {
        std::lock_guard lock(m_mutex);
        m_stillImage = std::move(image);
    }
    m_c.log.Write("Post Command!\n");
    m_c.post([this] { OnStillArrived(); });
}

void CaptureSequence::OnStillArrived()
{
    if (m_imageInProcess != 0)
        return;
    m_stillInProgress = 0;
    // A retry's still that came while the first was being handed over: that
    // press has been served, and one press stores one picture.
    if (m_captureRequested == 0)
    {
        {
            std::lock_guard lock(m_mutex);
            m_stillImage.reset();
        }
        m_c.log.Write("No Snap, But Image Come, So Canceled!\n");
        return;
    }
    m_c.log.Write("Enter Command!\n");
    m_previewEnabled = 0;
    m_stillMode = 1;
    StartCapture(Source::Still);
    m_previewEnabled = 1;
    m_c.profile.Save();
}

void CaptureSequence::OnCaptureTimer()
{
    m_c.log.Write("Time End\n");
    m_retryCount += 1;
    SetCaptureButtonState(true);
    if (m_retryCount >= m_tryLoop)
    {
        KillTimer();
        ShowProgress(false);
        m_c.log.Write(m_imageInProcess == 0 ? "Have No Image to Process!\n"
                                            : "Have Image to Process! Waiting...\n");
        m_retryCount = 0;
        if (m_imageInProcess == 0)
        {
            // Given up: the request stays, so a still that comes late is
            // still stored, but the next press of the scanner's button is
            // taken as a new one, and the preview the press stopped runs.
            m_givenUp = 1;
            m_previewEnabled = 1;
            Finish(HandoverResult::NoPicture);
        }
        m_c.changed();
        return;
    }
    ShowProgress(true);
    if (m_imageInProcess == 0)
    {
        KillTimer();
        OnCaptureButton();
        m_c.log.Write("No Image, So Begin New Event!\n");
    }
    else
    {
        m_c.log.Write("Have Image, Continue Prior Event!\n");
    }
    m_c.changed();
}

void CaptureSequence::StartCapture(Source source)
{
    // Counted before the thread runs, so a close right after the press
    // waits for the picture instead of ending before the thread took it.
    m_capturesStarted += 1;
    const auto started = m_c.threads.Spawn(
        [this, source](std::stop_token stop)
        {
            Capture(source, stop);
            m_capturesStarted -= 1;
        });
    if (!started.stop_possible())
        m_capturesStarted -= 1;
}

void CaptureSequence::EndCapture(bool clearLatch)
{
    m_previewEnabled = 1;
    KillTimer();
    m_imageInProcess = 0;
    m_stillInProgress = 0;
    m_retryCount = 0;
    ShowProgress(false);
    // The latch goes before the request flag: the poller must not see the
    // press that was just served as a new one.
    if (clearLatch)
        m_c.device.Control().ClearButtonLatch();
    m_givenUp = 0;
    m_captureRequested = 0;
    SetCaptureButtonState(true);
    m_c.changed();
}

void CaptureSequence::Finish(HandoverResult result, std::string keptPath)
{
    {
        std::lock_guard lock(m_mutex);
        m_lastHandover = result;
        m_lastKeptPath = std::move(keptPath);
    }
    m_c.changed();
}

bool CaptureSequence::Capture(Source source, std::stop_token stop)
{
    if (m_imageInProcess.exchange(1) == 1)
    {
        m_c.log.Write("Has Image Processing, So this Action Canceled!\n");
        return false;
    }
    m_c.log.Write("No Image Processing, So this Action Entered!\n");
    SetCaptureButtonState(false);
    m_previewEnabled = 0;
    m_c.changed();
    CDib frame;
    if (source == Source::Still)
    {
        std::unique_ptr<CDib> still;
        {
            std::lock_guard lock(m_mutex);
            still.swap(m_stillImage);
        }
        if (still && still->HasPixels())
            frame.Swap(*still);
    }
    else
    {
        m_c.device.GrabFrame(frame);
    }
    if (!frame.HasPixels())
    {
        Finish(HandoverResult::NoPicture);
        EndCapture(false);
        return false;
    }
    CHandoverSender sender([this](const std::string& line) { m_c.log.Write(line); }, m_c.window());
    if (!sender.FindManager())
    {
        Finish(HandoverResult::NoManager);
        EndCapture(true);
        return false;
    }
    sender.PrepareNames();
    if (m_stillMode == 0)
        m_c.playSound();
    const SensorSettings sensor = m_c.sensor();
    CDib picture;
    m_c.profile.Use(
        [&](CImageProfile& profile)
        {
            profile.ApplyCalibration(frame);
            MakeStillPicture(profile, frame, Margins(sensor.captureCrop), sensor.outputWidth,
                             sensor.outputHeight, picture);
        });
    // The copy handed over is taken from the profile's text, so the send
    // (which waits for the manager to store) does not hold the profile.
    CImageProfile copy(ProfileFlavour::Capture);
    copy.document.SetDocumentText(m_c.profile.Text());
    copy.ParseProfile();
    const std::int64_t handover = Now();
    const std::int64_t requestToHandover = handover - m_pressTime;
    m_pressTime = handover;
    const CHandoverSender::Result result =
        sender.Send(picture, copy, m_outputFormat, m_bitDepthIndex);
    Finish(ResultOf(result.outcome), result.keptPath);
    if (result.outcome != CHandoverSender::Outcome::Stored)
    {
        EndCapture(true);
        return false;
    }
    const std::int64_t handoverAt = Now();
    // A device press keeps the button busy a little longer, as the camera
    // needs it; a close does not wait for it.
    if (m_captureSource == CaptureSource::DeviceButton)
        ThreadOwner::Wait(stop, 500ms);
    m_captureSource = CaptureSource::None;
    m_c.log.Write("Capture End!\n");
    char line[64];
    std::snprintf(line, sizeof line, "%d, %d\n", int(requestToHandover), int(Now() - handoverAt));
    m_c.log.Write(line);
    EndCapture(true);
    return true;
}

void CaptureSequence::StartSettle()
{
    // Counted and disabled here rather than on the thread, so the button is
    // off as soon as the change returns.
    m_settleCount += 1;
    SetCaptureButtonState(false);
    KillTimer();
    m_c.threads.Spawn(
        [this](std::stop_token stop)
        {
            if (ThreadOwner::Wait(stop, 1500ms) && m_settleCount == 1)
            {
                SetCaptureButtonState(true);
                KillTimer();
            }
            m_settleCount -= 1;
        });
}

void CaptureSequence::Fill(CaptureState& state) const
{
    state.captureButtonEnabled = m_buttonEnabled;
    state.stillMode = m_stillMode == 1;
    state.imageInProcess = m_imageInProcess == 1;
    state.progressVisible = m_progressVisible;
    state.retryCount = m_retryCount;
    state.tryLoop = m_tryLoop;
    std::lock_guard lock(m_mutex);
    state.lastHandover = m_lastHandover;
    state.lastKeptPath = m_lastKeptPath;
}

} // namespace tavrel
