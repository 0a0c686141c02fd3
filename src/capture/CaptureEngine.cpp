#include "capture/CaptureEngine.h"

#include "capture/HandoverSender.h"
#include "capture/RegisterWriter.h"
#include "capture/Yuy2Converter.h"
#include "imaging/ProcessingChain.h"
#include "platform/MessageBox.h"
#include "platform/ProfileString.h"
#include "shared/Utf.h"
#include "shared/camera/CameraControl.h"

#include <cstdio>
#include <cstring>
#include <strings.h>

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

CaptureView* g_progressView = nullptr;

int ProgressCallback(std::int32_t /*position*/, std::int32_t total)
{
    if (g_progressView)
        g_progressView->SetProgressRange(total);
    return 1;
}

// The poller's "go round again at once" while it may not poll: a short
// wait, so that it does not spin.
constexpr auto kIdleRound = 10ms;

} // namespace

CCaptureEngine::CCaptureEngine(tavrel::MessageLoop& loop, CaptureEngineOptions options)
    : m_loop(loop), m_options(std::move(options)),
      m_threads([this](std::function<void()> work) { m_loop.Post(std::move(work)); })
{
    if (!m_options.backend)
        m_options.backend = MakeDefaultVideoBackend();
    m_profile = std::make_unique<CImageProfile>(ProfileFlavour::Capture);
    m_profile->LoadProfile(In(m_options.profileFile));
}

CCaptureEngine::~CCaptureEngine()
{
    m_stopPreviewWorker = 1;
    m_stopButtonPoller = 1;
    m_threads.StopAll();
    m_window.reset();
    m_loop.KillTimer(kCaptureTimerId);
    if (m_graph)
        m_graph->StopAndRelease();
    CloseDevice();
}

std::string CCaptureEngine::In(const std::string& name) const
{
    return JoinPath(m_options.folder, name);
}

tavrel::HWND CCaptureEngine::Window() const
{
    return m_window ? m_window->Handle() : 0;
}

void CCaptureEngine::Spawn(std::function<void(std::stop_token)> work)
{
    m_threads.Spawn(std::move(work));
}

bool CCaptureEngine::PreviewWait(std::stop_token stop, std::chrono::milliseconds period)
{
    std::unique_lock lock(m_waitMutex);
    m_waitCv.wait_for(lock, stop, period,
                      [this] { return m_previewRequested.load() || m_stopPreviewWorker.load(); });
    return !stop.stop_requested();
}

void CCaptureEngine::RequestPreviewFrame()
{
    {
        std::lock_guard lock(m_waitMutex);
        m_previewRequested = true;
    }
    m_waitCv.notify_all();
}

void CCaptureEngine::SetCaptureButtonState(bool enabled)
{
    m_buttonEnabled = enabled;
    if (m_options.view)
        m_options.view->SetCaptureButtonState(enabled);
}

void CCaptureEngine::SaveProfile()
{
    std::lock_guard lock(m_profileMutex);
    m_profile->SaveProfile();
}

tavrel::LRESULT CCaptureEngine::HandleWindowMessage(const tavrel::Message& m)
{
    if (m.message == tavrel::WM_DEVICECHANGE)
    {
        OnDeviceChange(m.wParam);
        return 1;
    }
    if (m.message == tavrel::WM_COMMAND)
    {
        switch (m.wParam & 0xFFFF)
        {
        case kCommandCapture:
            OnCaptureButton();
            break;
        case kCommandRenderPreview:
            RequestPreviewFrame();
            break;
        case kCommandStillArrived:
            OnStillArrived();
            break;
        default:
            break;
        }
    }
    return 0;
}

