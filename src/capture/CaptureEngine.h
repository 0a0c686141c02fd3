#pragma once
// CCaptureEngine: the capture dialog's application object. It holds every
// piece of state of the capture program and carries out every command of
// the dialog; the dialog only shows State() and Frame() and forwards what
// the user does.
//
// Threads. Construct, call and destroy the engine on the UI thread, the one
// that runs `loop`; every command below runs there. The engine's own threads
// (preview worker, button poller, captures, settle timers, the film
// dialog's start-up register writer, the close waiter) never call the view:
// what they change reaches it as a notification posted to the UI thread.
//
// Life of a dialog:
//   CaptureEngineOptions o;            // mode, verifyOnStart, window, ...
//   o.window = myWindow;               // the dialog's "Tavrel Camera" window:
//                                      // the dialog owns it, the engine only
//                                      // registers it for device notifications
//   CCaptureEngine engine(loop, std::move(o));
//   engine.SetListener(onEvent);       // EngineEvent, on the UI thread
//   engine.SetPreviewWidth(w);         // width of the preview frame 1005
//   if (engine.Start() == StartResult::NoDevice) -> the dialog ends (message
//                                      // 107 has been shown)
//   window messages -> engine.HandleWindowMessage(m) (WM_COMMAND with a
//                                      // control id, WM_DEVICECHANGE, 3031)
//   WM_CLOSE -> engine.Close(done)     // stops, saves, waits for the preview
//                                      // and a capture under way; on the UI
//                                      // thread: EngineEvent::Exiting (remove
//                                      // the window's mark), device closed,
//                                      // then done()
//
// Reading: State() is one consistent-enough snapshot (CaptureState.h);
// Frame() the last preview picture, shared and never changed afterwards.
// EngineEvent::StateChanged and FrameReady are coalesced: read the engine
// when they arrive, not once per change.
//
// Commands (control ids in CaptureState.h):
//   Command(id)                 a click on a button, radio or check box:
//                               1028 capture, 1014/1015 resolution,
//                               1016..1018 film type, 1048..1051 photo size,
//                               1019..1021/1030 presets, 1002 denoise (toggles),
//                               1034 still trigger, 1033 calibration frame,
//                               1039 calibration (EngineEvent::OpenCalibration),
//                               1001/1003/1007/1004 test functions (ask the
//                               FileChooser), 1006 preview frame, 2001.
//                               A disabled control does nothing, as a click.
//   SetSlider(slider, 0..200)   a slider moved (custom preset only)
//   SetOutputFormat(0 JPG|1 TIFF), SetBitDepth(0 24Bit|1 48Bit)
//   SelectFilmType, SelectPhotoSize, SelectPreset, SetDoubleResolution,
//   SetDenoise, WriteRegisterList(path)   the same as typed calls
//   CaptureCalibrationReference()   (any thread but the UI's) the
//                               calibration sequence's frame step; a frame
//                               that is not of the empty, evenly lit holder
//                               is refused and the references stay as they were

#include "capture/ButtonWatcher.h"
#include "capture/CaptureDevice.h"
#include "capture/CaptureSequence.h"
#include "capture/CaptureState.h"
#include "capture/CaptureVariants.h"
#include "capture/Log.h"
#include "capture/PreviewPump.h"
#include "capture/ProfileControls.h"
#include "capture/ThreadOwner.h"
#include "capture/VideoSource.h"
#include "platform/Desktop.h"
#include "platform/EventLoop.h"

#include <atomic>
#include <functional>
#include <memory>
#include <optional>
#include <stop_token>
#include <string>

