#include "capture/CaptureEngine.h"

#include "capture/CaptureGraph.h"
#include "capture/TestFunctions.h"
#include "platform/MessageBox.h"
#include "platform/Paths.h"
#include "platform/ProfileString.h"
#include "shared/InstanceGuard.h"

namespace tavrel
{

namespace
{

using namespace std::chrono_literals;

// The close waiter's limits: the preview worker ends within one round, a
// capture under way within its hand-over.
constexpr auto kCloseSettle = 200ms;
constexpr auto kCloseLimit = 100s;

} // namespace

CCaptureEngine::CCaptureEngine(EventLoop& loop, CaptureEngineOptions options)
    : m_loop(loop), m_options(std::move(options)),
      m_device(m_options.backend ? std::move(m_options.backend) : MakeDefaultVideoBackend(),
               m_options.folder, [this] { Changed(); }),
      m_sequence({m_loop, [this](std::function<void()> work) { PostAlive(std::move(work)); },
                  m_device, m_profile, m_threads, m_log, [this] { return m_variants.Sensor(); },
                  [this] { return m_options.window; }, [this] { Changed(); },
                  [this] { Notify(EngineEvent::PlaySound); }}),
      m_variants({m_loop, m_device, m_profile, m_sequence, m_options.folder,
                  [this] { return m_options.window; }, [this] { Changed(); }}),
      m_pump(m_device, m_profile,
             {[this] { return m_sequence.PreviewEnabled(); },
              [this] { return m_sequence.StillMode(); },
              [this] { return m_sequence.HoldingStill(); },
              [this]
              {
                  const CropMargins m = m_variants.Sensor().previewCrop;
                  return FrameMargins{m.left, m.top, m.right, m.bottom};
              },
              [this]
              {
                  if (m_options.verifyOnStart)
                      Notify(EngineEvent::OpenCalibration);
              },
              [this]
              {
                  if (!m_framePosted.exchange(true))
                      Notify(EngineEvent::FrameReady);
              }}),
      m_buttons(m_device, m_log,
                {[this] { return m_sequence.CaptureButtonEnabled(); },
                 [this] { return m_sequence.OnDeviceButton(); }}),
      m_threads([this](std::function<void()> work) { m_loop.Post(std::move(work)); })
{
}

CCaptureEngine::~CCaptureEngine()
{
    m_alive.reset();
    m_threads.StopAll();
    // The streaming thread calls into the sequence: it goes first.
    m_device.Close();
    m_sequence.Stop();
}

void CCaptureEngine::SetListener(std::function<void(EngineEvent)> listener)
{
    m_listener = std::move(listener);
}

void CCaptureEngine::PostAlive(std::function<void()> work)
{
    m_loop.Post(
        [work = std::move(work), alive = m_token]
        {
            if (alive.lock())
                work();
        });
}

void CCaptureEngine::Notify(EngineEvent event)
{
    PostAlive(
        [this, event]
        {
            if (event == EngineEvent::StateChanged)
                m_statePosted = false;
            if (event == EngineEvent::FrameReady)
                m_framePosted = false;
            if (m_listener)
                m_listener(event);
        });
}

void CCaptureEngine::Changed()
{
    if (!m_statePosted.exchange(true))
        Notify(EngineEvent::StateChanged);
}

CaptureState CCaptureEngine::State() const
{
    CaptureState s;
    s.mode = m_options.mode;
    s.graphReady = m_device.Ready();
    s.stream = m_device.Stream();
    s.devicePresent = s.graphReady && s.stream != StreamStatus::Lost;
    m_sequence.Fill(s);
    m_variants.Fill(s);
    m_profile.Fill(s);
    s.formatChoiceShown = m_formatChoiceShown;
    s.outputFormat = m_outputFormat;
    s.bitDepthChoices = s.outputFormat == 1 ? std::vector<std::string>{"24Bit", "48Bit"}
                                            : std::vector<std::string>{"24Bit"};
    s.bitDepthIndex = m_bitDepthIndex;
    s.progressRange = ProgressRange();
    return s;
}

std::shared_ptr<const CDib> CCaptureEngine::Frame() const
{
    return m_pump.Latest();
}

StartResult CCaptureEngine::Start()
{
    m_log.Open(JoinPath(m_options.folder, "log.txt"));
    m_variants.LoadSensorSettings();
    const SensorSettings sensor = m_variants.Sensor();
    m_sequence.Configure(sensor.stillMode, 1500, 3);
    if (m_options.mode == CaptureMode::Film)
        m_variants.InitFilm();
    if (m_options.window)
        Desktop::RegisterDeviceNotification(m_options.window);
    m_device.Open();
    if (!m_device.StartPreview([this](const VideoStill& s) { m_sequence.OnStillImage(s); }))
    {
        m_sequence.SetCaptureButtonState(false);
        MessageBox(m_options.window, "设备不存在，请先连接好设备后，再进行扫描仪。", "Tavrel");
        Changed();
        return StartResult::NoDevice;
    }
    m_sequence.EnableCaptureButton();
    // The design leaves this at 0 until a first capture, which would keep
    // the preview black until then.
    m_sequence.SetPreviewEnabled(true);
    StartWorkers();
    if (m_options.mode == CaptureMode::Film)
        m_threads.Spawn([this](std::stop_token stop) { m_variants.WriteStartupRegisters(stop); });
    const std::string folder = m_options.folder.empty() ? "." : m_options.folder;
    const std::string loopAndTime = folder + "/LoopAndTime.ini";
    m_sequence.Configure(sensor.stillMode,
                         GetPrivateProfileInt("LoopAndTime", "FailTime", 8000, loopAndTime),
                         GetPrivateProfileInt("LoopAndTime", "TryLoop", 3, loopAndTime));
    m_formatChoiceShown =
        GetPrivateProfileInt("Can48Bit", "Can48Bit", 0, folder + "/Can48Bit.ini") != 0;
    if (m_options.mode == CaptureMode::Photo)
        m_variants.InitPhoto();
    Changed();
    return StartResult::Running;
}

void CCaptureEngine::StartWorkers()
{
    m_previewRunning = true;
    m_previewStop = m_threads.Spawn(
        [this](std::stop_token stop)
        {
            m_pump.Run(stop);
            m_previewRunning = false;
        });
    m_pollerStop = m_threads.Spawn([this](std::stop_token stop) { m_buttons.Run(stop); });
}

void CCaptureEngine::Close(std::function<void()> done)
{
    if (m_closing.exchange(true))
        return;
    m_previewStop.request_stop();
    m_pollerStop.request_stop();
    m_profile.Save();
    m_log.Close();
    if (m_options.window)
        Desktop::UnregisterDeviceNotification(m_options.window);
    m_threads.Spawn(
        [this, done = std::move(done)](std::stop_token stop)
        {
            ThreadOwner::Wait(stop, kCloseSettle);
            // A capture under way finishes its hand-over first: ending it
            // would lose the picture.
            const auto deadline = std::chrono::steady_clock::now() + kCloseLimit;
            while ((m_previewRunning || m_sequence.Busy()) &&
                   std::chrono::steady_clock::now() < deadline)
                if (!ThreadOwner::Wait(stop, 10ms))
                    return;
            PostAlive([this, done] { FinalExit(done); });
        });
}

void CCaptureEngine::FinalExit(const std::function<void()>& done)
{
    if (m_listener)
        m_listener(EngineEvent::Exiting);
    m_sequence.Stop();
    m_device.Close();
    Changed();
    if (done)
        done();
}

std::optional<LRESULT> CCaptureEngine::HandleWindowMessage(const Message& m)
{
    switch (m.message)
    {
    case WM_COMMAND:
        return Command(int(m.wParam & 0xFFFF)) ? 1 : 0;
    case WM_DEVICECHANGE:
        OnDeviceChange(m.wParam);
        return 1;
    case WM_QUERY_CAPTURE_MODE:
        return AnswerCaptureModeQuery(int(m_options.mode));
    default:
        return std::nullopt;
    }
}

void CCaptureEngine::OnDeviceChange(WPARAM event)
{
    // Removal changes nothing: the graph is kept for the camera's return.
    if (event != DBT_DEVICEARRIVAL || m_closing)
        return;
    m_device.OnArrival([this](const VideoStill& s) { m_sequence.OnStillImage(s); });
    Changed();
}

bool CCaptureEngine::Command(int id)
{
    namespace c = control;
    const bool film = m_options.mode == CaptureMode::Film;
    const bool photo = m_options.mode == CaptureMode::Photo;
    switch (id)
    {
    case c::kCapture:
        if (!m_sequence.CaptureButtonEnabled())
            return false;
        m_sequence.OnCaptureButton();
        return true;
    case c::kResolution18:
    case c::kResolution36:
        SetDoubleResolution(id == c::kResolution36);
        return true;
    case c::kPositive:
    case c::kNegative:
    case c::kBlackWhite:
        if (film)
            SelectFilmType(static_cast<FilmType>(id - c::kPositive));
        return film;
    case c::kSize5x7:
    case c::kSize4x6:
    case c::kSize3x5:
    case c::kSizeNameCard:
        return photo && SelectPhotoSize(static_cast<PhotoSize>(id - c::kSize5x7 + 1));
    case c::kNatural:
    case c::kVivid:
    case c::kNostalgic:
        SelectPreset(static_cast<Preset>(id - c::kNatural));
        return true;
    case c::kCustom:
        SelectPreset(Preset::Custom);
        return true;
    case c::kDenoise:
        SetDenoise(!State().denoise);
        return true;
    case c::kShowPic:
        return m_device.TriggerStill();
    case c::kVerify:
        m_threads.Spawn([this](std::stop_token stop) { CaptureCalibrationReference(stop); });
        return true;
    case c::kStartCalibration:
        Notify(EngineEvent::OpenCalibration);
        return true;
    case c::kRenderPreview:
        m_pump.Request();
        return true;
    case c::kStillArrived:
        m_sequence.OnStillArrived();
        return true;
    case c::kSaveRawFrame:
    case c::kRestoreFromDevice:
    case c::kRestoreFromFile:
    case c::kConfigSensor:
        if (!m_options.files)
            return false;
        RunTestFunction(id);
        return true;
    default:
        return false;
    }
}

void CCaptureEngine::RunTestFunction(int id)
{
    namespace c = control;
    if (id == c::kConfigSensor)
    {
        if (const auto path = m_options.files(FileDialog::OpenRegisters))
            WriteRegisterList(*path);
        return;
    }
    CDib picture;
    if (id == c::kRestoreFromFile)
    {
        const auto in = m_options.files(FileDialog::OpenBitmap);
        if (!in || !picture.LoadFile(*in) || !picture.HasPixels())
            return;
        if (const auto out = m_options.files(FileDialog::SaveBitmap))
            RestoreToBitmapFile(m_profile, picture, *out);
        Changed();
        return;
    }
    const bool restore = id == c::kRestoreFromDevice;
    if (restore)
        m_sequence.SetPreviewEnabled(false);
    if (m_device.GrabFrame(picture))
    {
        if (const auto name = m_options.files(FileDialog::SaveBitmap))
        {
            // A raw frame stays as the camera gave it; a restored one is
            // treated as every captured picture.
            if (restore)
                m_profile.ApplyCalibration(picture);
            restore ? RestoreToBitmapFile(m_profile, picture, BitmapName(*name))
                    : SaveRawFrame(picture, *name);
        }
    }
    if (restore)
        m_sequence.SetPreviewEnabled(true);
    Changed();
}

bool CCaptureEngine::SetSlider(Slider slider, int position)
{
    const bool moved = m_profile.SetSlider(slider, position);
    Changed();
    return moved;
}

void CCaptureEngine::SelectPreset(Preset preset)
{
    m_profile.SelectPreset(preset);
    Changed();
}

void CCaptureEngine::SetDoubleResolution(bool on)
{
    m_profile.SetDoubleResolution(on);
    Changed();
}

void CCaptureEngine::SetDenoise(bool on)
{
    m_profile.SetDenoise(on);
    Changed();
}

void CCaptureEngine::SelectFilmType(FilmType type)
{
    if (m_options.mode == CaptureMode::Film)
        m_variants.SelectFilmType(type);
}

bool CCaptureEngine::SelectPhotoSize(PhotoSize size)
{
    return m_options.mode == CaptureMode::Photo && m_variants.SelectPhotoSize(size);
}

bool CCaptureEngine::SetOutputFormat(int format)
{
    if (format != 0 && format != 1)
        return false;
    m_outputFormat = format;
    // JPG has only 24 bits; TIFF offers 48 and takes it.
    m_bitDepthIndex = format;
    m_sequence.SetOutput(m_outputFormat, m_bitDepthIndex);
    Changed();
    return true;
}

bool CCaptureEngine::SetBitDepth(int index)
{
    if (index < 0 || index > m_outputFormat)
        return false;
    m_bitDepthIndex = index;
    m_sequence.SetOutput(m_outputFormat, m_bitDepthIndex);
    Changed();
    return true;
}

bool CCaptureEngine::WriteRegisterList(const std::string& path)
{
    const bool opened = m_device.Control().WriteRegisterFile(path, m_options.window);
    Changed();
    return opened;
}

void CCaptureEngine::SetPreviewWidth(int width)
{
    m_pump.SetTargetWidth(width);
}

CalibrationResult CCaptureEngine::CaptureCalibrationReference(std::stop_token stop)
{
    m_sequence.SetPreviewEnabled(false);
    CDib frame;
    if (!m_device.GrabFrame(frame))
    {
        m_sequence.SetPreviewEnabled(true);
        return CalibrationResult::NoFrame;
    }
    ThreadOwner::Wait(stop, 1000ms);
    BlankFrameFault fault = BlankFrameFault::None;
    m_profile.Use([&](CImageProfile& profile) { return profile.Calibrate(frame, &fault); });
    m_sequence.SetPreviewEnabled(true);
    // A refused frame leaves the map in force and the reference file alone.
    switch (fault)
    {
    case BlankFrameFault::None:
        break;
    case BlankFrameFault::NotEmpty:
        return CalibrationResult::HolderInPlace;
    case BlankFrameFault::WrongFormat:
    case BlankFrameFault::TooDark:
        return CalibrationResult::TooDark;
    }
    const std::string reference =
        CaptureVariants::ReferenceName(static_cast<FilmType>(m_profile.PictureType()));
    if (!reference.empty())
        m_profile.SelectCalibrationFile(reference);
    return CalibrationResult::Taken;
}

} // namespace tavrel