bool CCaptureEngine::Start()
{
    m_log.Open(In("log.txt"));
    m_failTime = 1500;
    ReadSensorSettings(In("sensor.xml"), m_sensor);
    m_stillMode = m_sensor.stillMode;
    if (m_options.registerWindow)
    {
        m_window = tavrel::WindowEndpoint::Create(
            "Tavrel Camera", "照片预览",
            [this](const tavrel::Message& m, std::vector<std::uint8_t>&)
            { return HandleWindowMessage(m); },
            m_loop.Dispatcher());
        if (m_window)
            tavrel::Desktop::RegisterDeviceNotification(m_window->Handle());
    }
    OpenDevice();
    if (!StartDevicePreview())
    {
        SetCaptureButtonState(false);
        tavrel::MessageBox(Window(), "设备不存在，请先连接好设备后，再进行扫描仪。", "Tavrel");
        return false;
    }
    SetCaptureButtonState(true);
    m_previewWorkerRunning = true;
    Spawn([this](std::stop_token s) { PreviewWorker(s); });
    Spawn([this](std::stop_token s) { ButtonPoller(s); });
    if (m_options.startupRegisterWriter)
    {
        // The film dialog's start-up register writer.
        Spawn(
            [this](std::stop_token s)
            {
                if (!m_control.Present() || !tavrel::ThreadOwner::Wait(s, 1000ms))
                    return;
                WriteRegisterFile(
                    In(m_profile->GetPictureType() == 0 || m_profile->GetPictureType() == 10
                           ? "zhengpian.txt"
                           : "fupian.txt"));
            });
    }
    const std::string folder = m_options.folder.empty() ? "." : m_options.folder;
    m_failTime =
        tavrel::GetPrivateProfileInt("LoopAndTime", "FailTime", 8000, folder + "/LoopAndTime.ini");
    m_tryLoop =
        tavrel::GetPrivateProfileInt("LoopAndTime", "TryLoop", 3, folder + "/LoopAndTime.ini");
    m_can48Bit =
        tavrel::GetPrivateProfileInt("Can48Bit", "Can48Bit", 0, folder + "/Can48Bit.ini") != 0;
    return true;
}

void CCaptureEngine::OpenDevice()
{
    if (m_graphReady)
        return;
    if (!m_graph)
        m_graph = std::make_unique<CCaptureGraph>(std::move(m_options.backend), m_options.folder,
                                                  m_options.folder);
    if (!m_graph->Build())
    {
        m_graphReady = false;
        return;
    }
    m_graphReady = true;
    AttachDeviceControl();
}

bool CCaptureEngine::StartDevicePreview()
{
    if (!m_graphReady || !m_graph)
        return false;
    const bool ok = m_graph->StartPreview([this](const VideoStill& s) { OnStillImage(s); },
                                          [this](StreamEvent e) { m_streamState = e; });
    if (!ok)
        m_graphReady = false;
    return ok && m_graphReady;
}

void CCaptureEngine::CloseDevice()
{
    if (!m_graphReady)
        return;
    if (m_graph)
        m_graph->StopAndRelease();
    m_control.Release();
    m_graphReady = false;
}

bool CCaptureEngine::AttachDeviceControl()
{
    if (!m_graph || m_graph->MatchedPaths().empty())
        return false;
    return m_control.Attach(m_graph->MatchedPaths().front());
}

void CCaptureEngine::OnDeviceChange(tavrel::WPARAM event)
{
    if (event != tavrel::DBT_DEVICEARRIVAL)
        return;
    ++m_deviceArrivals;
    // The kept graph is reused; a source whose device really went away
    // (a V4L2 node is dead after unplugging) is rebuilt instead.
    if (m_graphReady && m_graph && !m_graph->IsStreaming() && m_graph->IsBuilt())
    {
        m_graph->StopAndRelease();
        CloseDevice();
    }
    OpenDevice();
    StartDevicePreview();
}

bool CCaptureEngine::WriteRegisterFile(const std::string& path)
{
    return m_control.WriteRegisterFile(path, Window());
}

void CCaptureEngine::SetCaptureTimer()
{
    m_loop.Post(
        [this]
        {
            m_loop.KillTimer(kCaptureTimerId);
            m_loop.SetTimer(kCaptureTimerId,
                            std::chrono::milliseconds(std::max(1, m_failTime.load())),
                            [this] { OnCaptureTimer(); });
        });
}

void CCaptureEngine::KillCaptureTimer()
{
    m_loop.Post([this] { m_loop.KillTimer(kCaptureTimerId); });
}

void CCaptureEngine::ClearButtonLatch()
{
    m_control.ClearButtonLatch();
}

void CCaptureEngine::OnCaptureButton()
{
    m_captureRequested = 1;
    m_pressTime = Now();
    m_log.Write("\nButton Capture!\n");
    if (m_buttonEnabled)
    {
        m_previewEnabled = 0;
        if (m_stillMode != 1)
        {
            StartCaptureThread(m_stillMode);
        }
        else
        {
            m_captureSource = 2;
            if (m_graph && m_graph->TriggerStill())
            {
                SetCaptureButtonState(false);
                m_loop.KillTimer(kCaptureTimerId);
                m_loop.SetTimer(kCaptureTimerId,
                                std::chrono::milliseconds(std::max(1, m_failTime.load())),
                                [this] { OnCaptureTimer(); });
                if (m_options.view)
                    m_options.view->PlayCaptureSound();
            }
        }
    }
    SaveProfile();
}