namespace tavrel
{

enum class EngineEvent
{
    StateChanged,
    FrameReady,
    PlaySound,       // "Takephoto.wav"
    OpenCalibration, // 1039, or one second after a start with "/Verify"
    Exiting          // the final exit has begun
};

enum class StartResult
{
    Running,
    NoDevice // message 107 was shown; the dialog ends
};

// The test functions' file dialogs; nullopt when the user cancels.
enum class FileDialog
{
    SaveBitmap,   // "BMP Files (*.BMP)|*.BMP||"
    OpenBitmap,   // "Sensor Config Files (*.BMP)|*.BMP|All Files (*.*)|*.*||"
    OpenRegisters // "Sensor Config Files (*.txt)|*.txt|All Files (*.*)|*.*||"
};
using FileChooser = std::function<std::optional<std::string>(FileDialog)>;

struct CaptureEngineOptions
{
    CaptureMode mode = CaptureMode::Film;
    bool verifyOnStart = false;
    std::string folder;                    // program folder ("" = working directory)
    std::unique_ptr<VideoBackend> backend; // null: the default backend
    HWND window = 0;                       // the dialog's window, or 0
    FileChooser files;                     // null: the test functions do nothing
};

class CCaptureEngine
{
public:
    CCaptureEngine(EventLoop& loop, CaptureEngineOptions options);
    ~CCaptureEngine();
    CCaptureEngine(const CCaptureEngine&) = delete;
    CCaptureEngine& operator=(const CCaptureEngine&) = delete;

    void SetListener(std::function<void(EngineEvent)> listener);
    StartResult Start();
    void Close(std::function<void()> done = {});

    CaptureState State() const;
    std::shared_ptr<const CDib> Frame() const;

    // The window's messages; nullopt for those the dialog handles itself.
    std::optional<LRESULT> HandleWindowMessage(const Message& message);
    bool Command(int id);
    void OnDeviceChange(WPARAM event);

    bool SetSlider(Slider slider, int position);
    void SelectPreset(Preset preset);
    void SetDoubleResolution(bool on);
    void SetDenoise(bool on);
    void SelectFilmType(FilmType type);
    bool SelectPhotoSize(PhotoSize size);
    bool SetOutputFormat(int format);
    bool SetBitDepth(int index);
    bool WriteRegisterList(const std::string& path);
    void SetPreviewWidth(int width);
    CalibrationResult CaptureCalibrationReference(std::stop_token stop = {});

    // For tests and diagnostics.
    std::size_t ThreadCount() const { return m_threads.Count(); }
    std::uint64_t CameraFrames() const { return m_device.FrameSequence(); }
    int RegisterWriteBusy() const { return m_device.Control().RegisterWriteBusy(); }
    int CaptureRequested() const { return m_sequence.CaptureRequested(); }

private:
    void PostAlive(std::function<void()> work);
    void Changed();
    void Notify(EngineEvent event);
    void RunTestFunction(int id);
    void StartWorkers();
    void FinalExit(const std::function<void()>& done);

    EventLoop& m_loop;
    CaptureEngineOptions m_options;
    // Posted work holds the token: none runs after the engine. Threads copy
    // the token, never the owner that the destructor resets.
    std::shared_ptr<char> m_alive = std::make_shared<char>();
    const std::weak_ptr<char> m_token = m_alive;
    std::function<void(EngineEvent)> m_listener;
    std::atomic<bool> m_statePosted{false};
    std::atomic<bool> m_framePosted{false};

    CLog m_log;
    ProfileControls m_profile;
    CaptureDevice m_device;
    CaptureSequence m_sequence;
    CaptureVariants m_variants;
    PreviewPump m_pump;
    ButtonWatcher m_buttons;
    std::atomic<bool> m_formatChoiceShown{false};
    std::atomic<int> m_outputFormat{0};
    std::atomic<int> m_bitDepthIndex{0};
    std::atomic<bool> m_closing{false};
    std::atomic<bool> m_previewRunning{false};
    std::stop_source m_previewStop{std::nostopstate};
    std::stop_source m_pollerStop{std::nostopstate};
    // Last: its threads are stopped and joined before anything they use goes.
    ThreadOwner m_threads;
};

} // namespace tavrel