void CCaptureEngine::ButtonPoller(std::stop_token stop)
{
    using tavrel::ThreadOwner;
    while (!stop.stop_requested() && !m_stopButtonPoller)
    {
        if (!m_graphReady || !m_control.Present() || m_control.RegisterWriteBusy() == 1)
        {
            ThreadOwner::Wait(stop, kIdleRound);
            continue;
        }
        std::optional<std::uint32_t> value;
        if (m_buttonEnabled)
            value = m_control.ReadButton();
        if (value && *value != 0 && m_captureRequested == 0)
        {
            m_captureRequested = 1;
            if (m_stillMode == 1)
            {
                if (m_imageInProcess == 0)
                {
                    m_captureSource = 1;
                    SetCaptureButtonState(false);
                    SetCaptureTimer();
                    if (m_options.view)
                        m_options.view->PlayCaptureSound();
                    m_log.Write("StillPin Snap!\n");
                    // A camera without a still pin of its own needs the trigger.
                    if (m_graph && !m_graph->SourceFiresStillOnButton())
                        m_graph->TriggerStill();
                }
            }
            else
            {
                m_loop.Post([this] { OnCaptureButton(); });
            }
            if (!ThreadOwner::Wait(stop, 500ms))
                break;
            const bool cleared = m_control.ClearButtonLatch();
            m_log.Write("Write Chip!\n");
            if (!cleared)
                ThreadOwner::Wait(stop, 50ms);
            continue;
        }
        ThreadOwner::Wait(stop, 50ms);
    }
    m_stopButtonPoller = 0;
}

void CCaptureEngine::OnStillImage(const VideoStill& still)
{
    if (m_captureRequested == 0)
    {
        m_log.Write("No Snap, But Image Come, So Canceled!\n");
        return;
    }
    if (m_stillInProgress == 1)
    {
        m_log.Write("Has Image Processing, Abort CallBack!\n");
        return;
    }
    m_stillInProgress = 1;
    m_log.Write("Enter CallBack!\n");
    if (!still.yuy2 || still.width <= 0 || still.height <= 0 ||
        still.bytes < std::size_t(still.width) * std::size_t(still.height) * 2)
    {
        // An unusable buffer must not block every later still.
        m_stillInProgress = 0;
        return;
    }
    m_lastStillTime = Now();
    auto image = std::make_unique<CDib>();
    if (!ConvertYuy2ToDib(still.yuy2, still.bytes, still.width, still.height, *image))
    {
        m_stillInProgress = 0;
        return;
    }
    {
        std::lock_guard lock(m_stillMutex);
        m_stillImage = std::move(image);
    }
    m_log.Write("Post Command!\n");
    m_loop.Post([this] { OnStillArrived(); });
}

void CCaptureEngine::OnStillArrived()
{
    if (m_imageInProcess != 0)
        return;
    m_stillInProgress = 0;
    m_log.Write("Enter Command!\n");
    m_previewEnabled = 0;
    m_stillMode = 1;
    StartCaptureThread(1);
    m_previewEnabled = 1;
    SaveProfile();
}

void CCaptureEngine::OnCaptureTimer()
{
    m_log.Write("Time End\n");
    m_retryCount += 1;
    SetCaptureButtonState(true);
    if (m_retryCount >= m_tryLoop)
    {
        m_loop.KillTimer(kCaptureTimerId);
        if (m_options.view)
            m_options.view->HideProgressPopup();
        m_log.Write(m_imageInProcess == 0 ? "Have No Image to Process!\n"
                                          : "Have Image to Process! Waiting...\n");
        m_retryCount = 0;
        return;
    }
    if (m_options.view)
        m_options.view->ShowProgressPopup();
    if (m_imageInProcess == 0)
    {
        m_loop.KillTimer(kCaptureTimerId);
        OnCaptureButton();
        m_log.Write("No Image, So Begin New Event!\n");
    }
    else
    {
        m_log.Write("Have Image, Continue Prior Event!\n");
    }
}

void CCaptureEngine::StartCaptureThread(int fromStill)
{
    Spawn([this, fromStill](std::stop_token) { Capture(fromStill); });
}

bool CCaptureEngine::TakeFrame(CDib& image)
{
    if (!m_graph)
        return false;
    BitmapInfoHeader header;
    const std::vector<std::uint8_t> buffer = m_graph->GrabFrame(header);
    if (buffer.empty() || header.biWidth <= 0 || header.biHeight <= 0 || header.biBitCount != 24)
        return false;
    const int width = header.biWidth, height = header.biHeight;
    const std::size_t stride = (std::size_t(width) * 3 + 3) & ~std::size_t(3);
    if (buffer.size() < stride * std::size_t(height) || !image.Create(width, height, 24, 300))
        return false;
    for (int y = 0; y < height; ++y)
        std::memcpy(image.Row(y), buffer.data() + std::size_t(height - 1 - y) * stride,
                    std::size_t(width) * 3);
    return true;
}

void CCaptureEngine::EndCapture(bool clearLatch)
{
    m_previewEnabled = 1;
    KillCaptureTimer();
    m_imageInProcess = 0;
    m_stillInProgress = 0;
    m_retryCount = 0;
    if (m_options.view)
        m_options.view->HideProgressPopup();
    m_captureRequested = 0;
    if (clearLatch)
        ClearButtonLatch();
    SetCaptureButtonState(true);
}

int CCaptureEngine::Capture(int fromStill)
{
    if (m_imageInProcess.exchange(1) == 1)
    {
        m_log.Write("Has Image Processing, So this Action Canceled!\n");
        return 0;
    }
    m_log.Write("No Image Processing, So this Action Entered!\n");
    SetCaptureButtonState(false);
    m_previewEnabled = 0;
    CDib source;
    if (fromStill == 1)
    {
        std::unique_ptr<CDib> still;
        {
            std::lock_guard lock(m_stillMutex);
            still = std::move(m_stillImage);
        }
        if (still && still->HasPixels())
            source.CopyFrom(*still);
    }
    else
    {
        TakeFrame(source);
    }
    if (!source.HasPixels())
    {
        EndCapture(false);
        return 0;
    }
    tavrel::CHandoverSender sender([this](const std::string& line) { m_log.Write(line); },
                                   Window());
    if (!sender.FindManager())
    {
        EndCapture(true);
        return 0;
    }
    sender.PrepareNames();
    CDib picture;
    const FrameMargins margins{m_sensor.captureCrop.left, m_sensor.captureCrop.top,
                               m_sensor.captureCrop.right, m_sensor.captureCrop.bottom};
    if (m_stillMode == 0 && m_options.view)
        m_options.view->PlayCaptureSound();
    tavrel::CHandoverSender::Result result;
    std::int64_t requestToHandover = 0;
    {
        std::lock_guard lock(m_profileMutex);
        MakeStillPicture(*m_profile, source, margins, m_sensor.outputWidth, m_sensor.outputHeight,
                         picture);
        const std::int64_t handover = Now();
        requestToHandover = handover - m_pressTime;
        m_pressTime = handover;
        result = sender.Send(picture, *m_profile, outputFormat, bitDepthIndex);
        if (result.outcome != tavrel::CHandoverSender::Outcome::Stored)
        {
            EndCapture(true);
            return 0;
        }
    }
    const std::int64_t handoverAt = Now();
    if (m_captureSource == 1)
        std::this_thread::sleep_for(500ms);
    m_captureSource = 0;
    KillCaptureTimer();
    m_previewEnabled = 1;
    m_retryCount = 0;
    m_log.Write("Capture End!\n");
    char line[64];
    std::snprintf(line, sizeof line, "%d, %d\n", int(requestToHandover), int(Now() - handoverAt));
    m_log.Write(line);
    if (m_options.view)
        m_options.view->HideProgressPopup();
    m_imageInProcess = 0;
    m_stillInProgress = 0;
    ClearButtonLatch();
    m_captureRequested = 0;
    SetCaptureButtonState(true);
    return 1;
}

void CCaptureEngine::RenderPreview()
{
    FrameSink* sink = m_options.sink;
    if (!sink || sink->TargetWidth() <= 0 || !m_graph)
        return;
    const std::int64_t lastStill = m_lastStillTime;
    const bool holdStill = m_lastPreviewFrame.HasPixels() && lastStill != 0 &&
                           Now() - lastStill <= m_sensor.stillWaitTimeMs;
    if (!holdStill)
    {
        // Nothing new to show: the camera has not delivered since last time.
        const std::uint64_t sequence = m_graph->FrameSequence();
        if (sequence == m_lastPreviewSequence && m_lastPreviewFrame.HasPixels())
            return;
        CDib frame;
        if (!TakeFrame(frame))
            return;
        m_lastPreviewFrame.CopyFrom(frame);
        m_lastPreviewSequence = sequence;
    }
    const FrameMargins margins{m_sensor.previewCrop.left, m_sensor.previewCrop.top,
                               m_sensor.previewCrop.right, m_sensor.previewCrop.bottom};
    std::unique_ptr<CDib> shown;
    {
        std::lock_guard lock(m_profileMutex);
        shown = MakePreviewFrame(*m_profile, m_lastPreviewFrame, margins, sink->TargetWidth());
    }
    if (shown)
        sink->ShowFrame(*shown);
}

void CCaptureEngine::PreviewWorker(std::stop_token stop)
{
    if (PreviewWait(stop, 1000ms))
    {
        while (!stop.stop_requested() && !m_stopPreviewWorker)
        {
            // A frame asked for by command 1006 is rendered here as well, so
            // that the last frame has one owner.
            const bool requested = m_previewRequested.exchange(false);
            if (m_previewEnabled == 1 || requested)
                RenderPreview();
            if (!PreviewWait(stop, m_stillMode == 1 ? 10ms : 300ms) || m_stopPreviewWorker)
                break;
        }
    }
    {
        // Under the lock, or the close waiter could miss the change.
        std::lock_guard lock(m_waitMutex);
        m_stopPreviewWorker = 0;
        m_previewWorkerRunning = false;
    }
    m_waitCv.notify_all();
}

void CCaptureEngine::StartSettleThread()
{
    Spawn(
        [this](std::stop_token stop)
        {
            m_settleCount += 1;
            SetCaptureButtonState(false);
            KillCaptureTimer();
            if (tavrel::ThreadOwner::Wait(stop, 1500ms) && m_settleCount == 1)
            {
                SetCaptureButtonState(true);
                KillCaptureTimer();
            }
            m_settleCount -= 1;
        });
}

int CCaptureEngine::SaveRawFrame()
{
    CDib frame;
    if (!TakeFrame(frame) || !m_options.files)
        return 0;
    auto name = m_options.files->SaveFileName("BMP Files (*.BMP)|*.BMP||");
    if (!name)
        return 0;
    if (name->size() < 4 || strcasecmp(name->c_str() + name->size() - 4, ".BMP") != 0)
        *name += ".BMP";
    return frame.SaveFile(*name, 0x03000000);
}

int CCaptureEngine::RestoreFromDevice()
{
    m_previewEnabled = 0;
    CDib frame;
    int ok = 0;
    if (TakeFrame(frame) && m_options.files)
    {
        if (auto name = m_options.files->SaveFileName("BMP Files (*.BMP)|*.BMP||"))
        {
            if (name->size() < 4 || strcasecmp(name->c_str() + name->size() - 4, ".BMP") != 0)
                *name += ".BMP";
            g_progressView = m_options.view;
            std::lock_guard lock(m_profileMutex);
            ok = RestoreToBitmap(*m_profile, frame, ProgressCallback, *name);
        }
    }
    m_previewEnabled = 1;
    return ok;
}

int CCaptureEngine::RestoreFromFile()
{
    if (!m_options.files)
        return 0;
    const auto in =
        m_options.files->OpenFileName("Sensor Config Files (*.BMP)|*.BMP|All Files (*.*)|*.*||");
    if (!in)
        return 0;
    CDib picture;
    if (!picture.LoadFile(*in) || !picture.HasPixels())
        return 0;
    const auto out = m_options.files->SaveFileName("BMP Files (*.BMP)|*.BMP||");
    if (!out)
        return 0;
    g_progressView = m_options.view;
    std::lock_guard lock(m_profileMutex);
    return RestoreToBitmap(*m_profile, picture, ProgressCallback, *out);
}

void CCaptureEngine::Close(std::function<void()> onExit)
{
    {
        std::lock_guard lock(m_waitMutex);
        m_stopPreviewWorker = 1;
    }
    m_waitCv.notify_all();
    m_stopButtonPoller = 1;
    SaveProfile();
    m_log.Close();
    if (m_window)
        tavrel::Desktop::UnregisterDeviceNotification(m_window->Handle());
    Spawn(
        [this, onExit = std::move(onExit)](std::stop_token stop)
        {
            tavrel::ThreadOwner::Wait(stop, 200ms);
            // Up to 100 s for the preview worker; it ends within one round.
            const auto deadline = std::chrono::steady_clock::now() + 100s;
            {
                std::unique_lock lock(m_waitMutex);
                m_waitCv.wait_until(lock, stop, deadline,
                                    [this] { return !m_previewWorkerRunning; });
            }
            if (stop.stop_requested())
                return;
            m_loop.Post(
                [this, onExit]
                {
                    if (m_options.view)
                        m_options.view->HideProgressPopup();
                    m_loop.KillTimer(kCaptureTimerId);
                    m_stopButtonPoller = 1;
                    CloseDevice();
                    m_window.reset();
                    if (onExit)
                        onExit();
                });
        });
}

} // namespace tavrel
